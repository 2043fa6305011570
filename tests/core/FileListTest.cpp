#include "panes/FileList.h"
#include "platform/Errors.h"
#include "platform/WorkingDirectory.h"

#include "MessageOf.h"
#include "TempDir.h"

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <set>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zumi;
using Names = std::vector<std::string>;

namespace {

// A file list pinned to a locale, listing the given folder with the given mask.
Names Listing(const std::string& folder, const std::string& mask) {
    FileList list("en_US.UTF-8");
    list.SetFolderPath(folder, false);
    list.SetMask(mask);
    list.RereadFiles();
    return list.Rows();
}

TEST(FileList, ListsMatchingFilesSorted) {
    TempDir dir;
    for (const char* name : {"c.gif", "B.gif", "a.jpg", "IMG_10.JPG", "IMG_2.jpg", "notes.txt", "d.gif.bak"})
        dir.File(name);
    const struct {
        const char* fault;
        const char* mask;
        Names rows;
    } cases[] = {
        {"pieces not merged into one sorted list",
         "*.gif;*.jpg",
         {"a.jpg", "B.gif", "c.gif", "IMG_2.jpg", "IMG_10.JPG"}},
        {"order depends on the order of the pieces",
         "*.jpg;*.gif",
         {"a.jpg", "B.gif", "c.gif", "IMG_2.jpg", "IMG_10.JPG"}},
        {"a file two pieces match not listed twice", "*.gif;b*", {"B.gif", "B.gif", "c.gif"}},
        {"a piece given twice not counted twice", "*.gif;b*;*.gif", {"B.gif", "B.gif", "B.gif", "c.gif", "c.gif"}},
        {"one of a piece given twice taken out, both", "*.gif;b*", {"B.gif", "B.gif", "c.gif"}},
        {"empty mask lists something", "", {}},
        {"trailing semicolons change the list", "*.gif;;", {"B.gif", "c.gif"}},
        {"leading semicolon changes the list", ";*.gif", {"B.gif", "c.gif"}},
        {"spaces in a piece trimmed", " *.gif", {}},
        {"default mask misses files",
         "*.*",
         {"a.jpg", "B.gif", "c.gif", "d.gif.bak", "IMG_2.jpg", "IMG_10.JPG", "notes.txt"}},
    };
    // Twice over on one list, as a user edits the mask, so the second time
    // every piece has been matched before.
    FileList list("en_US.UTF-8");
    list.SetFolderPath(dir.Path(), false);
    for (int round = 0; round < 2; ++round)
        for (const auto& c : cases) {
            list.SetMask(c.mask);
            list.RereadFiles();
            EXPECT_EQ(list.Rows(), c.rows) << c.fault << ", round " << round;
        }
    Names pieces; // more than the list keeps the matches of, each its own text
    for (int i = 0; i < 1100; ++i)
        pieces.push_back("a" + std::string(1 + i / 5, '*') + std::string(i % 5, '?'));
    const auto mask = [&] {
        std::string joined;
        for (const std::string& piece : pieces)
            joined += (joined.empty() ? "" : ";") + piece;
        return joined;
    };
    EXPECT_EQ(Listing(dir.Path(), mask()), Names(1100, "a.jpg")) << "a name matching 1100 pieces not listed 1100 times";
    // Every thirtieth piece edited in turn, as a keystroke edits one.
    for (size_t i = 0; i < pieces.size(); i += 30) {
        pieces[i][0] = 'c';
        list.SetMask(mask());
        list.RereadFiles();
    }
    Names rows(1063, "a.jpg");
    rows.insert(rows.end(), 37, "c.gif");
    EXPECT_EQ(list.Rows(), rows) << "an edited piece counted by its old text";
    // Another folder, whose names stand where this one's matched.
    TempDir other;
    for (int i = 0; i < 300; ++i)
        other.File("other " + std::to_string(i) + ".txt");
    other.File("z.gif");
    list.SetMask("*.gif;b*");
    list.RereadFiles();
    list.SetFolderPath(other.Path(), true);
    EXPECT_EQ(list.Rows(), Names{"z.gif"}) << "the new folder's rows chosen by the matches kept for the old one's";
    list.SetMask("*.gif");
    list.RereadFiles();
    EXPECT_EQ(list.Rows(), Names{"z.gif"}) << "the new folder's rows counted by the old one's counts";
}

// A large folder's names are keyed for the sort while it is still being read,
// in blocks handed to another thread, on any volume.
TEST(FileList, LargeFoldersListSorted) {
    const struct {
        const char* fault;
        bool tmpfs;
    } cases[] = {
        {"names keyed while reading misplaced", false},
        {"names read on tmpfs misplaced", true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.tmpfs && (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                        mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, nullptr) != 0))
            GTEST_SKIP() << "no tmpfs of our own: " << std::strerror(errno);
        Names names;
        for (int i = 0; i < 6000; ++i)
            names.push_back((i % 2 ? "a picture named img_" : "a picture named IMG_") + std::to_string(i) + ".jpg");
        for (auto name = names.rbegin(); name != names.rend(); ++name)
            dir.File(*name);
        EXPECT_EQ(Listing(dir.Path(), "*"), names) << c.fault;
        if (c.tmpfs)
            umount2(dir.Path().c_str(), MNT_DETACH);
    }
}

