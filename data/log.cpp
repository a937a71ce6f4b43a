#include "data/log.h"

namespace data {
Q_LOGGING_CATEGORY(lcData, "verimond.data", QtInfoMsg)
}
