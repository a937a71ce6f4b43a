#pragma once

#include <QString>

namespace data {

// The part of a file name from its last "." to the end, dot included; empty text
// when the name holds no dot. "a.jpg.txt" gives ".txt", "photo." gives ".".
QString ExtensionOf(const QString& name);

// The permission bits a new file of `mode` gets in this process (the umask taken off).
// Files made private first (temporary names) are given these before they are renamed, so
// a database, a copy or a workbook can be shared like any other file the user makes.
unsigned NewFileMode(unsigned mode = 0666);

}  // namespace data
