#include "platform/FolderReading.h"

#include "platform/Errors.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace zumi {

bool FolderExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
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
