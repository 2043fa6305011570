#include "platform/FileReplace.h"

#include "platform/Errors.h"
#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace zumi {

namespace {

// The most text held before it is written to the temporary file.
constexpr size_t BlockSize = 1 << 20;

// Tries at a hidden name beside the file before giving up: another user who
// may write the folder cannot guess the names, so only a full folder or a
// broken random source runs out of them.
constexpr int NameAttempts = 16;

// Every name a save gives its text beside the file starts so: ".NAME.zumi-".
std::string TemporaryPrefix(const char* name) {
    return std::string(".") + name + ".zumi-";
}

// A hidden name beside the file that nobody can guess: ".NAME.zumi-XXXXXXXXXXXX".
std::string HiddenName(const char* name) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char random[12] = {};
    if (getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
        return {};
    std::string hidden = TemporaryPrefix(name);
    for (const unsigned char byte : random)
        hidden += letters[byte % (sizeof letters - 1)];
    return hidden;
}

// Removes what a save killed half-way left at a save's name: this user's
// regular file that no save holds locked (a save locks its text until it has
// taken the file's place). Another user's file, or one a save is still
// writing, stays.
void RemoveIfLeftover(int folder, const std::string& name) {
    struct stat st;
    if (fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid())
        return;
    // Opened for writing: an exclusive lock over NFS asks for it.
    const int fd = openat(folder, name.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    if (IdentityOf(fd) == IdentityOf(st) && flock(fd, LOCK_EX | LOCK_NB) == 0)
        unlinkat(folder, name.c_str(), 0);
    close(fd);
}

// Every leftover of earlier saves of the file, found by their names' prefix.
void RemoveLeftovers(const FileAt& file) {
    const int fd = openat(file.Folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        return;
    }
    const std::string prefix = TemporaryPrefix(file.Name());
    std::vector<std::string> found;
    while (const dirent* entry = readdir(dir))
        if (std::string_view(entry->d_name).substr(0, prefix.size()) == prefix)
            found.emplace_back(entry->d_name);
    closedir(dir);
    for (const std::string& name : found)
        RemoveIfLeftover(file.Folder(), name);
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
void WriteBlocks(int fd, const TextWriter& write) {
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

// Whether what stands at the file's name is expected (all zero: nothing).
bool Holds(const FileAt& file, const FileIdentity& expected) {
    struct stat st;
    const bool there = fstatat(file.Folder(), file.Name(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    return (there ? IdentityOf(st) : FileIdentity{}) == expected;
}

// The new text on its way to the file's place. Where the file system allows
// it the text goes to a file with no name (O_TMPFILE) that gets one only once
// it is whole and on the disk, so a crash leaves at most that one name, which
// the next save takes back; elsewhere (vfat, FUSE, some network shares, or
// without /proc to name it through) to a hidden file of an unguessable name
// from the start, which a save killed half-way leaves until the next save of
// the file. Locked while it is written and until it has the file's place, so
// that no other save takes it for a leftover; closed, and removed unless it
// took the file's place, however the replacement ends.
class Temporary {
public:
    explicit Temporary(const FileAt& file) : m_File(file) {
        if (faccessat(AT_FDCWD, "/proc/self/fd", X_OK, 0) == 0)
            m_Fd = openat(file.Folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (m_Fd < 0)
            RemoveLeftovers(file);
        for (int attempt = 0; m_Fd < 0 && attempt < NameAttempts; ++attempt) {
            m_Name = HiddenName(file.Name());
            m_Fd = openat(file.Folder(), m_Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            // Another save that took it for a leftover in the moment before the lock holds it, and removes it.
            if (m_Fd >= 0 && flock(m_Fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
                close(std::exchange(m_Fd, -1));
                m_Name.clear();
            }
        }
        if (m_Fd >= 0 && m_Name.empty())
            flock(m_Fd, LOCK_EX); // nobody else can reach a file with no name
    }
    ~Temporary() {
        if (!m_Name.empty() && !m_Placed)
            unlinkat(m_File.Folder(), m_Name.c_str(), 0);
        if (m_Fd >= 0)
            close(m_Fd);
    }

    int Fd() const { return m_Fd; }

    // Gives the text, which must be on the disk, the file's place while the
    // file there is still expected; throws CreateError when it cannot move in.
    FileIdentity TakeThePlace(const std::string& path, const FileIdentity* expected) {
        // An unnamed text is named where a crash leaves it for the next save to take back.
        const std::string unnamed = "/proc/self/fd/" + std::to_string(m_Fd);
        for (int attempt = 0; m_Name.empty() && attempt < NameAttempts; ++attempt) {
            const std::string name = attempt == 0 ? TemporaryPrefix(m_File.Name()) + "new" : HiddenName(m_File.Name());
            if (attempt == 0)
                RemoveIfLeftover(m_File.Folder(), name);
            if (linkat(AT_FDCWD, unnamed.c_str(), m_File.Folder(), name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                m_Name = name;
            else if (errno != EEXIST)
                break;
        }
        if (m_Name.empty() || (expected && !Holds(m_File, *expected)) ||
            renameat(m_File.Folder(), m_Name.c_str(), m_File.Folder(), m_File.Name()) != 0)
            throw CreateError(path);
        m_Placed = true;
        return IdentityOf(m_Fd);
    }

private:
    const FileAt& m_File;
    int m_Fd = -1;
    std::string m_Name; // empty while the text has no name
    bool m_Placed = false;
};

} // namespace

FileIdentity ReplaceFileAt(const FileAt& file, const std::string& path, const TextWriter& write,
                           const FileIdentity* expected) {
    struct stat existing;
    const bool replacing = fstatat(file.Folder(), file.Name(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (replacing && (!S_ISREG(existing.st_mode) || faccessat(file.Folder(), file.Name(), W_OK, AT_EACCESS) != 0))
        throw CreateError(path);
    if (expected && !Holds(file, *expected))
        throw CreateError(path);

    Temporary temp(file);
    if (temp.Fd() < 0)
        throw CreateError(path);
    // Only the user's own file lends its permissions: another user's would let
    // that user change what this one wrote.
    if (replacing && existing.st_uid == geteuid())
        fchmod(temp.Fd(), existing.st_mode & 0777);
    WriteBlocks(temp.Fd(), write);
    if (fsync(temp.Fd()) != 0)
        throw WriteError();
    return temp.TakeThePlace(path, expected);
}

FileIdentity ReplaceFile(const std::string& path, const TextWriter& write, const FileIdentity* folder) {
    const auto [folderPath, name] = SplitFileName(path);
    // A page the system cannot name by its path could be written, but then neither opened nor found again.
    const FileAt held(path.size() < PATH_MAX ? OpenTrustedFolder(folderPath) : -1, ".");
    if (held.Folder() < 0 || (folder && IdentityOf(held.Folder()) != *folder))
        throw CreateError(path);
    const std::optional<FileAt> file = FollowTrustedLinks(name, held.Folder());
    if (!file)
        throw CreateError(path);
    return ReplaceFileAt(*file, path, write, nullptr);
}

FileIdentity ReplaceFile(const std::string& path, std::string_view text) {
    return ReplaceFile(path, [text](const TextSink& sink) { sink(text); });
}

} // namespace zumi
