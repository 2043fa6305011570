#pragma once

#include "platform/Collation.h"

#include <atomic>
#include <future>
#include <thread>

namespace zumi {

// Collects a folder's names as they are read and, once there are more than a
// block of them, makes their sort keys on a second thread meanwhile.
//
// Ownership: the block being filled is the reader's. A full block is handed
// over whole, through a promise, to the keying thread, and is that thread's,
// with its keys, until Finish joins the thread and takes everything back; the
// reader never touches a block it handed over, the thread none it was not
// handed. While the thread has two blocks waiting, the reader keeps a full
// block instead, for Order to key after the read, so Finish waits for two
// blocks at most. A kept promise always wakes its waiter, so no hand-over is
// missed, and one dropped unkept (the read failed) ends the thread. The count
// of blocks keyed only chooses between handing over and keeping.
class Collation::KeysAhead {
public:
    explicit KeysAhead(const Collation& collation);
    ~KeysAhead();
    KeysAhead(const KeysAhead&) = delete;
    KeysAhead& operator=(const KeysAhead&) = delete;

    void Add(std::string_view name);
    // Waits for the keying thread and returns the names in the order they
    // were added, with the keys made so far by block, to give to Order.
    PackedNames Finish(std::vector<BlockKeys>& keys);

private:
    // A full block, its place among the blocks and, once made, its keys; and the next hand-over.
    struct Handed {
        size_t slot;
        PackedNames::Block block;
        BlockKeys keys;
        std::future<std::unique_ptr<Handed>> next;
    };
    void Run(std::future<std::unique_ptr<Handed>> next);

    const Collation& m_Collation;
    CollatorPtr m_Collator;                       // the keying thread's
    std::vector<PackedNames::Block> m_Blocks;     // full; those handed over are empty until Finish
    PackedNames::Block m_Open;                    // being filled
    size_t m_HandedCount = 0;                     // blocks handed over
    std::promise<std::unique_ptr<Handed>> m_Next; // the next hand-over; null ends the thread
    std::vector<std::unique_ptr<Handed>> m_Done;  // the thread's until it is joined
    std::atomic<size_t> m_KeyedCount{0};          // blocks the thread has keyed
    std::thread m_Thread;
};

} // namespace zumi
