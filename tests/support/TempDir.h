#pragma once

#include <functional>
#include <set>
#include <string>
#include <sys/types.h>

// A fresh folder under the system's temporary folder, removed with its contents
// when the object goes. Readable by every user, so unprivileged children can reach it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_Path; }
    std::string operator/(const std::string& name) const { return m_Path + "/" + name; }

    // Creates an empty file (or folder) at the relative path and returns its full path.
    std::string File(const std::string& name, mode_t mode = 0644) const;
    std::string Folder(const std::string& name, mode_t mode = 0755) const;

private:
    std::string m_Path;
};

// Makes the folder the process's working directory, where panes made next
// start; throws when it cannot be entered.
void WorkIn(const std::string& folder);

// Runs the step in a forked child process and returns the text the step produced.
std::string InChildProcess(const std::function<std::string()>& step);

// Runs the step in a child process that has dropped root for the user "nobody",
// so permission bits apply to it, and returns the text the step produced.
std::string AsUnprivilegedUser(const std::function<std::string()>& step);

// The same as the user of that uid (with a group of the same number); uid 0 runs the step as root.
std::string AsUser(uid_t uid, const std::function<std::string()>& step);

// A second unprivileged user, with no account: neither root nor "nobody".
constexpr uid_t SecondUid = 64001;

// The uid and gid of "nobody".
uid_t NobodyUid();
gid_t NobodyGid();

// The whole file's bytes; empty when it cannot be read.
std::string Contents(const std::string& path);
// Creates or replaces the file with the text.
void Write(const std::string& path, const std::string& text);
// The names in the folder, "." and ".." included.
std::set<std::string> Entries(const std::string& folder);

// Moves this process into a mount namespace of its own, so that the mounts it
// makes (a FUSE volume, say) reach no other test running beside it; false when
// that cannot be done.
bool InOwnMountNamespace();
