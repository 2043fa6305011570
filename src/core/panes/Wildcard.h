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
    enum class Kind { Nothing, Everything, Pattern };

    Kind m_Kind = Kind::Pattern;
    bool m_NoDot = false;     // the piece ended in "."
    std::u32string m_Pattern; // folded code points, with the wildcards as markers
    // When the folded piece is all ASCII: its bytes, '*' and '?' its wildcards,
    // and those split at its first and last '*' into what a name starts with, what lies
    // between (from star to star) and what it ends with. Without a '*' all of it is the start.
    bool m_Ascii = false;
    std::string m_Bytes, m_Start, m_Between, m_End;
    // What lies between is "*", text without a wildcard or a letter, and "*"
    // (such as "*.*"): a name matches when that text is found in it as it stands.
    bool m_BetweenIsFound = false;
};

// True when two names are equal with letter case ignored, by the rule above.
bool NamesEqualIgnoringCase(std::string_view a, std::string_view b);

} // namespace zumi