TEST(FileList, LeavesOutHiddenSystemAndFolderEntriesButKeepsReadOnlyFiles) {
    TempDir dir;
    dir.File("shown.gif");
    dir.File("readonly.gif", 0444);
    dir.File(".hidden.gif");
    dir.Folder("old.gif");
    ASSERT_EQ(mkfifo((dir / "pipe.gif").c_str(), 0644), 0);
    ASSERT_EQ(symlink("nowhere", (dir / "dangling.gif").c_str()), 0);
    ASSERT_EQ(symlink("shown.gif", (dir / "link.gif").c_str()), 0);
    EXPECT_EQ(Listing(dir.Path(), "*.gif"), (Names{"link.gif", "readonly.gif", "shown.gif"}));
}

TEST(FileList, FileTypeAdmitsFoldersInBrackets) {
    TempDir dir;
    dir.File("a.gif");
    dir.Folder("old.gif");
    FileList list("");
    list.SetFolderPath(dir.Path(), false);
    list.SetMask("*.gif");
    EXPECT_TRUE(list.SetFileType(ftDirectory));
    list.RereadFiles();
    EXPECT_EQ(list.Rows(), (Names{"[old.gif]"}));
    list.SetFileType(ftNormal | ftDirectory);
    list.RereadFiles();
    EXPECT_EQ(list.Rows(), (Names{"[old.gif]", "a.gif"}));
}

TEST(FileList, SettingTheSameMaskAsksForNoRereadButAChangeOfCaseDoes) {
    FileList list("");
    EXPECT_FALSE(list.SetMask("*.*"));
    EXPECT_TRUE(list.SetMask("*.gif"));
    EXPECT_FALSE(list.SetMask("*.gif"));
    EXPECT_TRUE(list.SetMask("*.GIF"));
}

TEST(FileList, KeepsNamesByteForByte) {
    TempDir dir;
    const std::string shiftJis = "\x89\xE6\x91\x9C.jpg"; // 画像.jpg in Shift-JIS, not UTF-8
    dir.File(shiftJis);
    dir.File("猫.jpg");
    FileList list("ja_JP.UTF-8");
    list.SetFolderPath(dir.Path(), true);
    list.SetMask("*.jpg");
    list.RereadFiles();
    ASSERT_EQ(list.Rows().size(), 2u);
    const size_t at = list.Rows()[0] == shiftJis ? 0 : 1;
    EXPECT_EQ(list.Rows()[at], shiftJis);
    EXPECT_EQ(list.PathOf(at), dir.Path() + "/" + shiftJis);
    EXPECT_EQ(access(list.PathOf(at).c_str(), F_OK), 0);
}

