#include "platform/Collation.h"

#include "platform/Locale.h"
#include "platform/SpeedMechanisms.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <endian.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace zumi {

namespace {

// From this many names the sort splits them between two threads: below it a
// thread costs more than it saves.
constexpr size_t TwoThreadsFrom = 4096;
// Chunks sampled for the pivot that splits the sort: enough for halves within
// a few percent of each other, few enough to cost nothing.
constexpr size_t PivotSamples = 255;
// Room for one sort key to begin with: a file name's key seldom needs more,
// so most keys take one call to ICU.
constexpr size_t KeyRoom = 256;

// A name in a sort under way: its index, and the chunk of its sort key that
// the names it ties with so far are compared by.
struct Ranked {
    uint64_t chunk;
    uint32_t index;
};

UCollator* OpenCollator(const std::string& locale) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(IcuLocaleId(locale).c_str(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        collator = ucol_open("", &status);
    }
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    return collator;
}

// Eight key bytes from the given depth as a big-endian number, zeros past the
// key's end; the key must not have ended before the depth, and eight bytes
// from the depth must be readable (the key buffers end in eight zero bytes).
uint64_t Chunk(const uint8_t* key, size_t depth) {
    uint64_t bytes;
    std::memcpy(&bytes, key + 8 * depth, 8);
    bytes = le64toh(bytes);
    // The lowest byte that is zero ends the key; what follows belongs to the next key.
    const uint64_t zeros = (bytes - 0x0101010101010101) & ~bytes & 0x8080808080808080;
    if (zeros != 0)
        bytes &= (uint64_t{1} << (__builtin_ctzll(zeros) & ~7)) - 1;
    return __builtin_bswap64(bytes);
}

// Writes a name's sort key into key, resized to fit, and returns its length.
// ICU ends each key with a zero byte and puts none inside, so keys compare as
// C strings do. Ill-formed bytes become U+FFFD for the key; the byte tie-break
// keeps such names apart.
size_t MakeKey(const UCollator* collator, std::string_view name, std::vector<UChar>& utf16, std::vector<uint8_t>& key) {
    utf16.resize(name.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &length, name.data(),
                         static_cast<int32_t>(name.size()), 0xFFFD, nullptr, &status);
    if (key.size() < KeyRoom)
        key.resize(KeyRoom);
    int32_t keyLength = ucol_getSortKey(collator, utf16.data(), length, key.data(), key.size());
    if (static_cast<size_t>(keyLength) > key.size()) {
        key.resize(keyLength);
        keyLength = ucol_getSortKey(collator, utf16.data(), length, key.data(), key.size());
    }
    return static_cast<size_t>(keyLength);
}

// Where each name's key is: in its block's keys.
struct KeyTable {
    const std::vector<BlockKeys>& keys;
    const uint8_t* operator()(uint32_t i) const {
        const BlockKeys& block = keys[i / PackedNames::BlockNames];
        return block.bytes.data() + block.starts[i % PackedNames::BlockNames];
    }
};

// Sorts by key eight bytes at a time: a run of names that tie on one chunk is
// sorted again by the next; names whose whole keys tie are ordered by their bytes.
void SortByKey(Ranked* begin, Ranked* end, size_t depth, const KeyTable& keyOf, const PackedNames& names) {
    std::sort(begin, end, [](const Ranked& a, const Ranked& b) { return a.chunk < b.chunk; });
    for (Ranked* run = begin; run != end;) {
        Ranked* next = run + 1;
        while (next != end && next->chunk == run->chunk)
            ++next;
        if (next - run > 1 && (run->chunk & 0xFF) == 0) {
            std::sort(run, next, [&](const Ranked& a, const Ranked& b) { return names[a.index] < names[b.index]; });
        } else if (next - run > 1) {
            for (Ranked* r = run; r != next; ++r)
                r->chunk = Chunk(keyOf(r->index), depth + 1);
            SortByKey(run, next, depth + 1, keyOf, names);
        }
        run = next;
    }
}

// Every name, ranked by its key's first chunk.
std::vector<Ranked> RankByFirstChunk(const std::vector<BlockKeys>& keys, size_t count) {
    std::vector<Ranked> ranked;
    ranked.reserve(count);
    for (const BlockKeys& block : keys)
        for (const uint64_t chunk : block.chunks)
            ranked.push_back({chunk, static_cast<uint32_t>(ranked.size())});
    return ranked;
}

// Sorts the ranked names: split at a sampled middle chunk, so that each part
// sorts on a thread of its own and the parts need no merging. The second
// thread touches only the upper part, and is joined before it is read.
void SortOnTwoThreads(std::vector<Ranked>& ranked, const KeyTable& keyOf, const PackedNames& names) {
    Ranked* const first = ranked.data();
    Ranked* const last = first + ranked.size();
    Ranked* middle = last;
    if (Speed.twoThreadSort && ranked.size() >= TwoThreadsFrom) {
        std::vector<uint64_t> sample;
        for (size_t i = 0; i < ranked.size(); i += ranked.size() / PivotSamples)
            sample.push_back(ranked[i].chunk);
        std::nth_element(sample.begin(), sample.begin() + sample.size() / 2, sample.end());
        const uint64_t pivot = sample[sample.size() / 2];
        middle = std::partition(first, last, [&](const Ranked& r) { return r.chunk < pivot; });
        if (middle == first) // the pivot is the smallest chunk: it goes first
            middle = std::partition(first, last, [&](const Ranked& r) { return r.chunk <= pivot; });
    }
    std::thread sorter =
        middle != last ? StartThread([&] { SortByKey(middle, last, 0, keyOf, names); }) : std::thread();
    SortByKey(first, middle, 0, keyOf, names);
    if (sorter.joinable())
        sorter.join();
    else
        SortByKey(middle, last, 0, keyOf, names);
}

} // namespace

