#pragma once

namespace zumi {

// Hands memory the program has freed back to the system, where the allocator
// would keep it for reuse (as it does with blocks freed below others).
void ReturnFreeMemory();

// Has every thread allocate from the one arena. glibc gives each thread that
// allocates an arena of its own and hands back the free memory at the top of
// such an arena only as it frees there, never when asked: the keying thread's
// arena would keep some 11 MB of the last large folder read. Call before any
// thread starts.
void ShareOneArena();

} // namespace zumi
