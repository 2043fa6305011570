#include "panes/Wildcard.h"

#include <algorithm>
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

// ASCII text case-folded a byte at a time as it is read, without copying it.
struct AsciiFolded {
    std::string_view text;
    size_t size() const { return text.size(); }
    char operator[](size_t i) const { return AsciiLower(text[i]); }
};

// Classic wildcard match with backtracking to the last run marker: linear for
// the usual masks. The run marker is looked at first, so that a byte pattern's
// '*' is a wildcard also against a '*' in the name.
template <typename Pattern, typename Name, typename Char>
bool GlobMatch(const Pattern& pattern, const Name& name, Char anyRun, Char anyOne) {
    size_t p = 0, n = 0, starP = Pattern::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == anyRun) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == anyOne || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starP != Pattern::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == anyRun)
        ++p;
    return p == pattern.size();
}

// Whether a name's bytes under a part of an ASCII piece without '*' (as
// long as it) may match it, looked at from the part's start or its end: the
// ASCII characters up to the first that is not decide as they stand, and that
// one only a '?' or a letter that some other character folds onto (s, k) may take.
bool FixedMayMatch(std::string_view pattern, std::string_view text, bool fromEnd) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        const size_t at = fromEnd ? pattern.size() - 1 - i : i;
        if (static_cast<unsigned char>(text[at]) >= 0x80)
            return pattern[at] == '?' || pattern[at] == 'k' || pattern[at] == 's';
        if (pattern[at] != '?' && pattern[at] != AsciiLower(text[at]))
            return false;
    }
    return true;
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
    m_Pattern = Fold(piece);
    std::string bytes;
    m_Ascii = true;
    for (char32_t& c : m_Pattern) {
        if (c == U'*')
            c = AnyRun;
        else if (c == U'?')
            c = AnyOne;
        else if (c >= 0x80)
            m_Ascii = false;
        bytes.push_back(c == AnyRun ? '*' : c == AnyOne ? '?' : static_cast<char>(c));
    }
    if (!m_Ascii)
        return;
    const size_t first = bytes.find('*');
    const size_t last = bytes.rfind('*');
    m_Start = bytes.substr(0, first);
    if (first != std::string::npos) {
        m_Between = bytes.substr(first, last + 1 - first);
        m_End = bytes.substr(last + 1);
        m_BetweenByBytes = std::none_of(m_Between.begin(), m_Between.end(), [](char c) {
            return c == '?' || (AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z');
        });
    }
}

// ASCII bytes are whole characters in any name, even beside ill-formed bytes,
// and every character is at least a byte: so where the name's bytes under an
// ASCII piece's fixed start and end are ASCII, they decide those characters by
// themselves, and only a name that is not ASCII where it matters is decoded.
bool WildcardPiece::Matches(std::string_view name) const {
    if (m_Kind != Kind::Pattern)
        return m_Kind == Kind::Everything;
    if (m_NoDot && name.find('.') != std::string_view::npos)
        return false;
    if (!m_Ascii) // the piece holds a folded letter that is not ASCII, which no ASCII name holds
        return !IsAscii(name) && GlobMatch(m_Pattern, Fold(name), AnyRun, AnyOne);
    const size_t startSize = m_Start.size(), endSize = m_End.size();
    if (name.size() < startSize + endSize)
        return false;
    // The end first: most pieces of a mask are "*.ext", and most names fail all but one of them.
    const std::string_view end = name.substr(name.size() - endSize);
    const std::string_view start = name.substr(0, startSize);
    if (!FixedMayMatch(m_End, end, true) || !FixedMayMatch(m_Start, start, false))
        return false;
    if (IsAscii(end) && IsAscii(start)) {
        if (m_Between.size() <= 1) // one '*' takes any run; without one, nothing may be left over
            return !m_Between.empty() || name.size() == startSize;
        const std::string_view between = name.substr(startSize, name.size() - startSize - endSize);
        if (m_BetweenByBytes) // "*.*" between the ends of a name of any script, without decoding it
            return GlobMatch(std::string_view(m_Between), between, '*', '?');
        if (IsAscii(between))
            return GlobMatch(std::string_view(m_Between), AsciiFolded{between}, '*', '?');
    }
    return GlobMatch(m_Pattern, Fold(name), AnyRun, AnyOne);
}

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b) {
    return a == b || Fold(a) == Fold(b);
}

} // namespace zumi
