// Thumbnail commands: making a customer's thumbnails again from the photos, for samples
// imported before the camera's orientation was applied or with other settings.

#include "customers/customer_records.h"
#include "customers/photo_import.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {

int RunThumbnails(QStringList args) {
    QString text;
    bool missing = false;
    if (!TakeOption(args, QStringLiteral("--id"), &text, &missing) || missing || !args.isEmpty())
        return Usage();
    bool ok = false;
    const qint64 id = text.toLongLong(&ok);
    if (!ok || id <= 0) return Usage();
    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    if (!customers::LoadCustomer(id)) return Fail(QStringLiteral("找不到客户: id=%1").arg(id));
    // Today's settings: the camera orientation and the widescreen correction.
    const customers::ThumbnailsResult result =
        customers::RemakeThumbnails(id, customers::ImportOptionsFromSettings(QString(), false));
    Out() << "id=" << id << " samples=" << result.samples << " remade=" << result.remade
          << " unchanged=" << result.unchanged << " kept=" << result.kept.size() << Qt::endl;
    for (const QString& path : result.kept)
        Err() << QStringLiteral("照片文件缺失或无法读取,保留原缩略图: ") << path << '\n';
    Err().flush();
    data::CloseConnection();
    return 0;
}

}  // namespace admin
