#pragma once

#include <string>
#include <string_view>

namespace zumi {

// One piece of a file mask, matched against bare file names the way users of
// desktop file search expect: letter case ignored (ASCII and Unicode simple
// case folding), "*" any run of characters, "?" exactly one UTF-8 character,
// "*.*" every name, a trailing "." only names without a ".". Everything else is
// literal. An empty piece, or one holding "/", matches nothing. Bytes that are
// not valid UTF-8 count as one character each.
class WildcardPiece {
public:
    explicit WildcardPiece(std::string_view piece);

    bool Matches(std::string_view name) const;

private:
    enum class Kind { Nothing, Everything, Suffix, General };

    Kind m_Kind = Kind::General;
    bool m_NoDot = false;      // the piece ended in "."
    std::string m_AsciiSuffix; // Suffix: the lower-case ASCII text after the leading "*"
    std::u32string m_Pattern;  // folded code points, with the wildcards as markers
};

// True when two names are equal with letter case ignored, by the rule above.
bool NamesEqualIgnoringCase(std::string_view a, std::string_view b);

} // namespace zumi
