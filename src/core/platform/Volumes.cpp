#include "platform/Volumes.h"

#include "platform/FileSystemKinds.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace zumi {

namespace {

struct MountLine {
    std::string device; // "major:minor"
    std::string mountPoint;
    std::string type;
    std::string source;
};

// True when the path is the folder or lies below it.
bool IsUnder(std::string_view path, std::string_view folder) {
    if (folder.empty())
        return false;
    if (folder == "/")
        return true;
    return path.substr(0, folder.size()) == folder && (path.size() == folder.size() || path[folder.size()] == '/');
}

// The mount table writes space, tab, newline and backslash as "\" and three octal digits.
std::string UnescapeOctal(std::string_view field) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::all_of(field.begin() + i + 1, field.begin() + i + 4, [](char c) { return c >= '0' && c <= '7'; })) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

// udev writes unsafe bytes of a label link's name as "\x" and two hex digits.
std::string UnescapeHex(std::string_view name) {
    std::string text;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name.substr(i, 2) == "\\x" && i + 4 <= name.size() &&
            std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
            text += static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            text += name[i];
        }
    }
    return text;
}

// One line: ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPER-OPTIONS.
bool ParseLine(const std::string& line, MountLine& mount) {
    std::vector<std::string_view> fields;
    std::string_view rest(line);
    while (!rest.empty()) {
        const size_t space = rest.find(' ');
        fields.push_back(rest.substr(0, space));
        rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    }
    const auto dash = std::find(fields.begin() + std::min<size_t>(fields.size(), 6), fields.end(), "-");
    if (fields.size() < 6 || fields.end() - dash < 3)
        return false;
    mount.device = fields[2];
    mount.mountPoint = UnescapeOctal(fields[4]);
    mount.type = UnescapeOctal(dash[1]);
    mount.source = UnescapeOctal(dash[2]);
    return true;
}

std::string RealPath(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> real(realpath(path.c_str(), nullptr), std::free);
    return real ? std::string(real.get()) : std::string();
}

// Labels by the device node their /dev/disk/by-label link resolves to.
std::map<std::string, std::string> ReadLabels(const std::string& systemRoot) {
    std::map<std::string, std::string> labels;
    const std::string folder = systemRoot + "/dev/disk/by-label";
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir)
        return labels;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (const std::string device = RealPath(folder + "/" + name); !device.empty())
            labels.emplace(device, UnescapeHex(name));
    }
    return labels;
}

// sysfs marks removable disks; a partition's mark is on its disk, one folder up.
bool IsRemovableDevice(const std::string& systemRoot, const std::string& device) {
    if (device.empty() || device.compare(0, 2, "0:") == 0)
        return false;
    const std::string folder = systemRoot + "/sys/dev/block/" + device;
    for (const char* file : {"/removable", "/../removable"}) {
        std::ifstream flag(folder + file);
        char value = 0;
        if (flag.get(value))
            return value == '1';
    }
    return false;
}

// Disk-backed and network file systems are listed, and RAM disks where users mount their own.
bool Admits(const MountLine& mount, std::string_view home) {
    const FileSystemKind* kind = KindNamed(mount.type);
    if (kind != nullptr && kind->medium == FileSystemKind::Ram)
        return IsUnder(mount.mountPoint, "/mnt") || IsUnder(mount.mountPoint, "/media") ||
               IsUnder(mount.mountPoint, "/run/media") || IsUnder(mount.mountPoint, home);
    return kind != nullptr;
}

