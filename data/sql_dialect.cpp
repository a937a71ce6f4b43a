#include "data/sql_dialect.h"

namespace data {

QString RandomFractionSql() {
    // random() gives a signed 64-bit integer; its low 53 bits make an exact double fraction.
    return QStringLiteral("((random() & 9007199254740991) / 9007199254740992.0)");
}

}  // namespace data
