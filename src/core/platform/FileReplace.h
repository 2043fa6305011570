#pragma once

#include <string>
#include <string_view>

namespace zumi {

// Replaces the file at path with the text, all or nothing: the text goes to a
// hidden temporary file beside it, which is synced and renamed over it. An
// existing file keeps its permissions, and a file that is a link is replaced
// where the link points. Throws CreateError when the file (or its temporary)
// cannot be created or the file is not writable, WriteError when the text does
// not fit on the disk; either way nothing on disk has changed.
void ReplaceFile(const std::string& path, std::string_view text);

} // namespace zumi
