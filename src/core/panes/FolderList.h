#pragma once

#include "platform/Collation.h"
#include "platform/FolderWatch.h"

#include <functional>
#include <string>
#include <vector>

namespace zumi {

enum class FolderRowKind { Level, Current, Subfolder };

struct FolderRow {
    std::string text;
    FolderRowKind kind;
};

// Reads a folder text the way the folder list accepts it and tests that it can
// be entered: "[name]" stands for name; a relative text is taken from the
// folder `from`; a last component that names a file, or holds "*" or "?"
// without naming a folder, is dropped, leaving the folder that holds it.
// Returns the folder as an absolute path; throws IOError when a component
// cannot be entered.
std::string SplitFolderPath(const std::string& text, const std::string& from);

// The current folder as a chain of levels from the root down ("/", "home",
// "taro", then the current "pics"), followed by its visible subfolders in
// locale order. Every move enters the folder (zumi::EnterFolder), and the
// folder path is always the path it was entered by, with links resolved.
// The folder is watched from the time its rows are built, so that the rows can
// follow subfolders made or removed by other programs.
class FolderList {
public:
    // Starts on the process's working directory, with no rows until they are built.
    explicit FolderList(const std::string& collationLocale = Collation::UserLocale());

    const std::string& FolderPath() const { return m_FolderPath; }
    // Whether the current folder's volume tells names apart by letter case.
    bool CaseSensitive() const { return m_CaseSensitive; }
    const std::vector<FolderRow>& Rows() const { return m_Rows; }
    size_t CurrentRow() const { return m_CurrentRow; }

    // Every change of the rows runs through apply, after the new rows are in
    // hand (by default it runs the change at once), so that a view can wrap it
    // in its own update.
    using ApplyFn = std::function<void(const std::function<void()>& change)>;
    void SetApply(ApplyFn apply) { m_Apply = std::move(apply); }

    // True when the path names the current folder by the volume's case rule.
    bool IsFolderPath(const std::string& path) const;

    // Moves to the folder (a relative path is taken from the current one), with
    // the rows built anew when rebuild is set. A folder that cannot be entered or
    // read throws IOError and changes nothing.
    void ChangeFolder(const std::string& path, bool rebuild);

    // Builds the rows for the current folder; on failure the old rows stay.
    void RebuildFolders();

    // The folder watch's descriptor, readable when the folder may have changed:
    // the owner then calls ReadWatchEvents. It changes whenever the rows are
    // built; -1 when nothing is watched.
    int WatchDescriptor() const { return m_Watch.Descriptor(); }
    // Whether no watch tells of every change, so the owner calls ReadWatchEvents now and then (zumi::FolderWatch).
    bool NeedsPolling() const { return m_Watch.NeedsPolling(); }
    // What the watch's pending events mean for the rows: nothing, subfolders
    // come or gone (or events lost), or the folder itself removed, moved away or unmounted.
    enum class DiskChange { None, Subfolders, Folder };
    DiskChange ReadWatchEvents();

    // The folder a row stands for: the root, a level above, the current folder or a subfolder.
    std::string RowPath(size_t row) const;

    // How far a row's icon is drawn from the left: one step of 4 pixels per
    // level, with subfolders one step in from the deepest level.
    int IconOffset(size_t row) const;

private:
    // The rows of a folder and the index of its current row.
    // The folder's links' targets are watched too, so that a link's row can follow its target.
    std::vector<FolderRow> BuildRows(const std::string& folder, int descriptor, bool caseSensitive, size_t& currentRow,
                                     FolderWatch& watch) const;

    Collation m_Collation;
    std::string m_FolderPath;
    bool m_CaseSensitive;
    std::vector<FolderRow> m_Rows;
    size_t m_CurrentRow = 0;
    FolderWatch m_Watch; // on the folder since before m_Rows were built
    ApplyFn m_Apply = [](const std::function<void()>& change) { change(); };
};

} // namespace zumi
