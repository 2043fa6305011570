#include "platform/FileSystem.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zumi {

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

} // namespace zumi
