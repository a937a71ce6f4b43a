// Compiled as a part of one layer, including one header (PROBE_HEADER): the build of a
// layer may reach its own headers and those below it, and nothing above.
#include PROBE_HEADER
