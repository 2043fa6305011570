#include "index/IndexPage.h"

#include "platform/Errors.h"
#include "platform/FileReplace.h"
#include "platform/FolderReading.h"
#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zumi {

namespace {

constexpr std::string_view IndexFileName = "imgindex.html";

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

std::string BuildPage(const std::vector<std::string>& names, const PageOptions& options,
                      const std::function<void()>& step) {
    static constexpr std::string_view head = "<HTML>\r\n<HEAD><TITLE>ImageIndex</TITLE></HEAD>\r\n<BODY>\r\n";
    static constexpr std::string_view foot = "</BODY>\r\n</HTML>\r\n";
    static constexpr std::string_view linkOpen = "<A HREF=\"";
    static constexpr std::string_view imageOpen = "\"><IMG SRC=\"";
    static constexpr std::string_view altOpen = "\" ALT=\"";
    const std::string tail = PageTail(options) + "\r\n";

    size_t size = head.size() + foot.size();
    for (const std::string& name : names)
        size += linkOpen.size() + imageOpen.size() + altOpen.size() + 3 * name.size() + tail.size();
    std::string page;
    page.reserve(size);

    page += head;
    std::string url;
    for (const std::string& name : names) {
        url.clear();
        AppendUrl(url, name);
        page += linkOpen;
        page += url;
        page += imageOpen;
        page += url;
        page += altOpen;
        AppendAlt(page, name);
        page += tail;
        if (step)
            step();
    }
    page += foot;
    return page;
}

void SavePage(const std::string& path, std::string_view text) {
    ReplaceFile(path, text);
}

void DeletePage(const std::string& path) {
    // A page the user may not write was made read-only to protect it: it stays,
    // though the folder alone would let it go.
    const bool readOnly = faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno == EACCES;
    if (!readOnly)
        unlink(path.c_str());
    if (FileExists(path))
        throw Error("ﾌｧｲﾙ " + path + " を削除できません");
}

} // namespace zumi
