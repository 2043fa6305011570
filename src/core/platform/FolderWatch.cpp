#include "platform/FolderWatch.h"

#include "platform/FileSystemKinds.h"
#include "platform/Paths.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace zumi {

namespace {

// Folders watched for links' targets at most: each costs a kernel watch, of
// which a user has some thousands. Past these, a link's target elsewhere is
// seen at the next whole read.
constexpr size_t MaxTargetWatches = 256;
// As many links in a row as the kernel follows in one path.
constexpr int MaxLinks = 40;
// Entries made, removed, or renamed in or out.
constexpr uint32_t EntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

// How many more watches the kernel is taken to grant; below zero, as many as
// it does. Any thread that sets watches reads it (the read aside sets its link
// targets' watches), so it is atomic; only a test changes it.
std::atomic<int> watchesLeft{-1};

int AddWatch(int descriptor, const char* path, uint32_t events) {
    if (watchesLeft.load() == 0) {
        errno = ENOSPC;
        return -1;
    }
    const int watch = inotify_add_watch(descriptor, path, events);
    if (watch >= 0 && watchesLeft.load() > 0)
        --watchesLeft;
    return watch;
}

} // namespace

void FolderWatch::LimitWatches(int count) {
    watchesLeft = count;
}

FolderWatch::Identity FolderWatch::IdentityAt(const std::string& path) {
    struct statx st;
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_INO | STATX_TYPE | STATX_MNT_ID, &st) != 0 || !S_ISDIR(st.stx_mode))
        return {};
    return {makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino, st.stx_mnt_id};
}

FolderWatch::Stamp FolderWatch::StampAt(const std::string& path) {
    struct statx st;
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_CTIME | STATX_MTIME, &st) != 0)
        return {};
    // File times move in the kernel's coarse clock ticks (a few milliseconds);
    // a second is ample, even for the coarsest network file system's times.
    const bool settled = time(nullptr) - st.stx_mtime.tv_sec > 1 && time(nullptr) - st.stx_ctime.tv_sec > 1;
    return {{st.stx_ctime.tv_sec, st.stx_ctime.tv_nsec, st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec}, settled};
}

FolderWatch::~FolderWatch() {
    Stop();
}

FolderWatch& FolderWatch::operator=(FolderWatch&& other) noexcept {
    std::swap(m_Descriptor, other.m_Descriptor);
    std::swap(m_ParentWatch, other.m_ParentWatch);
    std::swap(m_FolderWatch, other.m_FolderWatch);
    m_TargetNames.swap(other.m_TargetNames);
    std::swap(m_TargetsUnwatched, other.m_TargetsUnwatched);
    std::swap(m_Identity, other.m_Identity);
    std::swap(m_Stamp, other.m_Stamp);
    std::swap(m_AllWatched, other.m_AllWatched);
    m_Path.swap(other.m_Path);
    m_Name.swap(other.m_Name);
    return *this;
}

void FolderWatch::Watch(const std::string& folder, bool entryAttributes) {
    Stop();
    // Taken before any watch, so that a change from here on is seen by the watch or by a poll.
    m_Path = folder;
    m_Identity = IdentityAt(folder);
    m_Stamp = StampAt(folder);
    const ChangesSeen seen = ChangesSeenOn(folder);
    if (seen == ChangesSeen::NotAll)
        return;
    const int descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0)
        return;
    const uint32_t events = EntryEvents | IN_DELETE_SELF | IN_MOVE_SELF | (entryAttributes ? IN_ATTRIB : 0);
    m_FolderWatch = AddWatch(descriptor, folder.c_str(), events);
    if (m_FolderWatch < 0) {
        close(descriptor);
        return;
    }
    m_Descriptor = descriptor;
    // The folders above, each for its own move or removal; the parent also
    // for the folder's name, and for its attributes (it may no longer be readable).
    const size_t end = folder.find_last_not_of('/');
    const size_t slash = end == std::string::npos ? std::string::npos : folder.rfind('/', end);
    m_AllWatched = seen == ChangesSeen::All;
    if (slash == std::string::npos)
        return;
    m_Name = folder.substr(slash + 1, end - slash);
    const uint32_t self = IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR;
    m_ParentWatch = AddWatch(descriptor, slash == 0 ? "/" : folder.substr(0, slash).c_str(),
                             self | IN_DELETE | IN_MOVED_FROM | IN_ATTRIB);
    m_AllWatched = m_AllWatched && m_ParentWatch >= 0;
    for (size_t above = slash; above != std::string::npos && above > 0;) {
        above = folder.rfind('/', above - 1);
        if (above != std::string::npos && above > 0)
            m_AllWatched = AddWatch(descriptor, folder.substr(0, above).c_str(), self) >= 0 && m_AllWatched;
    }
}

