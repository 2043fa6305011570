#include "panes/FileList.h"

#include "panes/Wildcard.h"
#include "platform/FolderReading.h"
#include "platform/Paths.h"
#include "platform/Volumes.h"
#include "platform/WorkingDirectory.h"

namespace zumi {

namespace {

constexpr unsigned SpecialAttributes = faHidden | faSystem | faVolumeID | faDirectory;
constexpr size_t BusyRowCount = 101;

std::vector<WildcardPiece> SplitMask(const std::string& mask) {
    std::vector<WildcardPiece> pieces;
    size_t start = 0;
    for (;;) {
        const size_t end = mask.find(';', start);
        pieces.emplace_back(std::string_view(mask).substr(start, end - start));
        if (end == std::string::npos)
            return pieces;
        start = end + 1;
    }
}

} // namespace

FileList::FileList(const std::string& collationLocale)
    : m_Collation(collationLocale), m_FolderPath(CurrentDirectoryOrRoot()) {}

bool FileList::IsFolderPath(const std::string& path) const {
    return path == m_FolderPath || (VolumeIgnoresCase(m_FolderPath) && NamesEqualIgnoringCase(path, m_FolderPath));
}

bool FileList::SetFolderPath(const std::string& path, bool reread, const BusyFn& busy) {
    if (IsFolderPath(path))
        return false;
    std::vector<std::string> rows;
    std::string folder = EnterFolder(m_FolderPath, path, [&](const std::string&) {
        if (reread)
            rows = ReadRows(busy);
    });
    m_FolderPath.swap(folder);
    if (reread)
        m_Apply([&] { m_Rows.swap(rows); });
    return true;
}

bool FileList::SetMask(const std::string& mask) {
    if (mask == m_Mask)
        return false;
    m_Mask = mask;
    return true;
}

bool FileList::SetFileType(TFileType fileType) {
    if (fileType == m_FileType)
        return false;
    m_FileType = fileType;
    return true;
}

void FileList::RereadFiles(const BusyFn& busy) {
    ChangeDirectory(m_FolderPath);
    std::vector<std::string> rows = ReadRows(busy);
    m_Apply([&] { m_Rows.swap(rows); });
}

// Lists the working directory: one row per entry and matching piece, sorted.
std::vector<std::string> FileList::ReadRows(const BusyFn& busy) const {
    const std::vector<WildcardPiece> pieces = SplitMask(m_Mask);
    const unsigned word = m_FileType & 0x3F;
    const bool normal = (m_FileType & ftNormal) != 0;

    std::vector<std::string> rows;
    ReadFolder(".", (word & faReadOnly) != 0, [&](std::string_view name, unsigned attributes) {
        if ((attributes & ~word & SpecialAttributes) != 0 || !(normal || (attributes & word) != 0))
            return;
        for (const WildcardPiece& piece : pieces) {
            if (!piece.Matches(name))
                continue;
            if (attributes & faDirectory)
                rows.push_back("[" + std::string(name) + "]");
            else
                rows.emplace_back(name);
            if (rows.size() == BusyRowCount && busy)
                busy();
        }
    });
    m_Collation.Sort(rows);
    return rows;
}

bool IsProgramName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string_view extension = std::string_view(name).substr(dot);
    for (const char* program : {".exe", ".com", ".bat", ".pif"})
        if (NamesEqualIgnoringCase(extension, program))
            return true;
    return false;
}

std::string FileList::PathOf(size_t row) const {
    return JoinPath(m_FolderPath, m_Rows.at(row));
}

} // namespace zumi
