#pragma once

#include "platform/Locale.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
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
    void reserve(size_t bytes, size_t count) {
        m_Text.reserve(bytes);
        m_Ends.reserve(count);
    }
    void push_back(std::string_view name) {
        m_Text += name;
        m_Ends.push_back(static_cast<uint32_t>(m_Text.size()));
    }

private:
    std::string m_Text;
    std::vector<uint32_t> m_Ends;
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

    // The order the names sort in: their indices, first to last. One sort key
    // is computed per name, on two threads for large lists.
    std::vector<uint32_t> Order(const PackedNames& names) const;
    // Where a name belongs among names in an order that Order gave: the first
    // place whose name does not sort before it. A name already there is found at that place.
    size_t LowerBound(const PackedNames& names, const std::vector<uint32_t>& order, std::string_view name) const;
    // Sorts the names in place.
    void Sort(std::vector<std::string>& names) const;

private:
    std::unique_ptr<UCollator, void (*)(UCollator*)> m_Collator;
};

} // namespace zumi
