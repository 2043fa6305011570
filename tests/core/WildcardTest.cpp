#include "panes/Wildcard.h"

#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

using zumi::WildcardPiece;

namespace {

struct MatchCase {
    const char* fault; // what a wrong answer would mean
    const char* piece;
    const char* name;
    bool matches;
};

const MatchCase MatchCases[] = {
    {"camera names in upper case missed", "*.jpg", "IMG_0001.JPG", true},
    {"suffix taken as substring", "*.jpg", "a.jpg.txt", false},
    {"suffix fast path accepts a longer extension", "*.jpg", "a.jpeg", false},
    {"suffix shorter than the piece", "*.jpg", "jpg", false},
    {"Unicode case folding ignored", "ä*.png", "Äpfel.PNG", true},
    {"Japanese name with ASCII extension", "*.png", "写真 01.png", true},
    {"a non-ASCII letter that folds onto the extension", "*.kpg", "x.\xE2\x84\xAApg", true},
    {"a piece's non-ASCII letter that folds onto an ASCII name's", "\xE2\x84\xAA?t*.jpg", "Kitten.jpg", true},
    {"an ASCII name matched byte for byte against a folded piece", "i\xCC\x87*", "i.jpg", false},
    {"? takes a byte instead of a character", "?.gif", "あ.gif", true},
    {"? matches two characters", "?.gif", "ab.gif", false},
    {"? matches nothing", "a?.gif", "a.gif", false},
    {"* must match an empty run", "a*.gif", "a.gif", true},
    {"a trailing * must match an empty run", "photo*", "photo", true},
    {"suffix as long as the name", "*.gif", ".gif", true},
    {"backtracking over several stars", "*a*b*.txt", "xxaxxbxxa.txt", true},
    {"backtracking accepts a wrong tail", "*a*b*.txt", "xxbxxa.txt", false},
    {"*.* misses names without a dot", "*.*", "README", true},
    {"* misses hidden-looking names", "*", ".profile", true},
    {"trailing dot matches names with a dot", "*.", "a.b", false},
    {"trailing dot misses names without a dot", "*.", "Makefile", true},
    {"trailing dot on a plain name", "readme.", "README", true},
    {"brackets taken as a class", "[ab].gif", "a.gif", false},
    {"brackets not literal", "[ab].gif", "[AB].gif", true},
    {"backslash taken as an escape", "a\\*.gif", "a\\x.gif", true},
    {"empty piece matches", "", "a.gif", false},
    {"a piece with a folder part matches", "sub/*.gif", "a.gif", false},
    {"a piece with a folder part matches its tail", "*/a.gif", "a.gif", false},
    {"ill-formed UTF-8 name rejected by the suffix path", "*.jpg", "\x89\xE6\x91\x9C.jpg", true},
    {"ill-formed byte not one character", "?.jpg", "\x89.jpg", true},
    {"literal piece compared with case", "Photo.GIF", "photo.gif", true},
    {"literal piece matches a longer name", "photo.gif", "photo.gif2", false},
    {"a literal piece matches a name with more characters after it", "ab", "ab\xE3\x81\x82", false},
    {"a '*' in the name taken for the piece's wildcard", "*a*b", "*xab", true},
    {"the fixed start and end overlap in a short name", "ab*ba", "aba", false},
    {"a run that is not ASCII between ASCII ends", "a*?z", "a\xE3\x81\x82z", true},
    {"the fixed start not checked", "IMG_?0*", "img_11.jpg", false},
    {"a dot between runs looked for in a Japanese name's bytes", "*.*g", "写真 1.jpg", true},
    {"a dot between runs found inside a Japanese name", "*.*g", "写真 1g", false},
    {"runs and a mark matched across ill-formed bytes", "*-*.png", "\x89-\xE6.png", true},
    {"a letter between runs matched by its bytes", "*k*.jpg", "x\xE2\x84\xAA.jpg", true},
    {"a mark between runs taken for a byte", "*.?.*", "x.あ.y", true},
    {"a letter that folds onto a fixed start's", "s*.txt", "\xC5\xBFun.txt", true},
    {"a name's later characters not looked at past one not ASCII", "ab?d*", "abあD.jpg", true},
    {"a '*' gives up a byte of a character, not the character", "a*??b*", "a€bX", false},
};

TEST(WildcardPiece, MatchesLikeDesktopFileSearch) {
    for (const MatchCase& c : MatchCases)
        EXPECT_EQ(WildcardPiece(c.piece).Matches(c.name), c.matches)
            << c.fault << ": piece \"" << c.piece << "\", name \"" << c.name << "\"";
}

// A piece matched as written down: both decoded a character at a time (an
// ill-formed byte a character of its own), case-folded, and compared with
// backtracking over every place a '*' may stop.
bool ReferenceMatches(std::string_view piece, std::string_view name) {
    const auto decode = [](std::string_view text) {
        std::u32string out;
        for (int32_t i = 0; i < static_cast<int32_t>(text.size());) {
            const int32_t start = i;
            UChar32 c;
            U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), i, static_cast<int32_t>(text.size()), c);
            if (c < 0)
                i = start + 1;
            out.push_back(c < 0 ? 0xDC00 + static_cast<uint8_t>(text[start]) : u_foldCase(c, U_FOLD_CASE_DEFAULT));
        }
        return out;
    };
    const std::u32string p = decode(piece), n = decode(name);
    std::function<bool(size_t, size_t)> from = [&](size_t i, size_t j) {
        if (i == p.size())
            return j == n.size();
        if (p[i] == U'*')
            return from(i + 1, j) || (j < n.size() && from(i, j + 1));
        return j < n.size() && (p[i] == U'?' || p[i] == n[j]) && from(i + 1, j + 1);
    };
    return from(0, 0);
}

