#include "SyncCalls.h"

#include <climits>
#include <cstdio>
#include <dlfcn.h>
#include <unistd.h>

namespace {

std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}

std::string PathOf(int fd) {
    char path[PATH_MAX];
    const ssize_t length = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : "fd " + std::to_string(fd);
}

// The C library's own function of that name.
template <typename Function> Function* Next(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

} // namespace

std::vector<std::string> SyncCalls() {
    return Calls();
}

void ClearSyncCalls() {
    Calls().clear();
}

// Defined in the program, these take the place of the C library's for the code linked into it.
extern "C" int fsync(int fd) {
    Calls().push_back("sync " + PathOf(fd));
    return Next<int(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd) {
    Calls().push_back("sync " + PathOf(fd));
    return Next<int(int)>("fdatasync")(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    Calls().push_back(std::string("rename ") + from + " " + to);
    return Next<int(const char*, const char*)>("rename")(from, to);
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept {
    Calls().push_back("rename " + PathOf(fromFolder) + "/" + from + " " + PathOf(toFolder) + "/" + to);
    return Next<int(int, const char*, int, const char*)>("renameat")(fromFolder, from, toFolder, to);
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) noexcept {
    const std::string source = std::string(from).rfind("/proc/self/fd/", 0) == 0 ? PathOf(std::stoi(from + 14)) : from;
    Calls().push_back("link " + source + " " + PathOf(toFolder) + "/" + to);
    return Next<int(int, const char*, int, const char*, int)>("linkat")(fromFolder, from, toFolder, to, flags);
}