// What a listed mount shows as; labels are ReadLabels'.
Volume Describe(const MountLine& mount, const std::string& systemRoot,
                const std::map<std::string, std::string>& labels) {
    Volume volume{mount.mountPoint, DriveKind::HARD, {}};
    const FileSystemKind* kind = KindNamed(mount.type);
    const FileSystemKind::Medium medium = kind != nullptr ? kind->medium : FileSystemKind::Unlisted;
    if (medium == FileSystemKind::Cd)
        volume.kind = DriveKind::CDROM;
    else if (medium == FileSystemKind::Network)
        volume.kind = DriveKind::NETWORK;
    else if (medium == FileSystemKind::Ram)
        volume.kind = DriveKind::RAM;
    else if (IsRemovableDevice(systemRoot, mount.device) || IsUnder(mount.mountPoint, "/media") ||
             IsUnder(mount.mountPoint, "/run/media"))
        volume.kind = DriveKind::FLOPPY;

    if (volume.kind == DriveKind::NETWORK) {
        volume.name = mount.source;
    } else if (volume.kind != DriveKind::FLOPPY && !mount.source.empty() && mount.source[0] == '/') {
        if (const auto found = labels.find(RealPath(systemRoot + mount.source)); found != labels.end())
            volume.name = found->second;
    }
    return volume;
}

} // namespace

VolumeEnvironment VolumeEnvironment::Current() {
    VolumeEnvironment environment;
    if (const char* home = std::getenv("HOME"); home && *home)
        environment.home = home;
    else if (const passwd* user = getpwuid(getuid()))
        environment.home = user->pw_dir;
    return environment;
}

std::string ReadMountTable() {
    std::ifstream table("/proc/self/mountinfo");
    std::ostringstream text;
    text << table.rdbuf();
    return text.str();
}

MountTableWatch::MountTableWatch() : m_Descriptor(open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC)) {}

MountTableWatch::~MountTableWatch() {
    if (m_Descriptor >= 0)
        close(m_Descriptor);
}

std::vector<Volume> ListVolumes(std::string_view mountTable, const VolumeEnvironment& environment) {
    std::vector<MountLine> mounts;
    std::istringstream lines{std::string(mountTable)};
    for (std::string line; std::getline(lines, line);) {
        MountLine mount;
        if (ParseLine(line, mount))
            mounts.push_back(std::move(mount));
    }

    std::string home = environment.home;
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    const std::map<std::string, std::string> labels = ReadLabels(environment.systemRoot);
    // The root comes first whatever its type; the last mount on "/" is the one in sight.
    const auto root =
        std::find_if(mounts.rbegin(), mounts.rend(), [](const MountLine& m) { return m.mountPoint == "/"; });
    std::vector<Volume> volumes;
    std::vector<const MountLine*> listed;
    if (root != mounts.rend()) {
        volumes.push_back(Describe(*root, environment.systemRoot, labels));
        listed.push_back(&*root);
    } else {
        volumes.push_back(Volume{"/", DriveKind::HARD, {}});
    }

    for (const MountLine& mount : mounts) {
        if (!Admits(mount, home))
            continue;
        const bool seen = std::any_of(listed.begin(), listed.end(), [&](const MountLine* other) {
            return other->mountPoint == mount.mountPoint || other->device == mount.device ||
                   (mount.source.compare(0, 5, "/dev/") == 0 && other->source == mount.source);
        });
        if (seen)
            continue;
        volumes.push_back(Describe(mount, environment.systemRoot, labels));
        listed.push_back(&mount);
    }
    return volumes;
}

std::string VolumeText(const Volume& volume, bool upperCase) {
    switch (volume.kind) {
    case DriveKind::FLOPPY:
        return volume.mountPoint;
    case DriveKind::NETWORK:
        return volume.mountPoint + " " + volume.name;
    default:
        break;
    }
    std::string label = volume.name;
    for (char& c : label)
        if (upperCase ? (c >= 'a' && c <= 'z') : (c >= 'A' && c <= 'Z'))
            c = static_cast<char>(c ^ 0x20);
    return volume.mountPoint + " [" + label + "]";
}

std::string VolumeOf(const std::vector<Volume>& volumes, const std::string& path) {
    std::string best = "/";
    for (const Volume& volume : volumes)
        if (volume.mountPoint.size() > best.size() && IsUnder(path, volume.mountPoint))
            best = volume.mountPoint;
    return best;
}

} // namespace zumi