// Every byte but "/" may stand in a name, and a name may be 255 bytes long;
// each is listed exactly as it is on disk, and "?" takes any one byte that is
// not part of a longer UTF-8 character.
TEST(FileList, ListsNamesOfEveryByteAndOfTheLongestLength) {
    TempDir dir;
    std::set<std::string> single;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != '/')
            single.insert(
                dir.File("x" + std::string(1, static_cast<char>(byte)) + ".gif").substr(dir.Path().size() + 1));
    }
    std::string japanese;
    while (japanese.size() < 249)
        japanese += "写";
    const std::set<std::string> longest{std::string(251, 'a') + ".gif", japanese + ".gif"};
    for (const std::string& name : longest)
        dir.File(name);

    const struct {
        const char* fault;
        const char* mask;
        std::set<std::string> rows;
    } cases[] = {
        {"a byte name lost or changed", "x*.gif", single},
        {"a lone byte is not one character", "x?.gif", single},
        {"a 255-byte name lost", "a*;写*", longest},
    };
    for (const auto& c : cases) {
        const Names rows = Listing(dir.Path(), c.mask);
        EXPECT_EQ(rows.size(), c.rows.size()) << c.fault;
        EXPECT_EQ(std::set<std::string>(rows.begin(), rows.end()), c.rows) << c.fault;
    }
}

// Thousands of entries that cannot be read or lead nowhere: the files are
// listed, the dangling links left out, and nothing fails.
TEST(FileList, ListsAFolderCrowdedWithUnreadableAndDanglingEntries) {
    TempDir dir;
    for (int i = 0; i < 5000; ++i) {
        dir.File("locked" + std::to_string(i) + ".gif", 0);
        ASSERT_EQ(symlink("nowhere", (dir / "dangling" + std::to_string(i) + ".gif").c_str()), 0);
    }
    dir.File("open.gif");
    const std::string report = AsUnprivilegedUser([&] {
        const Names rows = Listing(dir.Path(), "*.gif");
        return std::to_string(rows.size()) + " " + rows.front() + " " + rows.back();
    });
    EXPECT_EQ(report, "5001 locked0.gif open.gif");
}

TEST(FileList, CallsBusyOnceFromTheHundredAndFirstRow) {
    TempDir dir;
    for (int i = 0; i < 100; ++i)
        dir.File("p" + std::to_string(i) + ".gif");
    FileList list("");
    list.SetFolderPath(dir.Path(), false);
    list.SetMask("*.gif");
    int calls = 0;
    list.RereadFiles([&] { ++calls; });
    EXPECT_EQ(calls, 0) << "100 rows";
    dir.File("p100.gif");
    dir.File("p101.gif");
    list.RereadFiles([&] { ++calls; });
    EXPECT_EQ(calls, 1) << "102 rows read";
    list.SetMask("*.GIF");
    list.RereadFiles([&] { ++calls; });
    EXPECT_EQ(calls, 2) << "102 rows matched from the kept names";
    list.SetMask("p1*.gif;p2*.gif"); // 13 + 11 files, no busy pointer for 24 rows
    calls = 0;
    list.RereadFiles([&] { ++calls; });
    EXPECT_EQ(calls, 0);
}

