#pragma once

#include <optional>
#include <string>
#include <utility>

namespace zumi {

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

private:
    int m_Folder;
    std::string m_Name;
};

// The file that path names, reached by following a link in its place, and
// the link that one names, only where the folder holding each link would
// allow it: the link belongs to this user or to that folder's owner. That is
// the rule the kernel applies in sticky world-writable folders such as /tmp,
// here applied in every folder, so that another user who may write a shared
// folder cannot plant a link that turns a save into a write elsewhere. Each
// link is checked and read through a descriptor of the link itself, never by
// resolving a path and trusting it later. Returns nullopt when a link may not
// be followed (or there are more than 40 in a row); a folder on the way that
// cannot be opened gives a FileAt whose folder is -1.
std::optional<FileAt> FollowTrustedLinks(const std::string& path);

// Whether path names a file (not a folder) reached through trusted links only,
// as FollowTrustedLinks decides: what may be handed to the browser.
bool IsTrustedFile(const std::string& path);

} // namespace zumi
