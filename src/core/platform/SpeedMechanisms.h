#pragma once

#include <system_error>
#include <thread>

namespace zumi {

// The mechanisms that make a large folder's listing faster. Each is on, and
// only the benchmarks turn one off, to measure what it gains. Set before any
// listing starts and only read afterwards, so every thread may read it.
struct SpeedMechanisms {
    bool keysWhileReading = true; // sort keys made on a second thread during the read (Collation::KeysAhead)
    bool twoThreadSort = true;    // the sort split at a sampled middle key, a part to each of two threads
};

inline SpeedMechanisms Speed;

// Runs a mechanism's work on a new thread, or returns a thread that is not
// joinable when none can be started, and the caller then does the work itself.
template <typename Work> std::thread StartThread(Work work) {
    try {
        return std::thread(std::move(work));
    } catch (const std::system_error&) {
        return std::thread();
    }
}

} // namespace zumi
