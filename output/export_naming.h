#pragma once
// Names of the exported copies, the lines of the notes file and the file-name lists
// for the retoucher. Plain text in, plain text out.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace output {

struct NamingOptions {
    bool albumName = true;   // "相册名称-"
    bool sourceName = true;  // "源文件名"; otherwise only the source's extension
};

// The part of a path after its last "/", or the whole text when it holds none.
QString SourceNameOf(const QString& path);

// A file name without folder and without its last extension (IMG_0012.JPG gives IMG_0012).
QString BaseNameOf(const QString& path);

// name with every character that the export targets refuse in a file name (those of
// FAT and exFAT sticks: \ / : * ? " < > | and control characters) replaced by "_".
QString SafeFileName(const QString& name);

// The copy's new file name: the number, then "-" and the album when asked, then "-" and
// the source name, or only the source's extension. Made safe for the target.
QString ExportFileName(int number, const QString& album, const QString& sourcePath,
                       const NamingOptions& options);

// One line of the notes file: number, album, new path and note, three blanks between.
QString NotesLine(int number, const QString& album, const QString& newPath, const QString& note);

// Text as the notes files are stored: GBK, and where GBK has no code for a character
// (a rare name character, an emoji) that character in its GB18030 form. Each line ends
// in CR LF, the last one included.
QByteArray EncodeNotesText(const QStringList& lines);

struct PickedFile {
    QString album;
    QString path;
};

// The picks' base names in pick order without repeats: of one album, or of all picks when
// album is null.
QStringList UniqueBaseNames(const std::vector<PickedFile>& picks, const QString& album = QString());

// The same names joined by ", ", as the retoucher pastes them into a file-name filter.
QString FileNameList(const std::vector<PickedFile>& picks, const QString& album = QString());

// One line per album in the order albums first appear: "album: name, name".
QStringList FileNameListByAlbum(const std::vector<PickedFile>& picks);

}  // namespace output

namespace output {

// A file name for a spreadsheet or PDF of the selection, after the customer and the time:
// "王女士选片单_20261210_153000.xlsx". suffix includes its dot.
QString ProposedOutputName(const QString& customerName, const QDateTime& time,
                           const QString& suffix);

}  // namespace output
