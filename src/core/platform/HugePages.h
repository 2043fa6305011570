#pragma once

#include <cstddef>

namespace zumi {

// Asks the kernel to back a buffer not yet written with huge pages where it
// spans whole ones: a million names then fault in a few dozen pages rather
// than tens of thousands of small ones. Only a hint; small buffers are left alone.
void AdviseHugePages(const void* data, size_t bytes);

// Reserves room for count elements in a vector or string, in huge pages.
template <typename Buffer> void ReserveHuge(Buffer& buffer, size_t count) {
    buffer.reserve(count);
    AdviseHugePages(buffer.data(), buffer.capacity() * sizeof(*buffer.data()));
}

} // namespace zumi
