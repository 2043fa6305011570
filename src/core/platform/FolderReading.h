#pragma once

#include "platform/TrustedLinks.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Folders and their entries as the panes see them. Paths and names are bytes
// (UTF-8 on Linux, but any byte sequence passes through untouched).
namespace zumi {

// The attribute bits of a folder entry, and, as a set of them (TFileType),
// which entries a file list admits.
enum TFileAttr : unsigned {
    ftReadOnly = 0x01,  // not writable by this user
    ftHidden = 0x02,    // the name starts with "."
    ftSystem = 0x04,    // neither a regular file nor a folder, or a link that points nowhere
    ftVolumeID = 0x08,  // never set on Linux
    ftDirectory = 0x10, // a folder, or a link to one
    ftArchive = 0x20,   // never set on Linux
    ftNormal = 0x40,    // never an entry's: a file list with it admits every entry without the special bits
};
using TFileType = unsigned;

bool FolderExists(const std::string& path);

// True when the path names something that exists and is not a folder.
bool FileExists(const std::string& path);

// Reads a folder's entries once, in the file system's order, without "." and "..",
// many entries to a system call, through a descriptor of its own of the folder
// that `folder` holds (which may be an O_PATH descriptor). The read-only bit costs a system call per
// entry, so it is worked out only when asked for. A folder that cannot be
// opened or read throws zumi::IOError.
class FolderReader {
public:
    FolderReader(int folder, bool wantReadOnly);
    ~FolderReader();
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;

    // The next entry's name (valid until the following call) and attributes; false at the end.
    bool Next(std::string_view& name, unsigned& attributes);
    // The names of the links among the entries Next gave, pointing anywhere or nowhere.
    const std::vector<std::string>& Links() const { return m_Links; }

    // The folder read.
    FileIdentity Identity() const { return IdentityOf(m_Fd); }

    // Ends the read early: once the flag is set, Next gives no more entries.
    void StopOn(const std::atomic<bool>* stop) { m_Stop = stop; }
    bool Stopped() const { return m_Stop && m_Stop->load(std::memory_order_relaxed); }

    // While held, every reader's next directory read waits until released or
    // the reader is stopped, for 10 s at most: a disk as slow as a test needs.
    static void HoldReads(bool hold);

    // One entry's attributes, looked up by name (not read in turn); false when
    // it does not exist. link, when given, tells whether the entry is a link.
    bool Entry(const std::string& name, unsigned& attributes, bool* link = nullptr) const;

private:
    int m_Fd;
    bool m_WantReadOnly;
    std::unique_ptr<char[]> m_Buffer;
    size_t m_Position = 0;
    size_t m_End = 0;
    std::vector<std::string> m_Links;
    const std::atomic<bool>* m_Stop = nullptr;
};

} // namespace zumi
