#include "bench/bench_runtime.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include "data/connection.h"
#include "images/demo_photo.h"

namespace bench {
namespace {

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

namespace {

// "--screen WxH" and "--scale S" are read before the application exists: a 4K TV is
// --screen 3840x2160 --scale 2, which lays the workspace out as on 1920 x 1080.
QSize TakeScreen(int argc, char** argv, QByteArray* scale) {
    QSize screen(1920, 1080);
    for (int i = 1; i + 1 < argc; ++i) {
        const QByteArray name(argv[i]), value(argv[i + 1]);
        if (name == "--scale") *scale = value;
        if (name == "--screen") {
            const QList<QByteArray> sides = value.split('x');
            if (sides.size() == 2) screen = QSize(sides[0].toInt(), sides[1].toInt());
        }
    }
    return screen;
}

}  // namespace

void PrepareScreen(int argc, char** argv) {
    QByteArray scale;
    UseOffscreenScreen(TakeScreen(argc, argv, &scale));
    if (!scale.isEmpty()) qputenv("QT_SCALE_FACTOR", scale);
}

QStringList CommandArguments(QStringList arguments) {
    arguments.removeFirst();
    for (const QString& global : {QStringLiteral("--screen"), QStringLiteral("--scale")}) {
        const int at = arguments.indexOf(global);
        if (at >= 0) arguments.remove(at, std::min<qsizetype>(2, arguments.size() - at));
    }
    return arguments;
}

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

bool WriteBenchPhotos(const QString& folder, int count, int distinct) {
    const QDir dir(folder);
    if (!QDir().mkpath(dir.path())) return false;
    const auto name = [&dir](int number) {
        return dir.filePath(QStringLiteral("IMG_%1.jpg").arg(number, 4, 10, QLatin1Char('0')));
    };
    for (int i = 0; i < count; ++i) {
        const QString path = name(i + 1);
        if (QFileInfo::exists(path)) continue;
        if (i < distinct) {
            const bool portrait = i % 3 == 1;
            const QImage photo =
                images::MakeDemoPhoto(portrait ? 4000 : 6000, portrait ? 6000 : 4000, i + 1,
                                      QStringLiteral("样片 %1").arg(i + 1));
            if (!images::SaveJpeg(photo, path)) return false;
        } else if (!QFile::copy(name(i % distinct + 1), path)) {
            return false;
        }
    }
    return true;
}

RuntimeFolder::RuntimeFolder() {
    previous_ = QDir::currentPath();
    ok_ = dir_.isValid() && CopyTree(QStringLiteral(VERIMOND_RESOURCES_DIR), dir_.path()) &&
          QDir::setCurrent(dir_.path());
}

RuntimeFolder::~RuntimeFolder() {
    data::CloseConnection();
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
