#pragma once

#include <functional>
#include <string>

// The process's working directory, through which the panes read their folders.
// Failures throw zumi::IOError.
namespace zumi {

// The working directory as an absolute path, with no "/" at the end except for the root.
std::string CurrentDirectory();

// The working directory, or the root when it has been removed under us.
std::string CurrentDirectoryOrRoot();

// Enters the folder, following a link on the path only where nobody but this
// user and root could have put it (zumi::FollowTrustedLinks): the panes never
// follow another user's link on their own.
void ChangeDirectory(const std::string& path);

// The path with every link on it followed as the kernel follows it, for a
// folder the user chose by hand: the path unchanged when it leads nowhere.
std::string ResolvedPath(const std::string& path);

// Makes path the working directory, taking a relative path from the folder
// `from` when that still exists, and runs read on the folder entered. When
// entering or reading fails, the working directory goes back to `from` and the
// IOError propagates, so the caller can keep its state. Returns the folder entered.
std::string EnterFolder(const std::string& from, const std::string& path,
                        const std::function<void(const std::string& folder)>& read);

} // namespace zumi
