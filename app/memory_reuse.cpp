#include "app/memory_reuse.h"

#include <malloc.h>

namespace app {

void KeepFreedMemoryForReuse() {
#ifdef __GLIBC__
    // Blocks up to 32 MB (the most glibc allows here: a decoded photo, a fitted 4K picture)
    // come from the heap rather than from mappings of their own that are unmapped on free;
    // up to 256 MB freed at the top of the heap stays there, and the heap grows by 64 MB at
    // a time. Every thread takes from the one heap: a thread's own arena is made of 64 MB
    // pieces, and a piece that comes free is unmapped whatever the thresholds say. What the
    // program keeps is bounded by what it used at once.
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 64 << 20);
#endif
}

}  // namespace app
