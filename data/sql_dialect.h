#pragma once
// The few expressions whose spelling depends on the database engine, written once here.

#include <QString>

namespace data {

// A pseudo-random value of at least 0 and below 1, drawn anew for every row it is
// evaluated for.
QString RandomFractionSql();

}  // namespace data
