#pragma once

#include <string>
#include <vector>

// The flushes to disk and the renames the test process has made since the last
// ClearSyncCalls, in order: "sync <path>" for fsync or fdatasync on the file at
// path, "link <from> <to>" for a name given to a file, "rename <from> <to>".
// A file with no name yet has the path "<folder>/#<inode> (deleted)". The test programs that link this see every such
// call of the code under test, which goes on to the system as usual.
std::vector<std::string> SyncCalls();
void ClearSyncCalls();
