#pragma once
// Moving a studio from its embedded file to a database server: every row of every table
// (customers, samples with their thumbnails, albums, picks, the default albums, the
// staging table, the settings and the administrator) is copied with its key, so picks
// still point at their samples, into an empty server database, in one transaction.
// Before the commit the rows and the thumbnails' bytes are counted on both sides;
// any difference leaves the server database as empty as it was.

#include <QString>
#include <functional>
#include <vector>

#include "data/database_setting.h"

namespace data {

struct CopiedTable {
    QString table;
    qint64 source = 0;  // rows in the file
    qint64 copied = 0;  // rows on the server, counted before the commit
};

struct CopyResult {
    bool ok = false;
    QString error;
    std::vector<CopiedTable> tables;
    qint64 thumbnailBytes = 0;  // bytes of all thumbnails, the same on both sides
};

// Called now and then with the table at hand and the rows copied of it.
using CopyProgress = std::function<void(const QString& table, qint64 done, qint64 total)>;

// Copies the embedded file at filePath (ours, read through a read-only connection of
// its own, as one consistent snapshot) into the empty server database. Refuses while a
// program or command has the file open.
CopyResult CopyFileToServer(const QString& filePath, const ServerAddress& server,
                            const CopyProgress& progress = {});

}  // namespace data
