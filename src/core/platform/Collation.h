#pragma once

#include "platform/HugePages.h"
#include "platform/Locale.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct UCollator;

namespace zumi {

// Names end to end in one buffer, so that a million of them cost little more than their bytes.
class PackedNames {
public:
    size_t size() const { return m_Ends.size(); }
    std::string_view operator[](size_t i) const {
        const uint32_t start = i == 0 ? 0 : m_Ends[i - 1];
        return std::string_view(m_Text).substr(start, m_Ends[i] - start);
    }
    // Room for names of so many bytes in all, in huge pages.
    void reserve(size_t bytes, size_t count) {
        ReserveHuge(m_Text, bytes);
        ReserveHuge(m_Ends, count);
    }
    size_t capacity() const { return m_Ends.capacity(); }
    size_t bytes_capacity() const { return m_Text.capacity(); }
    void push_back(std::string_view name) {
        m_Text += name;
        m_Ends.push_back(static_cast<uint32_t>(m_Text.size()));
    }
    // Whether a name of that length fits in the room reserved, so that adding
    // it moves nothing that was added before.
    bool Fits(size_t bytes) const {
        return m_Text.size() + bytes <= m_Text.capacity() && m_Ends.size() < m_Ends.capacity();
    }
    // Where the bytes and the name ends are, for a thread that reads the names
    // while more are added within the room reserved.
    const char* Bytes() const { return m_Text.data(); }
    const uint32_t* Ends() const { return m_Ends.data(); }

private:
    std::string m_Text;
    std::vector<uint32_t> m_Ends;
};

// A name in a sort under way: its index, and the chunk of its sort key that
// the names it ties with so far are compared by.
struct Ranked {
    uint64_t chunk;
    uint32_t index;
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

    class KeysAhead;

    // The order the names sort in: their indices, first to last. One sort key
    // is computed per name, on two threads for large lists, except for the
    // names whose keys were made ahead; the sort too runs on two threads.
    std::vector<uint32_t> Order(const PackedNames& names, KeysAhead* ahead = nullptr) const;
    // Where a name belongs among names in an order that Order gave: the first
    // place whose name does not sort before it. A name already there is found at that place.
    size_t LowerBound(const PackedNames& names, const std::vector<uint32_t>& order, std::string_view name) const;
    // Sorts the names in place.
    void Sort(std::vector<std::string>& names) const;

private:
    std::unique_ptr<UCollator, void (*)(UCollator*)> m_Collator;
};

// Sort keys made on a second thread while names are still being added, so
// that keying a large folder's names overlaps reading them. The names must
// stay within the room they had reserved when this started (PackedNames::Fits)
// until Stop returns.
class Collation::KeysAhead {
public:
    KeysAhead(const Collation& collation, const PackedNames& names);
    ~KeysAhead();
    KeysAhead(const KeysAhead&) = delete;
    KeysAhead& operator=(const KeysAhead&) = delete;

    // Lets the thread key the first count names.
    void Publish(size_t count);
    // Ends the thread; the keys made so far are kept for Order.
    void Stop();

private:
    friend class Collation;
    void Run();

    std::unique_ptr<UCollator, void (*)(UCollator*)> m_Collator;
    const char* m_Bytes;
    const uint32_t* m_Ends;
    std::mutex m_Mutex;
    std::condition_variable m_Added;
    size_t m_Published = 0;          // under m_Mutex
    std::atomic<bool> m_Stop{false}; // set under m_Mutex, read between names without it
    size_t m_Keyed = 0;              // names [0, m_Keyed) have keys
    std::vector<uint8_t> m_Keys;     // their keys end to end
    std::vector<uint32_t> m_Starts;  // where each starts in m_Keys
    std::vector<Ranked> m_Ranked;    // each by its key's first chunk
    std::thread m_Thread;
};

} // namespace zumi
