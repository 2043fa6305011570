#include "platform/Collation.h"

#include "platform/Locale.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <endian.h>
#include <thread>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace zumi {

namespace {

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

// A name in the sort: the chunk of its key that the names it ties with so far are compared by.
struct Ranked {
    uint64_t chunk;
    uint32_t index;
};

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
    if (key.size() < 256)
        key.resize(256);
    int32_t keyLength = ucol_getSortKey(collator, utf16.data(), length, key.data(), key.size());
    if (static_cast<size_t>(keyLength) > key.size()) {
        key.resize(keyLength);
        keyLength = ucol_getSortKey(collator, utf16.data(), length, key.data(), key.size());
    }
    return static_cast<size_t>(keyLength);
}

// Makes the sort keys of a run of names, end to end in one buffer, with where each starts.
void MakeKeys(const UCollator* collator, const PackedNames& names, size_t begin, size_t end,
              std::vector<uint8_t>& buffer, std::vector<uint32_t>& starts, std::vector<Ranked>& ranked) {
    if (begin == end)
        return;
    std::vector<UChar> utf16;
    std::vector<uint8_t> key;
    // Keys run about as long as the names' bytes; room for twice that spares
    // copying them as they grow, and costs no memory until used.
    const std::string_view last = names[end - 1];
    buffer.reserve(2 * static_cast<size_t>(last.data() + last.size() - names[begin].data()) + 16 * (end - begin) + 8);
    for (size_t i = begin; i < end; ++i) {
        const size_t keyLength = MakeKey(collator, names[i], utf16, key);
        starts[i] = static_cast<uint32_t>(buffer.size());
        buffer.insert(buffer.end(), key.data(), key.data() + keyLength);
    }
    buffer.insert(buffer.end(), 8, 0);
    for (size_t i = begin; i < end; ++i)
        ranked[i] = {Chunk(buffer.data() + starts[i], 0), static_cast<uint32_t>(i)};
}

// Where each name's key is: names before the split have theirs in the first buffer.
struct KeyTable {
    const uint8_t* first;
    const uint8_t* second;
    const uint32_t* starts;
    size_t split;
    const uint8_t* operator()(uint32_t i) const { return (i < split ? first : second) + starts[i]; }
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

} // namespace

Collation::Collation(const std::string& locale) : m_Collator(OpenCollator(locale), ucol_close) {}

Collation::~Collation() = default;

std::vector<uint32_t> Collation::Order(const PackedNames& names) const {
    const size_t count = names.size();
    std::vector<Ranked> ranked(count);
    std::vector<uint32_t> starts(count);
    std::vector<uint8_t> keys[2];

    // Sort keys take most of the time; a second thread with its own collator halves it.
    const size_t half = count >= 4096 ? count / 2 : count;
    std::thread helper;
    std::unique_ptr<UCollator, void (*)(UCollator*)> clone(nullptr, ucol_close);
    if (half < count) {
        UErrorCode status = U_ZERO_ERROR;
        clone.reset(ucol_clone(m_Collator.get(), &status));
        if (U_SUCCESS(status))
            helper = std::thread(MakeKeys, clone.get(), std::cref(names), half, count, std::ref(keys[1]),
                                 std::ref(starts), std::ref(ranked));
    }
    const size_t split = helper.joinable() ? half : count;
    MakeKeys(m_Collator.get(), names, 0, split, keys[0], starts, ranked);
    if (helper.joinable())
        helper.join();

    SortByKey(ranked.data(), ranked.data() + count, 0, KeyTable{keys[0].data(), keys[1].data(), starts.data(), split},
              names);
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = ranked[i].index;
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
