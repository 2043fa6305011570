#include "platform/FileSystem.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zumi {

namespace {

// The file a replacement writes: the path itself, or the file it links to.
std::string SaveTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        const std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
        if (real)
            return real.get();
    }
    return path;
}

// Creates a hidden temporary file beside target; returns its descriptor, or -1 when it cannot.
int CreateTemporary(const std::string& target, std::string& tempPath) {
    const size_t slash = target.rfind('/');
    const std::string stem =
        target.substr(0, slash + 1) + "." + target.substr(slash + 1) + "." + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + std::to_string(attempt);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

std::string CurrentDirectory() {
    std::string buffer(256, '\0');
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            throw IOError::FromErrno(errno);
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

std::string CurrentDirectoryOrRoot() {
    try {
        return CurrentDirectory();
    } catch (const IOError&) {
        return "/";
    }
}

void ChangeDirectory(const std::string& path) {
    if (path.empty() || chdir(path.c_str()) != 0)
        throw IOError::FromErrno(path.empty() ? ENOENT : errno);
}

std::string EnterFolder(const std::string& from, const std::string& path,
                        const std::function<void(const std::string& folder)>& read) {
    const bool fromExists = FolderExists(from);
    if (fromExists)
        ChangeDirectory(from);
    ChangeDirectory(path);
    try {
        std::string folder = CurrentDirectory();
        read(folder);
        return folder;
    } catch (const IOError&) {
        if (fromExists)
            ChangeDirectory(from);
        throw;
    }
}

bool FolderExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

bool VolumeIgnoresCase(const std::string& path) {
    struct statfs fs;
    if (statfs(path.c_str(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x4d44:     // FAT (msdos, vfat)
    case 0x2011bab0: // exFAT
    case 0x5346544e: // NTFS (ntfs, ntfs3)
    case 0x517b:     // SMB
    case 0xff534d42: // CIFS
    case 0xfe534d42: // SMB2
        return true;
    default:
        return false;
    }
}

void ReadFolder(const std::string& path, bool wantReadOnly, const FolderEntryFn& onEntry) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(path.c_str()), closedir);
    if (!dir)
        throw IOError::FromErrno(errno);
    const int fd = dirfd(dir.get());
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0)
                throw IOError::FromErrno(errno);
            return;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;

        unsigned attributes = name[0] == '.' ? unsigned{faHidden} : 0U;
        unsigned char type = entry->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(fd, name, &st, 0) != 0)
                type = DT_UNKNOWN; // a link that points nowhere
            else
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            attributes |= faDirectory;
        else if (type != DT_REG)
            attributes |= faSystem;
        if (wantReadOnly && faccessat(fd, name, W_OK, AT_EACCESS) != 0)
            attributes |= faReadOnly;
        onEntry(std::string_view(name), attributes);
    }
}

std::string ChangeFileExtension(const std::string& path, std::string_view extension) {
    const size_t nameStart = path.rfind('/') + 1;
    const size_t dot = path.rfind('.');
    const size_t stemEnd = dot != std::string::npos && dot >= nameStart ? dot : path.size();
    return path.substr(0, stemEnd) + std::string(extension);
}

void ReplaceFile(const std::string& path, std::string_view text) {
    const std::string target = SaveTarget(path);
    struct stat existing;
    const bool replacing = stat(target.c_str(), &existing) == 0;
    if (replacing && (S_ISDIR(existing.st_mode) || access(target.c_str(), W_OK) != 0))
        throw CreateError(path);

    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0)
        throw CreateError(path);
    if (replacing)
        fchmod(fd, existing.st_mode & 07777);
    bool written = WriteAll(fd, text) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written) {
        unlink(tempPath.c_str());
        throw WriteError();
    }
    if (rename(tempPath.c_str(), target.c_str()) != 0) {
        unlink(tempPath.c_str());
        throw CreateError(path);
    }
}

} // namespace zumi
