#include "platform/FileReplace.h"

#include "platform/Errors.h"
#include "platform/TrustedLinks.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zumi {

namespace {

// The most text held before it is written to the temporary file.
constexpr size_t BlockSize = 1 << 20;

// Tries at a hidden name beside the file before giving up: another user who
// may write the folder cannot guess the names, so only a full folder or a
// broken random source runs out of them.
constexpr int NameAttempts = 16;

// A hidden name beside the file that nobody can guess: ".NAME.XXXXXXXXXXXX".
std::string HiddenName(const char* name) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[12] = {};
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        return {};
    std::string hidden = std::string(".") + name + ".";
    for (const unsigned char byte : random)
        hidden += letters[byte % (sizeof letters - 1)];
    return hidden;
}

// The name a whole text takes for the moment between getting a name and
// taking the file's place. A crash in that moment leaves it behind, and the
// next save removes it: a regular file of this user's at that name can only
// be such a leftover. Another user's file there is left alone.
std::string ReclaimedLeftoverName(int folder, const char* name) {
    std::string leftover = std::string(".") + name + ".zumi-new";
    struct stat st;
    if (fstatat(folder, leftover.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == geteuid())
        unlinkat(folder, leftover.c_str(), 0);
    return leftover;
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

// The new text on its way to the file's place. Where the file system allows
// it the text goes to a file with no name (O_TMPFILE) that gets one only once
// it is whole and on the disk, so a crash leaves at most that one name, which
// the next save takes back; elsewhere (vfat, some network shares) to a hidden
// file of an unguessable name from the start. Closed, and removed unless it took the file's place,
// however the replacement ends.
class Temporary {
public:
    explicit Temporary(const FileAt& file) : m_File(file) {
        m_Fd = openat(file.Folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        for (int attempt = 0; m_Fd < 0 && attempt < NameAttempts; ++attempt) {
            m_Name = HiddenName(file.Name());
            m_Fd = openat(file.Folder(), m_Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        }
    }
    ~Temporary() {
        if (m_Fd >= 0)
            close(m_Fd);
        if (!m_Name.empty() && !m_Placed)
            unlinkat(m_File.Folder(), m_Name.c_str(), 0);
    }

    int Fd() const { return m_Fd; }

    // Gives the text, which must be on the disk, the file's place; throws
    // WriteError when it cannot be closed whole, CreateError when it cannot move in.
    void TakeThePlace(const std::string& path) {
        for (int attempt = 0; m_Name.empty() && attempt < NameAttempts; ++attempt) {
            const std::string name =
                attempt == 0 ? ReclaimedLeftoverName(m_File.Folder(), m_File.Name()) : HiddenName(m_File.Name());
            const std::string unnamed = "/proc/self/fd/" + std::to_string(m_Fd);
            if (linkat(AT_FDCWD, unnamed.c_str(), m_File.Folder(), name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                m_Name = name;
            else if (errno != EEXIST)
                break;
        }
        if (close(std::exchange(m_Fd, -1)) != 0)
            throw WriteError();
        if (m_Name.empty() || renameat(m_File.Folder(), m_Name.c_str(), m_File.Folder(), m_File.Name()) != 0)
            throw CreateError(path);
        m_Placed = true;
    }

private:
    const FileAt& m_File;
    int m_Fd = -1;
    std::string m_Name; // empty while the text has no name
    bool m_Placed = false;
};

} // namespace

void ReplaceFile(const std::string& path, const std::function<void(const TextSink&)>& write) {
    // A page the system cannot name by its path could be written, but then neither opened nor found again.
    const std::optional<FileAt> file = path.size() < PATH_MAX ? FollowTrustedLinks(path) : std::nullopt;
    if (!file || file->Folder() < 0)
        throw CreateError(path);
    struct stat existing;
    const bool replacing = fstatat(file->Folder(), file->Name(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (replacing && (S_ISDIR(existing.st_mode) || faccessat(file->Folder(), file->Name(), W_OK, AT_EACCESS) != 0))
        throw CreateError(path);

    Temporary temp(*file);
    if (temp.Fd() < 0)
        throw CreateError(path);
    if (replacing)
        fchmod(temp.Fd(), existing.st_mode & 07777);
    WriteBlocks(temp.Fd(), write);
    if (fsync(temp.Fd()) != 0)
        throw WriteError();
    temp.TakeThePlace(path);
}

void ReplaceFile(const std::string& path, std::string_view text) {
    ReplaceFile(path, [text](const TextSink& sink) { sink(text); });
}

} // namespace zumi
