#include "app/log.h"

namespace app {
Q_LOGGING_CATEGORY(lcApp, "verimond.app", QtInfoMsg)
}
