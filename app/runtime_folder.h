#pragma once
// Outside a desktop session (a console, a script, cron, su) XDG_RUNTIME_DIR is not set,
// and Qt warns on every start, in every command's output, that it falls back to a private
// folder of its own in the temporary folder. Naming that same folder beforehand keeps the
// output clean; Qt still checks it and warns when it is not private to the user.

namespace app {

// Sets XDG_RUNTIME_DIR to Qt's own fallback when it is unset and that folder is (or can be
// made) a folder of this user's that no one else may enter; otherwise leaves it unset, so
// that Qt says what is wrong. Call before the application object is made.
void NameRuntimeFolder();

}  // namespace app
