#include "index/IndexPage.h"
#include "platform/Errors.h"
#include "platform/FileReplace.h"
#include "platform/ProfileFile.h"
#include "platform/WorkingDirectory.h"

#include "MessageOf.h"
#include "SyncCalls.h"
#include "TempDir.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zumi;

namespace {

// The page as WritePage leaves it on disk.
std::string WrittenPage(const std::vector<std::string>& names, const PageOptions& options,
                        const std::function<void()>& step = {}) {
    TempDir dir;
    WritePage(dir / "imgindex.html", names, options, step);
    return Contents(dir / "imgindex.html");
}

std::vector<std::string> CameraNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back("IMG_" + std::to_string(i) + ".JPG");
    return names;
}

TEST(WritePage, OneItemMakesSixLinesEachEndingInCrLf) {
    EXPECT_EQ(WrittenPage({"a.gif"}, {}), "<HTML>\r\n"
                                          "<HEAD><TITLE>ImageIndex</TITLE></HEAD>\r\n"
                                          "<BODY>\r\n"
                                          "<A HREF=\"a.gif\"><IMG SRC=\"a.gif\" ALT=\"a.gif\"></A>\r\n"
                                          "</BODY>\r\n"
                                          "</HTML>\r\n");
}

TEST(WritePage, ItemLineTailFollowsTheSizeLockAndBorderOption) {
    const struct {
        PageOptions options;
        const char* line;
    } cases[] = {
        {{false, "100", "120", false}, R"(<A HREF="a.gif"><IMG SRC="a.gif" ALT="a.gif"></A>)"},
        {{false, "100", "120", true}, R"(<A HREF="a.gif"><IMG SRC="a.gif" ALT="a.gif" BORDER="0"></A>)"},
        {{true, "100", "120", false}, R"(<A HREF="a.gif"><IMG SRC="a.gif" ALT="a.gif" HEIGHT="100" WIDTH="120"></A>)"},
        {{true, "100", "120", true},
         R"(<A HREF="a.gif"><IMG SRC="a.gif" ALT="a.gif" HEIGHT="100" WIDTH="120" BORDER="0"></A>)"},
        {{true, "", " 7", false}, R"(<A HREF="a.gif"><IMG SRC="a.gif" ALT="a.gif" HEIGHT="" WIDTH=" 7"></A>)"},
        // A size text from a hand-edited settings file cannot break out of its attribute.
        {{true, "1\"x", "<2>", false},
         R"(<A HREF="a.gif"><IMG SRC="a.gif" ALT="a.gif" HEIGHT="1&quot;x" WIDTH="&lt;2&gt;"></A>)"},
    };
    for (const auto& c : cases) {
        const std::string page = WrittenPage({"a.gif"}, c.options);
        const size_t start = page.find("<A ");
        EXPECT_EQ(page.substr(start, page.find("\r\n", start) - start), c.line);
    }
}

TEST(WritePage, KeepsTheOrderAndStepsOncePerItem) {
    int steps = 0;
    const std::string page = WrittenPage({"b.png", "a.gif", "a.gif"}, {}, [&] { ++steps; });
    EXPECT_EQ(steps, 3);
    const size_t b = page.find("HREF=\"b.png\"");
    const size_t a1 = page.find("HREF=\"a.gif\"");
    const size_t a2 = page.find("HREF=\"a.gif\"", a1 + 1);
    EXPECT_TRUE(b < a1 && a1 < a2 && a2 != std::string::npos);
}

