#include "panes/FolderList.h"

#include "panes/Wildcard.h"
#include "platform/FileSystemKinds.h"
#include "platform/FolderReading.h"
#include "platform/Paths.h"
#include "platform/WorkingDirectory.h"

#include <algorithm>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

namespace zumi {

std::string SplitFolderPath(const std::string& text, const std::string& from) {
    std::string path = text;
    if (path.size() >= 2 && path.front() == '[' && path.back() == ']')
        path = path.substr(1, path.size() - 2);
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const EnteredFolder folder = EnterFolder(slash == std::string::npos ? "."
                                             : slash == 0               ? "/"
                                                                        : path.substr(0, slash),
                                             from);
    // Linux allows "*" and "?" in a folder's name: only a wildcard name that
    // is not an existing folder is dropped.
    struct stat st;
    const bool found = !name.empty() && fstatat(folder.Descriptor(), name.c_str(), &st, 0) == 0;
    if ((found && S_ISDIR(st.st_mode)) || (!found && !name.empty() && name.find_first_of("*?") == std::string::npos))
        return EnterFolder(name, folder).Path();
    return folder.Path();
}

FolderList::FolderList(const std::string& collationLocale)
    : m_Collation(collationLocale), m_FolderPath(CurrentDirectoryOrRoot()),
      m_CaseSensitive(!VolumeIgnoresCase(m_FolderPath)) {}

// The subfolders of a folder read by m_Work (see WorkAside for who owns what
// when): the job reads with the reader and the watch given and the collation,
// which the list's thread leaves as it is, and fills the names or the failure.
struct FolderList::ReadAside {
    FolderWatch watch;
    std::unique_ptr<FolderReader> reader;
    bool caseSensitive;
    std::vector<std::string> names;
    std::exception_ptr failure;
};

FolderList::~FolderList() {
    DropReadAside();
}

bool FolderList::IsFolderPath(const std::string& path) const {
    return path == m_FolderPath || (!m_CaseSensitive && NamesEqualIgnoringCase(path, m_FolderPath));
}

void FolderList::ChangeFolder(const std::string& path, bool rebuild, bool aside) {
    const EnteredFolder entered = EnterFolder(path, m_FolderPath);
    std::string folder = entered.Path();
    const bool caseSensitive = !VolumeIgnoresCase(folder);
    std::vector<FolderRow> rows;
    size_t currentRow = 0;
    FolderWatch watch;
    // Opened first, so that a folder this user may not read is refused before anything changes.
    std::unique_ptr<FolderReader> reader =
        rebuild ? std::make_unique<FolderReader>(entered.Descriptor(), false) : nullptr;
    DropReadAside(); // of the folder being left
    if (rebuild && aside && StartReadAside(folder, caseSensitive, reader)) {
        rows = LevelRows(folder);
        currentRow = rows.size() - 1;
    } else if (rebuild) {
        watch.Watch(folder);
        rows = BuildRows(folder, *reader, caseSensitive, currentRow, watch);
    }
    const auto move = [&] {
        m_FolderPath.swap(folder);
        m_CaseSensitive = caseSensitive;
    };
    if (!rebuild) {
        m_Watch = std::move(watch); // watches nothing until the rows are built
        return move();
    }
    m_Apply([&] {
        move();
        m_Rows.swap(rows);
        m_CurrentRow = currentRow;
    });
    m_Watch = std::move(watch);
}

// False when no thread can be had, and the reader is left to the caller.
bool FolderList::StartReadAside(const std::string& folder, bool caseSensitive, std::unique_ptr<FolderReader>& reader) {
    auto job = std::make_unique<ReadAside>();
    job->watch.Watch(folder);
    job->caseSensitive = caseSensitive;
    reader->StopOn(&m_Work.Stopping());
    const bool started = m_Work.Start([this, job = job.get(), reader = reader.get()] {
        try {
            job->names = Subfolders(*reader, job->caseSensitive, job->watch);
        } catch (...) {
            job->failure = std::current_exception();
        }
    });
    if (!started) {
        reader->StopOn(nullptr); // the caller reads in place, never stopped
        return false;
    }
    job->reader = std::move(reader);
    m_ReadAside = std::move(job);
    return true;
}

void FolderList::FinishReadAside() {
    if (!m_ReadAside)
        return;
    m_Work.Join();
    const std::unique_ptr<ReadAside> job = std::move(m_ReadAside);
    if (job->failure)
        std::rethrow_exception(job->failure);
    std::vector<FolderRow> rows = m_Rows;
    for (std::string& name : job->names)
        rows.push_back({std::move(name), FolderRowKind::Subfolder});
    m_Apply([&] { m_Rows.swap(rows); });
    m_Watch = std::move(job->watch);
}

void FolderList::DropReadAside() {
    m_Work.Stop();
    m_ReadAside.reset();
}

void FolderList::RebuildFolders() {
    DropReadAside(); // read again here
    size_t currentRow = 0;
    FolderWatch watch;
    watch.Watch(m_FolderPath);
    const EnteredFolder entered = EnterFolder(m_FolderPath);
    FolderReader reader(entered.Descriptor(), false);
    std::vector<FolderRow> rows = BuildRows(m_FolderPath, reader, m_CaseSensitive, currentRow, watch);
    m_Apply([&] {
        m_Rows.swap(rows);
        m_CurrentRow = currentRow;
    });
    m_Watch = std::move(watch);
}

FolderList::DiskChange FolderList::ReadWatchEvents() {
    if (m_ReadAside)
        return DiskChange::None; // its own watch, set before it read, tells of changes once it is kept
    const FolderNews news = m_Watch.Read();
    if (news.ended)
        return DiskChange::Folder;
    // A link to a folder is listed as a subfolder but reported as a file: a
    // name that is a folder or a link now (whose target is then watched), or
    // was listed as one, counts too.
    const auto subfolder = [&](const FolderNews::Entry& entry) {
        struct stat st;
        return entry.folder ||
               (lstat(JoinPath(m_FolderPath, entry.name).c_str(), &st) == 0 &&
                (S_ISDIR(st.st_mode) || S_ISLNK(st.st_mode))) ||
               std::any_of(m_Rows.begin() + static_cast<std::ptrdiff_t>(m_CurrentRow) + 1, m_Rows.end(),
                           [&](const FolderRow& row) { return row.text == entry.name; });
    };
    const bool subfolders =
        news.lost || news.linkTargets || std::any_of(news.entries.begin(), news.entries.end(), subfolder);
    return subfolders ? DiskChange::Subfolders : DiskChange::None;
}

std::vector<FolderRow> FolderList::LevelRows(const std::string& folder) {
    std::vector<FolderRow> rows;
    if (folder == "/")
        return {{folder, FolderRowKind::Current}};
    size_t start = 0;
    for (size_t slash; (slash = folder.find('/', start)) != std::string::npos; start = slash + 1)
        rows.push_back({rows.empty() ? "/" : folder.substr(start, slash - start), FolderRowKind::Level});
    rows.push_back({folder.substr(start), FolderRowKind::Current});
    return rows;
}

std::vector<FolderRow> FolderList::BuildRows(const std::string& folder, FolderReader& reader, bool caseSensitive,
                                             size_t& currentRow, FolderWatch& watch) const {
    std::vector<FolderRow> rows = LevelRows(folder);
    currentRow = rows.size() - 1;
    for (std::string& name : Subfolders(reader, caseSensitive, watch))
        rows.push_back({std::move(name), FolderRowKind::Subfolder});
    return rows;
}

std::vector<std::string> FolderList::Subfolders(FolderReader& reader, bool caseSensitive, FolderWatch& watch) const {
    std::vector<std::string> names;
    std::string_view name;
    unsigned attributes;
    while (reader.Next(name, attributes))
        if ((attributes & (ftDirectory | ftHidden | ftSystem)) == ftDirectory)
            names.emplace_back(name);
    if (reader.Stopped())
        return {};
    watch.WatchLinkTargets(reader.Links());
    m_Collation.Sort(names);
    // A case-insensitive volume may still hand over two spellings of one name; show it once.
    if (!caseSensitive)
        names.erase(std::unique(names.begin(), names.end(), NamesEqualIgnoringCase), names.end());
    return names;
}

std::string FolderList::RowPath(size_t row) const {
    const FolderRow& folderRow = m_Rows.at(row);
    if (row == 0)
        return "/";
    if (folderRow.kind == FolderRowKind::Subfolder)
        return JoinPath(m_FolderPath, folderRow.text);
    if (folderRow.kind == FolderRowKind::Current)
        return m_FolderPath;
    // Level row i ends before the (i + 1)-th "/".
    size_t end = 0;
    for (size_t i = 0; i <= row; ++i)
        end = m_FolderPath.find('/', end + (i > 0 ? 1 : 0));
    return m_FolderPath.substr(0, end);
}

int FolderList::IconOffset(size_t row) const {
    if (m_Rows.at(row).kind != FolderRowKind::Subfolder)
        return 4 * static_cast<int>(row) + 2;
    return 4 * static_cast<int>(std::count(m_FolderPath.begin(), m_FolderPath.end(), '/')) + 6;
}

} // namespace zumi
