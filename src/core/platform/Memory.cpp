#include "platform/Memory.h"

#include <malloc.h>

namespace zumi {

void ReturnFreeMemory() {
    malloc_trim(0);
}

void ShareOneArena() {
    mallopt(M_ARENA_MAX, 1);
}

} // namespace zumi