// The lines go to disk in blocks as they are built; none is lost or doubled where a block ends.
TEST(WritePage, APageOfManyBlocksIsWrittenWhole) {
    const std::vector<std::string> names = CameraNames(30000);
    const std::string page = BuildPage(names, {true, "100", "120", true});
    ASSERT_GT(page.size(), 3000000u);
    EXPECT_TRUE(WrittenPage(names, {true, "100", "120", true}) == page);
    // Written aside, the page is of the names as they were at the start, though they change meanwhile.
    TempDir dir;
    std::vector<std::string> rows = names;
    PageWriter writer;
    EXPECT_TRUE(writer.Start(dir / "imgindex.html", rows, {true, "100", "120", true}, nullptr));
    rows.assign(3, "changed.gif");
    writer.Finish();
    EXPECT_TRUE(Contents(dir / "imgindex.html") == page);
    EXPECT_EQ(writer.Lines(), names.size());
    writer.Start(dir / "imgindex.html", rows, {}, nullptr); // the next page counts its own lines
    writer.Finish();
    EXPECT_EQ(writer.Lines(), 3u);
}

TEST(PageNames, UrlsEscapeEveryByteThatIsNotPlainAndAltEscapesMarkup) {
    const struct {
        const char* name;
        const char* url;
        const char* alt;
    } cases[] = {
        {"IMG_0001.JPG", "IMG_0001.JPG", "IMG_0001.JPG"},
        {"-._~!$'()*+,;=@", "-._~!$'()*+,;=@", "-._~!$'()*+,;=@"},
        {"AZaz09[`{/.png", "AZaz09%5B%60%7B%2F.png", "AZaz09[`{/.png"}, // both ends of each kept range
        {"a b.png", "a%20b.png", "a b.png"},
        {"say\"hi\".png", "say%22hi%22.png", "say&quot;hi&quot;.png"},
        {"x\" onerror=\"alert(1).png", "x%22%20onerror=%22alert(1).png", "x&quot; onerror=&quot;alert(1).png"},
        {"x#1.png", "x%231.png", "x#1.png"},
        {"100%.png", "100%25.png", "100%.png"},
        {"q?.png", "q%3F.png", "q?.png"},
        {"a&b.png", "a%26b.png", "a&amp;b.png"},
        {"<i>.png", "%3Ci%3E.png", "&lt;i&gt;.png"},
        {"c:d.png", "c%3Ad.png", "c:d.png"},
        {"猫.png", "%E7%8C%AB.png", "猫.png"},
        {"\x93\xfa\x96\x7b.png", "%93%FA%96%7B.png", "\x93\xfa\x96\x7b.png"}, // Shift-JIS bytes
        {"tab\there", "tab%09here", "tab\there"},
        {"two\nlines.png", "two%0Alines.png", "two&#10;lines.png"},
        {"cr\r.png", "cr%0D.png", "cr&#13;.png"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UrlText(c.name), c.url) << c.name;
        EXPECT_EQ(AltText(c.name), c.alt) << c.name;
    }
}

TEST(IndexPath, IsThePageInTheFolderWithOneSeparator) {
    EXPECT_EQ(IndexPath("/"), "/imgindex.html");
    EXPECT_EQ(IndexPath("/pics"), "/pics/imgindex.html");
}

