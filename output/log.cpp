#include "output/log.h"

namespace output {
Q_LOGGING_CATEGORY(lcOutput, "verimond.output", QtInfoMsg)
}
