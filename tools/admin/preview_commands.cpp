// Preview commands: building a customer's previews into the station's store ahead of the
// customer's visit, so the first pass through the samples reads no original.

#include <unistd.h>

#include <QDir>
#include <cstdio>

#include "customers/customer_records.h"
#include "customers/preview_building.h"
#include "images/preview_store.h"
#include "settings/studio_settings.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {
namespace {

// "1920x1080" as a screen in device pixels; invalid when it is not one.
QSize ParseScreen(const QString& text) {
    const QStringList sides = text.trimmed().toLower().split(QLatin1Char('x'));
    if (sides.size() != 2) return QSize();
    bool okW = false, okH = false;
    const int w = sides[0].toInt(&okW);
    const int h = sides[1].toInt(&okH);
    if (!okW || !okH || w <= 0 || h <= 0 || w > 16384 || h > 16384) return QSize();
    return QSize(w, h);
}

}  // namespace

int RunPreviews(QStringList args) {
    QString idText, screenText;
    bool missing = false;
    const bool hasId = TakeOption(args, QStringLiteral("--id"), &idText, &missing);
    const bool hasScreen = TakeOption(args, QStringLiteral("--screen"), &screenText, &missing);
    if (!hasId || missing || !args.isEmpty()) return Usage();
    bool ok = false;
    const qint64 id = idText.toLongLong(&ok);
    if (!ok || id <= 0) return Usage();
    const QString folder = QDir::current().filePath(QLatin1String(images::kPreviewFolderName));
    QSize screen = images::RecordedPreviewScreen(folder);
    if (hasScreen) {
        screen = ParseScreen(screenText);
        if (!screen.isValid())
            return Fail(QStringLiteral("--screen 必须是 宽x高 的像素数,例如 1920x1080"));
    }

    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    if (!customers::LoadCustomer(id)) return Fail(QStringLiteral("找不到客户: id=%1").arg(id));
    const settings::StudioSettings stored = settings::ReadStudioSettings();
    const qint64 budget = settings::PreviewBudgetBytes(stored);
    const images::Orientation orientation =
        stored.cameraOrientation ? images::Orientation::AsTaken : images::Orientation::AsStored;
    const QStringList photos = customers::SamplePhotoFiles(id);
    data::CloseConnection();

    images::PreviewStore store(folder, screen, budget);
    // On a terminal the count is rewritten in place; a log gets a line per tenth.
    const bool terminal = ::isatty(STDOUT_FILENO) != 0;
    int shown = -1;
    const customers::PreviewsResult result = customers::BuildPreviews(
        store, photos, orientation, [&](int done, int total, const QString&) {
            const int step = terminal ? done : done * 10 / qMax(1, total);
            if (step == shown) return;
            shown = step;
            if (terminal)
                Out() << '\r' << QStringLiteral("预览 %1/%2").arg(done).arg(total) << Qt::flush;
            else if (done > 0)
                Out() << QStringLiteral("预览 %1/%2").arg(done).arg(total) << Qt::endl;
        });
    if (terminal && !photos.isEmpty()) Out() << '\n';
    Out() << "id=" << id << " photos=" << result.photos << " made=" << result.made
          << " already=" << result.already << " failed=" << result.failed.size();
    if (result.skipped > 0) Out() << " skipped=" << result.skipped;
    Out() << Qt::endl;
    for (const QString& path : result.failed)
        Err() << QStringLiteral("照片文件缺失或无法读取,未生成预览: ") << path << '\n';
    if (result.skipped > 0)
        Err() << QStringLiteral(
                     "预览缓存上限已被该客户的预览占满,%1 张照片未生成预览; "
                     "请在系统设置中调高预览缓存上限")
                     .arg(result.skipped)
              << '\n';
    Err().flush();
    return 0;
}

}  // namespace admin
