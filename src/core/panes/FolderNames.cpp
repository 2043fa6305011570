#include "panes/FolderNames.h"

#include "panes/Wildcard.h"
#include "platform/FileSystemKinds.h"
#include "platform/KeysAhead.h"
#include "platform/Paths.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace zumi {

namespace {

// An entry with any of these is admitted only when the file type asks for it.
constexpr unsigned SpecialAttributes = ftHidden | ftSystem | ftVolumeID | ftDirectory;
// The bits an entry may have, as against ftNormal.
constexpr unsigned EntryAttributes = ftReadOnly | ftHidden | ftSystem | ftVolumeID | ftDirectory | ftArchive;
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

// The text of an entry's row: "[name]" for a folder, made in `bracketed`.
std::string_view RowText(std::string_view name, bool folder, std::string& bracketed) {
    if (!folder)
        return name;
    bracketed = "[";
    (bracketed += name) += ']';
    return bracketed;
}

} // namespace

// A whole read of the folder run by m_Work (see WorkAside for who owns what
// when): the job reads with the reader and the watch given, the file type and
// the collation, which the owner's thread leaves as they are (every call that
// would change them first drops the read), and fills the entries or the failure.
struct FolderNames::ReadAside {
    FolderWatch watch;
    std::unique_ptr<FolderReader> reader;
    Entries entries;
    std::exception_ptr failure;
};

FolderNames::FolderNames(const std::string& collationLocale, KeepFn keep)
    : m_Collation(collationLocale), m_Keep(std::move(keep)), m_Path(CurrentDirectoryOrRoot()) {}

FolderNames::~FolderNames() {
    DropReadAside();
}

bool FolderNames::IsPath(const std::string& path) const {
    return path == m_Path || (VolumeIgnoresCase(m_Path) && NamesEqualIgnoringCase(path, m_Path));
}

bool FolderNames::SetFileType(TFileType fileType) {
    if (fileType == m_FileType)
        return false;
    DropReadAside(); // it admits entries by the old type
    m_FileType = fileType;
    m_Current = false;
    return true;
}

void FolderNames::Move(const std::string& path, bool read, bool aside, const SeenFn& seen) {
    // The entries and the watch stay the old folder's until the new one is entered and read.
    FolderWatch watch;
    Entries fresh;
    const EnteredFolder folder = EnterFolder(path, m_Path);
    // Opened first, so that a folder this user may not read is refused before anything changes.
    std::unique_ptr<FolderReader> reader = read ? Reader(folder.Descriptor()) : nullptr;
    DropReadAside(); // of the folder being left
    if (read && !aside) {
        watch.Watch(folder.Path(), (m_FileType & ftReadOnly) != 0);
        fresh = ReadEntries(*reader, watch, seen);
        reader.reset(); // read in place
    }
    m_Path = folder.Path();
    m_Current = false;
    if (!read) {
        m_Watch = std::move(watch); // none: the new folder is watched from its first read on
        return;
    }
    Keep(fresh, watch); // none yet when the read runs aside: nothing of the old folder may pass for the new one's
    if (!reader)
        return;
    m_Current = false;
    if (!StartReadAside(std::move(reader))) {
        FolderWatch inPlace;
        fresh = Read(folder, inPlace, seen);
        Keep(fresh, inPlace);
    }
}

FolderNames::Followed FolderNames::Follow(bool aside, const SeenFn& seen) {
    const EnteredFolder folder = EnterFolder(m_Path);
    ReadWatchEvents();
    if (m_Current && !m_Changed.empty()) {
        m_Current = false; // until they follow: a failure part-way leaves them to a whole read
        m_Current = FollowEntries(folder.Descriptor());
    }
    if (m_Current)
        return Followed::ByName;
    if (aside && StartReadAside(Reader(folder.Descriptor())))
        return Followed::Aside;
    FolderWatch watch;
    Entries fresh = Read(folder, watch, seen);
    Keep(fresh, watch);
    return Followed::Whole;
}

void FolderNames::Keep(Entries& fresh, FolderWatch& watch) {
    m_Watch = std::move(watch);
    m_Changed.clear();
    m_Keep(fresh, [&] { std::swap(m_Entries, fresh); });
    m_Current = true;
}

std::unique_ptr<FolderReader> FolderNames::Reader(int folder) const {
    // Attributes matter only where the file type sets read-only files apart.
    return std::make_unique<FolderReader>(folder, (m_FileType & ftReadOnly) != 0);
}

// False when no thread can be had, and the caller reads the folder itself.
bool FolderNames::StartReadAside(std::unique_ptr<FolderReader> reader) {
    auto aside = std::make_unique<ReadAside>();
    aside->watch.Watch(m_Path, (m_FileType & ftReadOnly) != 0);
    aside->reader = std::move(reader);
    aside->reader->StopOn(&m_Work.Stopping());
    const bool started = m_Work.Start([this, job = aside.get()] {
        try {
            job->entries = ReadEntries(*job->reader, job->watch, {});
        } catch (...) {
            job->failure = std::current_exception();
        }
    });
    if (started)
        m_ReadAside = std::move(aside);
    return started;
}

