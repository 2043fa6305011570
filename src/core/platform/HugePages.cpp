#include "platform/HugePages.h"

#include "platform/SpeedMechanisms.h"

#include <cstdint>
#include <sys/mman.h>

namespace zumi {

void AdviseHugePages(const void* data, size_t bytes) {
    if (!Speed.hugePages)
        return;
    constexpr uintptr_t Huge = uintptr_t{2} << 20;
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + Huge - 1) & ~(Huge - 1);
    const uintptr_t end = (start + bytes) & ~(Huge - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

} // namespace zumi
