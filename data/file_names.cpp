#include "data/file_names.h"

namespace data {

QString ExtensionOf(const QString& name) {
    // A "." never occurs inside a multi-byte GBK character, so searching the
    // Unicode text gives the same answer as searching the stored bytes.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

}  // namespace data
