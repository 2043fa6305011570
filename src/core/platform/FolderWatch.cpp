#include "platform/FolderWatch.h"

#include <algorithm>
#include <cerrno>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zumi {

namespace {

// File systems whose changes made elsewhere (another client, the server, a
// FUSE daemon) never reach inotify: a watch there would claim a stale listing
// is current.
constexpr unsigned long UnwatchableVolumes[] = {
    0x6969,     // NFS
    0x517B,     // SMB
    0xFF534D42, // CIFS
    0xFE534D42, // SMB2/3
    0x65735546, // FUSE
    0x01021997, // 9p
    0x5346414F, // AFS (OpenAFS)
    0x6B414653, // AFS (kernel)
    0x00C36400, // Ceph
    0x0BD00BD0, // Lustre
    0x73757245, // Coda
};

bool ChangesAllSeen(const std::string& folder) {
    struct statfs volume;
    if (statfs(folder.c_str(), &volume) != 0)
        return false;
    const auto type = static_cast<unsigned long>(volume.f_type) & 0xFFFFFFFFul;
    return std::find(std::begin(UnwatchableVolumes), std::end(UnwatchableVolumes), type) ==
           std::end(UnwatchableVolumes);
}

} // namespace

FolderWatch::~FolderWatch() {
    Stop();
}

void FolderWatch::Watch(const std::string& folder) {
    Stop();
    if (!ChangesAllSeen(folder))
        return;
    const int descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0)
        return;
    const uint32_t events =
        IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (inotify_add_watch(descriptor, folder.c_str(), events) < 0) {
        close(descriptor);
        return;
    }
    m_Descriptor = descriptor;
}

void FolderWatch::Stop() {
    if (m_Descriptor >= 0)
        close(m_Descriptor);
    m_Descriptor = -1;
}

bool FolderWatch::Changed() {
    // Unwatched, nothing vouches for the folder.
    if (m_Descriptor < 0)
        return true;
    bool changed = false;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t got = read(m_Descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return changed;
        if (got <= 0) {
            // The events can no longer be read: say so once, then watch nothing.
            Stop();
            return true;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED)) {
                Stop();
                return true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        // Any other event, a lost-events mark (IN_Q_OVERFLOW) included, means read the folder again.
        changed = true;
    }
}

} // namespace zumi
