#include "SyncCalls.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <dlfcn.h>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <unistd.h>

namespace {

std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}

// The steps waiting for their call, by the call; any thread may look, under the lock.
std::mutex stepsLock;
std::map<std::string, std::function<void()>>& Steps() {
    static std::map<std::string, std::function<void()>> steps;
    return steps;
}

// Takes the call's step out under the lock and runs it outside it, where it may make such calls itself.
void RunStepBefore(const std::string& call) {
    std::function<void()> run;
    {
        const std::lock_guard<std::mutex> hold(stepsLock);
        const auto step = Steps().find(call);
        if (step == Steps().end())
            return;
        run = std::move(step->second);
        Steps().erase(step);
    }
    run();
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

void BeforeNextCall(const std::string& call, std::function<void()> step) {
    const std::lock_guard<std::mutex> hold(stepsLock);
    Steps()[call] = std::move(step);
}

// Defined in the program, these take the place of the C library's for the code linked into it.
extern "C" int fsync(int fd) {
    RunStepBefore("sync");
    Calls().push_back("sync " + PathOf(fd));
    return Next<int(int)>("fsync")(fd);
}

extern "C" int fdatasync(int fd) {
    Calls().push_back("sync " + PathOf(fd));
    return Next<int(int)>("fdatasync")(fd);
}

extern "C" int open(const char* path, int flags, ...) {
    RunStepBefore(std::string("open ") + path);
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(rest, mode_t) : 0;
    va_end(rest);
    return Next<int(const char*, int, ...)>("open")(path, flags, mode);
}

extern "C" int chdir(const char* path) noexcept {
    RunStepBefore("enter");
    return Next<int(const char*)>("chdir")(path);
}

extern "C" int fchdir(int fd) noexcept {
    RunStepBefore("enter");
    return Next<int(int)>("fchdir")(fd);
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
