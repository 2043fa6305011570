#include "panes/Wildcard.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>
#include <utility>

namespace zumi {

namespace {

// Markers for the wildcards in a folded pattern; no code point decodes to them.
constexpr char32_t AnyRun = 0xFFFFFFFF;
constexpr char32_t AnyOne = 0xFFFFFFFE;

// The character of a text at `at`, and how many bytes make it: a UTF-8
// sequence, or an ill-formed byte on its own as U+DC00 plus the byte, which no
// valid sequence yields.
std::pair<UChar32, size_t> CharacterAt(std::string_view text, size_t at) {
    auto i = static_cast<int32_t>(at);
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), i, static_cast<int32_t>(text.size()), c);
    if (c < 0)
        return {0xDC00 + static_cast<uint8_t>(text[at]), 1};
    return {c, static_cast<size_t>(i) - at};
}

// Decodes UTF-8 into case-folded code points (CharacterAt).
std::u32string Fold(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const auto [c, bytes] = CharacterAt(text, at);
        out.push_back(static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
        at += bytes;
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

// How many bytes of the name at `at` make a character that folds onto an
// ASCII piece's character (folded), or 0: the letter in either case, and the
// two characters that fold onto ASCII letters, the long s and the Kelvin sign.
size_t FoldsOnto(char piece, std::string_view name, size_t at) {
    if (AsciiLower(name[at]) == piece)
        return 1;
    const std::string_view other = piece == 's' ? "\xC5\xBF" : piece == 'k' ? "\xE2\x84\xAA" : "";
    return !other.empty() && name.substr(at, other.size()) == other ? other.size() : 0;
}

// The same for a folded code point of a piece that is not ASCII.
size_t FoldsOnto(char32_t piece, std::string_view name, size_t at) {
    const auto [c, bytes] = CharacterAt(name, at);
    return static_cast<char32_t>(u_foldCase(c, U_FOLD_CASE_DEFAULT)) == piece ? bytes : 0;
}

// Classic wildcard match with backtracking to the last run marker, linear for
// the usual masks, of a piece (ASCII bytes, or folded code points) against a
// name's bytes a character at a time, without decoding more of it than it must.
template <typename Char>
bool PieceMatches(std::basic_string_view<Char> piece, std::string_view name, Char anyRun, Char anyOne) {
    size_t p = 0, n = 0, starP = piece.npos, starN = 0;
    while (n < name.size()) {
        const size_t step = p == piece.size() || piece[p] == anyRun ? 0
                            : piece[p] == anyOne                    ? CharacterAt(name, n).second
                                                                    : FoldsOnto(piece[p], name, n);
        if (p < piece.size() && piece[p] == anyRun) {
            if (p + 1 == piece.size())
                return true; // a last run marker takes the rest, whatever it holds
            starP = p++;
            starN = n;
        } else if (step > 0) {
            ++p;
            n += step;
        } else if (starP != piece.npos) {
            p = starP + 1;
            n = starN += CharacterAt(name, starN).second;
        } else {
            return false;
        }
    }
    while (p < piece.size() && piece[p] == anyRun)
        ++p;
    return p == piece.size();
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
    std::string& bytes = m_Bytes;
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
        m_BetweenIsFound =
            m_Between.size() > 2 && m_Between.find_first_of("*?abcdefghijklmnopqrstuvwxyz", 1) == last - first;
    }
}

// ASCII bytes are whole characters in any name, even beside ill-formed bytes,
// and every character is at least a byte: so an ASCII piece's fixed start and
// end are looked at first, byte for byte, and only then the rest of the name.
bool WildcardPiece::Matches(std::string_view name) const {
    if (m_Kind != Kind::Pattern)
        return m_Kind == Kind::Everything;
    if (m_NoDot && name.find('.') != std::string_view::npos)
        return false;
    if (!m_Ascii) // the piece holds a folded letter that is not ASCII, which no ASCII name holds
        return !IsAscii(name) && PieceMatches(std::u32string_view(m_Pattern), name, AnyRun, AnyOne);
    const size_t startSize = m_Start.size(), endSize = m_End.size();
    if (name.size() < startSize + endSize)
        return false;
    // The end first: most pieces of a mask are "*.ext", and most names fail all but one of them.
    const std::string_view end = name.substr(name.size() - endSize);
    const std::string_view start = name.substr(0, startSize);
    if (!FixedMayMatch(m_End, end, true) || !FixedMayMatch(m_Start, start, false))
        return false;
    // A fixed end or start of ASCII bytes has been matched whole: the rest of the piece decides the rest of the name.
    if (!IsAscii(end) || !IsAscii(start)) {
        const size_t from = IsAscii(start) ? startSize : 0, cut = IsAscii(end) ? endSize : 0;
        return PieceMatches(std::string_view(m_Bytes).substr(from, m_Bytes.size() - from - cut),
                            name.substr(from, name.size() - from - cut), '*', '?');
    }
    if (m_Between.size() <= 1) // one '*' takes any run; without one, nothing may be left over
        return !m_Between.empty() || name.size() == startSize;
    const std::string_view between = name.substr(startSize, name.size() - startSize - endSize);
    if (m_BetweenIsFound)
        return between.find(std::string_view(m_Between).substr(1, m_Between.size() - 2)) != std::string_view::npos;
    return PieceMatches(std::string_view(m_Between), between, '*', '?');
}

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b) {
    return a == b || Fold(a) == Fold(b);
}

} // namespace zumi