// A listed folder's names are kept for the next mask only until it changes:
// every change another process makes shows at the next mask change.
TEST(FileList, AMaskChangeShowsWhatAnotherProcessChanged) {
    using Change = std::function<void(const std::string& folder)>;
    const auto link = [](const char* target, const char* name) {
        return [=](const std::string& f) { std::filesystem::create_symlink(target, f + "/" + name); };
    };
    // l.gif -> sub/hop.gif -> ../sub2/far.gif, with far.gif there or not.
    const auto chain = [](bool far) {
        return [=](const std::string& f) {
            std::filesystem::create_directories(f + "/sub2");
            std::filesystem::create_directories(f + "/sub");
            if (far)
                Write(f + "/sub2/far.gif", "");
            std::filesystem::create_symlink("../sub2/far.gif", f + "/sub/hop.gif");
            std::filesystem::create_symlink("sub/hop.gif", f + "/l.gif");
        };
    };
    const struct {
        const char* fault;
        Change change;
        Names rows;
        Change before = {}; // made before the folder is listed
        Change then = {};   // made after the change has been followed
    } cases[] = {
        {"a created file missed",
         [](const std::string& f) { Write(f + "/c.gif", ""); },
         {"A.gif", "a.gif", "b.gif", "c.gif"}},
        {"names created and removed together out of their sorted place",
         [](const std::string& f) {
             for (const char* name : {"/B.gif", "/aa.gif", "/0.gif", "/C.gif"})
                 Write(f + name, "");
             chmod((f + "/B.gif").c_str(), 0600);
             unlink((f + "/a.gif").c_str());
         },
         {"0.gif", "A.gif", "aa.gif", "B.gif", "b.gif", "C.gif"}},
        {"a removed file still listed",
         [](const std::string& f) { unlink((f + "/b.gif").c_str()); },
         {"A.gif", "a.gif"}},
        {"a renamed file listed by its old name",
         [](const std::string& f) { rename((f + "/b.gif").c_str(), (f + "/d.gif").c_str()); },
         {"A.gif", "a.gif", "d.gif"}},
        {"a file made hidden still listed",
         [](const std::string& f) { rename((f + "/b.gif").c_str(), (f + "/.b.gif").c_str()); },
         {"A.gif", "a.gif"}},
        {"the names of a folder removed, its watch ended, listed for the one made in its place",
         [](const std::string& f) {
             std::filesystem::remove_all(f);
             mkdir(f.c_str(), 0755);
             Write(f + "/e.gif", "");
         },
         {"e.gif"}},
        {"a link to a removed file still listed",
         [](const std::string& f) { unlink((f + "/b.gif").c_str()); },
         {"A.gif", "a.gif"},
         link("b.gif", "l.gif")},
        {"a link to a file made later missing",
         [](const std::string& f) { Write(f + "/t.gif", ""); },
         {"A.gif", "a.gif", "b.gif", "l.gif", "t.gif"},
         link("t.gif", "l.gif")},
        {"a link to a file in another folder removed there still listed",
         [](const std::string& f) { unlink((f + "/sub/t.gif").c_str()); },
         {"A.gif", "a.gif", "b.gif"},
         [](const std::string& f) {
             mkdir((f + "/sub").c_str(), 0755);
             Write(f + "/sub/t.gif", "");
             std::filesystem::create_symlink("sub/t.gif", f + "/l.gif");
         }},
        {"the end of a chain of links removed, the link still listed",
         [](const std::string& f) { unlink((f + "/sub2/far.gif").c_str()); },
         {"A.gif", "a.gif", "b.gif"},
         chain(true)},
        {"the end of a chain of links made again missing",
         [](const std::string& f) { Write(f + "/sub2/far.gif", ""); },
         {"A.gif", "a.gif", "b.gif", "l.gif"},
         chain(false)},
        {"a folder above a link's target renamed, the link still listed",
         [](const std::string& f) { rename((f + "/sub/lt").c_str(), (f + "/sub/lt2").c_str()); },
         {"A.gif", "a.gif", "b.gif"},
         [](const std::string& f) {
             std::filesystem::create_directories(f + "/sub/lt/u");
             Write(f + "/sub/lt/u/real.gif", "");
             std::filesystem::create_symlink("sub/lt/u/real.gif", f + "/l.gif");
         }},
        {"a mask's matches kept from before a whole re-read",
         [](const std::string& f) {
             std::filesystem::remove_all(f);
             mkdir(f.c_str(), 0755);
             for (int i = 0; i < 300; ++i)
                 Write(f + "/new " + std::to_string(i) + ".txt", "");
             Write(f + "/z.gif", "");
         },
         {"z.gif"},
         {},
         [](const std::string&) {}},
        {"a link made after the listing still listed once its target elsewhere is removed",
         link("sub/t.gif", "l.gif"),
         {"A.gif", "a.gif", "b.gif"},
         [](const std::string& f) {
             mkdir((f + "/sub").c_str(), 0755);
             Write(f + "/sub/t.gif", "");
         },
         [](const std::string& f) { unlink((f + "/sub/t.gif").c_str()); }},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.File("a.gif");
        dir.File("A.gif");
        dir.File("b.gif");
        if (c.before)
            c.before(dir.Path());
        // Names the mask leaves out, enough that a few changes are followed one by one.
        for (int i = 0; i < 200; ++i)
            dir.File("other " + std::to_string(i) + ".txt");
        FileList list("");
        list.SetMask("*.gif");
        list.SetFolderPath(dir.Path(), true);
        InChildProcess([&] {
            c.change(dir.Path());
            return std::string();
        });
        list.SetMask("*.GIF");
        list.RereadFiles();
        if (c.then) {
            InChildProcess([&] {
                c.then(dir.Path());
                return std::string();
            });
            list.SetMask("*.gif");
            list.RereadFiles();
        }
        EXPECT_EQ(list.Rows(), c.rows) << c.fault;
    }
}