// Random pieces and names of the characters where matching on a name's bytes
// could go wrong: the letters that other characters fold onto (the long s, the
// Kelvin sign), letters that are not ASCII in either case, marks, Japanese,
// ill-formed and cut-short sequences.
TEST(WildcardPiece, MatchesAsTheCharactersFoldedWouldOnRandomNames) {
    const char* const pieceParts[] = {"a", "K", "s", "S", ".", "-", "*", "?", "g", "0", "*", "?", "Ä", "\xE2\x84\xAA"};
    const char* const nameParts[] = {"a",  "ä",    "k",        "K", "s",        "S",
                                     ".",  "-",    "*",        "?", "\xC5\xBF", "\xE2\x84\xAA",
                                     "あ", "\x89", "\xE3\x81", "g", "0"};
    std::mt19937 random(7);
    for (int trial = 0; trial < 200000; ++trial) {
        std::string piece, name;
        for (unsigned i = random() % 6; i > 0; --i)
            piece += pieceParts[random() % std::size(pieceParts)];
        for (unsigned i = random() % 8; i > 0; --i)
            name += nameParts[random() % std::size(nameParts)];
        if (piece.empty() || piece == "*" || piece == "*.*" || piece.back() == '.')
            continue; // pieces with meanings of their own, in the table above
        ASSERT_EQ(WildcardPiece(piece).Matches(name), ReferenceMatches(piece, name))
            << "piece \"" << piece << "\", name \"" << name << "\"";
    }
}

TEST(NamesEqualIgnoringCase, FoldsAsciiAndUnicodeButNotAccents) {
    EXPECT_TRUE(zumi::NamesEqualIgnoringCase("/Pics/ÄRGER", "/pics/ärger"));
    EXPECT_FALSE(zumi::NamesEqualIgnoringCase("/pics/a", "/pics/á"));
    EXPECT_FALSE(zumi::NamesEqualIgnoringCase("/pics/\x89", "/pics/\x8a"));
}

} // namespace
