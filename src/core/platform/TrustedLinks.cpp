#include "platform/TrustedLinks.h"

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace zumi {

namespace {

// As many links in a row as the kernel follows in one path.
constexpr int MaxLinks = 40;

// The folder part of a path ("." when there is none, "/" for a name under the root) and its last name.
std::pair<std::string, std::string> Split(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The link's text when it may be followed from its folder, nullopt when it may not.
std::optional<std::string> TrustedTarget(int folder, int link) {
    struct stat linkStat;
    struct stat folderStat;
    if (fstat(link, &linkStat) != 0 || fstat(folder, &folderStat) != 0)
        return std::nullopt;
    if (linkStat.st_uid != geteuid() && linkStat.st_uid != folderStat.st_uid)
        return std::nullopt;
    char text[PATH_MAX];
    const ssize_t length = readlinkat(link, "", text, sizeof text);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof text)
        return std::nullopt;
    return std::string(text, static_cast<size_t>(length));
}

} // namespace

FileAt::~FileAt() {
    if (m_Folder >= 0)
        close(m_Folder);
}

std::optional<FileAt> FollowTrustedLinks(const std::string& path) {
    auto [folderPath, name] = Split(path);
    FileAt at(open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC), name);
    for (int hop = 0; hop <= MaxLinks; ++hop) {
        if (at.Folder() < 0)
            return at;
        // The entry itself, not what it names: a link is checked and read through this descriptor.
        const int entry = openat(at.Folder(), at.Name(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (entry < 0)
            return at; // nothing there yet: the file is made at that name
        struct stat st;
        const bool isLink = fstat(entry, &st) == 0 && S_ISLNK(st.st_mode);
        const std::optional<std::string> target = isLink ? TrustedTarget(at.Folder(), entry) : std::nullopt;
        close(entry);
        if (!isLink)
            return at;
        if (!target)
            return std::nullopt;
        // The link's folder is the start of a relative target.
        std::tie(folderPath, name) = Split(*target);
        if (name.empty() || name == "." || name == "..") // the target is a folder
            std::tie(folderPath, name) = std::pair(*target, std::string("."));
        at = FileAt(openat(at.Folder(), folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC), name);
    }
    return std::nullopt;
}

bool IsTrustedFile(const std::string& path) {
    const std::optional<FileAt> file = FollowTrustedLinks(path);
    struct stat st;
    return file && file->Folder() >= 0 && fstatat(file->Folder(), file->Name(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           !S_ISDIR(st.st_mode);
}

} // namespace zumi
