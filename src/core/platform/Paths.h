#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Paths as strings, never looked up on disk. Paths are bytes (UTF-8 on Linux,
// but any byte sequence passes through untouched).
namespace zumi {

// The folder followed by the name, with exactly one "/" between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// The folder part of a path ("." when there is none, "/" for a name under the
// root) and its last name.
std::pair<std::string, std::string> SplitFileName(const std::string& path);

// Puts the path's names on a stack of names still to be looked up, so that its
// first name is on top; empty names and "." are left out.
void PushNames(std::vector<std::string>& stack, std::string_view path);

// The path with its file name's extension (from the name's last ".") replaced
// by the given one, or the extension appended when the name has no ".".
std::string ChangeFileExtension(const std::string& path, std::string_view extension);

} // namespace zumi