// The new page or settings file keeps the old one's permissions only when the
// old one is the user's own, and never a set-id or sticky bit: another user's
// file would lend that user the right to change what the user wrote.
TEST(PageReplace, TakesOnlyTheUsersOwnFilesPermissions) {
    const struct {
        const char* what;
        bool users; // the old file is the user's (else the other user's)
        mode_t mode;
        mode_t kept; // the new file's mode, under the umask 022
    } cases[] = {
        {"the user's own page", true, 0604, 0604},
        {"the user's own page with set-id bits", true, 06755, 0755},
        {"another user's page open to all", false, 0666, 0644},
        {"another user's page with set-id bits", false, 06777, 0644},
    };
    for (const auto& c : cases) {
        for (const uid_t user : {uid_t{0}, NobodyUid()}) {
            for (const bool settings : {false, true}) {
                const std::string what = std::string(c.what) + (settings ? ", settings" : ", page") +
                                         (user == 0 ? ", as root" : ", as a user");
                TempDir dir;
                const std::string folder = dir.Folder("shared", 0777); // no sticky bit: anyone may replace a file
                const std::string path = folder + (settings ? "/zumi.ini" : "/imgindex.html");
                Write(path, "old\n");
                const uid_t owner = c.users ? user : SecondUid;
                ASSERT_EQ(chown(path.c_str(), owner, owner), 0);
                ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
                const std::string message = AsUser(user, [&] {
                    umask(022);
                    return MessageOf([&] {
                        if (!settings)
                            return (void)ReplaceFile(path, "new\n");
                        ProfileFile ini(path);
                        ini.WriteString("S", "k", "v");
                        ini.UpdateFile();
                    });
                });
                EXPECT_EQ(message, "no failure") << what;
                EXPECT_EQ(Contents(path), settings ? "old\n[S]\nk=v\n" : "new\n") << what;
                struct stat st;
                ASSERT_EQ(stat(path.c_str(), &st), 0);
                EXPECT_EQ(st.st_mode & 07777, c.kept) << what;
                EXPECT_EQ(st.st_uid, user) << what;
                EXPECT_EQ(Entries(folder).size(), 3u) << what;
            }
        }
    }
}

