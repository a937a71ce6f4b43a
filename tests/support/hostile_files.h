#pragma once
// Picture files made to hurt a decoder: cut short, corrupted, claiming sizes they do not
// hold, under the wrong extension, or not files at all. Everything is made here by code.

#include <QByteArray>
#include <QString>
#include <vector>

namespace testing_support {

// A small real JPEG of a colourful pattern (or one flat colour), 4:2:0.
QByteArray SmallJpeg(int width, int height, bool progressive = false, bool flat = false);
// The JPEG with the size in its frame header replaced; its data still holds the small one.
QByteArray WithClaimedSize(QByteArray jpeg, int width, int height);
// A progressive JPEG with its last scan repeated `extra` times before the end.
QByteArray WithRepeatedLastScan(const QByteArray& jpeg, int extra);

// Headers alone (BMP with `pixelBytes` bytes of pixels after them), claiming any size.
QByteArray BmpClaiming(int width, int height, int bitsPerPixel, int pixelBytes);
QByteArray PngClaiming(int width, int height);
QByteArray GifClaiming(int width, int height);

// A file of `size` bytes that holds `start` and then nothing (a hole: costs no disk).
bool WriteSparseFile(const QString& path, qint64 size, const QByteArray& start = QByteArray());

struct HostileFile {
    QString name;
    bool mustBeRefused;  // no picture may come out of it; otherwise a partial one may
    bool regularFile;    // a plain file the import lists (not a folder, pipe, device or link)
};

// Writes the whole collection into folder (created if needed) and lists it.
std::vector<HostileFile> WriteHostileCorpus(const QString& folder);

}  // namespace testing_support
