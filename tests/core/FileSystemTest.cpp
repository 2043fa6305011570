#include "platform/Errors.h"
#include "platform/FolderReading.h"
#include "platform/Paths.h"
#include "platform/WorkingDirectory.h"

#include "SyncCalls.h"
#include "TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace zumi;

namespace {

TEST(JoinPath, NeverDoublesTheSeparator) {
    const struct {
        const char* folder;
        const char* name;
        const char* joined;
    } cases[] = {
        {"/", "a.gif", "/a.gif"},
        {"/pics", "a.gif", "/pics/a.gif"},
        {"/pics/", "a.gif", "/pics/a.gif"},
        {"/写真", "猫.jpg", "/写真/猫.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
}

TEST(ChangeFileExtension, ReplacesOnlyTheFileNamesLastExtension) {
    const struct {
        const char* path;
        const char* changed;
    } cases[] = {
        {"/usr/bin/zumi", "/usr/bin/zumi.ini"},       {"/opt/zumi/zumi.exe", "/opt/zumi/zumi.ini"},
        {"/opt/zumi.d/zumi", "/opt/zumi.d/zumi.ini"}, // a dot in a folder's name is not an extension
        {"/opt/zumi.tar.gz", "/opt/zumi.tar.ini"},    {"/opt/.zumi", "/opt/.ini"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChangeFileExtension(c.path, ".ini"), c.changed) << c.path;
}

TEST(IOError, MessagesMeanWhatTheySay) {
    const struct {
        int err;
        int code;
        const char* message;
    } cases[] = {
        {ENOENT, 2, "ﾌｧｲﾙが見つかりません"},
        {ENOTDIR, 3, "不正なﾌｧｲﾙ名です"},
        {ENAMETOOLONG, 3, "不正なﾌｧｲﾙ名です"},
        {ELOOP, 3, "不正なﾌｧｲﾙ名です"},
        {EMFILE, 4, "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます"},
        {ENFILE, 4, "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます"},
        {EACCES, 5, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {EPERM, 5, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
        {ENOSPC, 101, "ﾃﾞｨｽｸがいっぱいです"},
        // EIO is 5 on Linux: it must not read as "access denied".
        {EIO, EIO, "I/O ｴﾗｰ (5)"},
        {EROFS, EROFS, "I/O ｴﾗｰ (30)"},
    };
    for (const auto& c : cases) {
        const IOError error = IOError::FromErrno(c.err);
        EXPECT_EQ(error.Code(), c.code) << c.err;
        EXPECT_STREQ(error.what(), c.message) << c.err;
    }
    // Codes that no errno maps to, and one with no message of its own (a drive that is not ready).
    const struct {
        int code;
        const char* message;
    } codes[] = {
        {100, "ﾌｧｲﾙの末尾以降を読み込みました"},
        {106, "入力値が数値ではありません"},
        {21, "I/O ｴﾗｰ (21)"},
    };
    for (const auto& c : codes)
        EXPECT_STREQ(IOError(c.code).what(), c.message) << c.code;
}

TEST(EnterFolder, ReportsWhyAFolderCannotBeEntered) {
    TempDir dir;
    const std::string file = dir.File("a.gif");
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {dir / "gone", "ﾌｧｲﾙが見つかりません"},
        {file, "不正なﾌｧｲﾙ名です"},
        {file + "/x", "不正なﾌｧｲﾙ名です"},
        {"", "ﾌｧｲﾙが見つかりません"},
    };
    for (const auto& c : cases) {
        try {
            EnterFolder(c.path);
            ADD_FAILURE() << c.path << " was entered";
        } catch (const IOError& error) {
            EXPECT_STREQ(error.what(), c.message) << c.path;
        }
    }
}

// The folder entered is the one checked: a link another user swaps in at the
// path just before the program enters it leads nowhere.
TEST(EnterFolder, EntersTheFolderItCheckedNotALinkSwappedInAtThePath) {
    TempDir dir;
    const std::string shared = dir.Folder("shared", 01777);
    const std::string album = dir.Folder("shared/album");
    ASSERT_EQ(chown(album.c_str(), SecondUid, SecondUid), 0); // the other user's folder, which the user lists
    const std::string home = dir.Folder("home");
    BeforeNextCall("enter", [&] {
        AsUser(SecondUid, [&] {
            return std::to_string(rename(album.c_str(), (album + ".old").c_str()) +
                                  symlink(home.c_str(), album.c_str()));
        });
    });
    EXPECT_EQ(EnterFolder(album).Path(), album + ".old");
    struct stat st;
    ASSERT_EQ(lstat(album.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the swap happened";
}

// The path is the folder's own, with no "/" at the end but the root's, and a
// relative one is taken from the folder given; the process stays at the root.
TEST(EnterFolder, GivesTheFolderItsOwnPathAndLeavesTheProcessAtTheRoot) {
    TempDir dir;
    const std::string sub = dir.Folder("sub");
    ASSERT_EQ(symlink("sub", (dir / "link").c_str()), 0);
    const struct {
        std::string path, from, entered;
    } cases[] = {
        {sub + "/", "/", sub},
        {"/", sub, "/"},
        {"..", sub, dir.Path()},
        {"link/.", dir.Path(), sub},
    };
    for (const auto& c : cases) {
        WorkIn(dir.Path());
        EXPECT_EQ(EnterFolder(c.path, c.from).Path(), c.entered) << c.path;
        EXPECT_EQ(CurrentDirectory(), "/") << c.path;
    }
}

TEST(FolderReader, ClassifiesEntries) {
    TempDir dir;
    dir.File("plain.gif", 0666);
    dir.File(".hidden.gif", 0666);
    dir.Folder("folder.gif", 0777);
    dir.File("locked.gif", 0644);
    ASSERT_EQ(symlink("plain.gif", (dir / "link.gif").c_str()), 0);
    ASSERT_EQ(symlink("folder.gif", (dir / "dirlink.gif").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (dir / "dangling.gif").c_str()), 0);
    ASSERT_EQ(mkfifo((dir / "pipe.gif").c_str(), 0666), 0);
    chmod((dir / "pipe.gif").c_str(), 0666);

    // As root every file is writable; read-only means something only to another user.
    const std::string listing = AsUnprivilegedUser([&] {
        std::string out;
        FolderReader reader(EnterFolder(dir.Path()).Descriptor(), true);
        std::string_view name;
        unsigned attributes;
        while (reader.Next(name, attributes))
            out += std::string(name) + "=" + std::to_string(attributes) + "\n";
        return out;
    });
    std::map<std::string, unsigned> attributes;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
        attributes[line.substr(0, line.find('='))] = std::stoul(line.substr(line.find('=') + 1));

    const std::map<std::string, unsigned> expected = {
        {"plain.gif", 0},
        {".hidden.gif", ftHidden},
        {"folder.gif", ftDirectory},
        {"locked.gif", ftReadOnly},
        {"link.gif", 0},
        {"dirlink.gif", ftDirectory},
        {"dangling.gif", ftSystem | ftReadOnly},
        {"pipe.gif", ftSystem},
    };
    EXPECT_EQ(attributes, expected);
}

} // namespace
