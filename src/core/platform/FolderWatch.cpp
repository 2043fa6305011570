#include "platform/FolderWatch.h"

#include "platform/FileSystemKinds.h"

#include <algorithm>
#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace zumi {

FolderWatch::~FolderWatch() {
    Stop();
}

FolderWatch& FolderWatch::operator=(FolderWatch&& other) noexcept {
    std::swap(m_Descriptor, other.m_Descriptor);
    std::swap(m_ParentWatch, other.m_ParentWatch);
    m_Name.swap(other.m_Name);
    return *this;
}

void FolderWatch::Watch(const std::string& folder, bool entryAttributes) {
    Stop();
    if (!ChangesAllSeen(folder))
        return;
    const int descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (descriptor < 0)
        return;
    const uint32_t events = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                            IN_ONLYDIR | (entryAttributes ? IN_ATTRIB : 0);
    if (inotify_add_watch(descriptor, folder.c_str(), events) < 0) {
        close(descriptor);
        return;
    }
    m_Descriptor = descriptor;
    const size_t end = folder.find_last_not_of('/');
    const size_t slash = end == std::string::npos ? std::string::npos : folder.rfind('/', end);
    if (slash != std::string::npos) {
        m_Name = folder.substr(slash + 1, end - slash);
        const std::string parent = slash == 0 ? "/" : folder.substr(0, slash);
        m_ParentWatch =
            inotify_add_watch(descriptor, parent.c_str(), IN_DELETE | IN_MOVED_FROM | IN_ATTRIB | IN_ONLYDIR);
    }
}

void FolderWatch::Stop() {
    if (m_Descriptor >= 0)
        close(m_Descriptor);
    m_Descriptor = -1;
    m_ParentWatch = -1;
}

FolderNews FolderWatch::Read() {
    FolderNews news;
    news.lost = m_Descriptor < 0;
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
            if (m_ParentWatch >= 0 && event->wd == m_ParentWatch) {
                // Only the folder's own removal, move or change of attributes
                // (it may no longer be readable) matters there; the parent's own end does not.
                if (event->len > 0 && event->name == m_Name && !(event->mask & IN_IGNORED)) {
                    news.lost = news.lost || (event->mask & IN_ATTRIB) != 0;
                    news.ended = news.ended || (event->mask & IN_ATTRIB) == 0;
                }
                continue;
            }
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED))
                news.ended = true;
            else if (event->len > 0)
                news.entries.push_back({event->name, (event->mask & IN_ISDIR) != 0});
            else // a lost-events mark, or the folder's own attributes changed
                news.lost = true;
        }
        if (news.ended)
            Stop();
    }
    return news;
}

} // namespace zumi
