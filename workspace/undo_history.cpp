#include "workspace/undo_history.h"

#include <QStringList>
#include <algorithm>
#include <set>

#include "data/connection.h"
#include "data/records.h"
#include "workspace/log.h"

namespace workspace {
namespace {

using Kind = UndoStep::Kind;

const QString kAlbums = QStringLiteral("customerxc");
const QString kPicks = QStringLiteral("xcphoto");

const QString kChangedElsewhere = QStringLiteral("已被其他工作站修改");
const QString kSampleGone = QStringLiteral("样片已被删除");
const QString kAlbumGone = QStringLiteral("相册已被删除或改名");
const QString kNameTaken = QStringLiteral("相册名已被使用");

QString IdList(const std::vector<qint64>& ids) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(ids.size()));
    for (qint64 id : ids) list << QString::number(id);
    return list.join(QLatin1Char(','));
}

std::vector<qint64> PickIds(const std::vector<PickRow>& picks) {
    std::vector<qint64> ids;
    ids.reserve(picks.size());
    for (const PickRow& pick : picks) ids.push_back(pick.id);
    return ids;
}

std::vector<qint64> AlbumIds(const std::vector<AlbumRow>& albums) {
    std::vector<qint64> ids;
    ids.reserve(albums.size());
    for (const AlbumRow& album : albums) ids.push_back(album.id);
    return ids;
}

int AlbumsNamed(const QString& customerId, const QString& name) {
    return data::FirstNumber(QStringLiteral("select count(*) from customerxc where customerid=") +
                             customerId + QStringLiteral(" and xcmc=") + data::SqlText(name));
}

bool SampleExists(const QString& customerId, qint64 sampleId) {
    return data::FirstNumber(QStringLiteral("select count(*) from photoinfo where customerid=") +
                             customerId + QStringLiteral(" and id=") + QString::number(sampleId)) >
           0;
}

// Whether any of the rows of table with these ids is there.
bool AnyIdTaken(const QString& table, const std::vector<qint64>& ids) {
    if (ids.empty()) return false;
    return data::FirstNumber(QStringLiteral("select count(*) from ") + table +
                             QStringLiteral(" where id in (") + IdList(ids) + QStringLiteral(")")) >
           0;
}

// The picks back with their ids, a few hundred rows a statement.
void InsertPicks(const QString& customerId, const std::vector<PickRow>& picks) {
    constexpr size_t kRowsPerStatement = 250;
    for (size_t first = 0; first < picks.size(); first += kRowsPerStatement) {
        QStringList rows;
        const size_t end = std::min(picks.size(), first + kRowsPerStatement);
        for (size_t i = first; i < end; ++i)
            rows << QStringLiteral("(") + QString::number(picks[i].id) + QStringLiteral(",") +
                        customerId + QStringLiteral(",") + QString::number(picks[i].sampleId) +
                        QStringLiteral(",") + data::SqlText(picks[i].album) + QStringLiteral(")");
        data::Execute(QStringLiteral("insert into xcphoto(id,customerid,photoid,xcmc) values") +
                      rows.join(QLatin1Char(',')));
    }
}

// Each takes one step back inside the open transaction and returns what was done, or
// sets *refused and returns nothing; the caller rolls back then.

QString UndoPick(const UndoStep& step, QString* refused) {
    Q_ASSERT(!step.picks.empty());
    const PickRow& pick = step.picks.front();
    if (data::ExecuteCount(QStringLiteral("delete from xcphoto where id=") +
                           QString::number(pick.id) + QStringLiteral(" and customerid=") +
                           step.customerId + QStringLiteral(" and photoid=") +
                           QString::number(pick.sampleId) + QStringLiteral(" and xcmc=") +
                           data::SqlText(pick.album)) != 1) {
        *refused = QStringLiteral("这次入选已被移出");
        return {};
    }
    return QStringLiteral("入选 ") + pick.album;
}

QString UndoPickRemoved(const UndoStep& step, QString* refused) {
    Q_ASSERT(!step.picks.empty());
    const PickRow& pick = step.picks.front();
    if (!SampleExists(step.customerId, pick.sampleId))
        *refused = kSampleGone;
    else if (AlbumsNamed(step.customerId, pick.album) == 0)
        *refused = kAlbumGone;
    else if (AnyIdTaken(kPicks, {pick.id}))
        *refused = kChangedElsewhere;
    if (!refused->isEmpty()) return {};
    InsertPicks(step.customerId, step.picks);
    return QStringLiteral("移出 ") + pick.album;
}

