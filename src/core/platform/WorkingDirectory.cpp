#include "platform/WorkingDirectory.h"

#include "platform/Errors.h"
#include "platform/FolderReading.h"

#include <cerrno>
#include <cstring>
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

} // namespace zumi
