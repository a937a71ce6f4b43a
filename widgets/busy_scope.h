#pragma once
// A long operation on the user-interface thread: the busy notice is shown and kept
// painted through its progress, and the rest of the program takes no input meanwhile.
// Clicks and keys made during the work are thrown away, not played back afterwards.

#include <QObject>
#include <QPointer>

namespace widgets {

class Tfrmpb;

class BusyScope : public QObject {
    Q_OBJECT
  public:
    explicit BusyScope(QWidget* mainWindow);
    ~BusyScope() override;
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

    // "n / N  item" on the notice; repaints without taking input.
    void Progress(int done, int total, const QString& item);
    // Drops the input that came in meanwhile and closes the notice. Call before showing
    // the operation's result; the destructor does it otherwise.
    void Finish();

    // Whether any busy scope is open: windows refuse to close meanwhile.
    static bool Active();

    // While a question of the running work is open, the notice steps aside and the box
    // takes input; what came in before it opened is dropped first.
    class Asking {
      public:
        explicit Asking(BusyScope& scope);
        ~Asking();
        Asking(const Asking&) = delete;
        Asking& operator=(const Asking&) = delete;

      private:
        BusyScope& scope_;
    };

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void DropHeldInput();

    QPointer<Tfrmpb> notice_;
    bool finished_ = false;
    int asking_ = 0;
};

}  // namespace widgets
