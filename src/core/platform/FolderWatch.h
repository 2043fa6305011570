#pragma once

#include <string>

namespace zumi {

// A watch on one folder's entries, so that what was read of it can be kept
// until it changes. It reports files and folders created, deleted, renamed in
// or out, or with changed attributes, and the folder itself removed or moved
// away. Nothing runs in the background: the owner polls Descriptor() for
// reading (on the GUI thread, a socket notifier) and then calls Changed().
//
// Where no watch can be set (inotify's limits reached, a folder that cannot be
// opened) or the volume's changes are not all seen by the kernel (network and
// FUSE file systems, whose remote changes inotify does not report), it watches
// nothing: Watching() is false and the owner reads the folder every time.
class FolderWatch {
public:
    FolderWatch() = default;
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches the folder instead of any other; set it before reading the folder,
    // so that no change between the read and the watch goes unseen.
    void Watch(const std::string& folder);
    // Watches nothing.
    void Stop();

    bool Watching() const { return m_Descriptor >= 0; }
    // The descriptor that becomes readable when an event is pending; -1 when not watching.
    int Descriptor() const { return m_Descriptor; }

    // Reads every pending event without blocking. True when the folder may
    // have changed since it was set or last asked: any event, a lost event
    // (the kernel's queue overflowed) or the end of the watch (the folder
    // removed, moved away or its volume unmounted, after which it watches nothing).
    bool Changed();

private:
    int m_Descriptor = -1;
};

} // namespace zumi
