#pragma once

#include "platform/ProfileFile.h"

#include <array>
#include <optional>
#include <string>

// What the program keeps between runs in its settings file: the window's
// place, the splitter, the last folder, the options, the sizes and the mask.
// The file is read once at start and written once, whole, at close; the
// window only asks for values and hands them back.
class Settings {
public:
    // The values, in the order a save writes them.
    enum class Key { Top, Left, Splitter, Folder, ImageBorder, AfterView, SizeFixed, SizeHeight, SizeWidth, Mask };
    static constexpr size_t KeyCount = 10;

    // Finds the file from the executable's path: beside it, named after it;
    // an installed program's folder is not writable by its users, so unless a
    // file is already there the settings then live in the user's configuration
    // folder, and a first run opens on the user's pictures rather than on the
    // program's folder.
    explicit Settings(const std::string& executablePath);

    // Reads the file, drops what older versions wrote and no version reads, and
    // records this version in the file. Throws zumi::Error when the file cannot be written.
    void Load();

    // A value as read at start, or its default.
    std::string Text(Key key) const;
    // An integer value; the default when the stored text is not an integer.
    int Integer(Key key) const;
    bool Bool(Key key) const;

    void SetText(Key key, std::string value);
    void SetInteger(Key key, int value);
    void SetBool(Key key, bool value);

    // Writes every value as last set, in one replacement of the file; a value
    // not set since the start keeps what the file holds. Throws
    // zumi::Error when the file cannot be written; the file is then as it was.
    void Save() const;

private:
    std::string m_Path;
    std::string m_FirstFolder; // the folder a run without settings opens on
    std::optional<zumi::ProfileFile> m_File;
    std::array<std::optional<std::string>, KeyCount> m_Values;
};

// Where the help page may be: beside the program, named after it, and for an
// installed program in its documentation folder, <prefix>/share/doc/zumi.
std::array<std::string, 2> HelpFiles(const std::string& executablePath);
