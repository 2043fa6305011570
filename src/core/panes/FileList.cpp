#include "panes/FileList.h"

#include "panes/Wildcard.h"
#include "platform/Memory.h"
#include "platform/Paths.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace zumi {

namespace {

// The row count from which a listing shows that it is busy.
constexpr size_t BusyRowCount = 101;
// Names from which a folder's buffers are worth giving back when it is left.
constexpr size_t LargeFolder = 100000;
// Names from which a follow reads the folder whole on a thread of its own: a
// read of fewer takes a millisecond or two, while a million take half a second.
constexpr size_t ReadAsideFrom = 4096;
// The memory the pieces' matches kept with the names may take: each costs a
// bit a name (125 KB at a million, so some 128 pieces there), so that a mask
// of thousands of pieces cannot take gigabytes; a piece past it is matched
// afresh when the mask gains or loses it. The pieces used longest ago make
// way for new ones, so a piece typed and erased again finds its matches kept.
constexpr size_t KeptMatchesBytes = 16 << 20;
// Pieces whose matches are kept at most, however small the folder, so that
// hours of typing keep no more than a few hundred kilobytes of texts.
constexpr size_t KeptPieces = 1024;

// The mask's pieces, split at each ';'.
std::vector<std::string_view> PieceTexts(std::string_view mask) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    for (;;) {
        const size_t end = mask.find(';', start);
        pieces.push_back(mask.substr(start, end - start));
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

size_t MatchingPieces(const std::vector<WildcardPiece>& pieces, std::string_view name) {
    size_t count = 0;
    for (const WildcardPiece& piece : pieces)
        count += piece.Matches(name);
    return count;
}

} // namespace

FileList::FileList(const std::string& collationLocale)
    : m_Names(collationLocale, [this](Entries& fresh, const std::function<void()>& install) { Keep(fresh, install); }) {
}

FileList::~FileList() = default;

bool FileList::SetFolderPath(const std::string& path, bool reread, const BusyFn& busy, bool aside) {
    if (IsFolderPath(path))
        return false;
    m_Names.Move(path, reread, aside, Seen(busy));
    return true;
}

bool FileList::SetMask(const std::string& mask) {
    if (mask == m_Mask)
        return false;
    m_Mask = mask;
    return true;
}

bool FileList::SetFileType(TFileType fileType) {
    return m_Names.SetFileType(fileType);
}

void FileList::RereadFiles(const BusyFn& busy) {
    if (m_Names.ReadingAside() || m_Names.Follow(false, Seen(busy)) == FolderNames::Followed::ByName)
        Rematch(busy);
}

bool FileList::FollowDisk() {
    if (m_Names.ReadingAside())
        return true;
    const FolderNames::Followed followed = m_Names.Follow(m_Names.Kept().texts.size() >= ReadAsideFrom, {});
    if (followed == FolderNames::Followed::ByName)
        Rematch({});
    return followed == FolderNames::Followed::Aside;
}

FolderNames::SeenFn FileList::Seen(const BusyFn& busy) const {
    if (!busy)
        return {};
    std::vector<WildcardPiece> pieces;
    for (const std::string_view piece : PieceTexts(m_Mask))
        pieces.emplace_back(piece);
    return [pieces = std::move(pieces), busy, rows = size_t{0}](std::string_view name) mutable {
        if ((rows += MatchingPieces(pieces, name)) < BusyRowCount)
            return false;
        busy();
        return true;
    };
}

void FileList::Rematch(const BusyFn& busy) {
    Match(m_Names.Kept(), m_Counts, busy);
    m_Apply([&] { m_Rows.swap(m_SpareRows); });
}

void FileList::Keep(Entries& fresh, const std::function<void()>& install) {
    Counts counts;
    Match(fresh, counts, {});
    m_Apply([&] {
        install();
        std::swap(m_Counts, counts);
        m_Rows.swap(m_SpareRows);
    });
    // Leaving a large folder for a much smaller one gives its memory back to
    // the system: the buffers kept for the next match shrink to the new size.
    if (fresh.texts.size() > 4 * m_Names.Kept().texts.size() + LargeFolder) {
        fresh = Entries();
        counts = Counts();
        std::vector<uint32_t>().swap(m_SpareRows); // the old folder's rows
        m_Rows.shrink_to_fit();
        ReturnFreeMemory();
    }
}

// Makes m_SpareRows the rows of the mask's matches among the names: a name
// once per piece it matches, in sorted order. Calls busy as the 101st row is
// found. The buffers are reused, so that matching again after a keystroke or
// a change on disk does not fault in fresh memory.
void FileList::Match(const Entries& names, Counts& counts, const BusyFn& busy) {
    ++m_Matches;
    std::vector<std::string_view> pieces = PieceTexts(m_Mask);
    std::sort(pieces.begin(), pieces.end());
    Count(names, counts, pieces);
    std::vector<uint32_t>& rows = m_SpareRows;
    rows.clear();
    if (rows.capacity() < names.texts.size())
        rows.reserve(names.texts.size());
    for (const uint32_t i : names.order) {
        for (uint32_t n = counts.hits[i]; n > 0; --n) {
            rows.push_back(i);
            if (rows.size() == BusyRowCount && busy)
                busy();
        }
    }
}

// Brings each name's count of the pieces it matches up to the mask's pieces
// (sorted): names added since the last count are matched against the pieces
// counted then, and then only the pieces the mask lost or gained are matched
// against every name. A keystroke, which changes one piece, so costs one or
// two pieces' matching however many pieces the mask has.
void FileList::Count(const Entries& names, Counts& counts, const std::vector<std::string_view>& pieces) {
    const size_t from = counts.hits.size();
    counts.hits.resize(names.texts.size(), 0);
    PieceMatches spare;
    for (const std::string& text : counts.counted) {
        if (from == counts.hits.size())
            break; // no names added
        const auto kept = counts.matches.find(text);
        if (kept == counts.matches.end()) {
            spare = PieceMatches();
            spare.covered = from; // a piece not kept is matched against the added names alone
        }
        PieceMatches& piece = kept != counts.matches.end() ? kept->second : spare;
        Cover(piece, text, names);
        Add(counts, piece, from, 1);
    }
    std::vector<std::string_view> lost, gained;
    std::set_difference(counts.counted.begin(), counts.counted.end(), pieces.begin(), pieces.end(),
                        std::back_inserter(lost));
    std::set_difference(pieces.begin(), pieces.end(), counts.counted.begin(), counts.counted.end(),
                        std::back_inserter(gained));
    for (const std::string_view text : lost)
        Add(counts, Matches(names, counts, text, spare), 0, -1);
    for (const std::string_view text : gained)
        Add(counts, Matches(names, counts, text, spare), 0, 1);
    counts.counted.assign(pieces.begin(), pieces.end());
}

// The piece's matches over every name, kept with the names within the budget,
// in place of the piece used longest ago if need be (else made in spare, for
// this once), and marked as used now.
const FileList::PieceMatches& FileList::Matches(const Entries& names, Counts& counts, std::string_view text,
                                                PieceMatches& spare) const {
    auto found = counts.matches.find(text);
    const size_t bytes = (names.texts.size() + 63) / 64 * sizeof(uint64_t);
    const auto full = [&] {
        return counts.matches.size() + 1 > KeptPieces || (counts.matches.size() + 1) * bytes > KeptMatchesBytes;
    };
    if (found == counts.matches.end() && full()) {
        const auto oldest = std::min_element(counts.matches.begin(), counts.matches.end(),
                                             [](auto& a, auto& b) { return a.second.lastUsed < b.second.lastUsed; });
        if (oldest != counts.matches.end() && oldest->second.lastUsed < m_Matches)
            counts.matches.erase(oldest); // not a piece of the mask being matched now
    }
    if (found == counts.matches.end() && !full())
        found = counts.matches.emplace(text, PieceMatches()).first;
    PieceMatches& piece = found != counts.matches.end() ? found->second : (spare = PieceMatches());
    piece.lastUsed = m_Matches;
    Cover(piece, text, names);
    return piece;
}

// Adds step to the count of each name from `from` on that the piece matches.
void FileList::Add(Counts& counts, const PieceMatches& piece, size_t from, int step) {
    for (size_t word = from / 64; word < piece.bits.size(); ++word) {
        uint64_t bits = piece.bits[word] & (word == from / 64 ? ~uint64_t{0} << (from % 64) : ~uint64_t{0});
        for (; bits != 0; bits &= bits - 1)
            counts.hits[word * 64 + static_cast<size_t>(__builtin_ctzll(bits))] += static_cast<uint32_t>(step);
    }
}

// Extends a piece's matches over the names added since it last saw them.
void FileList::Cover(PieceMatches& piece, std::string_view text, const Entries& names) {
    const size_t count = names.texts.size();
    if (piece.covered == count)
        return;
    const WildcardPiece matcher(text);
    piece.bits.resize((count + 63) / 64);
    for (size_t i = piece.covered; i < count; ++i) {
        const std::string_view row = names.texts[i];
        if (matcher.Matches(names.folders[i] ? row.substr(1, row.size() - 2) : row))
            piece.bits[i / 64] |= uint64_t{1} << (i % 64);
    }
    piece.covered = count;
}

std::vector<std::string> FileList::Rows() const {
    std::vector<std::string> rows;
    rows.reserve(m_Rows.size());
    for (size_t row = 0; row < m_Rows.size(); ++row)
        rows.emplace_back(Row(row));
    return rows;
}

bool IsProgramName(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string_view extension = name.substr(dot);
    for (const char* program : {".exe", ".com", ".bat", ".pif"})
        if (NamesEqualIgnoringCase(extension, program))
            return true;
    return false;
}

std::string FileList::PathOf(size_t row) const {
    return JoinPath(FolderPath(), std::string(m_Names.Kept().texts[m_Rows.at(row)]));
}

} // namespace zumi
