#include "platform/WorkingDirectory.h"

#include "platform/Errors.h"
#include "platform/TrustedLinks.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace zumi {

// The root cannot be unmounted, so the working directory there holds nothing busy.
void LeaveForRoot() {
    if (chdir("/") != 0) {
        // The root is always there to enter.
    }
}

namespace {

// The working directory's path into path; 0, or errno when it has none.
int WorkingPath(std::string& path) {
    path.assign(256, '\0');
    while (getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE)
            return errno;
        path.resize(path.size() * 2);
    }
    path.resize(std::strlen(path.c_str()));
    return 0;
}

// The folder the descriptor holds, by its path: the kernel tells it best of
// the working directory, which is left for the root again at once.
EnteredFolder Entered(int folder) {
    if (folder < 0)
        throw IOError::FromErrno(errno);
    std::string path;
    const int failure = fchdir(folder) != 0 ? errno : WorkingPath(path);
    LeaveForRoot();
    if (failure != 0) {
        close(folder);
        throw IOError::FromErrno(failure);
    }
    return EnteredFolder(folder, std::move(path));
}

} // namespace

EnteredFolder::~EnteredFolder() {
    if (m_Descriptor >= 0)
        close(m_Descriptor);
}

std::string CurrentDirectory() {
    std::string path;
    if (const int failure = WorkingPath(path); failure != 0)
        throw IOError::FromErrno(failure);
    return path;
}

std::string CurrentDirectoryOrRoot() {
    try {
        return CurrentDirectory();
    } catch (const IOError&) {
        return "/";
    }
}

EnteredFolder EnterFolder(const std::string& path, const std::string& from) {
    if (path.empty() || path.front() == '/')
        return Entered(OpenTrustedFolder(path));
    return EnterFolder(path, EnterFolder(from));
}

EnteredFolder EnterFolder(const std::string& path, const EnteredFolder& from) {
    return Entered(OpenTrustedFolder(path, from.Descriptor()));
}

std::string ResolvedPath(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return path;
    std::string result(resolved);
    free(resolved);
    return result;
}

} // namespace zumi
