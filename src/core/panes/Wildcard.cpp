#include "panes/Wildcard.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace zumi {

namespace {

// Markers for the wildcards in a folded pattern; no code point decodes to them.
constexpr char32_t AnyRun = 0xFFFFFFFF;
constexpr char32_t AnyOne = 0xFFFFFFFE;

// Decodes UTF-8 into case-folded code points. An ill-formed byte becomes one
// character of its own, U+DC00 plus the byte, which no valid sequence yields.
std::u32string Fold(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const int32_t length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) {
            i = start + 1;
            c = 0xDC00 + s[start];
        } else {
            c = u_foldCase(c, U_FOLD_CASE_DEFAULT);
        }
        out.push_back(static_cast<char32_t>(c));
    }
    return out;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// An ASCII name as case-folded code points, without decoding or copying it:
// ASCII folds to ASCII lower case, one code point a byte.
struct AsciiFolded {
    std::string_view text;
    size_t size() const { return text.size(); }
    char32_t operator[](size_t i) const { return static_cast<unsigned char>(AsciiLower(text[i])); }
};

// Classic wildcard match with backtracking to the last "*": linear for the usual masks.
template <typename Name> bool GlobMatch(const std::u32string& pattern, const Name& name) {
    size_t p = 0, n = 0, starP = std::u32string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == AnyOne || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == AnyRun) {
            starP = p++;
            starN = n;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == AnyRun)
        ++p;
    return p == pattern.size();
}

} // namespace

WildcardPiece::WildcardPiece(std::string_view piece) {
    if (piece.empty() || piece.find('/') != std::string_view::npos) {
        m_Kind = Kind::Nothing;
        return;
    }
    if (piece == "*.*" || piece == "*") {
        m_Kind = Kind::Everything;
        return;
    }
    while (!piece.empty() && piece.back() == '.') {
        m_NoDot = true;
        piece.remove_suffix(1);
    }
    const std::string_view rest = piece.empty() ? piece : piece.substr(1);
    if (!m_NoDot && piece.front() == '*' && IsAscii(rest) && rest.find_first_of("*?") == std::string_view::npos) {
        m_Kind = Kind::Suffix;
        for (char c : rest)
            m_AsciiSuffix.push_back(AsciiLower(c));
    }
    m_Pattern = Fold(piece);
    for (char32_t& c : m_Pattern) {
        if (c == U'*')
            c = AnyRun;
        else if (c == U'?')
            c = AnyOne;
    }
}

bool WildcardPiece::Matches(std::string_view name) const {
    switch (m_Kind) {
    case Kind::Nothing:
        return false;
    case Kind::Everything:
        return true;
    case Kind::Suffix: {
        // Fast path for "*.ext". A non-ASCII tail might still fold onto the
        // suffix (the Kelvin sign folds to "k"), so only an ASCII tail decides here.
        const size_t length = m_AsciiSuffix.size();
        if (name.size() < length)
            return false;
        const std::string_view tail = name.substr(name.size() - length);
        if (IsAscii(tail)) {
            for (size_t i = 0; i < length; ++i)
                if (AsciiLower(tail[i]) != m_AsciiSuffix[i])
                    return false;
            return true;
        }
        break;
    }
    case Kind::General:
        if (m_NoDot && name.find('.') != std::string_view::npos)
            return false;
        break;
    }
    // Most names are ASCII: they are matched as they stand, folded a byte at a time.
    if (IsAscii(name))
        return GlobMatch(m_Pattern, AsciiFolded{name});
    return GlobMatch(m_Pattern, Fold(name));
}

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b) {
    return a == b || Fold(a) == Fold(b);
}

} // namespace zumi
