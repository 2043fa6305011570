#include "platform/ProfileFile.h"

#include "MessageOf.h"
#include "SyncCalls.h"
#include "TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zumi;

namespace {

// Layout a hand-edited file may have: comments, blank lines, CRLF, odd case, quotes, repeats.
const char* const HandEdited = "orphan=before any section\r\n"
                               "; settings\r\n"
                               "\r\n"
                               " [ window ] \r\n"
                               "top = 0x20 \r\n"
                               "Left=\r\n"
                               "name=\"  quoted  \"\r\n"
                               "empty=\"\"\r\n"
                               "half=\"open\r\n"
                               "no equals sign\r\n"
                               ";Splitter=9\r\n"
                               "Top=999\r\n"
                               "[Setting]\r\n"
                               "\tMask = \"*.gif\"\r\n"
                               "single='*.png'\r\n"
                               "mixed='a\"\r\n"
                               "[WINDOW]\r\n"
                               "Splitter=7\r\n";

TEST(ProfileFile, ReadsKeysTheWayHandEditedFilesLayThemOut) {
    TempDir dir;
    Write(dir / "zumi.ini", HandEdited);
    const ProfileFile ini(dir / "zumi.ini");
    const struct {
        const char* section;
        const char* key;
        std::string expected;
    } cases[] = {
        {"Window", "Top", "0x20"},            // trimmed, first of two
        {"WINDOW", "tOP", "0x20"},            // names ignore ASCII case
        {"Window", "Left", ""},               // present but empty is not the fallback
        {"Window", "name", "  quoted  "},     // a pair of quotes goes, the spaces inside stay
        {"Window", "half", "\"open"},         // a lone quote stays
        {"Window", "empty", ""},              // an empty pair of quotes goes too
        {"Window", "no equals sign", "(fb)"}, // not a key line
        {"Window", "Splitter", "(fb)"},       // a comment, and a later section of the same name
        {"Window", "orphan", "(fb)"},         // outside every section
        {"Setting", "Mask", "*.gif"},
        {"Setting", "single", "*.png"}, // single quotes go as double ones do
        {"Setting", "mixed", "'a\""},   // unless they do not pair
        {"Other", "Top", "(fb)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "(fb)"), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(ProfileFile(dir / "missing.ini").ReadString("Window", "Top", "(fb)"), "(fb)");
    Write(dir / "bom.ini", "\xEF\xBB\xBF[Window]\r\nTop=1\r\n"); // a UTF-8 byte-order mark before the first section
    EXPECT_EQ(ProfileFile(dir / "bom.ini").ReadString("Window", "Top", "(fb)"), "1");
}

TEST(ProfileFile, ReadsAtMost1023BytesOfAValue) {
    TempDir dir;
    const std::string value(5000, 'v');
    Write(dir / "zumi.ini", "[S]\nlong=" + value + "\n");
    EXPECT_EQ(ProfileFile(dir / "zumi.ini").ReadString("S", "long", ""), value.substr(0, 1023));
}

TEST(ProfileFile, ReadsIntegersAndBooleansOrFallsBack) {
    TempDir dir;
    const struct {
        const char* text;
        int integer; // fallback 100
        bool flag;   // fallback true
    } cases[] = {
        {"0x20", 32, true}, {"0X1f", 31, true},   {"$10", 16, true},          {"-5", -5, true},
        {"0", 0, false},    {"2", 2, true},       {"abc", 100, true},         {"0x", 100, true},
        {"", 100, true},    {"12abc", 100, true}, {"99999999999", 100, true},
    };
    for (const auto& c : cases) {
        Write(dir / "zumi.ini", std::string("[S]\nk=") + c.text + "\n");
        const ProfileFile ini(dir / "zumi.ini");
        EXPECT_EQ(ini.ReadInteger("S", "k", 100), c.integer) << c.text;
        EXPECT_EQ(ini.ReadBool("S", "k", true), c.flag) << c.text;
    }
    EXPECT_FALSE(ProfileFile(dir / "zumi.ini").ReadBool("S", "missing", false));
}

TEST(ProfileFile, AWriteChangesOnlyItsOwnLine) {
    const struct {
        const char* what;
        const char* before; // nullptr: no file
        std::function<void(ProfileFile&)> write;
        const char* after;
    } cases[] = {
        {"first write creates the file", nullptr, [](ProfileFile& f) { f.WriteInteger("Software", "Version", 200); },
         "[Software]\nVersion=200\n"},
        {"replaced in place, CRLF kept", "; c\r\n[W]\r\nTop = 5 \r\n\r\n[S]\r\nx=1\r\n",
         [](ProfileFile& f) { f.WriteInteger("w", "top", -7); }, "; c\r\n[W]\r\ntop=-7\r\n\r\n[S]\r\nx=1\r\n"},
        {"added after its section's last line", "[W]\nTop=1\n\n[S]\nx=1\n",
         [](ProfileFile& f) { f.WriteBool("W", "Left", true); }, "[W]\nTop=1\nLeft=1\n\n[S]\nx=1\n"},
        {"added to a last line without a newline", "[W]\nTop=1",
         [](ProfileFile& f) { f.WriteBool("W", "Left", false); }, "[W]\nTop=1\nLeft=0\n"},
        {"new section after a last line without a newline", "[W]\nTop=1",
         [](ProfileFile& f) { f.WriteString("S", "Mask", "*.gif"); }, "[W]\nTop=1\n[S]\nMask=*.gif\n"},
        {"new section in a CRLF file", "[W]\r\nTop=1\r\n", [](ProfileFile& f) { f.WriteString("S", "Mask", ""); },
         "[W]\r\nTop=1\r\n[S]\r\nMask=\r\n"},
        {"added to a last line ending in a lone CR", "[W]\r\nTop=1\r",
         [](ProfileFile& f) { f.WriteBool("W", "Left", true); }, "[W]\r\nTop=1\r\nLeft=1\r\n"},
        {"new section after a last line ending in a lone CR", "[W]\r\nTop=1\r",
         [](ProfileFile& f) { f.WriteString("S", "Mask", "*.gif"); }, "[W]\r\nTop=1\r\n[S]\r\nMask=*.gif\r\n"},
        {"blanks at the ends kept in quotes", "", [](ProfileFile& f) { f.WriteString("S", "Mask", " *.gif\t"); },
         "[S]\nMask=\" *.gif\t\"\n"},
        {"a quoted value kept in quotes", "", [](ProfileFile& f) { f.WriteString("S", "Mask", "\"a\""); },
         "[S]\nMask=\"\"a\"\"\n"},
        {"a byte-order mark kept before a rewritten first section", "\xEF\xBB\xBF[W]\r\nTop=1\r\n",
         [](ProfileFile& f) { f.WriteInteger("W", "Top", 5); }, "\xEF\xBB\xBF[W]\r\nTop=5\r\n"},
        {"a file of a byte-order mark alone", "\xEF\xBB\xBF", [](ProfileFile& f) { f.WriteString("S", "Mask", "a"); },
         "\xEF\xBB\xBF[S]\nMask=a\n"},
        {"a single-quoted value kept in double quotes", "", [](ProfileFile& f) { f.WriteString("S", "Mask", "'a'"); },
         "[S]\nMask=\"'a'\"\n"},
        {"a line break leaves the key alone", "[S]\nMask=old\n",
         [](ProfileFile& f) { f.WriteString("S", "Mask", "a\nb"); }, "[S]\nMask=old\n"},
        {"a deleted key loses its line", "[S]\r\nAddBMP=1\r\nMask=a\r\n",
         [](ProfileFile& f) { f.DeleteKey("setting", "addbmp"), f.DeleteKey("S", "ADDBMP"); }, "[S]\r\nMask=a\r\n"},
        {"deleting a missing key creates nothing", nullptr, [](ProfileFile& f) { f.DeleteKey("S", "AddBMP"); },
         nullptr},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.before != nullptr)
            Write(dir / "zumi.ini", c.before);
        ProfileFile ini(dir / "zumi.ini");
        c.write(ini);
        ini.UpdateFile();
        if (c.after == nullptr)
            EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{".", ".."})) << c.what;
        else
            EXPECT_EQ(Contents(dir / "zumi.ini"), c.after) << c.what;
    }
}