// A link is followed only from a folder that nobody but the user and root
// may write, whoever made it and wherever it stands: in the page's place or
// on the folder's path. Another user prepares the folders; each step of the
// program runs as root and as an unprivileged user. A refused step fails
// with its message and leaves the user's own page as it was; a followed one
// acts on it.
TEST(PageReplace, FollowsALinkOnlyFromAFolderNobodyElseMayWrite) {
    const uid_t other = SecondUid;
    enum class Folder { Sticky, Group, Others, Own };
    // The link's target: the user's folder or page by its full path, from the link's folder
    // ("../home"), or through a sticky folder where the other user's link leads there.
    enum class Target { Full, Relative, Through };
    const struct {
        const char* what;
        Folder folder;    // the folder holding the link
        bool linkIsUsers; // the user made the link (else the other user)
        bool moved;       // the other user moved the user's link there from a group folder
        bool onPath;      // the link stands for the listed folder (else for the page)
        bool followed;
        Target target = Target::Full;
    } cases[] = {
        {"another user's page link in a sticky folder", Folder::Sticky, false, false, false, false},
        {"the user's own page link in a sticky folder", Folder::Sticky, true, false, false, false},
        {"the user's page link another user moved", Folder::Sticky, true, true, false, false},
        {"a page link in a group folder", Folder::Group, false, false, false, false},
        {"the folder owner's page link", Folder::Others, false, false, false, false},
        {"the user's own page link in the user's folder", Folder::Own, true, false, false, true},
        {"another user's folder swapped for a link", Folder::Others, false, false, true, false},
        {"a folder link in a sticky folder", Folder::Sticky, false, false, true, false},
        {"the user's own folder link in the user's folder", Folder::Own, true, false, true, true},
        {"the user's own relative page link", Folder::Own, true, false, false, true, Target::Relative},
        {"the user's own relative folder link", Folder::Own, true, false, true, true, Target::Relative},
        {"the user's own page link through another user's", Folder::Own, true, false, false, false, Target::Through},
        {"the user's own folder link through another user's", Folder::Own, true, false, true, false, Target::Through},
    };
    for (const auto& c : cases) {
        for (const uid_t user : {uid_t{0}, NobodyUid()}) {
            const std::string what = std::string(c.what) + (user == 0 ? ", as root" : ", as an unprivileged user");
            TempDir dir;
            const std::string home = dir.Folder("home"); // the user's own, where a followed link leads
            ASSERT_EQ(chown(home.c_str(), user, user), 0);
            const std::string victim = home + "/imgindex.html";
            Write(victim, "the user's page");
            chown(victim.c_str(), user, user);
            const uid_t folderOwner = c.folder == Folder::Others ? other : c.folder == Folder::Own ? user : 0;
            const std::string shared = dir.Folder("shared", c.folder == Folder::Sticky  ? 01777
                                                            : c.folder == Folder::Group ? 0775
                                                                                        : 0755);
            ASSERT_EQ(chown(shared.c_str(), folderOwner, c.folder == Folder::Group ? other : folderOwner), 0);
            const std::string link = shared + (c.onPath ? "/album" : "/imgindex.html");
            const std::string below = c.onPath ? "" : "/imgindex.html";
            std::string target = home + below;
            if (c.target == Target::Relative) {
                target = "../home" + below;
            } else if (c.target == Target::Through) {
                dir.Folder("drop", 01777);
                ASSERT_EQ(
                    AsUser(other, [&] { return std::to_string(symlink(home.c_str(), (dir / "drop/x").c_str())); }),
                    "0");
                target = "../drop/x" + below;
            }
            if (c.moved) {
                const std::string group = dir.Folder("group", 0777); // both may write it, and no sticky bit
                ASSERT_EQ(AsUser(user, [&] { return std::to_string(symlink(target.c_str(), (group + "/l").c_str())); }),
                          "0");
                ASSERT_EQ(AsUser(other, [&] { return std::to_string(rename((group + "/l").c_str(), link.c_str())); }),
                          "0");
            } else {
                ASSERT_EQ(AsUser(c.linkIsUsers ? user : other,
                                 [&] { return std::to_string(symlink(target.c_str(), link.c_str())); }),
                          "0")
                    << what;
            }
            const std::string folder = c.onPath ? link : shared;
            const std::string page = folder + "/imgindex.html";

            const std::string opened = AsUser(user, [&] { return TrustedRegularFile(page) ? "opened" : "not opened"; });
            const std::string entered = AsUser(user, [&] { return MessageOf([&] { EnterFolder(folder); }); });
            const std::string saved = AsUser(user, [&] { return MessageOf([&] { ReplaceFile(page, "page"); }); });
            EXPECT_EQ(opened, c.followed ? "opened" : "not opened") << what;
            EXPECT_EQ(entered, c.followed || !c.onPath ? "no failure" : "ﾌｧｲﾙへのｱｸｾｽが拒否されました") << what;
            EXPECT_EQ(saved, c.followed ? "no failure" : "ﾌｧｲﾙ " + page + " を作成できません") << what;
            EXPECT_EQ(Contents(victim), c.followed ? "page" : "the user's page") << what;
            if (c.onPath) {
                const std::string deleted = AsUser(user, [&] { return MessageOf([&] { DeletePage(page); }); });
                EXPECT_EQ(deleted, c.followed ? "no failure" : "ﾌｧｲﾙ " + page + " を削除できません") << what;
                EXPECT_EQ(access(victim.c_str(), F_OK) == 0, !c.followed) << what;
            }
            EXPECT_EQ(Entries(shared).size(), 3u) << what;
        }
    }
}

// Runs the step in a child process that sees no /proc, as in a container or
// a chroot without it: an unnamed file cannot be named through it there.
std::string WithoutProc(const std::function<std::string()>& step) {
    return InChildProcess([&] {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            umount2("/proc", MNT_DETACH) != 0)
            return std::string("could not hide /proc");
        return step();
    });
}