// A follow that reads a large folder whole reads it on a thread of its own:
// the rows stay as they were until the read is finished.
TEST(FileList, AWholeReadOfALargeFolderRunsAsideUntilFinished) {
    TempDir dir;
    for (int i = 0; i < 4500; ++i)
        dir.File("a" + std::to_string(i) + ".jpg");
    FileList list;
    list.SetFolderPath(dir.Path(), true);
    for (int i = 0; i < 300; ++i) // more than one name in sixteen: a whole read
        dir.File("b" + std::to_string(i) + ".jpg");
    ASSERT_TRUE(list.FollowDisk()) << "the whole read held the caller";
    EXPECT_EQ(list.RowCount(), 4500u) << "rows changed before the read aside was finished";
    pollfd ended = {list.ReadAsideDescriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&ended, 1, 60000), 1) << "the read aside never said it ended";
    list.FinishReadAside();
    EXPECT_EQ(list.RowCount(), 4800u);
    // Left while a read aside runs, the folder's read is dropped, not kept for the next.
    for (int i = 0; i < 400; ++i)
        dir.File("c" + std::to_string(i) + ".jpg");
    ASSERT_TRUE(list.FollowDisk());
    TempDir next;
    next.File("n.jpg");
    list.SetFolderPath(next.Path(), true);
    list.FinishReadAside();
    EXPECT_EQ(list.Rows(), Names{"n.jpg"}) << "the left folder's read kept";
}

// Where no watch can be set (here the user has used up the inotify instances
// the kernel allows), nothing vouches for the names and every mask change reads.
TEST(FileList, WithoutAWatchEveryMaskChangeReadsTheFolder) {
    TempDir dir;
    const std::string mine = dir.Folder("mine", 0777);
    Write(mine + "/a.gif", "");
    const std::string report = AsUnprivilegedUser([&] {
        while (inotify_init1(IN_CLOEXEC) >= 0) {
        }
        FileList list("");
        list.SetMask("*.gif");
        list.SetFolderPath(mine, true);
        InChildProcess([&] {
            Write(mine + "/b.gif", "");
            return std::string();
        });
        list.SetMask("*.GIF");
        list.RereadFiles();
        return std::to_string(list.WatchDescriptor()) + " " + std::to_string(list.RowCount());
    });
    EXPECT_EQ(report, "-1 2");
}

