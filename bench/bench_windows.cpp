// verimond-bench-windows: the commands of verimond-bench that drive the real windows
// (verimond-bench hands them over). Kept apart so that the other commands link no
// window code.

#include <QApplication>
#include <QTextStream>

#include "app/memory_reuse.h"
#include "bench/bench_common.h"
#include "bench/bench_runtime.h"
#include "widgets/dialogs.h"

namespace {

// A box would block an unattended run forever; print it and answer "no".
class ConsoleDialogs : public widgets::Dialogs {
  public:
    void Message(QWidget*, const QString& text) override { Print("message", text); }
    widgets::Answer Question(QWidget*, const QString& text) override {
        Print("question", text);
        return widgets::Answer::No;
    }
    bool Warning(QWidget*, const QString& text) override {
        Print("warning", text);
        return false;
    }
    void Error(QWidget*, const QString& text) override {
        Print("error", widgets::WithFullStop(text));
    }
    QString ChooseFolder(QWidget*, const QString& title, const QString&) override {
        Print("folder", title);
        return QString();
    }
    bool OpenDocument(const QUrl& url) override {
        Print("open", url.toString());
        return false;
    }
    QString ChooseSaveFile(QWidget*, const QString& title, const QString&,
                           const QString&) override {
        Print("save", title);
        return QString();
    }
    void PrintPreview(QWidget*, const QString&, const widgets::PagePainter&) override {
        Print("preview", {});
    }
    widgets::PrintResult PrintOnDefaultPrinter(QWidget*, const QString&,
                                               const widgets::PagePainter&, QString*) override {
        Print("print", {});
        return widgets::PrintResult::NoPrinter;
    }

  private:
    static void Print(const char* kind, const QString& text) {
        QTextStream(stderr) << "[" << kind << "] " << text << "\n";
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Drawn as the program draws: with freed memory kept for reuse.
    app::KeepFreedMemoryForReuse();
    bench::PrepareScreen(argc, argv);
    QApplication app(argc, argv);
    widgets::Dialogs::Install(std::make_unique<ConsoleDialogs>());
    QStringList args = bench::CommandArguments(app.arguments());
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (command == QLatin1String("switch")) return bench::RunSwitch(args);
    if (command == QLatin1String("step")) return bench::RunStep(args);
    if (command == QLatin1String("compare")) return bench::RunCompare(args);
    if (command == QLatin1String("hold")) return bench::RunHold(args);
    if (command == QLatin1String("desk")) return bench::RunDesk(args);
    if (command == QLatin1String("desk-create")) return bench::RunDeskCreate(args);
    QTextStream(stderr) << "verimond-bench-windows: unknown command; see verimond-bench\n";
    return 2;
}