void FolderNames::FinishReadAside() {
    const std::unique_ptr<ReadAside> aside = JoinReadAside();
    if (!aside)
        return;
    if (aside->failure)
        std::rethrow_exception(aside->failure);
    Keep(aside->entries, aside->watch);
}

std::unique_ptr<FolderNames::ReadAside> FolderNames::JoinReadAside() {
    m_Work.Join();
    return std::move(m_ReadAside);
}

void FolderNames::DropReadAside() {
    m_Work.Stop();
    m_ReadAside.reset();
}

bool FolderNames::ReadWatchEvents() {
    FolderNews news = m_Watch.Read();
    if (news.lost || news.ended)
        m_Current = false;
    if (!m_Current)
        m_Changed.clear(); // the whole folder is read again anyway
    else
        for (FolderNews::Entry& entry : news.entries)
            m_Changed.push_back(std::move(entry.name));
    if (m_Current && news.linkTargets)
        m_Changed.insert(m_Changed.end(), m_Entries.links.begin(), m_Entries.links.end());
    return !m_Current || !m_Changed.empty();
}

// Each entry the watch named leaves the names if it was among them, and comes
// back in its sorted place if it still exists and is admitted. A name removed
// keeps its bytes in the packed texts until the next whole read. Every link is
// looked up again too: its target's change is named under the target's name,
// or not at all when it lives elsewhere.
bool FolderNames::FollowEntries(int folder) {
    // Each name the watch gave, and every link, once; a whole read costs less past a share of the folder.
    m_Changed.insert(m_Changed.end(), m_Entries.links.begin(), m_Entries.links.end());
    std::sort(m_Changed.begin(), m_Changed.end());
    m_Changed.erase(std::unique(m_Changed.begin(), m_Changed.end()), m_Changed.end());
    const std::vector<std::string> changed = std::move(m_Changed);
    m_Changed.clear();
    const size_t kept = m_Entries.order.size();
    const size_t removed = m_Entries.texts.size() - kept;
    if (FollowOneIn * changed.size() > kept || changed.size() > FollowAtMost || removed > kept + RemovedSlack)
        return false;
    DropNames(changed);                             // the order holds only names the watch did not name
    Entries added = LookUpEntries(folder, changed); // the named entries there now and admitted, sorted, and the links
    MergeNames(added);                              // the order holds every admitted entry again
    m_Entries.links = std::move(added.links);       // every link was looked up: these are the folder's links now
    m_Watch.WatchLinkTargets(m_Entries.links);
    return true;
}

// Takes out of the order every name the watch named, so that it holds only
// names whose entries have not changed since they were read.
void FolderNames::DropNames(const std::vector<std::string>& changed) {
    std::vector<uint32_t>& order = m_Entries.order;
    std::vector<bool> gone(order.size());
    std::string bracketed;
    const bool foldersListed = Admits(ftDirectory);
    for (const std::string& name : changed) {
        for (const bool folder : {false, true}) {
            if (folder && !foldersListed)
                continue;
            const std::string_view text = RowText(name, folder, bracketed);
            const size_t at = m_Collation.LowerBound(m_Entries.texts, order, text);
            if (at < order.size() && m_Entries.texts[order[at]] == text)
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
FolderNames::Entries FolderNames::LookUpEntries(int folder, const std::vector<std::string>& changed) const {
    Entries found;
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
void FolderNames::MergeNames(const Entries& added) {
    std::vector<uint32_t>& order = m_Entries.order;
    std::vector<size_t> places(added.order.size());
    for (size_t j = 0; j < places.size(); ++j)
        places[j] = m_Collation.LowerBound(m_Entries.texts, order, added.texts[added.order[j]]);
    const size_t first = m_Entries.texts.size();
    for (const uint32_t a : added.order) {
        m_Entries.texts.push_back(added.texts[a]);
        m_Entries.folders.push_back(added.folders[a]);
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

bool FolderNames::Admits(unsigned attributes) const {
    const unsigned word = m_FileType & EntryAttributes;
    return (attributes & ~word & SpecialAttributes) == 0 && ((m_FileType & ftNormal) != 0 || (attributes & word) != 0);
}

// Reads the folder, setting the watch on it first so that no change made
// during the read goes unseen; the caller keeps the watch with the entries
// only when the read succeeds.
FolderNames::Entries FolderNames::Read(const EnteredFolder& folder, FolderWatch& watch, const SeenFn& seen) const {
    watch.Watch(folder.Path(), (m_FileType & ftReadOnly) != 0);
    const std::unique_ptr<FolderReader> reader = Reader(folder.Descriptor());
    return ReadEntries(*reader, watch, seen);
}

FolderNames::Entries FolderNames::ReadEntries(FolderReader& reader, FolderWatch& watch, const SeenFn& seen) const {
    Entries read;
    bool telling = static_cast<bool>(seen);
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
        if (telling && seen(name))
            telling = false;
    }
    if (reader.Stopped())
        return Entries();
    std::vector<BlockKeys> keys;
    read.texts = ahead.Finish(keys);
    read.order = m_Collation.Order(read.texts, std::move(keys));
    read.links = reader.Links();
    read.folder = reader.Identity();
    watch.WatchLinkTargets(read.links);
    return read;
}

} // namespace zumi
