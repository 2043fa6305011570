#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zumi {

// Takes a file's text piece by piece, in order.
using TextSink = std::function<void(std::string_view)>;

// Replaces the file at path with the text that write gives its sink, all or
// nothing: the text goes to a temporary file beside it, in blocks as they
// fill, and is synced and renamed over the file. An existing file keeps its
// permissions. A file that is a link is replaced where the link points, when
// the link is one its folder's owner would let this user follow
// (zumi::FollowTrustedLinks); another user's link in a shared folder is not
// followed and the save fails. Throws CreateError when the file (or its
// temporary) cannot be created or the file is not writable, before write
// runs; the sink throws WriteError when the text does not fit on the disk. On
// any failure, or an exception from write, the temporary is gone and the file
// is as it was.
void ReplaceFile(const std::string& path, const std::function<void(const TextSink&)>& write);

// The same with the whole text at once.
void ReplaceFile(const std::string& path, std::string_view text);

} // namespace zumi
