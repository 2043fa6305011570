#pragma once

#include "platform/Collation.h"
#include "platform/FolderReading.h"
#include "platform/FolderWatch.h"
#include "platform/WorkAside.h"
#include "platform/WorkingDirectory.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zumi {

// The entries of one folder that a file type admits, kept up to date with the
// disk: read whole, in place or on a thread of its own, or followed name by
// name from the folder watch's news. The folder is held by its path and
// entered afresh for every read (zumi::EnterFolder). A whole read is handed to
// the owner's KeepFn, which makes it the kept entries when it suits the owner.
class FolderNames {
public:
    // The entries as rows' texts ("[name]" for a folder), in the file system's
    // order, and the order they sort in. While the same entries are followed
    // texts are only ever added (a removed name's bytes stay, out of the
    // order), so an index names the same text until a whole read replaces them.
    struct Entries {
        PackedNames texts;
        std::vector<bool> folders;
        std::vector<uint32_t> order;
        // Every link in the folder, listed or not: a change of its target changes its row.
        std::vector<std::string> links;
        FileIdentity folder; // the folder they were read from
    };

    // Given entries read whole and the step that makes them the kept ones
    // (after which `fresh` holds the entries that were kept before).
    using KeepFn = std::function<void(Entries& fresh, const std::function<void()>& install)>;
    // Told each admitted name as a read in place meets it, until it returns true.
    using SeenFn = std::function<bool(std::string_view name)>;
    // How a follow brought the entries up to date.
    enum class Followed {
        ByName, // in place, from the watch's news (perhaps nothing changed)
        Whole,  // by a whole read, handed to the KeepFn
        Aside,  // a whole read runs on a thread of its own: see FinishReadAside
    };

    // Starts on the process's working directory, ordering entries by the given collation locale.
    FolderNames(const std::string& collationLocale, KeepFn keep);
    ~FolderNames();
    FolderNames(const FolderNames&) = delete;
    FolderNames& operator=(const FolderNames&) = delete;

    const std::string& Path() const { return m_Path; }
    // True when the path is the folder's: compared exactly on a case-sensitive volume, ignoring case otherwise.
    bool IsPath(const std::string& path) const;
    const Entries& Kept() const { return m_Entries; }
    TFileType FileType() const { return m_FileType; }
    // Stores the file type and returns true when it differs; a read aside by the old one is dropped.
    bool SetFileType(TFileType fileType);

    // Moves to another folder; a relative path is taken from this one. With
    // read set the new folder is also read whole: on a thread of its own with
    // aside set too (unless no thread can be had), after empty entries are
    // kept. A folder that cannot be entered or opened throws IOError and
    // changes nothing; nor, read in place, one that cannot be read.
    void Move(const std::string& path, bool read, bool aside, const SeenFn& seen);

    // Brings the entries up to date with the disk, by name where the watch
    // vouches for the rest, else by a whole read (aside when asked and
    // possible). Throws IOError when the folder cannot be entered or read.
    Followed Follow(bool aside, const SeenFn& seen);

    // Readable once a read aside has ended; the same descriptor for the names' life, -1 if none.
    int ReadAsideDescriptor() const { return m_Work.Descriptor(); }
    bool ReadingAside() const { return m_ReadAside != nullptr; }
    // Waits for the read aside, if any, and hands it to the KeepFn with its
    // watch. When the read failed this throws its IOError and keeps the entries.
    void FinishReadAside();

    // The folder watch (see FileList::WatchDescriptor, NeedsPolling, ReadWatchEvents).
    int WatchDescriptor() const { return m_Watch.Descriptor(); }
    bool NeedsPolling() const { return m_Watch.NeedsPolling(); }
    bool ReadWatchEvents();

private:
    struct ReadAside;

    // Reads the folder whole, setting the watch on it first so that no change
    // made during the read goes unseen.
    Entries Read(const EnteredFolder& folder, FolderWatch& watch, const SeenFn& seen) const;
    // The part of a read that may run aside: it uses the reader and the watch
    // given, the file type and the collation, and with seen unset nothing else.
    // A read stopped part-way (FolderReader::StopOn) returns no entries.
    Entries ReadEntries(FolderReader& reader, FolderWatch& watch, const SeenFn& seen) const;
    // Hands a whole read with its watch to the owner, and vouches for it.
    void Keep(Entries& fresh, FolderWatch& watch);
    bool StartReadAside(std::unique_ptr<FolderReader> reader);
    // Waits for the read aside and hands it over; nothing when none is under way.
    std::unique_ptr<ReadAside> JoinReadAside();
    // Ends the read aside, if any, at its next entry, and forgets it.
    void DropReadAside();
    std::unique_ptr<FolderReader> Reader(int folder) const;
    // Whether the file type lists an entry of these attributes.
    bool Admits(unsigned attributes) const;
    // Brings the entries up to date with the names the watch gave; false
    // when so many changed that reading the whole folder is quicker.
    bool FollowEntries(int folder);
    void DropNames(const std::vector<std::string>& changed);
    Entries LookUpEntries(int folder, const std::vector<std::string>& changed) const;
    void MergeNames(const Entries& added);

    Collation m_Collation;
    KeepFn m_Keep;
    std::string m_Path;
    TFileType m_FileType = ftNormal;
    Entries m_Entries;
    FolderWatch m_Watch;    // on the folder since before m_Entries were read
    bool m_Current = false; // m_Entries were read under m_Watch, which has lost no event since (nor stopped)
    std::vector<std::string> m_Changed;     // entries the watch named since m_Entries were brought up to date
    std::unique_ptr<ReadAside> m_ReadAside; // a whole read under way on its own thread, see ReadAside
    WorkAside m_Work;                       // runs it; last, so that it stops first
};

} // namespace zumi
