#include "platform/WorkingDirectory.h"

#include "platform/Errors.h"
#include "platform/FolderReading.h"
#include "platform/TrustedLinks.h"

#include <cerrno>
#include <cstdlib>
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
    const int folder = path.empty() ? -1 : OpenTrustedFolder(path);
    const int failure = folder < 0 ? (path.empty() ? ENOENT : errno) : fchdir(folder) != 0 ? errno : 0;
    if (folder >= 0)
        close(folder);
    if (failure != 0)
        throw IOError::FromErrno(failure);
}

std::string ResolvedPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return path;
    std::string result(resolved);
    free(resolved);
    return result;
}

std::string EnterFolder(const std::string& from, const std::string& path,
                        const std::function<void(const std::string& folder)>& read) {
    // Only a relative path needs the folder left: it may be one that can no longer be entered.
    const bool fromExists = FolderExists(from);
    if (fromExists && !path.empty() && path.front() != '/')
        ChangeDirectory(from);
    try {
        ChangeDirectory(path);
        std::string folder = CurrentDirectory();
        read(folder);
        return folder;
    } catch (const IOError&) {
        if (fromExists && chdir(from.c_str()) != 0) {
            // The folder left cannot be entered either: the next move sets the working directory.
        }
        throw;
    }
}

} // namespace zumi
