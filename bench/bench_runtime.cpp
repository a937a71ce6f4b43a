#include "bench/bench_runtime.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "data/connection.h"
#include "widgets/dialogs.h"

namespace bench {
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

bool CopyTree(const QString& from, const QString& to) {
    if (!QFileInfo(from).isDir()) return false;
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    bool ok = true;
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(source);
        ok = (it.fileInfo().isDir() ? QDir().mkpath(target) : QFile::copy(source, target)) && ok;
    }
    return ok;
}

}  // namespace

void UseOffscreenScreen(QSize size) {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return;
    const QString config = QDir::temp().filePath(
        QStringLiteral("verimond-bench-screen-%1x%2.json").arg(size.width()).arg(size.height()));
    QFile file(config);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream(&file) << "{\"screens\": [{\"name\": \"tv\", \"x\": 0, \"y\": 0, \"width\": "
                           << size.width() << ", \"height\": " << size.height()
                           << ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n";
        file.close();
        qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

RuntimeFolder::RuntimeFolder() {
    previous_ = QDir::currentPath();
    ok_ = dir_.isValid() && CopyTree(QStringLiteral(VERIMOND_RESOURCES_DIR), dir_.path()) &&
          QDir::setCurrent(dir_.path());
    widgets::Dialogs::Install(std::make_unique<ConsoleDialogs>());
}

RuntimeFolder::~RuntimeFolder() {
    data::CloseConnection();
    widgets::Dialogs::Install(std::make_unique<widgets::ScreenDialogs>());
    QDir::setCurrent(previous_);
}

QString RuntimeFolder::file(const QString& relative) const {
    return QDir(dir_.path()).filePath(relative);
}

data::DatabaseTarget BenchDatabase(const QString& argument) {
    const QFileInfo info(argument);
    if (!argument.endsWith(QLatin1String(".ini"))) {
        data::DatabaseTarget target;
        target.file = info.absoluteFilePath();
        return target;
    }
    QFile file(argument);
    if (!file.open(QIODevice::ReadOnly)) {
        data::DatabaseTarget target;
        target.problem = QStringLiteral("cannot read ") + argument;
        return target;
    }
    return data::ParseDatabaseSetting(QString::fromUtf8(file.readAll()), info.absolutePath());
}

bool RuntimeFolder::UseDatabase(const QString& argument) {
    if (!argument.endsWith(QLatin1String(".ini"))) return LinkDatabase(argument);
    return QFile::copy(argument, file(QString::fromLatin1(data::kSettingFileName)));
}

bool RuntimeFolder::LinkDatabase(const QString& databaseFile) {
    return QFile::link(QFileInfo(databaseFile).absoluteFilePath(),
                       file(QString::fromLatin1(data::kDatabaseFileName)));
}

}  // namespace bench
