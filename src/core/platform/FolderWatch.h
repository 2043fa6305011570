#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace zumi {

// What a folder watch has seen since it was set or last read.
struct FolderNews {
    // Entries created, deleted, renamed in or out, or with changed attributes,
    // by name, each as often as it was reported; folder is set for subfolders.
    struct Entry {
        std::string name;
        bool folder;
    };
    std::vector<Entry> entries;
    // Something on the way from a link here to its target changed
    // (WatchLinkTargets), or that way is polled for want of watches: the links
    // may point to something else, or nothing, now.
    bool linkTargets = false;
    // Anything may have changed: events were lost (the kernel's queue
    // overflowed), the folder's own attributes changed, or it is not watched.
    bool lost = false;
    // The folder is no longer at its path: it or a folder above was removed or
    // moved, or a volume was mounted over it or unmounted under it. The path
    // may name another folder now. The watch is over.
    bool ended = false;

    bool Quiet() const { return entries.empty() && !linkTargets && !lost && !ended; }
};

// A watch on one folder's entries, so that what was read of it can be kept
// and brought up to date as it changes. Nothing runs in the background: the
// owner polls Descriptor() for reading and then calls Read(). Every folder
// above it is watched too, and each Read checks that the path still names the
// folder watched (device, inode and mount), so that a renamed ancestor, a
// mount over the folder or the path made again end the watch. A mount makes
// no event here: whoever learns of it (the mount table's watch) calls Read.
class FolderWatch {
public:
    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    // Takes the other's watch over, so that a watch set before a read is kept only when the read succeeds.
    FolderWatch& operator=(FolderWatch&& other) noexcept;

    // Watches the folder instead of any other; set it before reading the folder,
    // so that no change between the read and the watch goes unseen. Changes
    // to the entries' attributes are seen only when asked for: the kernel then
    // marks every entry it holds in memory, which in a folder of a million
    // files just written costs a good part of reading it. Changes to the
    // folder's own attributes are always seen, as lost news.
    void Watch(const std::string& folder, bool entryAttributes = false);
    // Watches, besides, the way from each of these links in the folder to its
    // final target, through any chain of links: every folder passed, for the
    // name the way takes there, so that a link's row follows its target's
    // coming and going and a rename, move or removal of any folder above it.
    void WatchLinkTargets(const std::vector<std::string>& links);
    // Watches nothing.
    void Stop();

    bool Watching() const { return m_Descriptor >= 0; }
    // The descriptor that becomes readable when an event is pending; -1 when not watching.
    int Descriptor() const { return m_Descriptor; }
    // Whether the owner must call Read now and then, as no event would tell of
    // every change: the folder's volume does not report changes made elsewhere
    // (network, FUSE) or is of a kind not known to, or the kernel's watches ran
    // out for it, a folder above or the way to a link's target.
    bool NeedsPolling() const { return !m_Path.empty() && (m_Descriptor < 0 || !m_AllWatched || m_TargetsUnwatched); }

    // The kernel's limit on a user's watches cannot be reached for a test
    // without taking the whole machine's: this stands in for it, granting
    // count more watches from now on (below zero: as many as the kernel does).
    static void LimitWatches(int count);

    // Reads every pending event without blocking, and checks that the path
    // still names the folder set (else the news is ended). Where the watches
    // do not see every change (NeedsPolling), the folder's own times tell
    // whether an entry was made, removed or renamed since the last look (news
    // lost, to be read whole), and links whose ways are not all watched are
    // always news. With nothing set, the news is lost.
    FolderNews Read();

private:
    // Device, inode and mount: what tells a folder from another at the same path.
    using Identity = std::tuple<uint64_t, uint64_t, uint64_t>;
    // The identity of the folder the path names now; all zero when it names none.
    static Identity IdentityAt(const std::string& path);
    // The folder's change and modification times, to the nanosecond, and whether
    // they are old enough that a change in the same clock tick would have moved them.
    struct Stamp {
        std::tuple<int64_t, uint32_t, int64_t, uint32_t> times;
        bool settled = false;
    };
    static Stamp StampAt(const std::string& path);
    bool WatchWayTo(const std::string& link, std::map<std::string, int>& watched);

    int m_Descriptor = -1;
    int m_FolderWatch = -1;
    // Each folder watched on the way from a link to its target, with the names the ways take there.
    std::map<int, std::set<std::string>> m_TargetNames;
    bool m_TargetsUnwatched = false; // the watches ran out before every way was watched
    std::string m_Path;              // the folder set, watched or polled; empty when nothing is
    Identity m_Identity;
    Stamp m_Stamp;             // as the folder was at the last look, for polling
    bool m_AllWatched = false; // the folder and every folder above have their watches, on a volume that reports all
    // The parent is watched for the folder's own name: a folder that is some
    // process's working directory (this one's, as a rule) reports its own
    // removal only once nothing uses it, and there its attributes are seen
    // without marking its entries.
    int m_ParentWatch = -1;
    std::string m_Name;
};

} // namespace zumi
