#include "settings/system_settings.h"

#include <QUrl>

#include "data/connection.h"
#include "data/errors.h"
#include "data/records.h"
#include "settings/studio_settings.h"
#include "workspace/workspace_state.h"

namespace settings {
void WriteSetting(const QString& name, const QString& value) {
    data::Execute(
        QStringLiteral("insert into SysSet(itemname, itemvalue) values('") + data::SqlQuote(name) +
        QStringLiteral("', '") + data::SqlQuote(value) +
        QStringLiteral("') on conflict(itemname) do update set itemvalue=excluded.itemvalue"));
}

void WriteWidescreenOn(bool on) { WriteSetting(keys::kWidescreenOn, on ? kYes : kNo); }

SystemSettings ReadSystemSettings() {
    const StudioSettings stored = ReadStudioSettings();
    SystemSettings s;
    s.printInfo = stored.printInfo;
    s.lockWithoutLogin = stored.lockWithoutLogin;
    s.widescreenRatio = stored.widescreenRatioText;
    s.startPage = stored.startPage;
    s.cameraOrientation = stored.cameraOrientation;
    s.previewBudget = stored.previewBudgetStored ? stored.previewBudgetText
                                                 : QString::number(kDefaultPreviewBudgetMb);
    for (const QSqlRecord& row : data::QueryRows(QStringLiteral("select * from xclib order by id")))
        s.defaultAlbums << data::TextOf(row, QStringLiteral("xcmc"));
    return s;
}

namespace {

// A whole number within minimum..maximum as typed (blanks around it allowed), or nothing.
std::optional<int> WholeNumberIn(const QString& text, int minimum, int maximum) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok || value < minimum || value > maximum) return std::nullopt;
    return value;
}

}  // namespace

std::optional<int> ParseWidescreenRatio(const QString& text) {
    return WholeNumberIn(text, kMinWidescreenRatio, kMaxWidescreenRatio);
}

QString WidescreenRatioRefusal(const QString& text) {
    if (ParseWidescreenRatio(text)) return QString();
    return QStringLiteral("调整比率必须为%1到%2之间的整数")
        .arg(kMinWidescreenRatio)
        .arg(kMaxWidescreenRatio);
}

std::optional<int> ParsePreviewBudget(const QString& text) {
    return WholeNumberIn(text, kMinPreviewBudgetMb, kMaxPreviewBudgetMb);
}

QString PreviewBudgetRefusal(const QString& text) {
    if (ParsePreviewBudget(text)) return QString();
    return QStringLiteral("预览缓存上限必须是 %1 到 %2 之间的整数")
        .arg(kMinPreviewBudgetMb)
        .arg(kMaxPreviewBudgetMb);
}

QString StartPageRefusal(const QString& address) {
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty()) return QString();
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
        !url.host().isEmpty())
        return QString();
    return QStringLiteral("在线首页地址必须是以http://或https://开头的网址");
}

QString StartPageWarning(const QString& address) {
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty() || !StartPageRefusal(trimmed).isEmpty()) return QString();
    if (QUrl(trimmed).scheme().toLower() == QLatin1String("https")) return QString();
    return QStringLiteral("提示:该地址不是https://,页面传输不加密,可能被篡改");
}

QString AlbumNameRefusal(const QString& name, const QStringList& list) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) return QStringLiteral("请输入相册名称");
    // "全部" stands for all of a customer's picks; an album of that name would be
    // taken for it in the workspace.
    if (trimmed == workspace::kAllAlbums || list.contains(trimmed))
        return QStringLiteral("该分类名称已经存在,请重新输入!");
    return QString();
}

void SaveSystemSettings(const SystemSettings& s) {
    const std::optional<int> ratio = ParseWidescreenRatio(s.widescreenRatio);
    if (!ratio) throw data::VerimondError(WidescreenRatioRefusal(s.widescreenRatio));
    const QString startPageProblem = StartPageRefusal(s.startPage);
    if (!startPageProblem.isEmpty()) throw data::VerimondError(startPageProblem);
    const std::optional<int> budget = ParsePreviewBudget(s.previewBudget);
    if (!budget) throw data::VerimondError(PreviewBudgetRefusal(s.previewBudget));

    data::Transaction transaction;
    WriteSetting(keys::kPrintInfo, s.printInfo);
    WriteSetting(keys::kLockWithoutLogin, s.lockWithoutLogin ? kYes : kNo);
    WriteSetting(keys::kWidescreenRatio, QString::number(*ratio));
    WriteSetting(keys::kStartPage, s.startPage.trimmed());
    WriteSetting(keys::kCameraOrientation, s.cameraOrientation ? kYes : kNo);
    WriteSetting(keys::kPreviewBudget, QString::number(*budget));
    data::Execute(QStringLiteral("delete from xclib"));
    // New ids in list order, so "order by id" gives the list back as it was.
    for (const QString& album : s.defaultAlbums)
        data::AppendRow(QStringLiteral("xclib"), {{QStringLiteral("xcmc"), album}});
    transaction.commit();
    emit SettingsNotifier::Instance().Saved(ReadStudioSettings());
}

}  // namespace settings
