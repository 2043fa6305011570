#pragma once

namespace zumi {

// The mechanisms that make a large folder's listing faster. Each is on, and
// only the benchmarks turn one off, to measure what it gains. Set before any
// listing starts and only read afterwards, so every thread may read it.
struct SpeedMechanisms {
    bool keysWhileReading = true; // sort keys made on a second thread during the read (Collation::KeysAhead)
    bool twoThreadSort = true;    // the sort split at a sampled middle key, a part to each of two threads
};

inline SpeedMechanisms Speed;

} // namespace zumi
