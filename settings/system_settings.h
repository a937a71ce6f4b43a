#pragma once
// The settings window's values (rows of SysSet, read through studio_settings) and the
// default album names (xclib): reading them, checking what staff typed, and saving them
// all at once.

#include <QString>
#include <QStringList>
#include <optional>

namespace settings {

inline constexpr int kMinWidescreenRatio = 50;
inline constexpr int kMaxWidescreenRatio = 200;
inline constexpr int kMinPreviewBudgetMb = 100;
inline constexpr int kMaxPreviewBudgetMb = 1000000;

struct SystemSettings {
    QString printInfo;              // printinfo: footer of the printed list
    bool lockWithoutLogin = false;  // qhkh: the customer lock may be toggled without login
    QString widescreenRatio;        // widthsalerote, as typed or stored
    QString startPage;              // startpage: online start page; empty for the local page
    bool cameraOrientation = true;  // cameraorientation: photos shown as the camera held them
    QString previewBudget;          // previewbudget: megabytes, as typed or stored
    QStringList defaultAlbums;      // xclib in id order
};

// Writes a SysSet value, adding the row when an older file lacks it.
void WriteSetting(const QString& name, const QString& value);
// The workspace's widescreen check box, stored as it is ticked.
void WriteWidescreenOn(bool on);

SystemSettings ReadSystemSettings();

// The ratio as a whole number within the sane range, or nothing.
std::optional<int> ParseWidescreenRatio(const QString& text);
// The preview store's budget in megabytes within the sane range, or nothing.
std::optional<int> ParsePreviewBudget(const QString& text);

// Messages that refuse a value; empty text when the value may be taken.
QString WidescreenRatioRefusal(const QString& text);
QString StartPageRefusal(const QString& address);
QString PreviewBudgetRefusal(const QString& text);
// The note beside the address field for an address that is taken but not https://,
// whose page anyone on the way could read or change; empty otherwise.
QString StartPageWarning(const QString& address);
QString AlbumNameRefusal(const QString& name, const QStringList& list);

// Everything in one transaction: on any failure nothing is changed and DbError is
// thrown. The values must have passed the checks above (VerimondError otherwise).
// After the commit SettingsNotifier announces what was stored.
void SaveSystemSettings(const SystemSettings& settings);

}  // namespace settings
