#include "platform/Memory.h"

#include <malloc.h>

namespace zumi {

void ReturnFreeMemory() {
    malloc_trim(0);
}

} // namespace zumi