void FolderWatch::WatchLinkTargets(const std::vector<std::string>& links) {
    if (m_Descriptor < 0)
        return;
    // The folders on the ways walked so far, and their watches; the folder's own tells of its entries already.
    std::map<std::string, int> watched{{m_Path, m_FolderWatch}};
    for (const std::string& link : links)
        if (!WatchWayTo(link, watched))
            break;
}

// Walks from the link to what it names in the end, through every link on the
// way, as the kernel would, watching each folder passed for the name the way
// takes there: a rename, move or removal of any folder above a target, or of
// any link of a chain, is then an event. False once the watches allowed are taken.
bool FolderWatch::WatchWayTo(const std::string& link, std::map<std::string, int>& watched) {
    std::string folder = m_Path;
    std::vector<std::string> names{link}; // what is left to look up, the next name last
    for (int links = 0; !names.empty();) {
        const std::string name = std::move(names.back());
        names.pop_back();
        if (name == "..") {
            folder = SplitFileName(folder).first;
            continue;
        }
        auto [at, added] = watched.emplace(folder, -1);
        if (added) {
            if (m_TargetNames.size() >= MaxTargetWatches)
                return false;
            // Added to, not in place of, what a watch there already asks for: it may be an ancestor's.
            at->second = AddWatch(m_Descriptor, folder.c_str(), EntryEvents | IN_MASK_ADD);
            m_TargetsUnwatched = m_TargetsUnwatched || (at->second < 0 && errno == ENOSPC);
        }
        if (at->second >= 0 && at->second != m_FolderWatch)
            m_TargetNames[at->second].insert(name);
        const std::string path = JoinPath(folder, name);
        if (!names.empty() && watched.count(path) > 0) {
            folder = path; // a folder an earlier way went into
            continue;
        }
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length > 0 && static_cast<size_t>(length) < sizeof target) {
            if (++links > MaxLinks)
                return true;
            if (target[0] == '/')
                folder = "/";
            PushNames(names, std::string_view(target, static_cast<size_t>(length)));
            continue;
        }
        // Not a link: the end of the way, or a folder on it. Else it is a file
        // where a folder was wanted, or nothing yet, whose coming is an event
        // in the folder watched.
        struct stat st;
        if (names.empty() || lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return true;
        folder = path;
    }
    return true;
}

void FolderWatch::Stop() {
    if (m_Descriptor >= 0)
        close(m_Descriptor);
    m_Descriptor = -1;
    m_Path.clear();
    m_AllWatched = false;
    m_ParentWatch = -1;
    m_FolderWatch = -1;
    m_TargetNames.clear();
    m_TargetsUnwatched = false;
}

FolderNews FolderWatch::Read() {
    FolderNews news;
    news.lost = m_Path.empty();
    alignas(inotify_event) char buffer[16 * 1024];
    while (m_Descriptor >= 0) {
        const ssize_t got = read(m_Descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            break;
        if (got <= 0) {
            // The events can no longer be read: say so once, then watch nothing.
            Stop();
            news.lost = true;
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const bool named = event->len > 0;
            if (event->mask & IN_Q_OVERFLOW) {
                news.lost = true;
            } else if (event->wd == m_FolderWatch) {
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED))
                    news.ended = true;
                else if (named)
                    news.entries.push_back({event->name, (event->mask & IN_ISDIR) != 0});
                else // a lost-events mark, or the folder's own attributes changed
                    news.lost = true;
            } else if (event->wd == m_ParentWatch && named && event->name == m_Name) {
                // The folder's own change of attributes (it may no longer be readable), removal or move.
                (event->mask & IN_ATTRIB ? news.lost : news.ended) = true;
            } else if (const auto target = m_TargetNames.find(event->wd);
                       named && target != m_TargetNames.end() && target->second.count(event->name) > 0) {
                news.linkTargets = true;
            }
            // Else a folder above moved or removed: seen below as the path naming another folder.
        }
        if (news.ended)
            Stop();
    }
    // What no event tells of: the path naming another folder now, and where
    // the watches do not see every change, a move of the folder's own times.
    if (!m_Path.empty() && IdentityAt(m_Path) != m_Identity) {
        news.ended = true;
        Stop();
    } else if (!m_Path.empty() && !m_AllWatched) {
        const Stamp stamp = StampAt(m_Path);
        news.lost = news.lost || stamp.times != m_Stamp.times || !m_Stamp.settled;
        m_Stamp = stamp;
    }
    news.linkTargets = news.linkTargets || m_TargetsUnwatched;
    return news;
}

} // namespace zumi
