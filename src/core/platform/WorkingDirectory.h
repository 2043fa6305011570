#pragma once

#include <string>
#include <utility>

// The folders the panes list. Each is held by its path and entered through a
// descriptor only while it is read: the process's own working directory stays
// at the root, so that it holds no volume busy and a stick whose folder is
// listed can be unmounted. Failures throw zumi::IOError.
namespace zumi {

// The working directory as an absolute path, with no "/" at the end except for the root.
std::string CurrentDirectory();

// The working directory, or the root when it has been removed under us.
std::string CurrentDirectoryOrRoot();

// Makes the root the working directory, once the panes have taken the folder
// they start on from it.
void LeaveForRoot();

// A folder entered: a descriptor of it (O_PATH, for the *at calls) and its
// path with every link resolved. The descriptor closes with it.
class EnteredFolder {
public:
    EnteredFolder(int descriptor, std::string path) : m_Descriptor(descriptor), m_Path(std::move(path)) {}
    ~EnteredFolder();
    EnteredFolder(const EnteredFolder&) = delete;
    EnteredFolder& operator=(const EnteredFolder&) = delete;

    int Descriptor() const { return m_Descriptor; }
    const std::string& Path() const { return m_Path; }

private:
    int m_Descriptor;
    std::string m_Path;
};

// Enters the folder, following a link on the path only where nobody but this
// user and root could have put it (zumi::FollowTrustedLinks): the panes never
// follow another user's link on their own. A relative path is taken from the
// folder `from`, which is entered the same way.
EnteredFolder EnterFolder(const std::string& path, const std::string& from = "/");
EnteredFolder EnterFolder(const std::string& path, const EnteredFolder& from);

// The path with every link on it followed as the kernel follows it, for a
// folder the user chose by hand: the path unchanged when it leads nowhere.
std::string ResolvedPath(const std::string& path);

} // namespace zumi
