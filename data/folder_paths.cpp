#include "data/folder_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace data {

QString NormalisedFolder(const QString& folder) {
    if (folder.isEmpty()) return folder;
    const bool absolute = folder.startsWith(QLatin1Char('/'));
    QStringList parts;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (part != QLatin1String(".")) parts << part;
    const QString joined = parts.join(QLatin1Char('/'));
    if (absolute) return QLatin1Char('/') + joined;
    return joined.isEmpty() ? QStringLiteral(".") : joined;
}

QString FolderPrefix(const QString& folder) {
    const QString normal = NormalisedFolder(folder);
    return normal.endsWith(QLatin1Char('/')) ? normal : normal + QLatin1Char('/');
}

QString ResolvedPath(const QString& path) {
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QString rest;
    for (;;) {
        const QString canonical = QFileInfo(existing).canonicalFilePath();
        if (!canonical.isEmpty())
            return rest.isEmpty() ? canonical : QDir::cleanPath(FolderPrefix(canonical) + rest);
        const int slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash < 0 || existing == QLatin1String("/"))  // nothing resolves
            return QDir::cleanPath(FolderPrefix(existing) + rest);
        const QString name = existing.mid(slash + 1);
        rest = rest.isEmpty() ? name : name + QLatin1Char('/') + rest;
        existing = slash == 0 ? QStringLiteral("/") : existing.left(slash);
    }
}

bool IsInsideFolder(const QString& path, const QString& folder) {
    const QString resolvedPath = ResolvedPath(path);
    const QString resolvedFolder = ResolvedPath(folder);
    return resolvedPath == resolvedFolder || resolvedPath.startsWith(FolderPrefix(resolvedFolder));
}

}  // namespace data
