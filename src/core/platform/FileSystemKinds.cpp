#include "platform/FileSystemKinds.h"

#include <algorithm>
#include <iterator>
#include <sys/vfs.h>

namespace zumi {

namespace {

using K = FileSystemKind;

// Types that share a number (ext2 to ext4, FAT, FUSE, NFS) agree on what the number decides.
// clang-format off
constexpr FileSystemKind Kinds[] = {
    //type           magic        medium        ignoresCase  changesSeen
    {"ext2",         0xEF53,      K::Disk,      false,       true},
    {"ext3",         0xEF53,      K::Disk,      false,       true},
    {"ext4",         0xEF53,      K::Disk,      false,       true},
    {"xfs",          0x58465342,  K::Disk,      false,       true},
    {"btrfs",        0x9123683E,  K::Disk,      false,       true},
    {"f2fs",         0xF2F52010,  K::Disk,      false,       true},
    {"jfs",          0x3153464A,  K::Disk,      false,       true},
    {"reiserfs",     0x52654973,  K::Disk,      false,       true},
    {"nilfs2",       0x3434,      K::Disk,      false,       true},
    {"bcachefs",     0xCA451A4E,  K::Disk,      false,       true},
    {"zfs",          0x2FC12FC1,  K::Disk,      false,       true},
    {"vfat",         0x4D44,      K::Disk,      true,        true},
    {"msdos",        0x4D44,      K::Disk,      true,        true},
    {"exfat",        0x2011BAB0,  K::Disk,      true,        true},
    {"ntfs",         0x5346544E,  K::Disk,      true,        true},
    {"ntfs3",        0x5346544E,  K::Disk,      true,        true},
    {"fuseblk",      0x65735546,  K::Disk,      false,       false},
    {"hfsplus",      0x482B,      K::Disk,      false,       true},
    {"iso9660",      0x9660,      K::Cd,        false,       true},
    {"udf",          0x15013346,  K::Cd,        false,       true},
    {"nfs",          0x6969,      K::Network,   false,       false},
    {"nfs4",         0x6969,      K::Network,   false,       false},
    {"cifs",         0xFF534D42,  K::Network,   true,        false},
    {"smb3",         0xFE534D42,  K::Network,   true,        false},
    {"fuse.sshfs",   0x65735546,  K::Network,   false,       false},
    {"tmpfs",        0x01021994,  K::Ram,       false,       true},
    {"overlay",      0x794C7630,  K::Unlisted,  false,       true},  // a container's root, of local layers
    {"ramfs",        0x858458F6,  K::Ram,       false,       true},
    {"smbfs",        0x517B,      K::Unlisted,  true,        false},
    {"9p",           0x01021997,  K::Unlisted,  false,       false},
    {"afs",          0x5346414F,  K::Unlisted,  false,       false}, // OpenAFS
    {"afs",          0x6B414653,  K::Unlisted,  false,       false}, // the kernel's
    {"ceph",         0x00C36400,  K::Unlisted,  false,       false},
    {"lustre",       0x0BD00BD0,  K::Unlisted,  false,       false},
    {"coda",         0x73757245,  K::Unlisted,  false,       false},
};
// clang-format on

// The number statfs gives for the path's file system; 0, which none has, when it cannot be asked.
unsigned long MagicOf(const std::string& path) {
    struct statfs volume;
    return statfs(path.c_str(), &volume) == 0 ? static_cast<unsigned long>(volume.f_type) & 0xFFFFFFFFul : 0;
}

const FileSystemKind* KindOfMagic(unsigned long magic) {
    const auto found = std::find_if(std::begin(Kinds), std::end(Kinds), [&](const K& k) { return k.magic == magic; });
    return found == std::end(Kinds) ? nullptr : found;
}

} // namespace

const FileSystemKind* KindNamed(std::string_view type) {
    const auto found = std::find_if(std::begin(Kinds), std::end(Kinds), [&](const K& k) { return k.type == type; });
    return found == std::end(Kinds) || found->medium == K::Unlisted ? nullptr : found;
}

bool VolumeIgnoresCase(const std::string& path) {
    const FileSystemKind* kind = KindOfMagic(MagicOf(path));
    return kind != nullptr && kind->ignoresCase;
}

ChangesSeen ChangesSeenOn(const std::string& folder) {
    const unsigned long magic = MagicOf(folder);
    const FileSystemKind* kind = KindOfMagic(magic);
    if (magic == 0 || (kind != nullptr && !kind->changesSeen))
        return ChangesSeen::NotAll;
    return kind != nullptr ? ChangesSeen::All : ChangesSeen::Unknown;
}

} // namespace zumi
