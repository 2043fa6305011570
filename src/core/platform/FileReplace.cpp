#include "platform/FileReplace.h"

#include "platform/Errors.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zumi {

namespace {

// The most text held before it is written to the temporary file.
constexpr size_t BlockSize = 1 << 20;

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

// Gives write a sink that gathers its text into blocks and writes each to fd
// before it would overflow.
void WriteBlocks(int fd, const std::function<void(const TextSink&)>& write) {
    const auto put = [fd](std::string_view text) {
        if (!WriteAll(fd, text))
            throw WriteError();
    };
    std::string block;
    block.reserve(BlockSize);
    write([&](std::string_view text) {
        if (block.size() + text.size() > BlockSize) {
            put(block);
            block.clear();
        }
        block += text;
    });
    put(block);
}

// The temporary file being written: closed, and removed unless it took the
// file's place, however the replacement ends.
struct Temporary {
    std::string path;
    int fd;
    bool renamed = false;

    ~Temporary() {
        if (fd >= 0)
            close(fd);
        if (!renamed)
            unlink(path.c_str());
    }
};

} // namespace

void ReplaceFile(const std::string& path, const std::function<void(const TextSink&)>& write) {
    const std::string target = SaveTarget(path);
    struct stat existing;
    const bool replacing = stat(target.c_str(), &existing) == 0;
    if (replacing && (S_ISDIR(existing.st_mode) || access(target.c_str(), W_OK) != 0))
        throw CreateError(path);

    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0)
        throw CreateError(path);
    Temporary temp{tempPath, fd};
    if (replacing)
        fchmod(fd, existing.st_mode & 07777);
    WriteBlocks(fd, write);
    const bool synced = fsync(fd) == 0;
    if (close(std::exchange(temp.fd, -1)) != 0 || !synced)
        throw WriteError();
    if (rename(tempPath.c_str(), target.c_str()) != 0)
        throw CreateError(path);
    temp.renamed = true;
}

void ReplaceFile(const std::string& path, std::string_view text) {
    ReplaceFile(path, [text](const TextSink& sink) { sink(text); });
}

} // namespace zumi