TEST(ProfileFile, EveryOtherLineSurvivesAWriteByteForByte) {
    TempDir dir;
    const std::string longLine = "comment=" + std::string(5000, 'c') + "\r\n";
    const std::string text = std::string(HandEdited) + longLine;
    Write(dir / "zumi.ini", text);
    ProfileFile ini(dir / "zumi.ini");
    ini.WriteString("Window", "Top", "5");
    ini.UpdateFile();
    std::string expected = text;
    expected.replace(expected.find("top = 0x20 "), 11, "Top=5");
    EXPECT_EQ(Contents(dir / "zumi.ini"), expected);
}

TEST(ProfileFile, ReadsBackWhatItWrote) {
    TempDir dir;
    ProfileFile ini(dir / "zumi.ini");
    for (const std::string value : {"", " lead", "trail\t", "\"q\"", "\"", "a=b", ";x", "[x]", "\xff\xfe bytes"}) {
        ini.WriteString("S", "k", value);
        ini.UpdateFile();
        EXPECT_EQ(ProfileFile(dir / "zumi.ini").ReadString("S", "k", "(fb)"), value) << value;
    }
}

TEST(ProfileFile, ARefusedWriteNamesTheFileAndChangesNothing) {
    const struct {
        const char* what;
        mode_t folderMode;
        mode_t fileMode; // 0: no file
    } cases[] = {
        {"read-only file", 0777, 0444},
        {"folder not writable, no file", 0755, 0},
        {"folder not writable, file writable", 0755, 0666},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string folder = dir.Folder("bin", 0777);
        const std::string path = folder + "/zumi.ini";
        if (c.fileMode != 0) {
            Write(path, "[S]\nk=old\n");
            chmod(path.c_str(), c.fileMode);
        }
        chmod(folder.c_str(), c.folderMode);
        const std::string message = AsUnprivilegedUser([&] {
            ProfileFile ini(path);
            return MessageOf([&] {
                ini.WriteString("S", "k", "new");
                ini.UpdateFile();
            });
        });
        EXPECT_EQ(message, path + " に書き込めません") << c.what;
        EXPECT_EQ(Contents(path), c.fileMode != 0 ? "[S]\nk=old\n" : "") << c.what;
        EXPECT_EQ(Entries(folder).size(), c.fileMode != 0 ? 3u : 2u) << c.what;
    }
    TempDir dir;
    dir.Folder("zumi.ini");
    EXPECT_EQ(MessageOf([&] {
                  ProfileFile ini(dir / "zumi.ini");
                  ini.WriteString("S", "k", "v");
                  ini.UpdateFile();
              }),
              dir / "zumi.ini" + " に書き込めません");
}

