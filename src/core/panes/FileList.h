#pragma once

#include "panes/FolderNames.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zumi {

// True for names whose extension marks a program (.exe, .com, .bat, .pif, any case).
bool IsProgramName(std::string_view name);

// The files of one folder whose names match a mask of ";"-separated wildcard
// pieces, sorted. A file that two pieces match stands twice, in adjacent rows.
// The folder's entries are kept and followed (zumi::FolderNames), so that a
// re-read for another mask reads nothing from disk while the folder has not
// changed; this is the mask and the rows it makes of them.
class FileList {
public:
    // Starts on the process's working directory with the mask "*.*", ordering rows by the given collation locale.
    explicit FileList(const std::string& collationLocale = Collation::UserLocale());
    ~FileList();

    const std::string& FolderPath() const { return m_Names.Path(); }
    const std::string& Mask() const { return m_Mask; }
    TFileType FileType() const { return m_Names.FileType(); }
    size_t RowCount() const { return m_Rows.size(); }
    // A row's text, valid until the rows next change.
    std::string_view Row(size_t row) const { return m_Names.Kept().texts[m_Rows[row]]; }
    // Whether the row is a folder's, "[name]"; a file may have such a name too.
    bool RowIsFolder(size_t row) const { return m_Names.Kept().folders[m_Rows[row]]; }
    // The rows' texts, copied.
    std::vector<std::string> Rows() const;

    // Called once per listing, as soon as a 101st row is found, so that a caller
    // can show that a long listing is under way.
    using BusyFn = std::function<void()>;

    // Every change of the rows runs through apply, after the new rows are in
    // hand (by default it runs the change at once). A view passes one that wraps
    // the change in its own update, so a failed listing leaves the view untouched.
    using ApplyFn = std::function<void(const std::function<void()>& change)>;
    void SetApply(ApplyFn apply) { m_Apply = std::move(apply); }

    // True when the path is the listed folder's: compared exactly on a
    // case-sensitive volume, ignoring case otherwise.
    bool IsFolderPath(const std::string& path) const { return m_Names.IsPath(path); }

    // Moves to another folder and returns true; a path for which IsFolderPath
    // holds returns false and does nothing. A relative path is taken from the listed folder.
    // With reread set the new folder is also listed. A folder that cannot be
    // entered or opened throws IOError and changes nothing; nor, read in place, one that cannot be read.
    // With aside set too, the new folder is read on a thread of its own, as
    // ReadingAside then tells (unless no thread could be had): the list has
    // moved and holds no rows until FinishReadAside keeps what the read found.
    bool SetFolderPath(const std::string& path, bool reread, const BusyFn& busy = {}, bool aside = false);

    // These store the new value and return true when it differs (letter case
    // included); the caller then re-reads.
    bool SetMask(const std::string& mask);
    bool SetFileType(TFileType fileType);

    // Lists the folder again. When the folder cannot be entered or read this
    // throws IOError and keeps the old rows. While a read aside runs, that read
    // lists the folder again: this only matches the kept names with the mask
    // now, and the read's names are matched with the mask of the moment they are kept.
    void RereadFiles(const BusyFn& busy = {});

    // Brings the rows up to date with the disk as RereadFiles does, except that
    // a whole read of a large folder, which would hold the caller for as long
    // as it takes, runs aside on a thread of its own: then this returns true at
    // once with the rows as they were, and FinishReadAside keeps what it found.
    bool FollowDisk();
    // Readable once a read aside has ended; the same descriptor for the list's life, -1 if it has none.
    int ReadAsideDescriptor() const { return m_Names.ReadAsideDescriptor(); }
    bool ReadingAside() const { return m_Names.ReadingAside(); }
    // Waits for the read aside, if any, and keeps its names and watch. When the
    // read failed this throws its IOError and keeps the old rows.
    void FinishReadAside() { m_Names.FinishReadAside(); }

    // The folder watch's descriptor, readable when the folder may have changed:
    // the owner then calls ReadWatchEvents. It changes with every read from
    // disk; -1 when no inotify watch is set (the folder is then polled, see NeedsPolling).
    int WatchDescriptor() const { return m_Names.WatchDescriptor(); }
    // Whether no watch tells of every change, so the owner calls ReadWatchEvents now and then (zumi::FolderWatch).
    bool NeedsPolling() const { return m_Names.NeedsPolling(); }
    // Reads the watch's pending events and returns true when the folder has
    // changed since the names were read, so that a re-read would bring the
    // rows up to date: it looks up the entries the watch named one by one, or
    // after a lost event or the end of the watch reads the whole folder.
    bool ReadWatchEvents() { return m_Names.ReadWatchEvents(); }

    // The folder the rows were read from, which a page of them must be written into; all zero before a read.
    FileIdentity FolderIdentity() const { return m_Names.Kept().folder; }

    // FolderPath joined with the row's text.
    std::string PathOf(size_t row) const;

private:
    // Which names a mask's piece matches, a bit a name, for the first `covered`
    // names. Names are only ever added while the same entries are followed, so
    // the bits stay true: a mask edited a letter at a time matches only its
    // edited piece against every name, and a follow only the names it added.
    struct PieceMatches {
        std::vector<uint64_t> bits;
        size_t covered = 0;
        size_t lastUsed = 0; // the Match that last used them
    };

    // What the mask's pieces make of the kept entries; replaced with them.
    struct Counts {
        // The matches of the pieces of the last masks, by the piece's text.
        std::map<std::string, PieceMatches, std::less<>> matches;
        // How many of the pieces counted (sorted) each name matches, for the names up to hits.size().
        std::vector<uint32_t> hits;
        std::vector<std::string> counted;
    };

    using Entries = FolderNames::Entries;

    // Tells the reading names that a listing is busy, once they would make a 101st row.
    FolderNames::SeenFn Seen(const BusyFn& busy) const;
    // Makes entries read whole, and the rows they match, the list's.
    void Keep(Entries& fresh, const std::function<void()>& install);
    // Matches the kept entries again and shows the rows.
    void Rematch(const BusyFn& busy);
    void Match(const Entries& names, Counts& counts, const BusyFn& busy);
    void Count(const Entries& names, Counts& counts, const std::vector<std::string_view>& pieces);
    const PieceMatches& Matches(const Entries& names, Counts& counts, std::string_view text, PieceMatches& spare) const;
    static void Add(Counts& counts, const PieceMatches& piece, size_t from, int step);
    static void Cover(PieceMatches& piece, std::string_view text, const Entries& names);

    std::string m_Mask = "*.*";
    FolderNames m_Names;               // the folder's entries, which the rows index
    Counts m_Counts;                   // of m_Names' kept entries
    std::vector<uint32_t> m_Rows;      // indices into the entries, one per matching piece
    std::vector<uint32_t> m_SpareRows; // the rows being made, then the rows before
    size_t m_Matches = 0;              // how many times Match has run
    ApplyFn m_Apply = [](const std::function<void()>& change) { change(); };
};

} // namespace zumi
