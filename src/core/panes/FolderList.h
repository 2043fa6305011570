#pragma once

#include "platform/Collation.h"
#include "platform/FolderReading.h"
#include "platform/FolderWatch.h"
#include "platform/WorkAside.h"

#include <functional>
#include <memory>
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
    ~FolderList();
    FolderList(const FolderList&) = delete;
    FolderList& operator=(const FolderList&) = delete;

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
    // opened throws IOError and changes nothing; nor, read in place, one that cannot be read.
    // With aside set too, its subfolders are read on a thread of its own (unless
    // none can be had): the rows at once hold the folder's levels down to its
    // own, and FinishReadAside adds its subfolders.
    void ChangeFolder(const std::string& path, bool rebuild, bool aside = false);

    // Builds the rows for the current folder; on failure the old rows stay.
    void RebuildFolders();

    // Readable once a read aside has ended; the same descriptor for the list's life, -1 if it has none.
    int ReadAsideDescriptor() const { return m_Work.Descriptor(); }
    bool ReadingAside() const { return m_ReadAside != nullptr; }
    // Waits for the read aside, if any, and adds the subfolders it found,
    // watched from before it read. When it failed this throws its IOError, and
    // the rows keep only the levels.
    void FinishReadAside();

    // The folder watch's descriptor, readable when the folder may have changed:
    // the owner then calls ReadWatchEvents. It changes whenever the rows are
    // built; -1 when nothing is watched (also while a read aside runs, whose
    // watch, set before it read, is kept with what it found).
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
    struct ReadAside;

    // The rows of a folder's levels, from the root down to its own.
    static std::vector<FolderRow> LevelRows(const std::string& folder);
    // The rows of a folder and the index of its current row.
    std::vector<FolderRow> BuildRows(const std::string& folder, FolderReader& reader, bool caseSensitive,
                                     size_t& currentRow, FolderWatch& watch) const;
    // The folder's visible subfolders, sorted. The folder's links' targets are
    // watched too, so that a link's row can follow its target. A read stopped
    // part-way (FolderReader::StopOn) returns none.
    std::vector<std::string> Subfolders(FolderReader& reader, bool caseSensitive, FolderWatch& watch) const;
    bool StartReadAside(const std::string& folder, bool caseSensitive, std::unique_ptr<FolderReader>& reader);
    // Ends the read aside, if any, at its next entry, and forgets it.
    void DropReadAside();

    Collation m_Collation;
    std::string m_FolderPath;
    bool m_CaseSensitive;
    std::vector<FolderRow> m_Rows;
    size_t m_CurrentRow = 0;
    FolderWatch m_Watch; // on the folder since before m_Rows were built
    ApplyFn m_Apply = [](const std::function<void()>& change) { change(); };
    std::unique_ptr<ReadAside> m_ReadAside; // the subfolders being read on their own thread, see ReadAside
    WorkAside m_Work;                       // runs it; last, so that it stops first
};

} // namespace zumi
