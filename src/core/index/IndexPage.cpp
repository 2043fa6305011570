#include "index/IndexPage.h"

#include "platform/Errors.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
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

Error CannotCreate(const std::string& path) {
    return Error("ﾌｧｲﾙ " + path + " を作成できません");
}

// The file a save replaces: the page itself, or the file it links to.
std::string SaveTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        const std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
        if (real)
            return real.get();
    }
    return path;
}

// Creates a hidden temporary file beside target; returns its descriptor, or -1 with errno set.
int CreateTemporary(const std::string& target, std::string& tempPath) {
    const size_t slash = target.rfind('/');
    const std::string stem =
        target.substr(0, slash + 1) + "." + target.substr(slash + 1) + "." + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + std::to_string(attempt);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
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
    const std::string target = SaveTarget(path);
    struct stat existing;
    const bool replacing = stat(target.c_str(), &existing) == 0;
    if (replacing && (S_ISDIR(existing.st_mode) || access(target.c_str(), W_OK) != 0))
        throw CannotCreate(path);

    std::string tempPath;
    const int fd = CreateTemporary(target, tempPath);
    if (fd < 0)
        throw CannotCreate(path);
    if (replacing)
        fchmod(fd, existing.st_mode & 07777);
    bool written = WriteAll(fd, text) && fsync(fd) == 0;
    written = close(fd) == 0 && written;
    if (!written) {
        unlink(tempPath.c_str());
        throw Error("ｽﾄﾘｰﾑへの書き込みｴﾗｰ");
    }
    if (rename(tempPath.c_str(), target.c_str()) != 0) {
        unlink(tempPath.c_str());
        throw CannotCreate(path);
    }
}

void DeletePage(const std::string& path) {
    unlink(path.c_str());
    if (FileExists(path))
        throw Error("ﾌｧｲﾙ " + path + " を削除できません");
}

} // namespace zumi
