#include "widgets/log.h"

namespace widgets {
Q_LOGGING_CATEGORY(lcWidgets, "verimond.widgets", QtInfoMsg)
}
