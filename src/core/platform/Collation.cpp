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

// Sort keys of a run of names, packed into one buffer. The first eight key
// bytes are kept inline as a big-endian number, so most comparisons never
// touch the buffer.
struct KeyedName {
    uint64_t prefix;
    uint32_t offset; // into the buffer of the thread that made the key
    uint32_t length;
    uint32_t index; // into the names
    uint32_t block; // which thread's buffer
};

void MakeKeys(const UCollator* collator, const std::vector<std::string>& names, size_t begin, size_t end,
              uint32_t block, std::vector<KeyedName>& keyed, std::vector<uint8_t>& buffer) {
    std::vector<UChar> utf16;
    for (size_t i = begin; i < end; ++i) {
        const std::string& name = names[i];
        utf16.resize(name.size() + 1);
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        // Ill-formed bytes become U+FFFD for the key; the byte tie-break keeps such names apart.
        u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &length, name.data(),
                             static_cast<int32_t>(name.size()), 0xFFFD, nullptr, &status);
        const size_t offset = buffer.size();
        buffer.resize(offset + 64);
        int32_t keyLength = ucol_getSortKey(collator, utf16.data(), length, buffer.data() + offset, 64);
        if (keyLength > 64) {
            buffer.resize(offset + keyLength);
            ucol_getSortKey(collator, utf16.data(), length, buffer.data() + offset, keyLength);
        }
        buffer.resize(offset + keyLength);
        uint64_t prefix = 0;
        for (int32_t b = 0; b < 8; ++b)
            prefix = (prefix << 8) | (b < keyLength ? buffer[offset + b] : 0);
        keyed[i] = {prefix, static_cast<uint32_t>(offset), static_cast<uint32_t>(keyLength), static_cast<uint32_t>(i),
                    block};
    }
}

} // namespace

Collation::Collation(const std::string& locale) : m_Collator(OpenCollator(locale), ucol_close) {}

Collation::~Collation() = default;

void Collation::Sort(std::vector<std::string>& names) const {
    const size_t count = names.size();
    if (count < 2)
        return;
    std::vector<KeyedName> keyed(count);
    std::vector<uint8_t> buffers[2];

    // Sort keys take most of the time; a second thread with its own collator halves it.
    const size_t half = count >= 4096 ? count / 2 : count;
    std::thread helper;
    std::unique_ptr<UCollator, void (*)(UCollator*)> clone(nullptr, ucol_close);
    if (half < count) {
        UErrorCode status = U_ZERO_ERROR;
        clone.reset(ucol_clone(m_Collator.get(), &status));
        if (U_SUCCESS(status))
            helper = std::thread(MakeKeys, clone.get(), std::cref(names), half, count, 1, std::ref(keyed),
                                 std::ref(buffers[1]));
    }
    MakeKeys(m_Collator.get(), names, 0, helper.joinable() ? half : count, 0, keyed, buffers[0]);
    if (helper.joinable())
        helper.join();

    std::sort(keyed.begin(), keyed.end(), [&](const KeyedName& a, const KeyedName& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const int byKey = std::memcmp(buffers[a.block].data() + a.offset, buffers[b.block].data() + b.offset,
                                      std::min(a.length, b.length));
        if (byKey != 0 || a.length != b.length)
            return byKey != 0 ? byKey < 0 : a.length < b.length;
        return names[a.index] < names[b.index];
    });

    std::vector<std::string> sorted;
    sorted.reserve(count);
    for (const KeyedName& k : keyed)
        sorted.push_back(std::move(names[k.index]));
    names.swap(sorted);
}

} // namespace zumi