QString UndoNote(const UndoStep& step, QString* refused) {
    const QString where = QStringLiteral(" where customerid=") + step.customerId +
                          QStringLiteral(" and id=") + QString::number(step.sampleId);
    const data::Rows rows = data::QueryRows(QStringLiteral("select zzyq from photoinfo") + where);
    if (rows.empty()) {
        *refused = kSampleGone;
        return {};
    }
    if (data::TextOf(rows.front(), QStringLiteral("zzyq")) != step.storedNote) {
        *refused = QStringLiteral("备注已被修改");
        return {};
    }
    data::Execute(
        QStringLiteral("update photoinfo set zzyq=") +
        (step.oldNote.isNull() ? QStringLiteral("null") : data::SqlText(step.oldNote.toString())) +
        where);
    return QStringLiteral("保存备注");
}

QString UndoSampleDeleted(const UndoStep& step, QString* refused) {
    const SampleRow& sample = *step.sample;
    std::set<QString> albums;
    for (const PickRow& pick : step.picks) albums.insert(pick.album);
    if (AnyIdTaken(QStringLiteral("photoinfo"), {sample.id}) ||
        AnyIdTaken(kPicks, PickIds(step.picks)))
        *refused = kChangedElsewhere;
    for (const QString& album : albums)
        if (refused->isEmpty() && AlbumsNamed(step.customerId, album) == 0) *refused = kAlbumGone;
    if (!refused->isEmpty()) return {};
    data::AppendRow(QStringLiteral("photoinfo"),
                    {{QStringLiteral("id"), sample.id},
                     {QStringLiteral("customerid"), step.customerId.toLongLong()},
                     {QStringLiteral("odrnum"), sample.odrnum},
                     {QStringLiteral("filename"), sample.filename},
                     {QStringLiteral("photofile"), sample.photofile},
                     {QStringLiteral("zzyq"), sample.zzyq}});
    InsertPicks(step.customerId, step.picks);
    return QStringLiteral("删除样片");
}

QString UndoAlbumAdded(const UndoStep& step, QString* refused) {
    Q_ASSERT(!step.albums.empty());
    const AlbumRow& album = step.albums.front();
    if (data::ExecuteCount(QStringLiteral("delete from customerxc where id=") +
                           QString::number(album.id) + QStringLiteral(" and customerid=") +
                           step.customerId + QStringLiteral(" and xcmc=") +
                           data::SqlText(album.name)) != 1) {
        *refused = kAlbumGone;
        return {};
    }
    // Picks another station made into the new album would be left without it.
    if (data::FirstNumber(QStringLiteral("select count(*) from xcphoto where customerid=") +
                          step.customerId + QStringLiteral(" and xcmc=") +
                          data::SqlText(album.name)) > 0) {
        *refused = QStringLiteral("相册中已有入选的样片");
        return {};
    }
    return QStringLiteral("新建相册 ") + album.name;
}

QString UndoAlbumRenamed(const UndoStep& step, QString* refused) {
    const int albums = static_cast<int>(step.albums.size());
    const QString ids = IdList(AlbumIds(step.albums));
    if (data::FirstNumber(QStringLiteral("select count(*) from customerxc where customerid=") +
                          step.customerId + QStringLiteral(" and xcmc=") +
                          data::SqlText(step.newName) + QStringLiteral(" and id in (") + ids +
                          QStringLiteral(")")) != albums ||
        AlbumsNamed(step.customerId, step.newName) != albums)
        *refused = kAlbumGone;
    else if (AlbumsNamed(step.customerId, step.oldName) > 0)
        *refused = kNameTaken;
    if (!refused->isEmpty()) return {};
    data::Execute(QStringLiteral("update customerxc set xcmc=") + data::SqlText(step.oldName) +
                  QStringLiteral(" where id in (") + ids + QStringLiteral(")"));
    // Every pick of the album follows it back, as every pick followed the rename.
    data::Execute(QStringLiteral("update xcphoto set xcmc=") + data::SqlText(step.oldName) +
                  QStringLiteral(" where customerid=") + step.customerId +
                  QStringLiteral(" and xcmc=") + data::SqlText(step.newName));
    return QStringLiteral("相册改名 ") + step.oldName + QStringLiteral(" → ") + step.newName;
}

