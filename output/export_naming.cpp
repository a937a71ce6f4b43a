#include "output/export_naming.h"

#include <QSet>
#include <QStringEncoder>

#include "data/file_names.h"

namespace output {

QString SourceNameOf(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? path : path.mid(slash + 1);
}

QString BaseNameOf(const QString& path) {
    const QString name = SourceNameOf(path);
    return name.left(name.size() - data::ExtensionOf(name).size());
}

QString SafeFileName(const QString& name) {
    static const QString refused = QStringLiteral("\\/:*?\"<>|");
    QString safe = name;
    for (QChar& c : safe)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || refused.contains(c)) c = QLatin1Char('_');
    return safe;
}

QString ExportFileName(int number, const QString& album, const QString& sourcePath,
                       const NamingOptions& options) {
    const QString source = SourceNameOf(sourcePath);
    QString name = QString::number(number);
    if (options.albumName) name += QLatin1Char('-') + album;
    if (options.sourceName)
        name += QLatin1Char('-') + source;
    else
        name += data::ExtensionOf(source);
    return SafeFileName(name);
}

QString NotesLine(int number, const QString& album, const QString& newPath, const QString& note) {
    static const QString gap = QStringLiteral("   ");
    // A line break inside a note would split its line in two.
    QString oneLine = note;
    oneLine.replace(QLatin1String("\r\n"), QLatin1String(" "));
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QString::number(number) + gap + album + gap + newPath + gap + oneLine;
}

QByteArray EncodeNotesText(const QStringList& lines) {
    QString text;
    for (const QString& line : lines) text += line + QLatin1String("\r\n");
    QStringEncoder gbk("GBK");
    const QByteArray whole = gbk.encode(text);
    if (!gbk.hasError()) return whole;

    // Character by character: GBK where it has a code, GB18030 (a superset that holds
    // every Unicode character) where it has not, so nothing turns into "?".
    QByteArray bytes;
    bytes.reserve(whole.size() + 16);
    int i = 0;
    while (i < text.size()) {
        const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        QStringEncoder one("GBK");
        QByteArray encoded = one.encode(character);
        if (one.hasError()) {
            QStringEncoder wide("GB18030");
            encoded = wide.encode(character);
        }
        bytes += encoded;
        i += length;
    }
    return bytes;
}

QString FileNameList(const std::vector<PickedFile>& picks, const QString& album) {
    return UniqueBaseNames(picks, album).join(QStringLiteral(", "));
}

QStringList UniqueBaseNames(const std::vector<PickedFile>& picks, const QString& album) {
    QStringList names;
    QSet<QString> seen;
    for (const PickedFile& pick : picks) {
        if (!album.isNull() && pick.album != album) continue;
        const QString name = BaseNameOf(pick.path);
        if (seen.contains(name)) continue;
        seen.insert(name);
        names << name;
    }
    return names;
}

QStringList FileNameListByAlbum(const std::vector<PickedFile>& picks) {
    QStringList albums;
    for (const PickedFile& pick : picks)
        if (!albums.contains(pick.album)) albums << pick.album;
    QStringList lines;
    for (const QString& album : albums)
        lines << album + QStringLiteral(": ") + FileNameList(picks, album);
    return lines;
}

}  // namespace output

namespace output {

QString ProposedOutputName(const QString& customerName, const QDateTime& time,
                           const QString& suffix) {
    return SafeFileName(customerName) + QStringLiteral("选片单_") +
           time.toString(QStringLiteral("yyyyMMdd_HHmmss")) + suffix;
}

}  // namespace output
