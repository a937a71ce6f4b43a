#include "settings/log.h"

namespace settings {
Q_LOGGING_CATEGORY(lcSettings, "verimond.settings", QtInfoMsg)
}
