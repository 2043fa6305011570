#include "platform/ProfileFile.h"

#include "numbers/NumberText.h"
#include "platform/Errors.h"
#include "platform/FileReplace.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zumi {

namespace {

constexpr size_t None = std::string::npos;

// The most a settings file may hold: anything larger is not one, and is not read whole.
constexpr off_t MaxSize = 16 << 20;

// Reads the whole regular file at the name into text and tells which file it
// was; returns 0, or the errno of the failure (ENOENT for none, EINVAL for
// something that is not a regular file, EFBIG for one above MaxSize). A FIFO
// or a device is never opened, and nothing opened can block.
int ReadWhole(const FileAt& file, std::string& text, FileIdentity& identity) {
    struct stat st;
    if (fstatat(file.Folder(), file.Name(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    const int fd = openat(file.Folder(), file.Name(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int result = fstat(fd, &st) != 0 ? errno : !S_ISREG(st.st_mode) ? EINVAL : st.st_size > MaxSize ? EFBIG : 0;
    char buffer[65536];
    while (result == 0) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            result = errno;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > static_cast<size_t>(MaxSize))
            result = EFBIG;
    }
    close(fd);
    identity = IdentityOf(st);
    return result;
}

// Reads the file at path, reached through trusted links only (zumi::FollowTrustedLinks).
int ReadWhole(const std::string& path, std::string& text, FileIdentity& identity) {
    const std::optional<FileAt> file = FollowTrustedLinks(path);
    return file ? ReadWhole(*file, text, identity) : errno;
}

// A UTF-8 byte-order mark at the start of the text, or nothing. Reading skips
// it, and a write puts it back where it was.
std::string_view ByteOrderMark(std::string_view text) {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    return text.substr(0, text.substr(0, mark.size()) == mark ? mark.size() : 0);
}

// The file's lines after any byte-order mark, each with its line ending; a last line may have none.
std::vector<std::string_view> SplitLines(std::string_view text) {
    text.remove_prefix(ByteOrderMark(text).size());
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        const size_t end = newline == None ? text.size() : newline + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

// The line without its "\n" or "\r\n".
std::string_view Body(std::string_view line) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string_view Ending(std::string_view line) {
    return line.substr(Body(line).size());
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// What one line of the file holds.
struct Line {
    enum class Kind { Other, Section, Key } kind = Kind::Other; // Other: blank, comment or a line without "="
    std::string_view name;                                      // the section's or the key's name
    std::string_view value;                                     // a key's value, trimmed but still quoted
};

Line Parse(std::string_view line) {
    const std::string_view text = Trim(Body(line));
    if (text.empty() || text.front() == ';')
        return {};
    if (text.front() == '[')
        return {Line::Kind::Section, Trim(text.substr(1, text.find(']') - 1)), {}};
    const size_t equals = text.find('=');
    if (equals == None)
        return {};
    return {Line::Kind::Key, Trim(text.substr(0, equals)), Trim(text.substr(equals + 1))};
}

// Where a key stands in the file's lines.
struct Place {
    size_t section = None; // the header line of the first section of the name
    size_t key = None;     // the first line of the key in that section
    size_t last = None;    // the section's last line that is not blank
};

Place Find(const std::vector<std::string_view>& lines, std::string_view section, std::string_view key) {
    Place place;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line line = Parse(lines[i]);
        if (line.kind == Line::Kind::Section) {
            if (place.section != None)
                break;
            if (SameName(line.name, section))
                place.section = place.last = i;
        } else if (place.section != None) {
            if (line.kind == Line::Kind::Key && SameName(line.name, key)) {
                place.key = i;
                break;
            }
            if (!Trim(Body(lines[i])).empty())
                place.last = i;
        }
    }
    return place;
}

// The value without a pair of double or single quotes around it.
std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\''))
        return value.substr(1, value.size() - 2);
    return value;
}

std::string Quoted(std::string_view value) {
    const bool plain =
        value.empty() || (!IsBlank(value.front()) && !IsBlank(value.back()) && Unquoted(value).size() == value.size());
    return plain ? std::string(value) : "\"" + std::string(value) + "\"";
}

// Ends an unterminated last line before a line is added after it. A lone "\r"
// already reads as the line's end, so only the "\n" is missing there.
void EndLastLine(std::string& out, std::string_view newline) {
    if (!out.empty() && out.back() != '\n')
        out += out.back() == '\r' ? "\n" : newline;
}

// The text with the key's line replaced by entry, or removed when there is no
// entry; a missing key gets entry in its section, or a new section. Nothing
// when there is no entry and no key to remove.
std::optional<std::string> Rewrite(std::string_view text, std::string_view section, std::string_view key,
                                   const std::optional<std::string>& entry) {
    const std::vector<std::string_view> lines = SplitLines(text);
    const Place place = Find(lines, section, key);
    if (!entry && place.key == None)
        return std::nullopt;
    const std::string_view newline = !lines.empty() && Ending(lines.front()) == "\r\n" ? "\r\n" : "\n";

    std::string out;
    out.reserve(text.size() + section.size() + (entry ? entry->size() : 0) + 8);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == place.key) {
            if (entry)
                out.append(*entry).append(Ending(lines[i]));
            continue;
        }
        out += lines[i];
        if (i == place.last && place.key == None) {
            EndLastLine(out, newline);
            out.append(*entry).append(newline);
        }
    }
    if (place.section == None) {
        EndLastLine(out, newline);
        out.append("[").append(section).append("]").append(newline).append(*entry).append(newline);
    }
    return out.insert(0, ByteOrderMark(text));
}

} // namespace

