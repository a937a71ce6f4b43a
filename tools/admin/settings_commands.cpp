// Settings commands: the settings window's values, and the administrator password
// for a studio that has forgotten it.

#include "settings/admin_password.h"
#include "settings/studio_settings.h"
#include "settings/system_settings.h"
#include "tools/admin/admin_commands.h"
#include "tools/admin/admin_support.h"

namespace admin {
namespace {

// "是"/"否" as stored, or yes/no as a script would write them.
bool ParseYesNo(const QString& text, bool* value) {
    const QString t = text.trimmed().toLower();
    if (t == QStringLiteral("是") || t == QLatin1String("yes"))
        *value = true;
    else if (t == QStringLiteral("否") || t == QLatin1String("no"))
        *value = false;
    else
        return false;
    return true;
}

}  // namespace

int RunSettings(QStringList args) {
    QString printInfo, lock, ratio, startPage, orientation, budget;
    bool missing = false;
    const bool setPrintInfo = TakeOption(args, QStringLiteral("--printinfo"), &printInfo, &missing);
    const bool setLock = TakeOption(args, QStringLiteral("--lock-without-login"), &lock, &missing);
    const bool setRatio = TakeOption(args, QStringLiteral("--ratio"), &ratio, &missing);
    const bool setStartPage = TakeOption(args, QStringLiteral("--startpage"), &startPage, &missing);
    const bool setOrientation =
        TakeOption(args, QStringLiteral("--camera-orientation"), &orientation, &missing);
    const bool setBudget = TakeOption(args, QStringLiteral("--preview-budget"), &budget, &missing);
    if (missing || !args.isEmpty()) return Usage();

    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    settings::SystemSettings s = settings::ReadSystemSettings();
    if (setPrintInfo) s.printInfo = printInfo;
    if (setLock && !ParseYesNo(lock, &s.lockWithoutLogin))
        return Fail(QStringLiteral("--lock-without-login 只能是 是/否 (yes/no)"));
    if (setRatio) s.widescreenRatio = ratio;
    if (setStartPage) s.startPage = startPage;
    if (setOrientation && !ParseYesNo(orientation, &s.cameraOrientation))
        return Fail(QStringLiteral("--camera-orientation 只能是 是/否 (yes/no)"));
    if (setBudget) s.previewBudget = budget;
    if (setPrintInfo || setLock || setRatio || setStartPage || setOrientation || setBudget) {
        for (const QString& refusal : {settings::WidescreenRatioRefusal(s.widescreenRatio),
                                       settings::StartPageRefusal(s.startPage),
                                       settings::PreviewBudgetRefusal(s.previewBudget)})
            if (!refusal.isEmpty()) return Fail(refusal);
        settings::SaveSystemSettings(s);
        s = settings::ReadSystemSettings();
    }
    using namespace settings::keys;
    const auto yesNo = [](bool on) { return on ? settings::kYes : settings::kNo; };
    Out() << kPrintInfo << '=' << s.printInfo << '\n'
          << kLockWithoutLogin << '=' << yesNo(s.lockWithoutLogin) << '\n'
          << kWidescreenRatio << '=' << s.widescreenRatio << '\n'
          << kStartPage << '=' << s.startPage << '\n'
          << kCameraOrientation << '=' << yesNo(s.cameraOrientation) << '\n';
    // Shown once stored: a database without the row has the default budget.
    if (settings::ReadStudioSettings().previewBudgetStored)
        Out() << kPreviewBudget << '=' << s.previewBudget << '\n';
    Out() << "xclib=" << s.defaultAlbums.join(QLatin1Char(',')) << Qt::endl;
    data::CloseConnection();
    return 0;
}

int RunPassword(QStringList args) {
    QString password;
    bool missing = false;
    const bool given = TakeOption(args, QStringLiteral("--new"), &password, &missing);
    if (missing || !given || !args.isEmpty()) return Usage();
    if (!OpenOrReport(DatabaseIn(QString()))) return 1;
    settings::StoreAdminPassword(password);
    data::CloseConnection();
    Out() << QStringLiteral("密码已修改") << Qt::endl;
    return 0;
}

}  // namespace admin
