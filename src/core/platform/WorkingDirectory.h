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

void ChangeDirectory(const std::string& path);

// Makes path the working directory, taking a relative path from the folder
// `from` when that still exists, and runs read on the folder entered. When
// entering or reading fails, the working directory goes back to `from` and the
// IOError propagates, so the caller can keep its state. Returns the folder entered.
std::string EnterFolder(const std::string& from, const std::string& path,
                        const std::function<void(const std::string& folder)>& read);

} // namespace zumi
