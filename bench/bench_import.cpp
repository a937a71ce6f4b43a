#include "bench/bench_common.h"
namespace bench {
int RunImport(const QStringList&) { return 2; }
}
