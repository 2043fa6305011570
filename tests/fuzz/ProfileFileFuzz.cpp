// Reads, writes and deletes one key of an INI file made of the input, and
// checks that a write or a delete touches only the key's own line and that a
// written value reads back.
//
// Input: section "|" key "|" value "|" the file's text (no file when empty).

#include "platform/ProfileFile.h"

#include "FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

using zumi::ProfileFile;

namespace {

const ScratchFolder Scratch;
const std::string IniPath = Scratch.Path() + "/zumi.ini";

// No value read from a file holds a "\n", so this fallback tells a missing key.
constexpr std::string_view Missing = "\n";

std::string Contents() {
    std::ifstream in(IniPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists() {
    return access(IniPath.c_str(), F_OK) == 0;
}

void Lay(std::string_view text) {
    unlink(IniPath.c_str());
    if (!text.empty())
        std::ofstream(IniPath, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

// The text's lines, each with its "\n" when it has one.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size() - 1) + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

// The text after a UTF-8 byte-order mark at its start: a write keeps the mark
// and leaves the lines after it as the other checks say.
std::string_view AfterMark(std::string_view text) {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    return text.substr(0, mark.size()) == mark ? text.substr(mark.size()) : text;
}

// The line without its "\n" or "\r\n" (or a lone "\r" at the end of the text).
std::string_view Body(std::string_view line) {
    if (!line.empty() && line.back() == '\n')
        line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

bool EndsInNewline(std::string_view line) {
    return !line.empty() && line.back() == '\n';
}

// Whether a line after a write is the old line as it was. A last line that had
// no "\n" may have gained a line ending in front of a new line; its text stays.
bool Kept(std::string_view before, std::string_view after) {
    if (after == before)
        return true;
    return !EndsInNewline(before) && EndsInNewline(after) && after.substr(0, before.size()) == before &&
           Body(after) == Body(before);
}

// Names that stand in a line of their own kind: no line break, no blanks at the
// ends, and nothing that makes the line read as another kind ("=", "[", "]", a leading ";").
bool PlainName(std::string_view name) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return name.find_first_of("\r\n=[]") == std::string_view::npos &&
           (name.empty() || (name.front() != ';' && !blank(name.front()) && !blank(name.back())));
}

void CheckWrite(std::string_view text, std::string_view section, std::string_view key, std::string_view value) {
    Lay(text);
    ProfileFile ini(IniPath);
    const std::string old = ini.ReadString(section, key, Missing);
    ini.WriteString(section, key, value);
    ini.UpdateFile();
    const std::string after = Contents();
    if (value.find_first_of("\r\n") != std::string_view::npos) {
        Require(after == text && FileExists() == !text.empty(), "a value with a line break leaves the file alone",
                {value, text, after});
        return;
    }
    const std::string read = ini.ReadString(section, key, Missing);
    Require(read == value.substr(0, ProfileFile::MaxValue), "a written value reads back", {value, read, text, after});

    Require(after.size() - AfterMark(after).size() == text.size() - AfterMark(text).size(),
            "a write keeps the byte-order mark", {text, after});
    // The old and the new lines agree but for one stretch: the key's old line
    // (or none) against its new line, with its section's header when the
    // section was appended.
    const std::vector<std::string_view> was = Lines(AfterMark(text)), is = Lines(AfterMark(after));
    size_t prefix = 0, suffix = 0;
    while (prefix < was.size() && prefix < is.size() && Kept(was[prefix], is[prefix]))
        ++prefix;
    while (suffix < was.size() - prefix && suffix < is.size() - prefix &&
           Kept(was[was.size() - 1 - suffix], is[is.size() - 1 - suffix]))
        ++suffix;
    const size_t removed = was.size() - prefix - suffix, added = is.size() - prefix - suffix;
    const bool found = old != Missing;
    const std::string entry = std::string(key) + "=";
    const std::string_view newline =
        !was.empty() && was[0].size() >= 2 && was[0].substr(was[0].size() - 2) == "\r\n" ? "\r\n" : "\n";
    const auto entryAt = [&](size_t i) { return Body(is[i]).substr(0, entry.size()) == entry; };
    if (found && removed == 1) {
        Require(added == 1 && entryAt(prefix) &&
                    is[prefix].substr(Body(is[prefix]).size()) == was[prefix].substr(Body(was[prefix]).size()),
                "the key's line is replaced in place, keeping its line ending", {text, after});
    } else if (!found && removed == 0 && added >= 1) {
        const bool newSection = added == 2 && suffix == 0 && Body(is[prefix]) == "[" + std::string(section) + "]";
        Require(added == 1 || newSection, "a missing key is added in its section or a new one", {text, after});
        for (size_t i = prefix; i < prefix + added; ++i)
            Require(is[i].substr(Body(is[i]).size()) == newline, "new lines end the way the first line does",
                    {text, after});
        Require(entryAt(prefix + added - 1), "the added line is the key's", {text, after});
    } else {
        Require(found && removed == 0 && added == 0, "a write changes only the key's own line", {text, after});
    }
}

void CheckDelete(std::string_view text, std::string_view section, std::string_view key) {
    Lay(text);
    ProfileFile ini(IniPath);
    const bool found = ini.ReadString(section, key, Missing) != Missing;
    ini.DeleteKey(section, key);
    ini.UpdateFile();
    const std::string after = Contents();
    if (!found) {
        Require(after == text && FileExists() == !text.empty(), "deleting a missing key leaves the file alone",
                {text, after});
        return;
    }
    // Exactly one line is gone.
    std::vector<std::string_view> was = Lines(text);
    const std::vector<std::string_view> is = Lines(after);
    size_t gone = 0;
    while (gone < is.size() && is[gone] == was[gone])
        ++gone;
    was.erase(was.begin() + static_cast<std::ptrdiff_t>(std::min(gone, was.size() - 1)));
    Require(was == is, "a delete removes the key's line and nothing else", {text, after});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string_view fields[3];
    for (std::string_view& field : fields) {
        const size_t bar = std::min(input.find('|'), input.size());
        field = input.substr(0, bar);
        input.remove_prefix(std::min(bar + 1, input.size()));
    }
    const auto [section, key, value] = fields;
    const std::string_view text = input;

    // Reads of any names from any text.
    Lay(text);
    const ProfileFile ini(IniPath);
    Require(ini.ReadString(section, key, "").size() <= ProfileFile::MaxValue, "a read returns at most MaxValue bytes");
    ini.ReadInteger(section, key, 0);
    ini.ReadBool(section, key, false);

    if (PlainName(section) && PlainName(key)) {
        CheckWrite(text, section, key, value);
        CheckDelete(text, section, key);
    } else {
        ProfileFile ini(IniPath);
        ini.WriteString(section, key, value);
        ini.DeleteKey(section, key);
        ini.UpdateFile();
    }
    return 0;
}
