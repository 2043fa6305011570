#include "platform/TrustedLinks.h"

#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace zumi {

namespace {

// As many links in a row as the kernel follows in one path.
constexpr int MaxLinks = 40;

// The link's text when it may be followed from its folder; nullopt with errno set when it may not.
std::optional<std::string> TrustedTarget(int folder, int link) {
    if (!OnlyUserMayWrite(folder)) {
        errno = EACCES;
        return std::nullopt;
    }
    char text[PATH_MAX];
    const ssize_t length = readlinkat(link, "", text, sizeof text);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof text) {
        errno = length < 0 ? errno : ENAMETOOLONG;
        return std::nullopt;
    }
    return std::string(text, static_cast<size_t>(length));
}

int OpenRoot() {
    return open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

FileIdentity IdentityOf(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

FileIdentity IdentityOf(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 ? IdentityOf(st) : FileIdentity{};
}

bool OnlyUserMayWrite(const struct stat& folder) {
    return (folder.st_uid == geteuid() || folder.st_uid == 0) && (folder.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool OnlyUserMayWrite(int folder) {
    struct stat st;
    return fstat(folder, &st) == 0 && S_ISDIR(st.st_mode) && OnlyUserMayWrite(st);
}

FileAt::~FileAt() {
    if (m_Folder >= 0)
        close(m_Folder);
}

std::optional<FileAt> FollowTrustedLinks(const std::string& path, int from) {
    if (path.empty()) {
        errno = ENOENT;
        return std::nullopt;
    }
    // The folder reached so far, held by a FileAt so that every way out closes it.
    FileAt folder(path.front() == '/' ? OpenRoot() : openat(from, ".", O_PATH | O_DIRECTORY | O_CLOEXEC), ".");
    std::vector<std::string> names; // what is left to look up, the next name last
    PushNames(names, path);
    for (int links = 0; folder.Folder() >= 0 && !names.empty();) {
        std::string name = std::move(names.back());
        names.pop_back();
        // The entry itself, not what it names: a link is checked and read through this descriptor.
        const int entry = openat(folder.Folder(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct stat st;
        if (entry < 0 || fstat(entry, &st) != 0) {
            const int failure = errno;
            if (entry >= 0)
                close(entry);
            if (failure != ENOENT || !names.empty()) {
                errno = failure;
                return std::nullopt;
            }
            st.st_mode = 0; // the last name is not there yet: a file is made at it
        }
        if (S_ISLNK(st.st_mode)) {
            std::optional<std::string> target;
            if (++links > MaxLinks)
                errno = ELOOP;
            else
                target = TrustedTarget(folder.Folder(), entry);
            close(entry);
            if (!target)
                return std::nullopt;
            if (target->front() == '/')
                folder = FileAt(OpenRoot(), ".");
            PushNames(names, *target);
            continue;
        }
        if (names.empty()) {
            if (entry >= 0)
                close(entry);
            return FileAt(folder.Release(), std::move(name));
        }
        if (!S_ISDIR(st.st_mode)) {
            close(entry);
            errno = ENOTDIR;
            return std::nullopt;
        }
        folder = FileAt(entry, ".");
    }
    if (folder.Folder() < 0)
        return std::nullopt;
    return folder;
}

int OpenTrustedFolder(const std::string& path, int from) {
    const std::optional<FileAt> at = FollowTrustedLinks(path, from);
    return at ? openat(at->Folder(), at->Name(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
}

std::optional<FileIdentity> TrustedRegularFile(const std::string& path, bool ownFolder) {
    const std::optional<FileAt> file = FollowTrustedLinks(path);
    struct stat st;
    if (!file || (ownFolder && !OnlyUserMayWrite(file->Folder())) ||
        fstatat(file->Folder(), file->Name(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return IdentityOf(st);
}

} // namespace zumi
