// Matches a name against the pieces of a mask and checks what the mask rules
// promise: "*" and "*.*" match every name; a piece without wildcards matches
// only the same name with letter case ignored; a trailing "." keeps only the
// names without "."; a second leading "*" changes nothing.
//
// Input: a mask of ";"-separated pieces, "\n", the name.

#include "panes/Wildcard.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <optional>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

using zumi::WildcardPiece;

namespace {

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool IsAscii(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The text as UTF-16 when it is well-formed UTF-8.
std::optional<icu::UnicodeString> Unicode(std::string_view text) {
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::string back;
    unicode.toUTF8String(back);
    if (back != text)
        return std::nullopt;
    return unicode;
}

// A piece without "*" or "?" stands for one name, and compares with case
// folded: ASCII letters in either case always match, and a match is equal
// under Unicode's full case folding (which keeps every simple folding).
void CheckLiteral(std::string_view piece, std::string_view name, bool matches) {
    const bool asciiEqual = AsciiLower(piece) == AsciiLower(name);
    if (asciiEqual)
        Require(matches, "a piece without wildcards matches its name in any ASCII case", {piece, name});
    if (IsAscii(piece) && IsAscii(name))
        Require(matches == asciiEqual, "an ASCII piece without wildcards matches only its name", {piece, name});
    const std::optional<icu::UnicodeString> a = Unicode(piece), b = Unicode(name);
    if (matches && a && b)
        Require(a->caseCompare(*b, U_FOLD_CASE_DEFAULT) == 0,
                "a piece without wildcards matches only its name with case folded", {piece, name});
}

void CheckPiece(std::string_view piece, std::string_view name) {
    const bool matches = WildcardPiece(piece).Matches(name);
    const bool plain = !piece.empty() && piece.find('/') == std::string_view::npos;
    if (plain && piece.find_first_of("*?") == std::string_view::npos && piece.back() != '.')
        CheckLiteral(piece, name, matches);
    if (piece != "*.*" && !piece.empty() && piece.back() != '.') {
        const bool noDot = name.find('.') == std::string_view::npos;
        Require(WildcardPiece(std::string(piece) + ".").Matches(name) == (noDot && matches),
                "a trailing \".\" keeps only the names without \".\" of the piece", {piece, name});
    }
    if (piece != "*.*" && !piece.empty() && piece.front() == '*')
        Require(WildcardPiece("*" + std::string(piece)).Matches(name) == matches,
                "a second leading \"*\" changes nothing", {piece, name});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = std::min(input.find('\n'), input.size());
    std::string_view mask = input.substr(0, newline);
    const std::string_view name = input.substr(std::min(newline + 1, input.size()));

    for (const char* every : {"*", "*.*", "**"})
        Require(WildcardPiece(every).Matches(name), "every name matches", {every, name});
    while (true) {
        const size_t end = std::min(mask.find(';'), mask.size());
        CheckPiece(mask.substr(0, end), name);
        if (end == mask.size())
            break;
        mask.remove_prefix(end + 1);
    }
    return 0;
}
