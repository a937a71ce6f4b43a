#include "workspace/workspace_operations.h"

#include "data/connection.h"
#include "data/records.h"
#include "settings/system_settings.h"
#include "workspace/log.h"
#include "workspace/workspace_state.h"

namespace workspace {
namespace {

// Picks refer to their album by customer and name, so both tables are locked, always in
// this order: stations doing album work and picks at the same time queue up instead of
// deadlocking. (The embedded file's write lock covers everything by itself.)
const QString kAlbums = QStringLiteral("customerxc");
const QString kPicks = QStringLiteral("xcphoto");

QString Quoted(const QString& text) {
    return QStringLiteral("'") + data::SqlQuote(text) + QStringLiteral("'");
}

int Count(const QString& sql) {
    const data::Rows rows = data::QueryRows(sql);
    return rows.empty() ? 0 : rows.front().value(0).toInt();
}

int AlbumsNamed(const QString& customerId, const QString& name) {
    return Count(QStringLiteral("select count(*) from customerxc where customerid=") + customerId +
                 QStringLiteral(" and xcmc=") + Quoted(name));
}

}  // namespace

bool DeleteSample(const QString& customerId, qint64 sampleId) {
    const QString where = QStringLiteral("customerid=") + customerId;
    const QString sample = QString::number(sampleId);
    data::Transaction transaction;
    data::LockTableForWriting(kPicks);
    const int samples = data::ExecuteCount(QStringLiteral("delete from  photoinfo where ") + where +
                                           QStringLiteral(" and id=") + sample);
    data::Execute(QStringLiteral("delete from  xcphoto where ") + where +
                  QStringLiteral(" and photoid=") + sample);
    transaction.commit();
    if (samples == 0)
        qCInfo(lcWorkspace, "sample %lld of customer %s was deleted already", sampleId,
               qUtf8Printable(customerId));
    return samples > 0;
}

PickResult PickSample(const QString& customerId, qint64 sampleId, const QString& album) {
    const QString sample = QString::number(sampleId);
    data::Transaction transaction;
    data::LockTableForWriting(kAlbums);
    data::LockTableForWriting(kPicks);
    // The insert first: from here on no other station changes what is checked below.
    data::Execute(QStringLiteral("insert into xcphoto(customerid,photoid,xcmc) values(") +
                  customerId + QStringLiteral(",") + sample + QStringLiteral(",") + Quoted(album) +
                  QStringLiteral(")"));
    PickResult refused = PickResult::Picked;
    if (Count(QStringLiteral("select count(*) from photoinfo where customerid=") + customerId +
              QStringLiteral(" and id=") + sample) == 0)
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
    return PickResult::Picked;
}

bool RemovePick(const QString& customerId, qint64 sampleId, const QString& album) {
    data::Transaction transaction;
    data::LockTableForWriting(kPicks);
    const int removed = data::ExecuteCount(
        QStringLiteral("delete from xcphoto  where id=( select id from xcphoto where customerid=") +
        customerId + QStringLiteral(" and xcmc=") + Quoted(album) +
        QStringLiteral(" and photoid=") + QString::number(sampleId) + QStringLiteral(" limit 1)"));
    transaction.commit();
    return removed > 0;
}

bool StoreNote(const QString& customerId, qint64 sampleId, const QString& text) {
    const QString where = QStringLiteral(" where customerid=") + customerId +
                          QStringLiteral(" and id=") + QString::number(sampleId);
    data::Transaction transaction;
    // The prompt is never a note.
    const int stored =
        !text.isEmpty() && text != kNotePrompt
            ? data::ExecuteCount(QStringLiteral("update photoinfo set zzyq=") + Quoted(text) +
                                 where)
            : data::ExecuteCount(QStringLiteral("update photoinfo set zzyq=''") + where);
    transaction.commit();
    return stored > 0;
}

AlbumChange AddAlbum(const QString& customerId, const QString& name) {
    if (name == kAllAlbums) return AlbumChange::NameExists;
    data::Transaction transaction;
    data::LockTableForWriting(kAlbums);
    data::Execute(QStringLiteral("insert into customerxc(customerid,xcmc) values(") + customerId +
                  QStringLiteral(",") + Quoted(name) + QStringLiteral(")"));
    if (AlbumsNamed(customerId, name) > 1) return AlbumChange::NameExists;
    transaction.commit();
    return AlbumChange::Done;
}

AlbumChange RenameAlbum(const QString& customerId, const QString& oldName, const QString& newName) {
    if (newName == kAllAlbums || newName == oldName) return AlbumChange::NameExists;
    if (oldName == kAllAlbums) return AlbumChange::Reserved;
    const QString where = QStringLiteral(" where customerid=") + customerId +
                          QStringLiteral(" and xcmc=") + Quoted(oldName);
    data::Transaction transaction;
    data::LockTableForWriting(kAlbums);
    data::LockTableForWriting(kPicks);
    const int renamed =
        data::ExecuteCount(QStringLiteral("update customerxc set xcmc=") + Quoted(newName) + where);
    if (renamed == 0) {
        qCInfo(lcWorkspace, "album %s of customer %s to be renamed is gone",
               qUtf8Printable(oldName), qUtf8Printable(customerId));
        return AlbumChange::Gone;
    }
    // More albums of the new name than were just renamed: one had it before.
    if (AlbumsNamed(customerId, newName) > renamed) return AlbumChange::NameExists;
    data::Execute(QStringLiteral("update xcphoto set xcmc=") + Quoted(newName) + where);
    transaction.commit();
    return AlbumChange::Done;
}

AlbumChange DeleteAlbum(const QString& customerId, const QString& name) {
    if (name == kAllAlbums) return AlbumChange::Reserved;
    const QString quoted = Quoted(name);
    data::Transaction transaction;
    data::LockTableForWriting(kAlbums);
    data::LockTableForWriting(kPicks);
    const int albums =
        data::ExecuteCount(QStringLiteral("delete from  customerxc where customerid=") +
                           customerId + QStringLiteral(" and xcmc=") + quoted);
    data::Execute(QStringLiteral("delete from  xcphoto where customerid=") + customerId +
                  QStringLiteral(" and  xcmc=") + quoted);
    transaction.commit();
    return albums > 0 ? AlbumChange::Done : AlbumChange::Gone;
}

int AlbumPickCount(const QString& customerId, const QString& album) {
    if (album == kAllAlbums)
        return Count(QStringLiteral(
                         "select count(*) as picinfocountzc from  V_xcphotoall where customerid=") +
                     customerId);
    return Count(
        QStringLiteral("select count(*) as picinfocountzc from  V_xcphoto where customerid=") +
        customerId + QStringLiteral(" and xcmc=") + Quoted(album));
}

void StoreWidescreenCorrection(bool on) {
    data::Transaction transaction;
    settings::WriteWidescreenOn(on);
    transaction.commit();
}

}  // namespace workspace
