#pragma once

#include "platform/Locale.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct UCollator;

namespace zumi {

// Names end to end in blocks of BlockNames names, so that a million of them
// cost little more than their bytes. Every block but the last is full, and a
// full block never changes again: it can be handed whole to another thread,
// and its names never move.
class PackedNames {
public:
    // A power of two, so that finding a name's block is a shift; large enough
    // that the blocks of a million names are a few hundred, small enough that
    // the keying thread gets its first block within a millisecond of reading.
    static constexpr size_t BlockNames = 4096;

    class Block {
    public:
        size_t size() const { return m_Ends.size(); }
        bool Full() const { return m_Ends.size() == BlockNames; }
        size_t Bytes() const { return m_Text.size(); }
        std::string_view operator[](size_t i) const {
            const uint32_t start = i == 0 ? 0 : m_Ends[i - 1];
            return std::string_view(m_Text).substr(start, m_Ends[i] - start);
        }
        void push_back(std::string_view name) {
            if (m_Ends.empty())
                m_Ends.reserve(BlockNames);
            m_Text += name;
            m_Ends.push_back(static_cast<uint32_t>(m_Text.size()));
            if (Full())
                m_Text.shrink_to_fit(); // the room the text grew into, up to half again, is kept no longer
        }

    private:
        std::string m_Text;
        std::vector<uint32_t> m_Ends;
    };

    PackedNames() = default;
    // Takes blocks of which all but the last are full.
    explicit PackedNames(std::vector<Block> blocks);

    size_t size() const { return m_Size; }
    std::string_view operator[](size_t i) const { return m_Blocks[i / BlockNames][i % BlockNames]; }
    void push_back(std::string_view name);
    const std::vector<Block>& Blocks() const { return m_Blocks; }

private:
    std::vector<Block> m_Blocks;
    size_t m_Size = 0;
};

// The sort keys of one block's names end to end, then eight zero bytes; where
// each starts, and each one's first eight bytes as a big-endian number. All
// empty until made.
struct BlockKeys {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> starts;
    std::vector<uint64_t> chunks;
};

// Orders file names the way users' file managers do: alphabetical in a locale,
// letter case ignored, digit runs compared by their numeric value (IMG_2 before
// IMG_10). Names that compare equal are ordered by their bytes, so the order is
// total and the same on every run. Names need not be valid UTF-8.
class Collation {
public:
    // A locale name such as "ja_JP" or "de_DE.UTF-8"; empty, "C" and "POSIX" give
    // the root collation.
    explicit Collation(const std::string& locale);
    ~Collation();
    Collation(const Collation&) = delete;
    Collation& operator=(const Collation&) = delete;

    // The user's locale to sort by (zumi::UserLocale for LC_COLLATE).
    static std::string UserLocale() { return zumi::UserLocale("LC_COLLATE"); }

    // Collects names and keys them on a second thread meanwhile (KeysAhead.h).
    class KeysAhead;

    // The order the names sort in: their indices, first to last. Keys made
    // ahead are given block by block, and the blocks without are keyed here;
    // a large list is sorted on two threads.
    std::vector<uint32_t> Order(const PackedNames& names, std::vector<BlockKeys> keys = {}) const;
    // Where a name belongs among names in an order that Order gave: the first
    // place whose name does not sort before it. A name already there is found at that place.
    size_t LowerBound(const PackedNames& names, const std::vector<uint32_t>& order, std::string_view name) const;
    // Sorts the names in place.
    void Sort(std::vector<std::string>& names) const;

private:
    using CollatorPtr = std::unique_ptr<UCollator, void (*)(UCollator*)>;
    // A copy of the collator for another thread; null when none can be made.
    CollatorPtr Clone() const;
    // Makes the keys of a block's names with the collator given (one per thread).
    static void MakeKeys(const UCollator* collator, const PackedNames::Block& block, BlockKeys& keys);
    // Makes the keys of the blocks that have none.
    void MakeMissingKeys(const PackedNames& names, std::vector<BlockKeys>& keys) const;

    CollatorPtr m_Collator;
};

} // namespace zumi
