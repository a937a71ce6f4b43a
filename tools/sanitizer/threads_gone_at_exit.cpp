// Linked into every program of the sanitizer build only.
//
// Qt starts its threads detached: QThread::wait() and the thread pool's waitForDone()
// return when the thread's work is over, while the system thread may still be finishing
// (its thread-local destructors, the sanitizer's own bookkeeping). LeakSanitizer stops
// every thread of the process at exit to scan memory; a thread caught half-way through
// its exit can crash the scanner ("Tracer caught signal 11") after every test passed.
// So before the leak check runs, wait until the process's other threads are gone. The
// wait is bounded: a thread that never ends is the leak check's business, not ours.

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>

namespace {

int ThreadsOfThisProcess() {
    DIR* tasks = ::opendir("/proc/self/task");
    if (!tasks) return 1;
    int count = 0;
    while (const dirent* entry = ::readdir(tasks))
        if (entry->d_name[0] != '.') ++count;
    ::closedir(tasks);
    return count;
}

void WaitForOtherThreadsToEnd() {
    constexpr int kSteps = 500;  // 5 s in steps of 10 ms
    for (int step = 0; step < kSteps && ThreadsOfThisProcess() > 1; ++step) ::usleep(10000);
}

// Registered before main runs, so it runs after every exit handler registered later
// (Qt's own clean-up included) and before the sanitizer's leak check, which runs when
// its library is unloaded at the very end.
[[maybe_unused]] const bool registered = std::atexit(WaitForOtherThreadsToEnd) == 0;

}  // namespace
