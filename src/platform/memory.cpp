#include "platform/internal.h"

#include <malloc.h>

namespace platform {

// The GL driver allocates and frees large buffers every frame. With glibc's
// defaults those come from fresh mappings or the top of the heap given back
// after each frame, and every frame faults the same pages in again. Freed
// memory is kept instead, so the process's footprint stays flat at its peak.
void KeepFreedMemory() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

}  // namespace platform