PackedNames::PackedNames(std::vector<Block> blocks) : m_Blocks(std::move(blocks)) {
    m_Size = m_Blocks.empty() ? 0 : (m_Blocks.size() - 1) * BlockNames + m_Blocks.back().size();
}

void PackedNames::push_back(std::string_view name) {
    if (m_Blocks.empty() || m_Blocks.back().Full())
        m_Blocks.emplace_back();
    m_Blocks.back().push_back(name);
    ++m_Size;
}

Collation::Collation(const std::string& locale) : m_Collator(OpenCollator(locale), ucol_close) {}

Collation::~Collation() = default;

Collation::CollatorPtr Collation::Clone() const {
    UErrorCode status = U_ZERO_ERROR;
    CollatorPtr clone(ucol_clone(m_Collator.get(), &status), ucol_close);
    if (U_FAILURE(status))
        clone.reset();
    return clone;
}

void Collation::MakeKeys(const UCollator* collator, const PackedNames::Block& block, BlockKeys& keys) {
    std::vector<UChar> utf16;
    std::vector<uint8_t> key;
    // Keys run about as long as the names' bytes; room for twice that spares
    // copying them as they grow, and costs no memory until used.
    keys.bytes.reserve(2 * block.Bytes() + 16 * block.size() + 8);
    keys.starts.resize(block.size());
    keys.chunks.resize(block.size());
    for (size_t i = 0; i < block.size(); ++i) {
        const size_t length = MakeKey(collator, block[i], utf16, key);
        // The key buffer holds at least KeyRoom bytes, and the key's own zero byte masks any that follow it.
        keys.chunks[i] = Chunk(key.data(), 0);
        keys.starts[i] = static_cast<uint32_t>(keys.bytes.size());
        keys.bytes.insert(keys.bytes.end(), key.data(), key.data() + length);
    }
    keys.bytes.insert(keys.bytes.end(), 8, 0);
}

void Collation::MakeMissingKeys(const PackedNames& names, std::vector<BlockKeys>& keys) const {
    const std::vector<PackedNames::Block>& blocks = names.Blocks();
    keys.resize(blocks.size());
    for (size_t b = 0; b < blocks.size(); ++b)
        if (keys[b].chunks.size() != blocks[b].size())
            MakeKeys(m_Collator.get(), blocks[b], keys[b]);
}

std::vector<uint32_t> Collation::Order(const PackedNames& names, std::vector<BlockKeys> keys) const {
    MakeMissingKeys(names, keys);                                      // every name has its key
    std::vector<Ranked> ranked = RankByFirstChunk(keys, names.size()); // ranked[i] is name i, by its first chunk
    SortOnTwoThreads(ranked, KeyTable{keys}, names);                   // ranked is in the names' order
    std::vector<uint32_t> order;
    order.reserve(ranked.size());
    for (const Ranked& r : ranked)
        order.push_back(r.index);
    return order;
}

size_t Collation::LowerBound(const PackedNames& names, const std::vector<uint32_t>& order,
                             std::string_view name) const {
    std::vector<UChar> utf16;
    std::vector<uint8_t> key;
    std::vector<uint8_t> probe;
    MakeKey(m_Collator.get(), name, utf16, key);
    const auto before = [&](uint32_t index, std::string_view) {
        const std::string_view other = names[index];
        MakeKey(m_Collator.get(), other, utf16, probe);
        const int byKey =
            std::strcmp(reinterpret_cast<const char*>(probe.data()), reinterpret_cast<const char*>(key.data()));
        return byKey < 0 || (byKey == 0 && other < name);
    };
    return static_cast<size_t>(std::lower_bound(order.begin(), order.end(), name, before) - order.begin());
}

void Collation::Sort(std::vector<std::string>& names) const {
    PackedNames packed;
    for (const std::string& name : names)
        packed.push_back(name);
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const uint32_t i : Order(packed))
        sorted.push_back(std::move(names[i]));
    names.swap(sorted);
}

} // namespace zumi
