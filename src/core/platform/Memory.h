#pragma once

namespace zumi {

// Hands memory the program has freed back to the system, where the allocator
// would keep it for reuse (as it does with blocks freed below others).
void ReturnFreeMemory();

} // namespace zumi
