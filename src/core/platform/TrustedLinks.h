#pragma once

#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace zumi {

// What tells a file from another at the same path: its device and inode. All zero for none.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};
FileIdentity IdentityOf(const struct stat& st);
// The identity of what the descriptor holds; all zero when it cannot be asked.
FileIdentity IdentityOf(int fd);

// Whether nobody but this user and root could make, remove or move an entry of
// the folder: it belongs to this user or to root, and neither its group nor
// others may write it. Only there may a link be followed, or a file be trusted
// to be the one this user or root put there.
bool OnlyUserMayWrite(const struct stat& folder);
bool OnlyUserMayWrite(int folder);

// A name in a folder that is held open, so that what was checked there is what
// is written: a later rename of the folder, or a link swapped in above it,
// changes nothing. Closes the folder when it goes.
class FileAt {
public:
    FileAt(int folder, std::string name) : m_Folder(folder), m_Name(std::move(name)) {}
    FileAt(FileAt&& other) noexcept : m_Folder(other.m_Folder), m_Name(std::move(other.m_Name)) { other.m_Folder = -1; }
    FileAt& operator=(FileAt&& other) noexcept {
        std::swap(m_Folder, other.m_Folder);
        std::swap(m_Name, other.m_Name);
        return *this;
    }
    ~FileAt();

    int Folder() const { return m_Folder; }
    const char* Name() const { return m_Name.c_str(); }
    // Hands the folder's descriptor over to the caller, who closes it.
    int Release() { return std::exchange(m_Folder, -1); }

private:
    int m_Folder;
    std::string m_Name;
};

// Where the path leads when every link on it, at any of its names, is followed
// only from a folder that OnlyUserMayWrite: another user cannot plant a link,
// or move one of this user's own into a shared folder, to turn a save, a delete
// or an open into one elsewhere. This is stricter than the kernel's rule for
// sticky folders on purpose. Each name is looked up on the descriptor of the
// folder before it and each link read through a descriptor of the link itself,
// never by resolving a path and trusting it later. A relative path starts at
// `from`, a relative link target at the link's folder. Gives the folder
// holding the last name and that name, which is not a link: it may be absent
// (a file made there), a file or a folder ("." when the path ends at a
// folder). Returns nullopt with errno set when a name on the way is missing or
// no folder (ENOENT, ENOTDIR), a link may not be followed (EACCES), or after
// 40 links (ELOOP).
std::optional<FileAt> FollowTrustedLinks(const std::string& path, int from = AT_FDCWD);

// The folder the path names, reached as FollowTrustedLinks reaches it and held
// open (O_PATH); -1 with errno set when it cannot be reached or is no folder.
int OpenTrustedFolder(const std::string& path, int from = AT_FDCWD);

// The identity of the regular file path names, reached through trusted links
// only, as handed to the browser; nullopt when there is none, or something
// else (a folder, a FIFO, a device, a socket). ownFolder also asks that the
// folder holding it OnlyUserMayWrite, for a file that nobody else may have put there.
std::optional<FileIdentity> TrustedRegularFile(const std::string& path, bool ownFolder = false);

} // namespace zumi
