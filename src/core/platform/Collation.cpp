#include "platform/Collation.h"

#include "platform/Locale.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <endian.h>
#include <system_error>
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

// Appends a name's sort key to the buffer and returns where it starts; sets
// the name's first chunk while the key is at hand. The key buffer holds at
// least 256 bytes, and the key's own zero byte masks any that follow it.
uint32_t AppendKey(const UCollator* collator, std::string_view name, std::vector<UChar>& utf16,
                   std::vector<uint8_t>& key, std::vector<uint8_t>& buffer, uint64_t& chunk) {
    const size_t keyLength = MakeKey(collator, name, utf16, key);
    chunk = Chunk(key.data(), 0);
    const auto start = static_cast<uint32_t>(buffer.size());
    buffer.insert(buffer.end(), key.data(), key.data() + keyLength);
    return start;
}

// Makes the sort keys of a run of names, end to end in one buffer, with where
// each starts and the names ranked by their first chunks.
void MakeKeys(const UCollator* collator, const PackedNames& names, size_t begin, size_t end,
              std::vector<uint8_t>& buffer, std::vector<uint32_t>& starts, std::vector<Ranked>& ranked) {
    std::vector<UChar> utf16;
    std::vector<uint8_t> key;
    if (begin < end) {
        // Keys run about as long as the names' bytes; room for twice that spares
        // copying them as they grow, and costs no memory until used.
        const std::string_view last = names[end - 1];
        const size_t bytes = static_cast<size_t>(last.data() + last.size() - names[begin].data());
        ReserveHuge(buffer, 2 * bytes + 16 * (end - begin) + 8);
    }
    for (size_t i = begin; i < end; ++i) {
        ranked[i].index = static_cast<uint32_t>(i);
        starts[i] = AppendKey(collator, names[i], utf16, key, buffer, ranked[i].chunk);
    }
    buffer.insert(buffer.end(), 8, 0);
}

// Runs the work on a new thread, or returns a thread that is not joinable when
// none can be started, and the caller then does the work itself.
template <typename Work> std::thread StartThread(Work work) {
    try {
        return std::thread(std::move(work));
    } catch (const std::system_error&) {
        return std::thread();
    }
}

// Where each name's key is: names from runs[k] on have theirs in buffers[k].
struct KeyTable {
    const uint8_t* buffers[3];
    size_t runs[3];
    const uint32_t* starts;
    const uint8_t* operator()(uint32_t i) const {
        const size_t k = i >= runs[2] ? 2 : i >= runs[1] ? 1 : 0;
        return buffers[k] + starts[i];
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

} // namespace

Collation::Collation(const std::string& locale) : m_Collator(OpenCollator(locale), ucol_close) {}

Collation::~Collation() = default;

std::vector<uint32_t> Collation::Order(const PackedNames& names, KeysAhead* ahead) const {
    const size_t count = names.size();
    std::vector<uint32_t> starts;
    std::vector<Ranked> ranked;
    std::vector<uint8_t> keys[3];
    size_t from = 0;
    if (ahead != nullptr) {
        ahead->Stop();
        from = ahead->m_Keyed;
        keys[0].swap(ahead->m_Keys);
        starts.swap(ahead->m_Starts);
        ranked.swap(ahead->m_Ranked);
    }
    ReserveHuge(starts, count);
    starts.resize(count);
    ReserveHuge(ranked, count);
    ranked.resize(count);

    // Sort keys take most of the time; a second thread with its own collator
    // halves what the names without keys yet cost.
    size_t split = count;
    std::thread helper;
    std::unique_ptr<UCollator, void (*)(UCollator*)> clone(nullptr, ucol_close);
    if (count - from >= 4096) {
        UErrorCode status = U_ZERO_ERROR;
        clone.reset(ucol_clone(m_Collator.get(), &status));
        split = from + (count - from) / 2;
        if (U_SUCCESS(status))
            helper = StartThread([&] { MakeKeys(clone.get(), names, split, count, keys[2], starts, ranked); });
    }
    MakeKeys(m_Collator.get(), names, from, split, keys[1], starts, ranked);
    if (helper.joinable())
        helper.join();
    else
        MakeKeys(m_Collator.get(), names, split, count, keys[2], starts, ranked);
    const KeyTable keyOf{{keys[0].data(), keys[1].data(), keys[2].data()}, {0, from, split}, starts.data()};

    // The names are split at a sampled middle chunk, so that each part sorts
    // on a thread of its own and the parts need no merging.
    Ranked* const first = ranked.data();
    Ranked* const last = first + count;
    Ranked* middle = last;
    if (count >= 4096) {
        std::vector<uint64_t> sample;
        for (size_t i = 0; i < count; i += count / 255)
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
    std::vector<uint32_t> order;
    ReserveHuge(order, count);
    order.resize(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = ranked[i].index;
    return order;
}

Collation::KeysAhead::KeysAhead(const Collation& collation, const PackedNames& names)
    : m_Collator(nullptr, ucol_close), m_Bytes(names.Bytes()), m_Ends(names.Ends()) {
    // As much room as MakeKeys would reserve for all the names there is room
    // for, within reason: a folder that once held far more entries than it
    // does now still reports the size it had then.
    constexpr size_t MaxReserved = size_t{256} << 20;
    ReserveHuge(m_Keys, std::min(2 * names.bytes_capacity() + 16 * names.capacity() + 8, MaxReserved));
    ReserveHuge(m_Starts, names.capacity());
    ReserveHuge(m_Ranked, names.capacity());
    UErrorCode status = U_ZERO_ERROR;
    m_Collator.reset(ucol_clone(collation.m_Collator.get(), &status));
    if (U_SUCCESS(status))
        m_Thread = StartThread([this] { Run(); });
}

Collation::KeysAhead::~KeysAhead() {
    Stop();
}

void Collation::KeysAhead::Publish(size_t count) {
    {
        const std::lock_guard<std::mutex> lock(m_Mutex);
        m_Published = count;
    }
    m_Added.notify_one();
}

void Collation::KeysAhead::Stop() {
    if (!m_Thread.joinable())
        return;
    {
        const std::lock_guard<std::mutex> lock(m_Mutex);
        m_Stop = true;
    }
    m_Added.notify_one();
    m_Thread.join();
}

// Keys the names as they are published until stopped. Only the names
// published are read, through pointers taken before any was added: the room
// reserved keeps them in place.
void Collation::KeysAhead::Run() {
    std::vector<UChar> utf16;
    std::vector<uint8_t> key;
    for (;;) {
        size_t ready;
        {
            std::unique_lock<std::mutex> lock(m_Mutex);
            m_Added.wait(lock, [&] { return m_Stop || m_Published > m_Keyed; });
            if (m_Stop)
                break;
            ready = m_Published;
        }
        for (; m_Keyed < ready && !m_Stop.load(std::memory_order_relaxed); ++m_Keyed) {
            const uint32_t start = m_Keyed == 0 ? 0 : m_Ends[m_Keyed - 1];
            const std::string_view name(m_Bytes + start, m_Ends[m_Keyed] - start);
            uint64_t chunk;
            m_Starts.push_back(AppendKey(m_Collator.get(), name, utf16, key, m_Keys, chunk));
            m_Ranked.push_back({chunk, static_cast<uint32_t>(m_Keyed)});
        }
    }
    m_Keys.insert(m_Keys.end(), 8, 0);
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
