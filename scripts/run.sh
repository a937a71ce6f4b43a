#!/usr/bin/env bash
# Installs what is missing, builds the program and the admin tool, prepares the runtime
# folder and starts the program there. The test suite and its tools come with test.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" program
"$root/scripts/build.sh" runtime

runtime="$root/build/runtime"
if [ ! -f "$runtime/function.dll" ]; then
  echo "Creating the database with the demo customer in $runtime"
  "$runtime/verimond-admin" demo "$runtime"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  xvfb=""
  command -v xvfb-run >/dev/null 2>&1 || xvfb="  (xvfb-run comes with: apt-get install xvfb xauth)"
  cat >&2 <<MSG
No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot be shown.
The program is built and ready in: $runtime
Start it from a desktop session, or under a virtual display:
  cd "$runtime" && xvfb-run -s "-screen 0 1920x1080x24" ./verimond
$xvfb
MSG
  exit 1
fi

cd "$runtime"
exec ./verimond
