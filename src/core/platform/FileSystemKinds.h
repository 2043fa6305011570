#pragma once

#include <string>
#include <string_view>

namespace zumi {

// What Zumi needs to know of a file system, in one table for every place that
// asks: by its type's name in the mount table (which volumes are listed, with
// which picture) or by the number statfs gives for a path (whether names
// ignore letter case, whether inotify sees every change).
struct FileSystemKind {
    enum Medium { Disk, Cd, Network, Ram, Unlisted };
    std::string_view type; // as the mount table names it
    unsigned long magic;   // as statfs reports it
    Medium medium;
    bool ignoresCase;
    // False where changes made elsewhere (another client, the server, a FUSE
    // daemon) never reach inotify, so a watch would claim a stale listing is current.
    bool changesSeen;
};

// The kind a mount table's type names; null for pseudo file systems, which are never listed.
const FileSystemKind* KindNamed(std::string_view type);

// True when the volume holding the path matches names ignoring letter case
// (FAT, exFAT, NTFS, SMB); false for the case-sensitive rest or when unknown.
bool VolumeIgnoresCase(const std::string& path);

// Whether inotify sees every change made to the folder's volume: All on local
// disks and in memory; NotAll on network and FUSE volumes, and when the volume
// cannot be asked; Unknown for a kind the table does not list (a container's
// overlay root, a new file system), which is then watched and polled both, so
// that neither a local disk loses its watch nor a network volume passes for local.
enum class ChangesSeen { All, NotAll, Unknown };
ChangesSeen ChangesSeenOn(const std::string& folder);

} // namespace zumi
