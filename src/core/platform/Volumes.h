#pragma once

#include <string>
#include <string_view>
#include <vector>

// The mounted file systems a user works with, which stand where other systems
// have drives. Paths are bytes, as the mount table gives them.
namespace zumi {

// A volume's kind, named after the picture its row shows.
enum class DriveKind { FLOPPY, HARD, NETWORK, CDROM, RAM };

struct Volume {
    std::string mountPoint;
    DriveKind kind;
    std::string name; // the file system's label, or for a network volume its remote source
};

// Where the mount table's rows are looked up: the user's home folder (RAM disks
// mounted below it are listed) and the folder under which /sys and /dev are
// read, empty for the running system.
struct VolumeEnvironment {
    std::string home;
    std::string systemRoot;

    static VolumeEnvironment Current();
};

// The text of the running system's mount table (/proc/self/mountinfo); empty when unreadable.
std::string ReadMountTable();

// The running system's mount table, open so that poll can tell of its changes:
// its descriptor reports an exceptional condition (POLLPRI) once after each
// mount or unmount. Descriptor() is -1 when the table cannot be opened.
class MountTableWatch {
public:
    MountTableWatch();
    ~MountTableWatch();
    MountTableWatch(const MountTableWatch&) = delete;
    MountTableWatch& operator=(const MountTableWatch&) = delete;

    int Descriptor() const { return m_Descriptor; }

private:
    int m_Descriptor;
};

// The volumes of a mount table in the form of /proc/self/mountinfo: always "/"
// first, then in the table's order the mount points of disk-backed and network
// file systems, and of RAM disks mounted under /mnt, /media, /run/media or the
// home folder. Pseudo file systems and second mounts of a device are left out.
// Removable volumes are recognised from sysfs and their place, never by asking
// the device, so listing never waits on a slow medium.
std::vector<Volume> ListVolumes(std::string_view mountTable, const VolumeEnvironment& environment);

// The selector's text for a volume: the mount point, then " [label]" for fixed,
// CD and RAM volumes and " source" for network ones. Only the label takes the
// letter case asked for, in ASCII; paths are shown as they are.
std::string VolumeText(const Volume& volume, bool upperCase);

// The mount point among the volumes' that is the longest prefix of the path
// ending at a component boundary; "/" when none is.
std::string VolumeOf(const std::vector<Volume>& volumes, const std::string& path);

} // namespace zumi
