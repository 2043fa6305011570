#include "panes/Wildcard.h"

#include <gtest/gtest.h>

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
};

TEST(WildcardPiece, MatchesLikeDesktopFileSearch) {
    for (const MatchCase& c : MatchCases)
        EXPECT_EQ(WildcardPiece(c.piece).Matches(c.name), c.matches)
            << c.fault << ": piece \"" << c.piece << "\", name \"" << c.name << "\"";
}

TEST(NamesEqualIgnoringCase, FoldsAsciiAndUnicodeButNotAccents) {
    EXPECT_TRUE(zumi::NamesEqualIgnoringCase("/Pics/ÄRGER", "/pics/ärger"));
    EXPECT_FALSE(zumi::NamesEqualIgnoringCase("/pics/a", "/pics/á"));
    EXPECT_FALSE(zumi::NamesEqualIgnoringCase("/pics/\x89", "/pics/\x8a"));
}

} // namespace