// Names another user made first in a shared folder, the ones a save might
// use among them, neither block the save nor take its text elsewhere, nor are
// they taken for a crashed save's leftovers and removed; nor is the file of
// another save of the page still being written. With /proc or without, where
// the text has a hidden name from the start.
TEST(PageReplace, NamesAnotherUserMadeFirstNeitherBlockNorRedirectTheSave) {
    for (const bool proc : {true, false}) {
        TempDir dir;
        const std::string shared = dir.Folder("shared", 01777);
        const std::string victim = dir.File("victim", 0666);
        const std::string page = shared + "/imgindex.html";
        const std::string planted = AsUnprivilegedUser([&] {
            int made = symlink(victim.c_str(), (shared + "/.imgindex.html.zumi-new").c_str()) == 0;
            Write(shared + "/.imgindex.html.zumi-others", "another user's");
            ++made;
            for (int i = 0; i < 100; ++i)
                made += symlink(victim.c_str(), (shared + "/.imgindex.html.zumi-" + std::to_string(i)).c_str()) == 0;
            return std::to_string(made);
        });
        ASSERT_EQ(planted, "102");
        // A second save of the page starts while the first is writing, and ends first.
        const auto saves = [&] {
            std::string second;
            BeforeNextCall("sync", [&] { second = MessageOf([&] { ReplaceFile(page, "second"); }); });
            return MessageOf([&] { ReplaceFile(page, "page"); }) + "|" + second;
        };
        EXPECT_EQ(proc ? saves() : WithoutProc(saves), "no failure|no failure") << proc;
        EXPECT_EQ(Contents(page), "page") << proc;
        EXPECT_EQ(Contents(victim), "") << proc;
        EXPECT_EQ(Contents(shared + "/.imgindex.html.zumi-others"), "another user's") << proc;
        EXPECT_EQ(Entries(shared).size(), 2u + 102u + 1u) << proc;
    }
}

// The new text is on the disk before the rename puts it in the file's place: a crash
// just after an unflushed rename can leave an empty file where the old one was.
TEST(PageReplace, PageAndSettingsReachTheDiskBeforeTakingTheFilesPlace) {
    const struct {
        const char* name;
        std::function<void(const std::string& path)> write;
    } writers[] = {
        {"imgindex.html", [](const std::string& path) { WritePage(path, CameraNames(3), {}); }},
        {"zumi.ini",
         [](const std::string& path) {
             ProfileFile ini(path);
             ini.WriteString("Setting", "Mask", "*.gif");
             ini.UpdateFile();
         }},
    };
    for (const auto& w : writers) {
        TempDir dir;
        const std::string path = dir / w.name;
        Write(path, "old");
        ClearSyncCalls();
        w.write(path);
        // The text has no name until it is whole and synced, then a hidden one only to be renamed.
        const std::vector<std::string> calls = SyncCalls();
        ASSERT_EQ(calls.size(), 3u) << w.name;
        const std::string unnamed = calls[0].substr(5);
        const std::string temporary = calls[2].substr(7, calls[2].rfind(' ') - 7);
        EXPECT_EQ(unnamed.find(" (deleted)"), unnamed.size() - 10) << unnamed;
        EXPECT_EQ(temporary.rfind(dir / ("." + std::string(w.name) + "."), 0), 0u) << temporary;
        EXPECT_EQ(calls[1], "link " + unnamed + " " + temporary) << w.name;
        EXPECT_EQ(calls[2], "rename " + temporary + " " + path) << w.name;
    }
}

