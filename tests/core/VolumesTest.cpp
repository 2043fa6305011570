#include "platform/Volumes.h"

#include "TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zumi;

namespace {

// A mount table as /proc/self/mountinfo writes it, with /dev and /sys facts under a temporary root.
class VolumesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder :
             {"dev", "dev/mapper", "dev/disk", "dev/disk/by-label", "sys", "sys/dev", "sys/dev/block", "sys/devices",
              "sys/devices/sda", "sys/devices/sda/sda1", "sys/devices/sdb", "sys/devices/sdb/sdb1"})
            root.Folder(folder);
        for (const char* device : {"dev/sda1", "dev/sdb1", "dev/sr0", "dev/dm-0"})
            root.File(device);
        Link("../dm-0", "dev/mapper/home");
        Link("../../sda1", "dev/disk/by-label/DATA");
        Link("../../dm-0", "dev/disk/by-label/My\\x20Disk");
        Link("../../sr0", "dev/disk/by-label/CD_ROM");
        Write("sys/devices/sda/removable", "0\n");
        Write("sys/devices/sdb/removable", "1\n");
        Link("../../devices/sda/sda1", "sys/dev/block/8:1");
        Link("../../devices/sdb/sdb1", "sys/dev/block/8:17");
    }

    void Link(const std::string& target, const std::string& name) const {
        ASSERT_EQ(symlink(target.c_str(), (root / name).c_str()), 0) << name;
    }
    void Write(const std::string& name, const std::string& text) const { std::ofstream(root / name) << text; }

    std::vector<Volume> List(const std::string& table) const {
        return ListVolumes(table, VolumeEnvironment{"/home/taro/", root.Path()});
    }

    TempDir root;
};

TEST_F(VolumesTest, ListsTheVolumesAUserWorksWith) {
    const std::string table = "27 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
                              "22 27 0:21 / /proc rw - proc proc rw\n"
                              "23 27 0:22 / /sys rw - sysfs sysfs rw\n"
                              "30 27 253:0 / /home rw shared:1 - ext4 /dev/mapper/home rw\n"
                              "31 27 8:17 / /mnt/usb rw - vfat /dev/sdb1 rw\n"
                              "32 27 8:33 / /media/taro/STICK rw - exfat /dev/sdc1 rw\n"
                              "33 27 11:0 / /mnt/cd\\040rom ro - iso9660 /dev/sr0 ro\n"
                              "34 27 0:40 / /mnt/nas rw - nfs4 Server:/Export rw\n"
                              "35 27 0:41 / /mnt/share rw - cifs //Server/Share rw\n"
                              "36 27 0:42 / /mnt/ram\\134 rw - tmpfs tmpfs rw\n"
                              "37 27 0:43 / /run/user/0 rw - tmpfs tmpfs rw\n"
                              "38 30 0:44 / /home/taro/scratch rw - tmpfs scratch rw\n"
                              "39 27 8:1 /srv /srv/bind rw - ext4 /dev/sda1 rw\n"
                              "40 27 0:45 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
                              "not a mount line\n"
                              "41 27 0:46 / /run/media/taro/Win rw shared:2 master:3 - ntfs3 /dev/sdd1 rw\n";
    const struct {
        std::string text;
        DriveKind kind;
    } expected[] = {
        {"/ [data]", DriveKind::HARD},
        {"/home [my disk]", DriveKind::HARD},
        {"/mnt/usb", DriveKind::FLOPPY},
        {"/media/taro/STICK", DriveKind::FLOPPY},
        {"/mnt/cd rom [cd_rom]", DriveKind::CDROM},
        {"/mnt/nas Server:/Export", DriveKind::NETWORK},
        {"/mnt/share //Server/Share", DriveKind::NETWORK},
        {"/mnt/ram\\ []", DriveKind::RAM}, // an escape at the very end of the field
        {"/home/taro/scratch []", DriveKind::RAM},
        {"/run/media/taro/Win", DriveKind::FLOPPY},
    };
    const std::vector<Volume> volumes = List(table);
    ASSERT_EQ(volumes.size(), std::size(expected));
    for (size_t i = 0; i < volumes.size(); ++i) {
        EXPECT_EQ(VolumeText(volumes[i], false), expected[i].text);
        EXPECT_EQ(volumes[i].kind, expected[i].kind) << expected[i].text;
    }
    EXPECT_EQ(VolumeText(volumes[0], true), "/ [DATA]") << "upper case not applied to the label";

    const struct {
        const char* path;
        const char* volume;
    } owners[] = {
        {"/home/taro/pics", "/home"}, {"/homely", "/"},
        {"/mnt/usb", "/mnt/usb"},     {"/home/taro/scratch/x", "/home/taro/scratch"},
        {"/run/user/0/x", "/"},
    };
    for (const auto& owner : owners)
        EXPECT_EQ(VolumeOf(volumes, owner.path), owner.volume) << owner.path;
}

TEST_F(VolumesTest, TheRootIsListedWhateverTheTable) {
    const struct {
        const char* fault;
        std::string table;
        std::string text;
    } cases[] = {
        {"an empty table lists nothing", "", "/ []"},
        {"a root of another type left out", "1 0 0:30 / / rw - overlay overlay rw\n", "/ []"},
        {"the root not first", "2 1 8:17 / /mnt/usb rw - vfat /dev/sdb1 rw\n1 0 8:1 / / rw - ext4 /dev/sda1 rw\n",
         "/ [data]"},
    };
    for (const auto& c : cases) {
        const std::vector<Volume> volumes = List(c.table);
        ASSERT_FALSE(volumes.empty()) << c.fault;
        EXPECT_EQ(VolumeText(volumes[0], false), c.text) << c.fault;
    }
}

} // namespace
