#pragma once

#include <QString>

namespace data {

// The part of a file name from its last "." to the end, dot included; empty text
// when the name holds no dot. "a.jpg.txt" gives ".txt", "photo." gives ".".
QString ExtensionOf(const QString& name);

}  // namespace data
