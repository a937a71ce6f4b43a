#include "workspace/log.h"

namespace workspace {
Q_LOGGING_CATEGORY(lcWorkspace, "verimond.workspace", QtInfoMsg)
}
