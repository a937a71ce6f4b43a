#include "settings/studio_settings.h"

#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"

namespace settings {

StudioSettings ReadStudioSettings() {
    QStringList quoted;
    for (const QString& key :
         {keys::kPrintInfo, keys::kLockWithoutLogin, keys::kWidescreenRatio, keys::kWidescreenOn,
          keys::kStartPage, keys::kCameraOrientation, keys::kPreviewBudget})
        quoted << data::SqlQuote(key);
    const data::Rows rows = data::QueryRows(
        QStringLiteral("select itemname, itemvalue from SysSet where itemname in ('") +
        quoted.join(QStringLiteral("','")) + QStringLiteral("')"));
    StudioSettings s;
    for (const QSqlRecord& row : rows) {
        const QString name = data::TextOf(row, QStringLiteral("itemname"));
        const QString value = data::TextOf(row, QStringLiteral("itemvalue"));
        if (name == keys::kPrintInfo) {
            s.printInfo = value;
        } else if (name == keys::kLockWithoutLogin) {
            s.lockWithoutLogin = value == kYes;
        } else if (name == keys::kWidescreenRatio) {
            s.widescreenRatioText = value;
            bool ok = false;
            const int ratio = value.toInt(&ok, 10);
            if (ok) s.widescreenRatio = ratio;
        } else if (name == keys::kWidescreenOn) {
            s.widescreenOn = value == kYes;
        } else if (name == keys::kStartPage) {
            s.startPage = value.trimmed();
        } else if (name == keys::kCameraOrientation) {
            s.cameraOrientation = value != kNo;
        } else if (name == keys::kPreviewBudget) {
            s.previewBudgetStored = true;
            s.previewBudgetText = value;
            bool ok = false;
            const int megabytes = value.trimmed().toInt(&ok, 10);
            s.previewBudgetMb = ok ? std::optional<int>(megabytes) : std::nullopt;
        }
    }
    return s;
}

int WidescreenRatioOr100(const StudioSettings& s) { return s.widescreenRatio.value_or(100); }

int WidescreenRatioOrThrow(const StudioSettings& s) {
    if (s.widescreenRatio) return *s.widescreenRatio;
    // Fails on this text, with the conversion error every other bad number gets.
    return data::StrToInt(s.widescreenRatioText);
}

qint64 PreviewBudgetBytes(const StudioSettings& s) {
    if (s.previewBudgetMb && *s.previewBudgetMb > 0) return qint64(*s.previewBudgetMb) << 20;
    // Fails on this text, with the conversion error every other bad number gets.
    const int megabytes = data::StrToInt(s.previewBudgetText);
    if (megabytes > 0) return qint64(megabytes) << 20;
    throw data::ConversionError(
        QStringLiteral("预览缓存上限设置无效: %1").arg(s.previewBudgetText));
}

SettingsNotifier& SettingsNotifier::Instance() {
    static SettingsNotifier notifier;
    return notifier;
}

}  // namespace settings
