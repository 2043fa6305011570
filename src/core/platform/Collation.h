#pragma once

#include "platform/Locale.h"

#include <memory>
#include <string>
#include <vector>

struct UCollator;

namespace zumi {

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

    // Sorts the names in place, computing one sort key per name (on two threads for large lists).
    void Sort(std::vector<std::string>& names) const;

private:
    std::unique_ptr<UCollator, void (*)(UCollator*)> m_Collator;
};

} // namespace zumi
