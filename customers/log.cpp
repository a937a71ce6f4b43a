#include "customers/log.h"

namespace customers {
Q_LOGGING_CATEGORY(lcCustomers, "verimond.customers", QtInfoMsg)
}
