#pragma once
// Folder paths as the program stores and compares them: sample folders, export folders.

#include <QString>

namespace data {

// A folder as it is stored and joined with names: doubled "/", "." parts and a trailing "/"
// taken off ("/photos//王/" gives "/photos/王"). ".." parts stay: a link may stand before
// them. Empty text stays empty.
QString NormalisedFolder(const QString& folder);

// The folder followed by "/", ready for a name; "/" alone for the root.
QString FolderPrefix(const QString& folder);

// Where path leads with every link followed, as an absolute path. A path that does not exist
// (yet) gets its nearest existing parent resolved and the rest added.
QString ResolvedPath(const QString& path);

// Whether path is folder itself or lies somewhere below it, links followed on both sides.
bool IsInsideFolder(const QString& path, const QString& folder);

}  // namespace data
