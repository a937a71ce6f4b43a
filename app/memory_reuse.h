#pragma once
// Large blocks freed by the picture drawing are kept for the next picture instead of being
// given back to the system at once.

namespace app {

// Call first thing in main, before any thread starts. Fresh pages cost a fault each, and
// on a virtual machine a fault can cost tens of microseconds: a decode into memory just
// given back took 10-20 ms longer than one into memory kept.
void KeepFreedMemoryForReuse();

}  // namespace app
