#pragma once
// What the workspace reads and composes from the database, as plain functions: rows in,
// values out. The window classes only put the results into controls.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace workspace {

struct CustomerEntry {
    QString name;
    QString id;
};

// Customers that are not closed, in id order.
std::vector<CustomerEntry> LoadOpenCustomers();

// The folder the customer's samples came from; empty when there is no such customer.
QString CustomerPhotoPath(const QString& customerId);
// The customer's samples.
int SampleCount(const QString& customerId);

// One cell of the sample strip or of the album grid.
struct StripCell {
    QString id;            // the sample's id
    QByteArray thumbnail;  // stored BMP; empty when the sample has none
    int picks = 0;         // picks of the sample in all the customer's albums
    QString file;          // the sample's photo file
};

// The statement of a strip page: twelve rows from display number start on.
QString SamplePageSql(const QString& view, const QString& nameColumn, const QString& idColumn,
                      const QString& condition, int start);
std::vector<StripCell> LoadSamplePage(const QString& view, const QString& nameColumn,
                                      const QString& idColumn, const QString& condition, int start);

// The condition the workspace passes for a customer's samples (leading blank included).
QString SampleCondition(const QString& customerId);

// A count read from a "count(*) as name" query, as text, with "0" read as "1" so a
// track bar always keeps a range.
QString CountAtLeastOne(const QString& sql, const QString& column);

// The display number of a sample; throws ConversionError when the customer has no
// such sample.
int DisplayNumberOf(const QString& customerId, qint64 sampleId);
// The file of the sample with a display number; empty text when there is none.
QString FileOfDisplayNumber(const QString& customerId, int displayNumber);
// The sample with a display number; 0 when there is none.
qint64 SampleOfDisplayNumber(const QString& customerId, int displayNumber);

// The sample to show large.
struct ShownSample {
    qint64 id = -1;
    QString file;          // as stored; may be empty
    QByteArray thumbnail;  // stored BMP; empty when the sample has none
};
// Nothing when the customer has no such sample.
std::optional<ShownSample> LoadShownSample(const QString& customerId, qint64 sampleId);
// Whether the sample is one of the customer's.
bool SampleExists(const QString& customerId, qint64 sampleId);
// Whether the sample is in the album already.
bool IsPicked(const QString& customerId, qint64 sampleId, const QString& album);

// The customer's album names in the order they were made.
QStringList LoadAlbumNames(const QString& customerId);
// One cell of the album grid: a pick.
struct AlbumCell {
    QString sampleId;      // the picked sample's id
    QString album;         // the album of this very pick
    QByteArray thumbnail;  // stored BMP of the sample; empty when it has none
    QString file;          // the sample's photo file
};
// Up to 18 picks of the album ("全部": of all the customer's albums) from display number
// start on, in display order.
std::vector<AlbumCell> LoadAlbumPage(const QString& customerId, const QString& album, int start);

// The statistics line: samples, picked samples, picks per album and in all.
QString ComposeStatistics(const QString& customerId);

// What the information box and the note box show for the current sample.
struct SampleInfo {
    QString fileCaption;    // "文件地址:" and the path, relative to the customer's folder
    QString fileHint;       // the full path
    QString note;           // the trimmed note, or the note prompt
    QString albumsCaption;  // "已入相册:" and each album followed by two blanks
    QString albumsHint;     // the same list without the caption
};
// The albums a sample is picked into, for the information box.
struct SampleAlbums {
    QString caption;  // "已入相册:" and each album followed by two blanks
    QString hint;     // the same list without the caption
};
SampleAlbums LoadSampleAlbums(const QString& customerId, qint64 sampleId);

SampleInfo LoadSampleInfo(const QString& customerId, qint64 sampleId, const QString& photoPath,
                          const QString& notePrompt);

// Bytes the text takes in the GBK code page, where the note box's limit is counted.
int GbkByteLength(const QString& text);

}  // namespace workspace
