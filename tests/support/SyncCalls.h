#pragma once

#include <functional>
#include <string>
#include <vector>

// The flushes to disk and the renames the test process has made since the last
// ClearSyncCalls, in order: "sync <path>" for fsync or fdatasync on the file at
// path, "link <from> <to>" for a name given to a file, "rename <from> <to>".
// A file with no name yet has the path "<folder>/#<inode> (deleted)". The test programs that link this see every such
// call of the code under test, which goes on to the system as usual.
std::vector<std::string> SyncCalls();
void ClearSyncCalls();

// Runs the step once, just before the next such call of the code under test
// goes on to the system: "sync" for fsync, "open PATH" for open of that
// path, "enter" for chdir or fchdir.
// It holds a moment open in which another program changes the disk.
void BeforeNextCall(const std::string& call, std::function<void()> step);
