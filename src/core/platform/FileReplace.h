#pragma once

#include "platform/TrustedLinks.h"

#include <functional>
#include <string>
#include <string_view>

namespace zumi {

// Takes a file's text piece by piece, in order.
using TextSink = std::function<void(std::string_view)>;
using TextWriter = std::function<void(const TextSink&)>;

// Replaces the file at path with the text that write gives its sink, all or
// nothing: the text goes to a temporary file beside it, in blocks as they
// fill, and is synced and renamed over the file. Only a regular file is
// replaced; it keeps its permissions when it is this user's own, but never a
// set-id or sticky bit. Links on the path are followed only as
// zumi::FollowTrustedLinks allows. With folder given, the folder the path names
// must be that one, checked on the descriptor the file is then written through.
// Throws CreateError when the file (or its temporary) cannot be created, is
// not writable or not a regular file, or the folder is another, before write
// runs; the sink throws WriteError when the text does not fit on the disk. On
// any failure, or an exception from write, the temporary is gone and the file
// is as it was. Returns the new file's identity.
FileIdentity ReplaceFile(const std::string& path, const TextWriter& write, const FileIdentity* folder = nullptr);

// The same with the whole text at once.
FileIdentity ReplaceFile(const std::string& path, std::string_view text);

// The same for a name already reached (path names it in messages), replaced
// only while what stands at the name is still expected, when given (all zero:
// nothing), so that a file read and then replaced is one file.
FileIdentity ReplaceFileAt(const FileAt& file, const std::string& path, const TextWriter& write,
                           const FileIdentity* expected);

} // namespace zumi
