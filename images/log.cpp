#include "images/log.h"

namespace images {
Q_LOGGING_CATEGORY(lcImages, "verimond.images", QtInfoMsg)
}
