#include "platform/Collation.h"

#include "platform/Locale.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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
// key's end; the key must not have ended before the depth.
uint64_t Chunk(const uint8_t* key, size_t depth) {
    key += 8 * depth;
    uint64_t chunk = 0;
    bool ended = false;
    for (int b = 0; b < 8; ++b) {
        ended = ended || key[b] == 0;
        chunk = (chunk << 8) | (ended ? 0 : key[b]);
    }
    return chunk;
}

// A name in the sort: the chunk of its key that the names it ties with so far are compared by.
struct Ranked {
    uint64_t chunk;
    uint32_t index;
};

// Makes the sort keys of a run of names, end to end in one buffer, with where
// each starts. ICU ends each key with a zero byte and puts none inside, so keys
// compare as C strings do.
void MakeKeys(const UCollator* collator, const PackedNames& names, size_t begin, size_t end,
              std::vector<uint8_t>& buffer, std::vector<uint32_t>& starts, std::vector<Ranked>& ranked) {
    if (begin == end)
        return;
    std::vector<UChar> utf16;
    // Keys run about as long as the names' bytes; room for twice that spares
    // copying them as they grow, and costs no memory until used.
    const std::string_view last = names[end - 1];
    buffer.reserve(2 * static_cast<size_t>(last.data() + last.size() - names[begin].data()) + 16 * (end - begin));
    for (size_t i = begin; i < end; ++i) {
        const std::string_view name = names[i];
        utf16.resize(name.size() + 1);
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        // Ill-formed bytes become U+FFFD for the key; the byte tie-break keeps such names apart.
        u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &length, name.data(),
                             static_cast<int32_t>(name.size()), 0xFFFD, nullptr, &status);
        const size_t offset = buffer.size();
        buffer.resize(offset + 64);
        const int32_t keyLength = ucol_getSortKey(collator, utf16.data(), length, buffer.data() + offset, 64);
        if (keyLength > 64) {
            buffer.resize(offset + keyLength);
            ucol_getSortKey(collator, utf16.data(), length, buffer.data() + offset, keyLength);
        }
        buffer.resize(offset + keyLength);
        starts[i] = static_cast<uint32_t>(offset);
        ranked[i] = {Chunk(buffer.data() + offset, 0), static_cast<uint32_t>(i)};
    }
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
