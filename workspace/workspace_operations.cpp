#include "workspace/workspace_operations.h"

#include <algorithm>

#include "data/connection.h"
#include "data/records.h"
#include "settings/system_settings.h"
#include "workspace/log.h"
#include "workspace/undo_history.h"
#include "workspace/workspace_state.h"

namespace workspace {
namespace {

// Picks refer to their album by customer and name, so both tables are locked, always in
// this order: stations doing album work and picks at the same time queue up instead of
// deadlocking. (The embedded file's write lock covers everything by itself.)
const QString kAlbums = QStringLiteral("customerxc");
const QString kPicks = QStringLiteral("xcphoto");

int AlbumsNamed(const QString& customerId, const QString& name) {
    return data::FirstNumber(QStringLiteral("select count(*) from customerxc where customerid=") +
                             customerId + QStringLiteral(" and xcmc=") + data::SqlText(name));
}

qint64 IdOf(const QSqlRecord& row) { return row.value(QStringLiteral("id")).toLongLong(); }

// Rows of xcphoto handed back as "id, photoid, xcmc", in id order.
std::vector<PickRow> PickRowsOf(const data::Rows& rows) {
    std::vector<PickRow> picks;
    picks.reserve(rows.size());
    for (const QSqlRecord& row : rows)
        picks.push_back({IdOf(row), row.value(QStringLiteral("photoid")).toLongLong(),
                         data::TextOf(row, QStringLiteral("xcmc"))});
    std::sort(picks.begin(), picks.end(),
              [](const PickRow& a, const PickRow& b) { return a.id < b.id; });
    return picks;
}

const QString kPickColumns = QStringLiteral(" returning id,photoid,xcmc");

}  // namespace

bool DeleteSample(const QString& customerId, qint64 sampleId, UndoStep* undo) {
    const QString where = QStringLiteral("customerid=") + customerId;
    const QString sample = QString::number(sampleId);
    data::Transaction transaction;
    data::LockTableForWriting(kPicks);
    const data::Rows deleted = data::ExecuteReturning(
        QStringLiteral("delete from  photoinfo where ") + where + QStringLiteral(" and id=") +
        sample + QStringLiteral(" returning id,odrnum,filename,photofile,zzyq"));
    const int samples = static_cast<int>(deleted.size());
    const data::Rows picks =
        data::ExecuteReturning(QStringLiteral("delete from  xcphoto where ") + where +
                               QStringLiteral(" and photoid=") + sample + kPickColumns);
    transaction.commit();
    if (undo && samples > 0) {
        const QSqlRecord& row = deleted.front();
        *undo = {};
        undo->kind = UndoStep::Kind::SampleDeleted;
        undo->customerId = customerId;
        undo->sampleId = sampleId;
        undo->sample = SampleRow{
            IdOf(row), row.value(QStringLiteral("odrnum")), row.value(QStringLiteral("filename")),
            row.value(QStringLiteral("photofile")), row.value(QStringLiteral("zzyq"))};
        undo->picks = PickRowsOf(picks);
    }
    if (samples == 0)
        qCInfo(lcWorkspace, "sample %lld of customer %s was deleted already", sampleId,
               qUtf8Printable(customerId));
    return samples > 0;
}

PickResult PickSample(const QString& customerId, qint64 sampleId, const QString& album,
                      UndoStep* undo) {
    const QString sample = QString::number(sampleId);
    data::Transaction transaction;
    data::LockTableForWriting(kAlbums);
    data::LockTableForWriting(kPicks);
    // The insert first: from here on no other station changes what is checked below.
    const data::Rows inserted = data::ExecuteReturning(
        QStringLiteral("insert into xcphoto(customerid,photoid,xcmc) values(") + customerId +
        QStringLiteral(",") + sample + QStringLiteral(",") + data::SqlText(album) +
        QStringLiteral(")") + kPickColumns);
    PickResult refused = PickResult::Picked;
    if (data::FirstNumber(QStringLiteral("select count(*) from photoinfo where customerid=") +
                          customerId + QStringLiteral(" and id=") + sample) == 0)
        refused = PickResult::SampleGone;
    else if (AlbumsNamed(customerId, album) == 0)
        refused = PickResult::AlbumGone;
    if (refused != PickResult::Picked) {
        // Another station deleted it since the customer chose; the guard rolls back.
        qCInfo(lcWorkspace, "no pick of sample %lld into album %s of customer %s: %s", sampleId,
               qUtf8Printable(album), qUtf8Printable(customerId),
               refused == PickResult::SampleGone ? "the sample is gone" : "the album is gone");
        return refused;
    }
    transaction.commit();
    if (undo) {
        *undo = {};
        undo->kind = UndoStep::Kind::Pick;
        undo->customerId = customerId;
        undo->sampleId = sampleId;
        undo->picks = PickRowsOf(inserted);
    }
    return PickResult::Picked;
}

bool RemovePick(const QString& customerId, qint64 sampleId, const QString& album, UndoStep* undo) {
    data::Transaction transaction;
    data::LockTableForWriting(kPicks);
    const data::Rows removed = data::ExecuteReturning(
        QStringLiteral("delete from xcphoto  where id=( select id from xcphoto where customerid=") +
        customerId + QStringLiteral(" and xcmc=") + data::SqlText(album) +
        QStringLiteral(" and photoid=") + QString::number(sampleId) + QStringLiteral(" limit 1)") +
        kPickColumns);
    transaction.commit();
    if (undo && !removed.empty()) {
        *undo = {};
        undo->kind = UndoStep::Kind::PickRemoved;
        undo->customerId = customerId;
        undo->sampleId = sampleId;
        undo->picks = PickRowsOf(removed);
    }
    return !removed.empty();
}

bool StoreNote(const QString& customerId, qint64 sampleId, const QString& text, UndoStep* undo) {
    const QString where = QStringLiteral(" where customerid=") + customerId +
                          QStringLiteral(" and id=") + QString::number(sampleId);
    data::Transaction transaction;
    QVariant before;
    if (undo) {
        // A write first, so that the note read is the one replaced below.
        data::Execute(QStringLiteral("update photoinfo set zzyq=zzyq") + where);
        const data::Rows rows =
            data::QueryRows(QStringLiteral("select zzyq from photoinfo") + where);
        if (!rows.empty()) before = rows.front().value(0);
    }
    // The prompt is never a note.
    const int stored =
        !text.isEmpty() && text != kNotePrompt
            ? data::ExecuteCount(QStringLiteral("update photoinfo set zzyq=") +
                                 data::SqlText(text) + where)
            : data::ExecuteCount(QStringLiteral("update photoinfo set zzyq=''") + where);
    transaction.commit();
    const QString storedNote = text != kNotePrompt ? text : QString();
    // A note stored as it was changes nothing worth taking back.
    if (undo && stored > 0 &&
        (before.isNull() ? !storedNote.isEmpty() : before.toString() != storedNote)) {
        *undo = {};
        undo->kind = UndoStep::Kind::Note;
        undo->customerId = customerId;
        undo->sampleId = sampleId;
        undo->oldNote = before;
        undo->storedNote = storedNote;
    }
    return stored > 0;
}

AlbumChange AddAlbum(const QString& customerId, const QString& name, UndoStep* undo) {
    if (name == kAllAlbums) return AlbumChange::NameExists;
    data::Transaction transaction;
    data::LockTableForWriting(kAlbums);
    const data::Rows inserted = data::ExecuteReturning(
        QStringLiteral("insert into customerxc(customerid,xcmc) values(") + customerId +
        QStringLiteral(",") + data::SqlText(name) + QStringLiteral(") returning id"));
    if (AlbumsNamed(customerId, name) > 1) return AlbumChange::NameExists;
    transaction.commit();
    if (undo && !inserted.empty()) {
        *undo = {};
        undo->kind = UndoStep::Kind::AlbumAdded;
        undo->customerId = customerId;
        undo->albums = {AlbumRow{IdOf(inserted.front()), name}};
        undo->newName = name;
    }
    return AlbumChange::Done;
}

AlbumChange RenameAlbum(const QString& customerId, const QString& oldName, const QString& newName,
                        UndoStep* undo) {
    if (newName == kAllAlbums || newName == oldName) return AlbumChange::NameExists;
    if (oldName == kAllAlbums) return AlbumChange::Reserved;
    const QString where = QStringLiteral(" where customerid=") + customerId +
                          QStringLiteral(" and xcmc=") + data::SqlText(oldName);
    data::Transaction transaction;
    data::LockTableForWriting(kAlbums);
    data::LockTableForWriting(kPicks);
    const data::Rows albums =
        data::ExecuteReturning(QStringLiteral("update customerxc set xcmc=") +
                               data::SqlText(newName) + where + QStringLiteral(" returning id"));
    const int renamed = static_cast<int>(albums.size());
    if (renamed == 0) {
        qCInfo(lcWorkspace, "album %s of customer %s to be renamed is gone",
               qUtf8Printable(oldName), qUtf8Printable(customerId));
        return AlbumChange::Gone;
    }
    // More albums of the new name than were just renamed: one had it before.
    if (AlbumsNamed(customerId, newName) > renamed) return AlbumChange::NameExists;
    const data::Rows picks = data::ExecuteReturning(QStringLiteral("update xcphoto set xcmc=") +
                                                    data::SqlText(newName) + where + kPickColumns);
    transaction.commit();
    if (undo) {
        *undo = {};
        undo->kind = UndoStep::Kind::AlbumRenamed;
        undo->customerId = customerId;
        for (const QSqlRecord& row : albums) undo->albums.push_back({IdOf(row), newName});
        undo->picks = PickRowsOf(picks);
        undo->oldName = oldName;
        undo->newName = newName;
    }
    return AlbumChange::Done;
}

AlbumChange DeleteAlbum(const QString& customerId, const QString& name, UndoStep* undo) {
    if (name == kAllAlbums) return AlbumChange::Reserved;
    const QString quoted = data::SqlText(name);
    data::Transaction transaction;
    data::LockTableForWriting(kAlbums);
    data::LockTableForWriting(kPicks);
    const data::Rows albums = data::ExecuteReturning(
        QStringLiteral("delete from  customerxc where customerid=") + customerId +
        QStringLiteral(" and xcmc=") + quoted + QStringLiteral(" returning id"));
    const data::Rows picks =
        data::ExecuteReturning(QStringLiteral("delete from  xcphoto where customerid=") +
                               customerId + QStringLiteral(" and  xcmc=") + quoted + kPickColumns);
    transaction.commit();
    if (albums.empty()) return AlbumChange::Gone;
    if (undo) {
        *undo = {};
        undo->kind = UndoStep::Kind::AlbumDeleted;
        undo->customerId = customerId;
        for (const QSqlRecord& row : albums) undo->albums.push_back({IdOf(row), name});
        std::sort(undo->albums.begin(), undo->albums.end(),
                  [](const AlbumRow& a, const AlbumRow& b) { return a.id < b.id; });
        undo->picks = PickRowsOf(picks);
        undo->oldName = name;
    }
    return AlbumChange::Done;
}

int AlbumPickCount(const QString& customerId, const QString& album) {
    if (album == kAllAlbums)
        return data::FirstNumber(
            QStringLiteral(
                "select count(*) as picinfocountzc from  V_xcphotoall where customerid=") +
            customerId);
    return data::FirstNumber(
        QStringLiteral("select count(*) as picinfocountzc from  V_xcphoto where customerid=") +
        customerId + QStringLiteral(" and xcmc=") + data::SqlText(album));
}

void StoreWidescreenCorrection(bool on) {
    data::Transaction transaction;
    settings::WriteWidescreenOn(on);
    transaction.commit();
}

}  // namespace workspace
