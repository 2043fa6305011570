#include "index/IndexPage.h"

#include "platform/Errors.h"
#include "platform/FileReplace.h"
#include "platform/Paths.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace zumi {

namespace {

constexpr std::string_view IndexFileName = "imgindex.html";

std::atomic<bool> WritesHeld{false};
constexpr int HoldAtMostMs = 10000;

bool KeptInUrl(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    return std::string_view("-._~!$'()*+,;=@").find(static_cast<char>(c)) != std::string_view::npos;
}

void AppendUrl(std::string& out, std::string_view name) {
    static const char hex[] = "0123456789ABCDEF";
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeptInUrl(c)) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
}

void AppendAlt(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\r': // a line break in a name must not break the page's line
            out += "&#13;";
            break;
        case '\n':
            out += "&#10;";
            break;
        default:
            out += c;
        }
    }
}

// The end of every item line, built once: the size attributes when locked, then the close.
std::string PageTail(const PageOptions& options) {
    std::string tail;
    if (options.sizeLock) {
        tail += "\" HEIGHT=\"";
        AppendAlt(tail, options.height);
        tail += "\" WIDTH=\"";
        AppendAlt(tail, options.width);
    }
    tail += options.borderOff ? "\" BORDER=\"0\"></A>" : "\"></A>";
    return tail;
}

// Gives out the page line by line, every line ending in CR LF; step runs
// after each item line.
void PutPage(const PageNames& names, const PageOptions& options, const std::function<void()>& step,
             const TextSink& out) {
    out("<HTML>\r\n<HEAD><TITLE>ImageIndex</TITLE></HEAD>\r\n<BODY>\r\n");
    const std::string tail = PageTail(options) + "\r\n";
    std::string url;
    std::string line;
    for (size_t i = 0; i < names.Count(); ++i) {
        const std::string_view name = names[i];
        url.clear();
        AppendUrl(url, name);
        line = "<A HREF=\"";
        line += url;
        line += "\"><IMG SRC=\"";
        line += url;
        line += "\" ALT=\"";
        AppendAlt(line, name);
        line += tail;
        out(line);
        if (step)
            step();
    }
    out("</BODY>\r\n</HTML>\r\n");
}

} // namespace

std::string IndexPath(const std::string& folderPath) {
    return JoinPath(folderPath, std::string(IndexFileName));
}

std::string UrlText(std::string_view name) {
    std::string out;
    AppendUrl(out, name);
    return out;
}

std::string AltText(std::string_view text) {
    std::string out;
    AppendAlt(out, text);
    return out;
}

std::string BuildPage(const PageNames& names, const PageOptions& options, const std::function<void()>& step) {
    std::string page;
    PutPage(names, options, step, [&page](std::string_view text) { page += text; });
    return page;
}

FileIdentity WritePage(const std::string& path, const PageNames& names, const PageOptions& options,
                       const std::function<void()>& step, const FileIdentity* folder) {
    return ReplaceFile(
        path, [&](const TextSink& out) { PutPage(names, options, step, out); }, folder);
}

bool PageWriter::Start(const std::string& path, const PageNames& names, const PageOptions& options,
                       const FileIdentity* folder) {
    m_Work.Join(); // a page still being written ends first: its copy is its thread's until then
    m_Text.clear();
    m_Ends.resize(names.Count());
    for (size_t i = 0; i < m_Ends.size(); ++i)
        m_Ends[i] = m_Text.append(names[i]).size();
    m_Path = path;
    m_Options = options;
    m_Folder = folder != nullptr ? std::optional(*folder) : std::nullopt;
    m_Lines = 0;
    m_Error = nullptr;
    if (m_Work.Start([this] { Write(); }))
        return true;
    Write();
    return false;
}

void PageWriter::Write() {
    const size_t count = m_Ends.size();
    const auto step = [this, count] {
        if (++m_Lines == count)
            for (int waited = 0; WritesHeld && waited < HoldAtMostMs; waited += 5)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    try {
        m_Written = WritePage(m_Path,
                              PageNames(count,
                                        [this](size_t i) {
                                            const size_t start = i == 0 ? 0 : m_Ends[i - 1];
                                            return std::string_view(m_Text).substr(start, m_Ends[i] - start);
                                        }),
                              m_Options, step, m_Folder ? &*m_Folder : nullptr);
    } catch (...) {
        m_Error = std::current_exception();
    }
}

FileIdentity PageWriter::Finish() {
    m_Work.Join();
    // A million names' copy is not kept for the next page.
    m_Text = std::string();
    m_Ends = std::vector<size_t>();
    if (m_Error)
        std::rethrow_exception(std::exchange(m_Error, nullptr));
    return m_Written;
}

void PageWriter::HoldWrites(bool hold) {
    WritesHeld = hold;
}

void DeletePage(const std::string& path) {
    // The folder is reached as a save reaches it, so a link swapped in on its
    // path leads nowhere. A page the user may not write was made read-only to
    // protect it: it stays, though the folder alone would let it go.
    const auto [folderPath, name] = SplitFileName(path);
    const FileAt folder(OpenTrustedFolder(folderPath), ".");
    const bool readOnly =
        folder.Folder() < 0 || (faccessat(folder.Folder(), name.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES);
    if (!readOnly)
        unlinkat(folder.Folder(), name.c_str(), 0);
    struct stat st;
    if (folder.Folder() < 0 ||
        (fstatat(folder.Folder(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode)))
        throw Error("ﾌｧｲﾙ " + path + " を削除できません");
}

} // namespace zumi