// The file replaced is the file read: one that takes its place between the
// read and the write (another file, a link to the user's secret, or nothing),
// or a FIFO that takes it before the save, is left as it is and the save
// fails; so is a file too large to be settings, which reads as none. Run as
// root and as an unprivileged user.
TEST(ProfileFile, ReplacesOnlyTheFileItRead) {
    const struct {
        const char* what;
        const char* swap; // run by the shell in the folder between the read and the write; none: no swap
        std::string before;
        const char* value;         // what the key reads
        bool beforeUpdate = false; // the swap comes before the update starts, not between its read and write
    } cases[] = {
        {"another file swapped in", "echo other > x && mv x zumi.ini", "[S]\nk=old\n", "old"},
        {"a link to the secret swapped in", "ln -s ../secret x && mv -T x zumi.ini", "[S]\nk=old\n", "old"},
        {"the file removed", "rm zumi.ini", "[S]\nk=old\n", "old"},
        {"the file replaced by a FIFO", "rm zumi.ini && mkfifo zumi.ini", "[S]\nk=old\n", "old", true},
        {"a file larger than 16 MiB", nullptr, "[S]\nk=old\n" + std::string(16 << 20, ';'), "default"},
    };
    for (const auto& c : cases) {
        for (const uid_t user : {uid_t{0}, NobodyUid()}) {
            const std::string what = std::string(c.what) + (user == 0 ? ", as root" : ", as a user");
            TempDir dir;
            const std::string folder = dir.Folder("own");
            ASSERT_EQ(chown(folder.c_str(), user, user), 0);
            const std::string path = folder + "/zumi.ini";
            Write(path, c.before);
            Write(dir / "secret", "secret");
            const std::string seen = AsUser(user, [&] {
                ProfileFile ini(path);
                const std::string value = ini.ReadString("S", "k", "default");
                ini.WriteString("S", "k", "new");
                const auto swap = [&] {
                    InChildProcess(
                        [&] { return std::to_string(system(("cd '" + folder + "' && " + c.swap).c_str())); });
                };
                alarm(20); // a save that waits on a FIFO fails here
                if (c.swap && c.beforeUpdate)
                    swap();
                else if (c.swap)
                    BeforeNextCall("sync", swap);
                return value + "|" + MessageOf([&] { ini.UpdateFile(); });
            });
            EXPECT_EQ(seen, c.value + ("|" + path + " に書き込めません")) << what;
            EXPECT_EQ(Contents(dir / "secret"), "secret") << what;
            if (!c.swap) {
                EXPECT_EQ(Contents(path).size(), c.before.size()) << what;
            }
            EXPECT_LE(Entries(folder).size(), 3u) << what;
        }
    }
}

// A disk that fills up during the write: the file size limit stands in for it.
TEST(ProfileFile, AFullDiskNamesTheFileAndChangesNothing) {
    TempDir dir;
    const std::string path = dir / "zumi.ini";
    Write(path, "[S]\nk=old\n");
    const std::string message = InChildProcess([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        return MessageOf([&] {
            ProfileFile ini(path);
            ini.WriteString("S", "k", std::string(5000, 'x'));
            ini.UpdateFile();
        });
    });
    EXPECT_EQ(message, path + " に書き込めません");
    EXPECT_EQ(Contents(path), "[S]\nk=old\n");
    EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{".", "..", "zumi.ini"}));
}

// A writer killed at any moment leaves the file whole: the old text or the new
// one, for a save of several keys too.
TEST(ProfileFile, AKilledWriterLeavesTheOldFileOrTheNewOne) {
    TempDir dir;
    const std::string path = dir / "zumi.ini";
    const std::string a(300000, 'a');
    const std::string b(200000, 'b');
    const auto save = [&](const std::string& value) {
        ProfileFile ini(path);
        ini.WriteString("S", "k", value);
        ini.WriteString("T", "k", value);
        ini.UpdateFile();
    };
    save(a);
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                save(b);
                save(a);
            }
        }
        usleep(1000 + 1500 * round);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string text = Contents(path);
        ASSERT_TRUE(text == "[S]\nk=" + a + "\n[T]\nk=" + a + "\n" || text == "[S]\nk=" + b + "\n[T]\nk=" + b + "\n")
            << "round " << round;
    }
}

} // namespace