QString UndoAlbumDeleted(const UndoStep& step, QString* refused) {
    if (AlbumsNamed(step.customerId, step.oldName) > 0)
        *refused = kNameTaken;
    else if (AnyIdTaken(kAlbums, AlbumIds(step.albums)) || AnyIdTaken(kPicks, PickIds(step.picks)))
        *refused = kChangedElsewhere;
    if (!refused->isEmpty()) return {};
    QStringList albums;
    for (const AlbumRow& album : step.albums)
        albums << QStringLiteral("(") + QString::number(album.id) + QStringLiteral(",") +
                      step.customerId + QStringLiteral(",") + data::SqlText(album.name) +
                      QStringLiteral(")");
    data::Execute(QStringLiteral("insert into customerxc(id,customerid,xcmc) values") +
                  albums.join(QLatin1Char(',')));
    InsertPicks(step.customerId, step.picks);
    // A pick of a sample another station deleted meanwhile would come back without it.
    if (!step.picks.empty() &&
        data::FirstNumber(
            QStringLiteral("select count(*) from xcphoto x where x.customerid=") + step.customerId +
            QStringLiteral(" and x.xcmc=") + data::SqlText(step.oldName) +
            QStringLiteral(" and not exists (select 1 from photoinfo p where p.id=x.photoid "
                           "and p.customerid=") +
            step.customerId + QStringLiteral(")")) > 0) {
        *refused = kSampleGone;
        return {};
    }
    return QStringLiteral("删除相册 ") + step.oldName;
}

}  // namespace

void UndoHistory::Record(UndoStep step) {
    if (step.kind == Kind::None) return;
    steps_.push_back(std::move(step));
}

UndoOutcome UndoHistory::UndoLast() {
    if (steps_.empty()) {
        UndoOutcome nothing;
        nothing.message = kNothingToUndo;
        return nothing;
    }
    // A failure of the engine throws past this line: the step stays for another try.
    UndoOutcome outcome = Undo(steps_.back());
    steps_.pop_back();
    return outcome;
}

UndoOutcome Undo(const UndoStep& step) {
    UndoOutcome outcome;
    outcome.kind = step.kind;
    outcome.customerId = step.customerId;
    outcome.sampleId = step.sampleId;
    if (step.kind == Kind::None) {
        outcome.message = kNothingToUndo;
        return outcome;
    }
    data::Transaction transaction;
    // Albums before picks, as every operation locks them; on the file, an empty write takes
    // its write lock, so no station writes between the checks below and the change.
    data::LockTableForWriting(kAlbums);
    data::LockTableForWriting(kPicks);
    data::Execute(QStringLiteral("delete from xcphoto where id<0"));
    QString refused;
    QString done;
    switch (step.kind) {
        case Kind::None:
            break;
        case Kind::Pick:
            done = UndoPick(step, &refused);
            break;
        case Kind::PickRemoved:
            done = UndoPickRemoved(step, &refused);
            break;
        case Kind::Note:
            done = UndoNote(step, &refused);
            break;
        case Kind::SampleDeleted:
            done = UndoSampleDeleted(step, &refused);
            break;
        case Kind::AlbumAdded:
            done = UndoAlbumAdded(step, &refused);
            break;
        case Kind::AlbumRenamed:
            done = UndoAlbumRenamed(step, &refused);
            break;
        case Kind::AlbumDeleted:
            done = UndoAlbumDeleted(step, &refused);
            break;
    }
    if (!refused.isEmpty()) {
        qCInfo(lcWorkspace, "undo of step %d of customer %s refused: %s",
               static_cast<int>(step.kind), qUtf8Printable(step.customerId),
               qUtf8Printable(refused));
        outcome.message = QStringLiteral("无法撤销：") + refused;
        return outcome;  // the guard rolls back
    }
    transaction.commit();
    if (step.kind == Kind::AlbumRenamed) {
        outcome.album = step.oldName;
        outcome.albumBefore = step.newName;
    } else if (step.kind == Kind::AlbumDeleted) {
        outcome.album = step.oldName;
    }
    outcome.undone = true;
    outcome.message = QStringLiteral("已撤销：") + done;
    return outcome;
}

}  // namespace workspace
