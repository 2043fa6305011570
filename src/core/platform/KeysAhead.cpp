#include "platform/KeysAhead.h"

#include "platform/SpeedMechanisms.h"

namespace zumi {

namespace {

// Blocks the keying thread may have waiting before the reader keeps the next
// full one itself: one to key while the next is being filled, and one spare.
constexpr size_t WaitingBlocks = 2;

} // namespace

Collation::KeysAhead::KeysAhead(const Collation& collation) : m_Collation(collation), m_Collator(nullptr, nullptr) {}

Collation::KeysAhead::~KeysAhead() {
    if (!m_Thread.joinable())
        return;
    m_Next = {}; // breaks the promise: the thread ends
    m_Thread.join();
}

void Collation::KeysAhead::Add(std::string_view name) {
    m_Open.push_back(name);
    if (!m_Open.Full())
        return;
    // The thread starts with the first full block, so that a small folder costs none.
    if (m_Blocks.empty() && Speed.keysWhileReading && (m_Collator = m_Collation.Clone()))
        m_Thread = StartThread([this, next = m_Next.get_future()]() mutable { Run(std::move(next)); });
    if (m_Thread.joinable() && m_HandedCount - m_KeyedCount.load(std::memory_order_relaxed) < WaitingBlocks) {
        std::promise<std::unique_ptr<Handed>> next; // the hand-over after this one
        m_Next.set_value(std::make_unique<Handed>(Handed{m_Blocks.size(), std::move(m_Open), {}, next.get_future()}));
        m_Next = std::move(next);
        ++m_HandedCount;
        m_Blocks.emplace_back(); // the handed block's place until Finish
    } else {
        m_Blocks.push_back(std::move(m_Open));
    }
    m_Open = {};
}

// Keys each block handed over, in turn, until handed none (the end) or the promise is broken (the reader failed).
void Collation::KeysAhead::Run(std::future<std::unique_ptr<Handed>> next) {
    try {
        while (std::unique_ptr<Handed> handed = next.get()) {
            MakeKeys(m_Collator.get(), handed->block, handed->keys);
            next = std::move(handed->next);
            m_Done.push_back(std::move(handed));
            m_KeyedCount.fetch_add(1, std::memory_order_relaxed);
        }
    } catch (const std::future_error&) {
    }
}

PackedNames Collation::KeysAhead::Finish(std::vector<BlockKeys>& keys) {
    if (m_Thread.joinable()) {
        m_Next.set_value(nullptr);
        m_Thread.join();
    }
    keys.resize(m_Blocks.size());
    for (const std::unique_ptr<Handed>& handed : m_Done) {
        m_Blocks[handed->slot] = std::move(handed->block);
        keys[handed->slot] = std::move(handed->keys);
    }
    m_Done.clear();
    if (m_Open.size() > 0)
        m_Blocks.push_back(std::move(m_Open));
    return PackedNames(std::move(m_Blocks));
}

} // namespace zumi