TEST(FileList, MovesToAFolderAndTakesRelativePathsFromTheListedOne) {
    TempDir dir;
    dir.Folder("pics");
    dir.File("pics/a.gif");
    dir.Folder("PICS"); // another folder on a case-sensitive volume
    dir.File("PICS/b.gif");
    FileList list("");
    list.SetMask("*.gif");
    EXPECT_TRUE(list.SetFolderPath(dir / "pics", true));
    EXPECT_EQ(list.Rows(), Names{"a.gif"});
    EXPECT_EQ(CurrentDirectory(), "/") << "the process holds the folder";

    EXPECT_TRUE(list.SetFolderPath("../PICS/", true));
    EXPECT_EQ(list.FolderPath(), dir / "PICS");
    EXPECT_EQ(list.Rows(), Names{"b.gif"});
    EXPECT_FALSE(list.SetFolderPath(dir / "PICS", true));
}

TEST(FileList, AFolderThatCannotBeEnteredChangesNothing) {
    TempDir dir;
    dir.File("a.gif");
    dir.File("file.gif");
    FileList list("");
    list.SetMask("*.gif");
    list.SetFolderPath(dir.Path(), true);
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {dir / "gone", "ﾌｧｲﾙが見つかりません"},
        {dir / "file.gif", "不正なﾌｧｲﾙ名です"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageOf([&] { list.SetFolderPath(c.path, true); }), c.message) << c.path;
        EXPECT_EQ(list.FolderPath(), dir.Path());
        EXPECT_EQ(list.Rows(), (Names{"a.gif", "file.gif"}));
    }
    // The folder is still watched: a file made elsewhere comes in.
    InChildProcess([&] { return dir.File("b.gif"); });
    pollfd watch{list.WatchDescriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&watch, 1, 5000), 1);
    EXPECT_TRUE(list.ReadWatchEvents());
    list.RereadFiles();
    EXPECT_EQ(list.Rows(), (Names{"a.gif", "b.gif", "file.gif"}));
}

TEST(FileList, ARemovedFolderKeepsTheOldRows) {
    TempDir dir;
    const std::string sub = dir.Folder("sub");
    dir.File("sub/a.gif");
    FileList list("");
    list.SetMask("*.gif");
    list.SetFolderPath(sub, true);
    WorkIn(dir.Path());
    unlink((sub + "/a.gif").c_str());
    rmdir(sub.c_str());
    EXPECT_EQ(MessageOf([&] { list.RereadFiles(); }), "ﾌｧｲﾙが見つかりません");
    EXPECT_EQ(list.Rows(), Names{"a.gif"});
}

TEST(FileList, AnUnreadableFolderIsRefusedAndKeepsTheOldRows) {
    TempDir dir;
    dir.Folder("open");
    dir.File("open/a.gif");
    dir.Folder("locked", 0711); // can be entered but not read by others
    dir.File("locked/b.gif");
    const std::string mine = dir.Folder("mine", 0777);
    ASSERT_EQ(chown(mine.c_str(), NobodyUid(), NobodyGid()), 0);

    const std::string report = AsUnprivilegedUser([&] {
        FileList list("");
        list.SetMask("*.gif");
        list.SetFolderPath(dir / "open", true);
        std::string out = MessageOf([&] { list.SetFolderPath(dir / "locked", true); }) + "|" + list.FolderPath() + "|" +
                          std::to_string(list.Rows().size()) + "|" + CurrentDirectory();
        // A folder the user lists and then locks.
        list.SetFolderPath(mine, false);
        close(open((mine + "/c.gif").c_str(), O_CREAT | O_WRONLY, 0644));
        list.RereadFiles();
        chmod(mine.c_str(), 0311);
        out += "|" + MessageOf([&] { list.RereadFiles(); }) + "|" + (list.Rows().empty() ? "" : list.Rows()[0]);
        return out;
    });
    EXPECT_EQ(report,
              "ﾌｧｲﾙへのｱｸｾｽが拒否されました|" + (dir / "open") + "|1|/" + "|ﾌｧｲﾙへのｱｸｾｽが拒否されました|c.gif");
}

} // namespace
