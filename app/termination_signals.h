#pragma once
// SIGTERM, SIGHUP and SIGINT (the desktop session ending, the terminal closing,
// Ctrl+C) arrive as a call on the event loop, where the program can close as its
// exit button would. The signal handler itself only writes one byte to a pipe.

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace app {

class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    // Gives the signals back their default handling.
    ~TerminationSignals() override;
    bool installed() const { return notifier_ != nullptr; }

  private:
    void Arrived();
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace app