// Each failure shows its message and leaves the old page and the folder exactly as they were.
TEST(WritePage, AFailedWriteChangesNothingOnDisk) {
    const std::string created = "ﾌｧｲﾙ %s を作成できません";
    const struct {
        const char* what;
        mode_t folderMode;
        mode_t pageMode;
        bool asNobody;
        rlim_t sizeLimit;
        int count;
        std::string message;
    } cases[] = {
        {"folder not writable", 0755, 0666, true, RLIM_INFINITY, 100, created},
        {"page read-only", 0777, 0444, true, RLIM_INFINITY, 100, created},
        {"disk full", 0755, 0644, false, 1000, 100, "ｽﾄﾘｰﾑへの書き込みｴﾗｰ"},
        {"disk full after the first block", 0755, 0644, false, 3 << 19, 40000, "ｽﾄﾘｰﾑへの書き込みｴﾗｰ"},
    };
    for (const auto& c : cases) {
        for (const bool aside : {false, true}) {
            TempDir dir;
            const std::string folder = dir.Folder("pics", c.folderMode);
            const std::string page = folder + "/imgindex.html";
            Write(page, "old page\r\n");
            chmod(page.c_str(), c.pageMode);
            const auto save = [&] {
                signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{c.sizeLimit, c.sizeLimit};
                setrlimit(RLIMIT_FSIZE, &limit);
                if (!aside)
                    return MessageOf([&] { WritePage(page, CameraNames(c.count), {}); });
                PageWriter writer; // the error reaches the thread that waits for the page
                writer.Start(page, CameraNames(c.count), {}, nullptr);
                return MessageOf([&] { writer.Finish(); });
            };
            std::string expected = c.message;
            if (expected.find("%s") != std::string::npos)
                expected.replace(expected.find("%s"), 2, page);
            EXPECT_EQ(c.asNobody ? AsUnprivilegedUser(save) : InChildProcess(save), expected) << c.what;
            EXPECT_EQ(Contents(page), "old page\r\n") << c.what;
            EXPECT_EQ(Entries(folder), (std::set<std::string>{".", "..", "imgindex.html"})) << c.what;
        }
    }
}

// A writer killed at any moment leaves the page whole: the old text or the new
// one; and the next save removes whatever the killed writers left, with /proc
// or without, where the text has a hidden name from the start.
TEST(PageReplace, AKilledWriterLeavesTheOldPageOrTheNewOne) {
    for (const bool proc : {true, false}) {
        TempDir dir;
        const std::string page = dir / "imgindex.html";
        const std::string a(300000, 'a');
        const std::string b(200000, 'b');
        const auto rounds = [&] {
            ReplaceFile(page, a);
            std::mt19937 moments(7);
            for (int round = 0; round < 20; ++round) {
                const pid_t child = fork();
                if (child == 0) {
                    for (;;) {
                        ReplaceFile(page, b);
                        ReplaceFile(page, a);
                    }
                }
                usleep(std::uniform_int_distribution<useconds_t>(200, 30000)(moments));
                kill(child, SIGKILL);
                waitpid(child, nullptr, 0);
                const std::string text = Contents(page);
                if (text != a && text != b)
                    return "round " + std::to_string(round) + ": " + std::to_string(text.size()) + " bytes";
            }
            // Nothing of the killed writers stays once the page is written again,
            // not even the text of one killed between naming it and renaming it.
            Write(dir / ".imgindex.html.zumi-new", b);
            ReplaceFile(page, a);
            return std::string("whole");
        };
        EXPECT_EQ(proc ? rounds() : WithoutProc(rounds), "whole") << proc;
        EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{".", "..", "imgindex.html"})) << proc;
    }
}

