#pragma once
// The program-wide settings (rows of SysSet) read once and typed, for everyone that
// draws, imports, prints or shows a start page by them. Writing is in system_settings.

#include <QObject>
#include <QString>
#include <optional>

namespace settings {

// The keys of SysSet, each named here only.
namespace keys {
inline const QString kPrintInfo = QStringLiteral("printinfo");
inline const QString kLockWithoutLogin = QStringLiteral("qhkh");
inline const QString kWidescreenRatio = QStringLiteral("widthsalerote");
inline const QString kWidescreenOn = QStringLiteral("openwidthsale");
inline const QString kStartPage = QStringLiteral("startpage");
inline const QString kCameraOrientation = QStringLiteral("cameraorientation");
inline const QString kPreviewBudget = QStringLiteral("previewbudget");
}  // namespace keys

inline const QString kYes = QStringLiteral("是");
inline const QString kNo = QStringLiteral("否");

// The preview store's budget when none is set: some 15,000 previews of 1080p.
inline constexpr int kDefaultPreviewBudgetMb = 5120;

struct StudioSettings {
    QString printInfo;              // footer of the printed list; empty when missing
    bool lockWithoutLogin = false;  // only "是" allows it
    // The ratio as stored, whatever its size; nothing when missing or not a whole number.
    // Out-of-range values are kept: only the settings window refuses them, on save.
    std::optional<int> widescreenRatio;
    QString widescreenRatioText;    // as stored, for the settings window
    bool widescreenOn = false;      // only "是" switches it on
    QString startPage;              // trimmed; empty for the local page
    bool cameraOrientation = true;  // on unless "否": a database without the row reads as on
    // The preview store's budget in megabytes as stored; the default when the row is missing,
    // nothing when it is not a whole number. Out-of-range values are kept as for the ratio.
    std::optional<int> previewBudgetMb = kDefaultPreviewBudgetMb;
    // As stored, for the settings window; empty when the row is missing.
    QString previewBudgetText;
    bool previewBudgetStored = false;  // whether the row is there
};

// One statement for all rows; missing rows read as the defaults above.
StudioSettings ReadStudioSettings();

// The ratio for drawing: a missing or damaged setting leaves the photo unnarrowed.
int WidescreenRatioOr100(const StudioSettings& s);
// The ratio for the workspace's start, which reports a missing or damaged setting:
// data::ConversionError then, with the stored text.
int WidescreenRatioOrThrow(const StudioSettings& s);
// The preview store's budget in bytes. A damaged setting (not a whole number, or not above
// zero) is refused: data::ConversionError then, with the stored text.
qint64 PreviewBudgetBytes(const StudioSettings& s);

// Announces settings saved by the settings window (or anyone else through
// SaveSystemSettings), after the commit, with what was stored.
class SettingsNotifier : public QObject {
    Q_OBJECT
  public:
    static SettingsNotifier& Instance();

  signals:
    void Saved(const settings::StudioSettings& saved);

  private:
    SettingsNotifier() = default;
};

}  // namespace settings
