#include "app/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace app {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
int pipeEnds[2] = {-1, -1};

void WriteByte(int) {
    const int saved = errno;  // the handler may interrupt code that reads errno
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (pipeEnds[0] >= 0) return;  // one listener per process
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) return;
    // A full pipe must never block the handler; one byte already waiting is enough.
    ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(pipeEnds[1], F_SETFL, ::fcntl(pipeEnds[1], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Arrived);

    struct sigaction action = {};
    action.sa_handler = WriteByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) ::sigaction(signal, &action, nullptr);
    delete notifier_;
    notifier_ = nullptr;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void TerminationSignals::Arrived() {
    char bytes[16];
    while (::read(pipeEnds[1], bytes, sizeof bytes) > 0) {
    }
    if (onSignal_) onSignal_();
}

}  // namespace app
