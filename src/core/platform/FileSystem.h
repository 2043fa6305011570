#pragma once

#include <functional>
#include <string>
#include <string_view>

// The file system as the panes see it. Paths and names are bytes (UTF-8 on
// Linux, but any byte sequence passes through untouched). Failures throw
// zumi::IOError.
namespace zumi {

// Attribute bits of a folder entry, numbered as the file list's filter expects.
enum FileAttribute : unsigned {
    faReadOnly = 0x01,  // not writable by this user
    faHidden = 0x02,    // the name starts with "."
    faSystem = 0x04,    // neither a regular file nor a folder, or a link that points nowhere
    faVolumeID = 0x08,  // never set on Linux
    faDirectory = 0x10, // a folder, or a link to one
    faArchive = 0x20,   // never set on Linux
};

// The working directory as an absolute path, with no "/" at the end except for the root.
std::string CurrentDirectory();

// The working directory, or the root when it has been removed under us.
std::string CurrentDirectoryOrRoot();

void ChangeDirectory(const std::string& path);

// Makes path the working directory, taking a relative path from the folder
// `from` when that still exists, and runs read on the folder entered. When
// entering or reading fails, the working directory goes back to `from` and the
// IOError propagates, so the caller can keep its state. Returns the folder entered.
std::string EnterFolder(const std::string& from, const std::string& path,
                        const std::function<void(const std::string& folder)>& read);

bool FolderExists(const std::string& path);

// True when the path names something that exists and is not a folder.
bool FileExists(const std::string& path);

// The folder followed by the name, with exactly one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// True when the volume holding the path matches names ignoring letter case
// (FAT, exFAT, NTFS, SMB); false for the case-sensitive rest or when unknown.
bool VolumeIgnoresCase(const std::string& path);

// Reads a folder's entries once, in the file system's order, without "." and "..".
// The read-only bit costs a system call per entry, so it is worked out only when asked for.
using FolderEntryFn = std::function<void(std::string_view name, unsigned attributes)>;
void ReadFolder(const std::string& path, bool wantReadOnly, const FolderEntryFn& onEntry);

// The path with its file name's extension (from the name's last ".") replaced
// by the given one, or the extension appended when the name has no ".".
std::string ChangeFileExtension(const std::string& path, std::string_view extension);

// Replaces the file at path with the text, all or nothing: the text goes to a
// hidden temporary file beside it, which is synced and renamed over it. An
// existing file keeps its permissions, and a file that is a link is replaced
// where the link points. Throws CreateError when the file (or its temporary)
// cannot be created or the file is not writable, WriteError when the text does
// not fit on the disk; either way nothing on disk has changed.
void ReplaceFile(const std::string& path, std::string_view text);

} // namespace zumi
