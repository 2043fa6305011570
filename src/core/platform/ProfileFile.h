#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zumi {

// An INI file of "[section]" lines and "key=value" lines. The file is read
// once, when the object is made; reads and writes then work on that text, and
// UpdateFile replaces the file with it all at once, so a save of many keys
// leaves either the old file or the new one.
//
// Reading: a UTF-8 byte-order mark at the start is skipped; section and key
// names match ignoring ASCII case; blank lines and lines starting with ";" are
// skipped; spaces and tabs around names and values are trimmed, and a value
// enclosed in a pair of double or single quotes loses them. The first matching
// section and key count. A missing or unreadable file, section or key gives
// the fallback; a key with an empty value gives the empty text. Only a regular
// file of at most 16 MiB, reached through trusted links
// (zumi::FollowTrustedLinks), is read; anything else is unreadable.
//
// Writing replaces the key's line in place, or adds the key after the last
// line of its section, or appends the section with the key at the end of the
// text. Every other line stays as it was, byte for byte, the byte-order mark
// too, and new lines end the way the file's first line does ("\n" when there
// is none).
class ProfileFile {
public:
    // The longest value a read returns, in bytes.
    static constexpr size_t MaxValue = 1023;

    explicit ProfileFile(std::string path);

    const std::string& Path() const { return m_Path; }

    // At most longest bytes of the value: MaxValue unless the key holds what may be longer, such as a path.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback,
                           size_t longest = MaxValue) const;
    // The value as a decimal integer, or hexadecimal after "$" or "0x"; the
    // fallback when it is missing or not a 32-bit integer.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // Any non-zero integer is true.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // A value that would not read back as it stands (spaces or tabs at either
    // end, or enclosed in quotes) is written in double quotes. A value holding
    // a line break cannot be kept in one line: the key keeps the value it has.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    // "1" for true, "0" for false.
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // Removes the key's line; nothing when there is none.
    void DeleteKey(std::string_view section, std::string_view key);

    // Replaces the file when a write or a removal has changed the text since
    // it was read or last saved (zumi::ReplaceFileAt): the changes are made on
    // the file as it is now, read and replaced through one lookup of the path,
    // so that lines another program or the user wrote meanwhile stay and the
    // file replaced is the file read. A file that could not be read, then or
    // now, or a replacement the file system refuses, throws zumi::Error
    // "<path> に書き込めません" and changes nothing on disk.
    void UpdateFile();

private:
    void Change(std::string_view section, std::string_view key, const std::optional<std::string>& entry);

    // A key written or removed: the entry is the key's whole line, none for a removal.
    struct KeyChange {
        std::string section;
        std::string key;
        std::optional<std::string> entry;
    };

    std::string m_Path;
    std::string m_Text;               // the file as read, with the changes since
    int m_ReadFailure = 0;            // the errno of a failed read, ENOENT for no file
    std::vector<KeyChange> m_Changes; // since the file was read or last saved, in order
};

} // namespace zumi