ProfileFile::ProfileFile(std::string path) : m_Path(std::move(path)) {
    FileIdentity read;
    m_ReadFailure = ReadWhole(m_Path, m_Text, read);
    if (m_ReadFailure != 0)
        m_Text.clear();
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                                    size_t longest) const {
    const std::vector<std::string_view> lines = SplitLines(m_Text);
    const Place place = Find(lines, section, key);
    if (place.key == None)
        return std::string(fallback);
    return std::string(Unquoted(Parse(lines[place.key]).value).substr(0, longest));
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    std::string text = ReadString(section, key, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.replace(0, 2, "$");
    try {
        return zumi::ReadInteger(text);
    } catch (const Error&) {
        return fallback;
    }
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (value.find_first_of("\r\n") == None)
        Change(section, key, std::string(key) + "=" + Quoted(value));
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, IntegerText(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
    Change(section, key, std::nullopt);
}

void ProfileFile::Change(std::string_view section, std::string_view key, const std::optional<std::string>& entry) {
    if (std::optional<std::string> text = Rewrite(m_Text, section, key, entry)) {
        m_Text = std::move(*text);
        m_Changes.push_back({std::string(section), std::string(key), entry});
    }
}

void ProfileFile::UpdateFile() {
    if (m_Changes.empty())
        return;
    const Error refused(m_Path + " に書き込めません");
    // A file that could not be read is not replaced by what little is known of it.
    if (m_ReadFailure != 0 && m_ReadFailure != ENOENT)
        throw refused;
    // The file is looked up once, then read and replaced there, and only while
    // it is still the file read: lines written since it was first read (by
    // hand, say) are kept, the changes made again on the file as it is now.
    const std::optional<FileAt> file = FollowTrustedLinks(m_Path);
    if (!file)
        throw refused;
    std::string now;
    FileIdentity read;
    if (const int failure = ReadWhole(*file, now, read); failure == 0) {
        for (const KeyChange& change : m_Changes)
            if (std::optional<std::string> text = Rewrite(now, change.section, change.key, change.entry))
                now = std::move(*text);
        m_Text = std::move(now);
    } else if (failure != ENOENT) {
        throw refused;
    }
    try {
        ReplaceFileAt(
            *file, m_Path, [this](const TextSink& sink) { sink(m_Text); }, &read);
    } catch (const Error&) {
        throw refused;
    }
    m_Changes.clear();
}

} // namespace zumi
