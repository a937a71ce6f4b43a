#include "data/file_names.h"

#include <sys/stat.h>

namespace data {

unsigned NewFileMode(unsigned mode) {
    // umask can only be read by setting it; read it once, before any thread could race.
    static const mode_t mask = [] {
        const mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return mode & ~unsigned(mask);
}

QString ExtensionOf(const QString& name) {
    // A "." never occurs inside a multi-byte GBK character, so searching the
    // Unicode text gives the same answer as searching the stored bytes.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

}  // namespace data
