#include "settings/studio_settings.h"

#include "data/connection.h"
#include "data/records.h"

namespace settings {

StudioSettings ReadStudioSettings() {
    QStringList quoted;
    for (const QString& key : {keys::kPrintInfo, keys::kLockWithoutLogin, keys::kWidescreenRatio,
                               keys::kWidescreenOn, keys::kStartPage, keys::kCameraOrientation})
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

SettingsNotifier& SettingsNotifier::Instance() {
    static SettingsNotifier notifier;
    return notifier;
}

}  // namespace settings
