#include "panes/FileList.h"

#include "panes/Wildcard.h"
#include "platform/FileSystemKinds.h"
#include "platform/FolderReading.h"
#include "platform/KeysAhead.h"
#include "platform/Memory.h"
#include "platform/Paths.h"
#include "platform/WorkingDirectory.h"

#include <algorithm>
#include <exception>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace zumi {

namespace {

// An entry with any of these is admitted only when the file type asks for it.
constexpr unsigned SpecialAttributes = ftHidden | ftSystem | ftVolumeID | ftDirectory;
// The bits an entry may have, as against ftNormal.
constexpr unsigned EntryAttributes = ftReadOnly | ftHidden | ftSystem | ftVolumeID | ftDirectory | ftArchive;
// The row count from which a listing shows that it is busy.
constexpr size_t BusyRowCount = 101;
// Following the watch's news costs, per changed name, a stat and two binary
// searches that make a sort key at each step (some forty keys in a million
// names), where a whole read makes one key per entry: past one changed name
// in sixteen, a whole read is about as quick and sheds removed names too.
constexpr size_t FollowOneIn = 16;
// Following this many names holds the window for a few tens of milliseconds
// (some 8 µs each in a million names); past them the folder is read whole,
// which for a large folder runs aside and leaves the window free.
constexpr size_t FollowAtMost = 4096;
// A removed name's bytes stay in the kept texts until a whole read; once they
// outnumber the kept names by more than this, a whole read sheds them. The
// margin keeps a small folder from being read whole at every few changes.
constexpr size_t RemovedSlack = 1024;
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

// A whole read of the folder on a thread of its own, so that the list's thread
// stays free while a large folder is read. From the thread's start until it
// ends, the thread alone touches the reader, the watch, the names and the
// failure, and reads the list's file type and collation, which the list's
// thread leaves as they are: every call that would change them, or needs the
// names, first finishes or drops the read. The list's thread takes everything
// back after join(); the thread writes the list's eventfd as its last step.
// The list's thread may set `dropped` at any time, and the reader then stops
// at its next entry; the list's thread still joins the thread before anything else.
struct FileList::ReadAside {
    std::atomic<bool> dropped{false};
    FolderWatch watch;
    std::unique_ptr<FolderReader> reader;
    Names names;
    std::exception_ptr failure;
    std::thread thread;
};

FileList::FileList(const std::string& collationLocale)
    : m_Collation(collationLocale), m_FolderPath(CurrentDirectoryOrRoot()),
      m_ReadAsideDone(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

FileList::~FileList() {
    DropReadAside();
    if (m_ReadAsideDone >= 0)
        close(m_ReadAsideDone);
}

bool FileList::IsFolderPath(const std::string& path) const {
    return path == m_FolderPath || (VolumeIgnoresCase(m_FolderPath) && NamesEqualIgnoringCase(path, m_FolderPath));
}

bool FileList::SetFolderPath(const std::string& path, bool reread, const BusyFn& busy, bool aside) {
    if (IsFolderPath(path))
        return false;
    DropReadAside(); // of the folder being left
    // The names and the watch stay the old folder's until the new one is entered and read.
    FolderWatch watch;
    Names names;
    const EnteredFolder folder = EnterFolder(path, m_FolderPath);
    // Opened here, so that a folder this user may not read is refused before anything changes.
    std::unique_ptr<FolderReader> reader;
    if (reread && aside)
        reader = std::make_unique<FolderReader>(folder.Descriptor(), (m_FileType & ftReadOnly) != 0);
    else if (reread)
        names = ReadNames(folder, watch, busy);
    m_FolderPath = folder.Path();
    m_Watch = std::move(watch); // unread, the new folder is watched from its first read on
    m_NamesCurrent = false;
    if (!reread)
        return true;
    Keep(names); // none yet when the read runs aside: nothing of the old folder may pass for the new one's
    m_NamesCurrent = !reader;
    if (reader && !StartReadAside(std::move(reader))) {
        FolderWatch inPlace;
        names = ReadNames(folder, inPlace, busy);
        m_Watch = std::move(inPlace);
        Keep(names);
    }
    return true;
}

bool FileList::SetMask(const std::string& mask) {
    if (mask == m_Mask)
        return false;
    m_Mask = mask;
    return true;
}

bool FileList::SetFileType(TFileType fileType) {
    if (fileType == m_FileType)
        return false;
    DropReadAside(); // it admits entries by the old type
    m_FileType = fileType;
    m_NamesCurrent = false;
    return true;
}

void FileList::RereadFiles(const BusyFn& busy) {
    if (!m_ReadAside)
        return static_cast<void>(Follow(busy, false));
    Match(m_Names, busy);
    m_Apply([&] { m_Rows.swap(m_SpareRows); }, m_SpareRows.size() == m_Rows.size());
}

bool FileList::FollowDisk() {
    return m_ReadAside || Follow({}, m_Names.texts.size() >= ReadAsideFrom);
}

bool FileList::Follow(const BusyFn& busy, bool aside) {
    const EnteredFolder folder = EnterFolder(m_FolderPath);
    ReadWatchEvents();
    if (m_NamesCurrent && !m_Changed.empty()) {
        m_NamesCurrent = false; // until they follow: a failure part-way leaves them to a whole read
        m_NamesCurrent = FollowEntries(folder.Descriptor());
    }
    if (!m_NamesCurrent && aside &&
        StartReadAside(std::make_unique<FolderReader>(folder.Descriptor(), (m_FileType & ftReadOnly) != 0)))
        return true;
    if (!m_NamesCurrent) {
        FolderWatch watch;
        Names names = ReadNames(folder, watch, busy);
        m_Watch = std::move(watch);
        Keep(names);
        return false;
    }
    Match(m_Names, busy);
    m_Apply([&] { m_Rows.swap(m_SpareRows); }, m_SpareRows.size() == m_Rows.size());
    return false;
}

// False when no thread can be had, and the caller reads the folder itself.
bool FileList::StartReadAside(std::unique_ptr<FolderReader> reader) {
    if (m_ReadAsideDone < 0)
        return false;
    auto aside = std::make_unique<ReadAside>();
    aside->watch.Watch(m_FolderPath, (m_FileType & ftReadOnly) != 0);
    aside->reader = std::move(reader);
    aside->reader->StopOn(&aside->dropped);
    try {
        aside->thread = std::thread([this, job = aside.get()] {
            try {
                job->names = ReadEntries(*job->reader, job->watch, {});
            } catch (...) {
                job->failure = std::current_exception();
            }
            const uint64_t ended = 1;
            [[maybe_unused]] const ssize_t written = write(m_ReadAsideDone, &ended, sizeof ended); // never full
        });
    } catch (const std::system_error&) {
        return false;
    }
    m_ReadAside = std::move(aside);
    return true;
}

void FileList::FinishReadAside() {
    const std::unique_ptr<ReadAside> aside = JoinReadAside();
    if (!aside)
        return;
    if (aside->failure)
        std::rethrow_exception(aside->failure);
    m_Watch = std::move(aside->watch);
    Keep(aside->names);
}

std::unique_ptr<FileList::ReadAside> FileList::JoinReadAside() {
    if (!m_ReadAside)
        return nullptr;
    m_ReadAside->thread.join();
    uint64_t ended;
    [[maybe_unused]] const ssize_t drained = read(m_ReadAsideDone, &ended, sizeof ended); // the thread's one write
    return std::move(m_ReadAside);
}

void FileList::DropReadAside() {
    if (m_ReadAside)
        m_ReadAside->dropped = true;
    JoinReadAside();
}

bool FileList::ReadWatchEvents() {
    FolderNews news = m_Watch.Read();
    if (news.lost || news.ended)
        m_NamesCurrent = false;
    if (!m_NamesCurrent)
        m_Changed.clear(); // the whole folder is read again anyway
    else
        for (FolderNews::Entry& entry : news.entries)
            m_Changed.push_back(std::move(entry.name));
    if (m_NamesCurrent && news.linkTargets)
        m_Changed.insert(m_Changed.end(), m_Names.links.begin(), m_Names.links.end());
    return !m_NamesCurrent || !m_Changed.empty();
}

// Each entry the watch named leaves the names if it was among them, and comes
// back in its sorted place if it still exists and is admitted. A name removed
// keeps its bytes in the packed texts until the next whole read. Every link is
// looked up again too: its target's change is named under the target's name,
// or not at all when it lives elsewhere.
bool FileList::FollowEntries(int folder) {
    // Each name the watch gave, and every link, once; a whole read costs less past a share of the folder.
    m_Changed.insert(m_Changed.end(), m_Names.links.begin(), m_Names.links.end());
    std::sort(m_Changed.begin(), m_Changed.end());
    m_Changed.erase(std::unique(m_Changed.begin(), m_Changed.end()), m_Changed.end());
    const std::vector<std::string> changed = std::move(m_Changed);
    m_Changed.clear();
    const size_t kept = m_Names.order.size();
    const size_t removed = m_Names.texts.size() - kept;
    if (FollowOneIn * changed.size() > kept || changed.size() > FollowAtMost || removed > kept + RemovedSlack)
        return false;
    DropNames(changed);                           // the order holds only names the watch did not name
    Names added = LookUpEntries(folder, changed); // the named entries there now and admitted, sorted, and the links
    MergeNames(added);                            // the order holds every admitted entry again
    m_Names.links = std::move(added.links);       // every link was looked up: these are the folder's links now
    m_Watch.WatchLinkTargets(m_Names.links);
    return true;
}

// Takes out of the order every name the watch named, so that it holds only
// names whose entries have not changed since they were read.
void FileList::DropNames(const std::vector<std::string>& changed) {
    std::vector<uint32_t>& order = m_Names.order;
    std::vector<bool> gone(order.size());
    std::string bracketed;
    const bool foldersListed = Admits(ftDirectory);
    for (const std::string& name : changed) {
        for (const bool folder : {false, true}) {
            if (folder && !foldersListed)
                continue;
            const std::string_view text = RowText(name, folder, bracketed);
            const size_t at = m_Collation.LowerBound(m_Names.texts, order, text);
            if (at < order.size() && m_Names.texts[order[at]] == text)
                gone[at] = true;
        }
    }
    size_t kept = 0;
    for (size_t at = 0; at < order.size(); ++at)
        if (!gone[at])
            order[kept++] = order[at];
    order.resize(kept);
}

// The named entries that exist now and are admitted, and their order; and
// which of the names are links, admitted or not.
FileList::Names FileList::LookUpEntries(int folder, const std::vector<std::string>& changed) const {
    Names found;
    std::string bracketed;
    const FolderReader entries(folder, (m_FileType & ftReadOnly) != 0);
    for (const std::string& name : changed) {
        unsigned attributes;
        bool link = false;
        if (!entries.Entry(name, attributes, &link))
            continue;
        if (link)
            found.links.push_back(name);
        if (Admits(attributes)) {
            found.folders.push_back((attributes & ftDirectory) != 0);
            found.texts.push_back(RowText(name, found.folders.back(), bracketed));
        }
    }
    found.order = m_Collation.Order(found.texts);
    return found;
}

// Adds the names to the kept ones, each in its sorted place, so that the order
// again holds every admitted entry. The order is merged in place from the back.
void FileList::MergeNames(const Names& added) {
    std::vector<uint32_t>& order = m_Names.order;
    std::vector<size_t> places(added.order.size());
    for (size_t j = 0; j < places.size(); ++j)
        places[j] = m_Collation.LowerBound(m_Names.texts, order, added.texts[added.order[j]]);
    const size_t first = m_Names.texts.size();
    for (const uint32_t a : added.order) {
        m_Names.texts.push_back(added.texts[a]);
        m_Names.folders.push_back(added.folders[a]);
    }
    size_t read = order.size();
    order.resize(order.size() + places.size());
    size_t write = order.size();
    for (size_t j = places.size(); j-- > 0;) {
        std::move_backward(order.begin() + places[j], order.begin() + read, order.begin() + write);
        write -= read - places[j];
        read = places[j];
        order[--write] = static_cast<uint32_t>(first + j);
    }
}

bool FileList::Admits(unsigned attributes) const {
    const unsigned word = m_FileType & EntryAttributes;
    return (attributes & ~word & SpecialAttributes) == 0 && ((m_FileType & ftNormal) != 0 || (attributes & word) != 0);
}

std::string_view FileList::RowText(std::string_view name, bool folder, std::string& bracketed) {
    if (!folder)
        return name;
    bracketed = "[";
    (bracketed += name) += ']';
    return bracketed;
}

void FileList::Keep(Names& names) {
    m_Changed.clear();
    Match(names, {});
    m_Apply(
        [&] {
            std::swap(m_Names, names);
            m_Rows.swap(m_SpareRows);
        },
        m_SpareRows.size() == m_Rows.size());
    m_NamesCurrent = true;
    // Leaving a large folder for a much smaller one gives its memory back to
    // the system: the buffers kept for the next match shrink to the new size.
    if (names.texts.size() > 4 * m_Names.texts.size() + LargeFolder) {
        names = Names();
        std::vector<uint32_t>().swap(m_SpareRows); // the old folder's rows
        m_Rows.shrink_to_fit();
        ReturnFreeMemory();
    }
}

// Reads the folder, setting the watch on it first so that no change made
// during the read goes unseen; the caller keeps the watch with the names only
// when the read succeeds. Keeps the admitted entries and the order they sort
// in. Calls busy once the entries read so far would make a 101st row.
FileList::Names FileList::ReadNames(const EnteredFolder& folder, FolderWatch& watch, const BusyFn& busy) {
    // Attributes matter only where the file type sets read-only files apart.
    const bool readOnly = (m_FileType & ftReadOnly) != 0;
    watch.Watch(folder.Path(), readOnly);
    FolderReader reader(folder.Descriptor(), readOnly);
    return ReadEntries(reader, watch, busy);
}

FileList::Names FileList::ReadEntries(FolderReader& reader, FolderWatch& watch, const BusyFn& busy) const {
    std::vector<WildcardPiece> pieces;
    for (const std::string_view piece : busy ? PieceTexts(m_Mask) : std::vector<std::string_view>())
        pieces.emplace_back(piece);
    Names read;
    size_t rows = 0;
    std::string bracketed;
    // A large folder's names are keyed for the sort on a second thread while
    // the rest are still being read.
    Collation::KeysAhead ahead(m_Collation);
    std::string_view name;
    unsigned attributes;
    while (reader.Next(name, attributes)) {
        if (!Admits(attributes))
            continue;
        const bool folder = (attributes & ftDirectory) != 0;
        ahead.Add(RowText(name, folder, bracketed));
        read.folders.push_back(folder);
        if (busy && rows < BusyRowCount && (rows += MatchingPieces(pieces, name)) >= BusyRowCount)
            busy();
    }
    if (reader.Stopped())
        return Names();
    std::vector<BlockKeys> keys;
    read.texts = ahead.Finish(keys);
    read.order = m_Collation.Order(read.texts, std::move(keys));
    read.links = reader.Links();
    read.folder = reader.Identity();
    watch.WatchLinkTargets(read.links);
    return read;
}

// Makes m_SpareRows the rows of the mask's matches among the names: a name
// once per piece it matches, in sorted order. Calls busy as the 101st row is
// found. The buffers are reused, so that matching again after a keystroke or
// a change on disk does not fault in fresh memory.
void FileList::Match(Names& names, const BusyFn& busy) {
    ++m_Matches;
    std::vector<std::string_view> pieces = PieceTexts(m_Mask);
    std::sort(pieces.begin(), pieces.end());
    Count(names, pieces);
    std::vector<uint32_t>& rows = m_SpareRows;
    rows.clear();
    if (rows.capacity() < names.texts.size())
        rows.reserve(names.texts.size());
    for (const uint32_t i : names.order) {
        for (uint32_t n = names.hits[i]; n > 0; --n) {
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
void FileList::Count(Names& names, const std::vector<std::string_view>& pieces) {
    const size_t from = names.hits.size();
    names.hits.resize(names.texts.size(), 0);
    PieceMatches spare;
    for (const std::string& text : names.counted) {
        if (from == names.hits.size())
            break; // no names added
        const auto kept = names.matches.find(text);
        if (kept == names.matches.end()) {
            spare = PieceMatches();
            spare.covered = from; // a piece not kept is matched against the added names alone
        }
        PieceMatches& piece = kept != names.matches.end() ? kept->second : spare;
        Cover(piece, text, names);
        Add(names, piece, from, 1);
    }
    std::vector<std::string_view> lost, gained;
    std::set_difference(names.counted.begin(), names.counted.end(), pieces.begin(), pieces.end(),
                        std::back_inserter(lost));
    std::set_difference(pieces.begin(), pieces.end(), names.counted.begin(), names.counted.end(),
                        std::back_inserter(gained));
    for (const std::string_view text : lost)
        Add(names, Matches(names, text, spare), 0, -1);
    for (const std::string_view text : gained)
        Add(names, Matches(names, text, spare), 0, 1);
    names.counted.assign(pieces.begin(), pieces.end());
}

// The piece's matches over every name, kept with the names within the budget,
// in place of the piece used longest ago if need be (else made in spare, for
// this once), and marked as used now.
const FileList::PieceMatches& FileList::Matches(Names& names, std::string_view text, PieceMatches& spare) const {
    auto found = names.matches.find(text);
    const size_t bytes = (names.texts.size() + 63) / 64 * sizeof(uint64_t);
    const auto full = [&] {
        return names.matches.size() + 1 > KeptPieces || (names.matches.size() + 1) * bytes > KeptMatchesBytes;
    };
    if (found == names.matches.end() && full()) {
        const auto oldest = std::min_element(names.matches.begin(), names.matches.end(),
                                             [](auto& a, auto& b) { return a.second.lastUsed < b.second.lastUsed; });
        if (oldest != names.matches.end() && oldest->second.lastUsed < m_Matches)
            names.matches.erase(oldest); // not a piece of the mask being matched now
    }
    if (found == names.matches.end() && !full())
        found = names.matches.emplace(text, PieceMatches()).first;
    PieceMatches& piece = found != names.matches.end() ? found->second : (spare = PieceMatches());
    piece.lastUsed = m_Matches;
    Cover(piece, text, names);
    return piece;
}

// Adds step to the count of each name from `from` on that the piece matches.
void FileList::Add(Names& names, const PieceMatches& piece, size_t from, int step) {
    for (size_t word = from / 64; word < piece.bits.size(); ++word) {
        uint64_t bits = piece.bits[word] & (word == from / 64 ? ~uint64_t{0} << (from % 64) : ~uint64_t{0});
        for (; bits != 0; bits &= bits - 1)
            names.hits[word * 64 + static_cast<size_t>(__builtin_ctzll(bits))] += static_cast<uint32_t>(step);
    }
}

// Extends a piece's matches over the names added since it last saw them.
void FileList::Cover(PieceMatches& piece, std::string_view text, const Names& names) {
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
    return JoinPath(m_FolderPath, std::string(m_Names.texts[m_Rows.at(row)]));
}

} // namespace zumi