// Only a regular file is replaced, read or handed to the browser as the page or
// the settings, at the name or through the user's own link: anything else,
// another user's too, is refused and stays what it was, no line of the page is
// built, and nothing blocks on it (a step still running after 20 s is killed).
TEST(PageReplace, OnlyARegularFileIsTheOneReplacedOrRead) {
    const struct {
        const char* what;
        mode_t kind;
        bool linked; // reached through the user's own link in the user's folder (else at the name, the other user's)
    } cases[] = {
        {"a folder", S_IFDIR, false},     {"a FIFO", S_IFIFO, false},         {"a device", S_IFCHR, false},
        {"a linked FIFO", S_IFIFO, true}, {"a linked device", S_IFCHR, true},
    };
    for (const auto& c : cases) {
        for (const uid_t user : {uid_t{0}, NobodyUid()}) {
            const std::string what = std::string(c.what) + (user == 0 ? ", as root" : ", as an unprivileged user");
            TempDir dir;
            const std::string shared = dir.Folder("shared", c.linked ? 0755 : 01777);
            ASSERT_EQ(chown(shared.c_str(), c.linked ? user : 0, c.linked ? user : 0), 0);
            const std::string thing = c.linked ? dir / "thing" : shared + "/imgindex.html";
            ASSERT_EQ(
                c.kind == S_IFDIR ? mkdir(thing.c_str(), 0777) : mknod(thing.c_str(), c.kind | 0666, makedev(1, 3)), 0);
            ASSERT_EQ(lchown(thing.c_str(), SecondUid, SecondUid), 0);
            const std::string page = shared + "/imgindex.html";
            const std::string ini = shared + "/zumi.ini";
            for (const std::string& name : c.linked ? std::vector{page, ini} : std::vector<std::string>{}) {
                ASSERT_EQ(AsUser(user, [&] { return std::to_string(symlink(thing.c_str(), name.c_str())); }), "0");
            }
            if (!c.linked) {
                ASSERT_EQ(c.kind == S_IFDIR ? mkdir(ini.c_str(), 0777) : link(thing.c_str(), ini.c_str()), 0);
            }
            struct stat before;
            ASSERT_EQ(stat(thing.c_str(), &before), 0);

            const std::string seen = AsUser(user, [&] {
                alarm(20);
                int lines = 0;
                std::string out = MessageOf([&] { WritePage(page, CameraNames(3), {}, [&] { ++lines; }); });
                out += "|" + std::to_string(lines) + (TrustedRegularFile(page) ? "|opened|" : "|not opened|");
                ProfileFile settings(ini);
                out += settings.ReadString("S", "k", "default") + "|";
                return out + MessageOf([&] {
                           settings.WriteString("S", "k", "v");
                           settings.UpdateFile();
                       });
            });
            EXPECT_EQ(seen, "ﾌｧｲﾙ " + page + " を作成できません|0|not opened|default|" + ini + " に書き込めません")
                << what;
            struct stat after;
            ASSERT_EQ(stat(thing.c_str(), &after), 0) << what;
            EXPECT_EQ(after.st_mode, before.st_mode) << what;
            EXPECT_EQ(after.st_ino, before.st_ino) << what;
        }
    }
}

TEST(PageReplace, APagePathTooLongCannotBeCreated) {
    TempDir dir;
    std::string folder = dir.Path();
    while (folder.size() < 4080) {
        folder += "/" + std::string(std::min<size_t>(200, 4085 - folder.size()), 'd');
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    }
    const std::string page = folder + "/imgindex.html";
    EXPECT_EQ(MessageOf([&] { ReplaceFile(page, "x"); }), "ﾌｧｲﾙ " + page + " を作成できません");
    EXPECT_EQ(Entries(folder), (std::set<std::string>{".", ".."}));
}

// The user's own page, deleted unless the folder or the page itself is not the user's to change.
TEST(DeletePage, KeepsAPageTheUserMayNotChangeAndSaysSo) {
    const struct {
        const char* what;
        mode_t folderMode;
        mode_t pageMode;
        bool asNobody;
        bool kept;
    } cases[] = {
        {"folder not writable", 0755, 0644, true, true},
        {"page read-only", 0777, 0444, true, true},
        {"page and folder writable", 0777, 0644, true, false},
        {"root in a folder only root may write", 0755, 0644, false, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string folder = dir.Folder("pics", c.folderMode);
        const std::string page = folder + "/imgindex.html";
        Write(page, "page\r\n");
        chmod(page.c_str(), c.pageMode);
        ASSERT_EQ(chown(page.c_str(), NobodyUid(), NobodyGid()), 0);
        const auto remove = [&] { return MessageOf([&] { DeletePage(page); }); };
        EXPECT_EQ(c.asNobody ? AsUnprivilegedUser(remove) : remove(),
                  c.kept ? "ﾌｧｲﾙ " + page + " を削除できません" : "no failure")
            << c.what;
        EXPECT_EQ(Contents(page), c.kept ? "page\r\n" : "") << c.what;
        EXPECT_EQ(Entries(folder).size(), c.kept ? 3u : 2u) << c.what;
    }
}

} // namespace
