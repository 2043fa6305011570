#pragma once

#include "platform/TrustedLinks.h"
#include "platform/WorkAside.h"

#include <atomic>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The index page "imgindex.html": one line per listed file, each an image of
// the file wrapped in a link to it.
namespace zumi {

// The page's path in a folder.
std::string IndexPath(const std::string& folderPath);

// What the main window's options make of every item line.
struct PageOptions {
    bool sizeLock = false; // write the height and width
    std::string height;    // taken as they stand, unvalidated
    std::string width;
    bool borderOff = false; // BORDER="0"
};

// A name as it stands in HREF and SRC: every byte but the ASCII letters, digits
// and -._~!$'()*+,;=@ is written as %XX, so that any file name is a relative
// URL of that very file.
std::string UrlText(std::string_view name);

// A name as it stands in ALT: & " < > and the line breaks CR and LF as
// character references, all else as it is.
std::string AltText(std::string_view text);

// The names a page lists, in order: a list of them, or a count and the name at
// each index (valid while the page is written), so that a long list need not
// be copied.
class PageNames {
public:
    using NameAt = std::function<std::string_view(size_t)>;
    PageNames(size_t count, NameAt at) : m_Count(count), m_At(std::move(at)) {}
    PageNames(const std::vector<std::string>& names)
        : m_Count(names.size()), m_At([&names](size_t i) -> std::string_view { return names[i]; }) {}

    size_t Count() const { return m_Count; }
    std::string_view operator[](size_t i) const { return m_At(i); }

private:
    size_t m_Count;
    NameAt m_At;
};

// The whole page, every line ending in CR LF, as WritePage writes it. step
// runs after each item line.
std::string BuildPage(const PageNames& names, const PageOptions& options, const std::function<void()>& step = {});

// Replaces the page at path with the page of the names, all or nothing
// (zumi::ReplaceFile), writing the lines as they are built so that the whole
// text is never held; step runs after each item line. Throws zumi::CreateError
// "ﾌｧｲﾙ <path> を作成できません" when the page cannot be created or replaced
// (checked before the first line is built), zumi::WriteError
// "ｽﾄﾘｰﾑへの書き込みｴﾗｰ" when the page does not fit on the disk (the lines stop
// there); either way nothing on disk has changed. With folder given, the page
// is written only into that folder (zumi::ReplaceFile). Returns the page's identity.
FileIdentity WritePage(const std::string& path, const PageNames& names, const PageOptions& options,
                       const std::function<void()>& step = {}, const FileIdentity* folder = nullptr);

// A page written as WritePage writes it, on a thread of its own, so that the
// window answers while a long page is written.
//
// Ownership: Start copies the names and all else the write needs; from then
// until Finish the writing thread alone touches the copy and the outcome, and
// the caller's thread only reads Lines and waits on Descriptor. The rows the
// names came from may change meanwhile: the page is of the rows at Start.
class PageWriter {
public:
    // Starts writing the page and returns true; when no thread can be had, or
    // a page is being written already, this writes it here and now and returns false.
    bool Start(const std::string& path, const PageNames& names, const PageOptions& options, const FileIdentity* folder);
    // Readable once a page started aside is written or has failed, until Finish.
    int Descriptor() const { return m_Work.Descriptor(); }
    // The item lines written so far.
    size_t Lines() const { return m_Lines; }
    // Waits for the page and returns its identity, or throws WritePage's error.
    FileIdentity Finish();

    // For tests: while held, a write waits before its last item line (10 s at most).
    static void HoldWrites(bool hold);

private:
    void Write();

    std::string m_Text;         // the names, one after another
    std::vector<size_t> m_Ends; // where each name's text ends
    std::string m_Path;
    PageOptions m_Options;
    std::optional<FileIdentity> m_Folder;
    std::atomic<size_t> m_Lines{0};
    FileIdentity m_Written{};
    std::exception_ptr m_Error;
    WorkAside m_Work; // last, so that it stops first
};

// Removes the page unless the user may not write it (a read-only page stays);
// throws zumi::Error "ﾌｧｲﾙ <path> を削除できません" when a file is still there
// afterwards.
void DeletePage(const std::string& path);

} // namespace zumi
