#include "Settings.h"

#include "numbers/NumberText.h"
#include "platform/FolderReading.h"
#include "platform/Paths.h"
#include "platform/TrustedLinks.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <climits>
#include <filesystem>
#include <unistd.h>

namespace {

struct Entry {
    const char* section;
    const char* name;
    const char* fallback; // nullptr: the folder a run without settings opens on
};

const char* const DesignedSize = "100"; // the height and width fields as designed

// The settings file's keys, in the order of Settings::Key.
constexpr Entry Entries[] = {
    {"Window", "Top", "100"},
    {"Window", "Left", "100"},
    {"Window", "Splitter", "145"},
    {"File", "IniDir", nullptr},
    {"Setting", "ImageBorder", "1"},
    {"Setting", "AfterView", "1"},
    {"Setting", "SizeFixed", "0"},
    {"Setting", "SizeHeight", DesignedSize},
    {"Setting", "SizeWidth", DesignedSize},
    {"Setting", "Mask", "*.gif;*.jpg;*.png"},
};
static_assert(std::size(Entries) == Settings::KeyCount);

// This version's number; a file of an older one may hold keys that mean nothing now.
constexpr int Version = 200;

const Entry& EntryOf(Settings::Key key) {
    return Entries[static_cast<size_t>(key)];
}

// Whether nobody but the user and root may write the folder: only there is a
// file beside the program, or a link in its place, surely the user's own.
bool OwnFolder(const std::string& folder) {
    const zumi::FileAt held(zumi::OpenTrustedFolder(folder), ".");
    return held.Folder() >= 0 && zumi::OnlyUserMayWrite(held.Folder());
}

} // namespace

Settings::Settings(const std::string& executablePath) {
    const std::string beside = zumi::ChangeFileExtension(executablePath, ".ini");
    const std::string folder = executablePath.substr(0, executablePath.rfind('/') + 1);
    if (OwnFolder(folder) && (zumi::FileExists(beside) || access(folder.c_str(), W_OK) == 0)) {
        m_Path = beside;
        m_FirstFolder = folder;
        return;
    }
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/zumi";
    QDir().mkpath(config);
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!QFileInfo(pictures).isDir())
        pictures = QDir::homePath();
    m_Path = QFile::encodeName(config + "/zumi.ini").toStdString();
    m_FirstFolder = QFile::encodeName(pictures + "/").toStdString();
}

void Settings::Load() {
    m_File.emplace(m_Path);
    if (m_File->ReadInteger("Software", "Version", Version) < Version)
        m_File->DeleteKey("Setting", "AddBMP");
    m_File->WriteInteger("Software", "Version", Version);
    m_File->UpdateFile();
}

std::string Settings::Text(Key key) const {
    const Entry& entry = EntryOf(key);
    const std::string fallback = entry.fallback != nullptr ? entry.fallback : m_FirstFolder;
    // A folder's path may be as long as the system allows; other values are short.
    const size_t longest = key == Key::Folder ? PATH_MAX - 1 : zumi::ProfileFile::MaxValue;
    return m_File ? m_File->ReadString(entry.section, entry.name, fallback, longest) : fallback;
}

int Settings::Integer(Key key) const {
    const Entry& entry = EntryOf(key);
    const int fallback = zumi::ReadInteger(entry.fallback);
    return m_File ? m_File->ReadInteger(entry.section, entry.name, fallback) : fallback;
}

bool Settings::Bool(Key key) const {
    return Integer(key) != 0;
}

void Settings::SetText(Key key, std::string value) {
    m_Values[static_cast<size_t>(key)] = std::move(value);
}

void Settings::SetInteger(Key key, int value) {
    SetText(key, zumi::IntegerText(value));
}

void Settings::SetBool(Key key, bool value) {
    SetText(key, value ? "1" : "0");
}

void Settings::Save() const {
    // Read afresh: lines written by hand since the start are kept.
    zumi::ProfileFile file(m_Path);
    for (size_t i = 0; i < KeyCount; ++i) {
        if (m_Values[i])
            file.WriteString(Entries[i].section, Entries[i].name, *m_Values[i]);
    }
    file.UpdateFile();
}

std::array<std::string, 2> HelpFiles(const std::string& executablePath) {
    const std::filesystem::path beside(zumi::ChangeFileExtension(executablePath, ".html"));
    return {beside.string(), (beside.parent_path().parent_path() / "share/doc/zumi" / beside.filename()).string()};
}
