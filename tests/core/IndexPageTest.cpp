#include "index/IndexPage.h"
#include "platform/Errors.h"
#include "platform/FileReplace.h"
#include "platform/ProfileFile.h"

#include "MessageOf.h"
#include "SyncCalls.h"
#include "TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
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

TEST(PageReplace, ReplacesTheWholePageAndKeepsItsPermissions) {
    TempDir dir;
    const std::string page = dir / "imgindex.html";
    ReplaceFile(page, "a long first page\r\n");
    EXPECT_EQ(Contents(page), "a long first page\r\n");
    chmod(page.c_str(), 0604);
    ReplaceFile(page, "second\r\n");
    EXPECT_EQ(Contents(page), "second\r\n");
    struct stat st;
    ASSERT_EQ(stat(page.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{".", "..", "imgindex.html"}));
}

// A link in the page's place is written through only when the user or the
// owner of the folder holding it made it. Another user's link in a shared
// folder (mode 1777) fails the save and leaves its target as it was, whoever
// saves; the folder also stays as it was.
TEST(PageReplace, WritesThroughOnlyLinksTheUserOrTheFoldersOwnerMade) {
    const uid_t other = NobodyUid();
    const struct {
        const char* what;
        uid_t folderOwner;
        uid_t linkOwner;
        uid_t writer;
        bool chained; // the link names the user's own link in a second shared folder, which names the target
        bool written;
    } cases[] = {
        {"the user's own link", 0, 0, 0, false, true},
        {"the user's own link, an unprivileged user", 0, SecondUid, SecondUid, false, true},
        {"the folder owner's link", SecondUid, SecondUid, 0, false, true},
        {"another user's link, root saves", 0, other, 0, false, false},
        {"another user's link, an unprivileged user saves", 0, other, SecondUid, false, false},
        {"another user's link behind the user's own", 0, other, 0, true, false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string shared = dir.Folder("shared", 01777);
        ASSERT_EQ(chown(shared.c_str(), c.folderOwner, c.folderOwner), 0);
        const std::string home = dir.Folder("home"); // the writer's own, where a save through a link writes
        ASSERT_EQ(chown(home.c_str(), c.writer, c.writer), 0);
        const std::string target = dir.File("home/target.html", 0666);
        Write(target, "victim's file");
        std::string linked = target;
        if (c.chained) {
            dir.Folder("drop", 01777);
            AsUser(c.linkOwner, [&] { return std::to_string(symlink(target.c_str(), (dir / "drop/x.html").c_str())); });
            linked = dir / "drop/x.html";
        }
        const std::string page = shared + "/imgindex.html";
        const uid_t pageLinkOwner = c.chained ? c.writer : c.linkOwner;
        ASSERT_EQ(AsUser(pageLinkOwner, [&] { return std::to_string(symlink(linked.c_str(), page.c_str())); }), "0");

        const std::string message = AsUser(c.writer, [&] { return MessageOf([&] { ReplaceFile(page, "page"); }); });
        EXPECT_EQ(message, c.written ? "no failure" : "ﾌｧｲﾙ " + page + " を作成できません") << c.what;
        EXPECT_EQ(Contents(target), c.written ? "page" : "victim's file") << c.what;
        EXPECT_EQ(Entries(shared), (std::set<std::string>{".", "..", "imgindex.html"})) << c.what;
        EXPECT_EQ(Entries(home), (std::set<std::string>{".", "..", "target.html"})) << c.what;
    }
}

// Names another user made first in a shared folder, the ones a save might
// use among them, neither block the save nor take its text elsewhere.
TEST(PageReplace, NamesAnotherUserMadeFirstNeitherBlockNorRedirectTheSave) {
    TempDir dir;
    const std::string shared = dir.Folder("shared", 01777);
    const std::string victim = dir.File("victim", 0666);
    const std::string page = shared + "/imgindex.html";
    const std::string planted = AsUnprivilegedUser([&] {
        int made = symlink(victim.c_str(), (shared + "/.imgindex.html.zumi-new").c_str()) == 0;
        for (int i = 0; i < 100; ++i)
            made +=
                symlink(victim.c_str(),
                        (shared + "/.imgindex.html." + std::to_string(getppid()) + "-" + std::to_string(i)).c_str()) ==
                0;
        return std::to_string(made);
    });
    ASSERT_EQ(planted, "101");
    ReplaceFile(page, "page");
    EXPECT_EQ(Contents(page), "page");
    EXPECT_EQ(Contents(victim), "");
    EXPECT_EQ(Entries(shared).size(), 2u + 101u + 1u);
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
        TempDir dir;
        const std::string folder = dir.Folder("pics", c.folderMode);
        const std::string page = folder + "/imgindex.html";
        Write(page, "old page\r\n");
        chmod(page.c_str(), c.pageMode);
        const auto save = [&] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{c.sizeLimit, c.sizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            return MessageOf([&] { WritePage(page, CameraNames(c.count), {}); });
        };
        std::string expected = c.message;
        if (expected.find("%s") != std::string::npos)
            expected.replace(expected.find("%s"), 2, page);
        EXPECT_EQ(c.asNobody ? AsUnprivilegedUser(save) : InChildProcess(save), expected) << c.what;
        EXPECT_EQ(Contents(page), "old page\r\n") << c.what;
        EXPECT_EQ(Entries(folder), (std::set<std::string>{".", "..", "imgindex.html"})) << c.what;
    }
}

// A writer killed at any moment leaves the page whole: the old text or the new one.
TEST(PageReplace, AKilledWriterLeavesTheOldPageOrTheNewOne) {
    TempDir dir;
    const std::string page = dir / "imgindex.html";
    const std::string a(300000, 'a');
    const std::string b(200000, 'b');
    ReplaceFile(page, a);
    std::mt19937 moments(7);
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
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
        ASSERT_TRUE(text == a || text == b) << "round " << round << ": " << text.size() << " bytes";
    }
    // Nothing of the killed writers stays once the page is written again, not
    // even the text of one killed between naming it and renaming it.
    Write(dir / ".imgindex.html.zumi-new", b);
    ReplaceFile(page, a);
    EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{".", "..", "imgindex.html"}));
}

TEST(WritePage, AFolderOfThePageNameCannotBeReplacedAndNoLineIsBuilt) {
    TempDir dir;
    dir.Folder("imgindex.html");
    int steps = 0;
    EXPECT_EQ(
        MessageOf([&] { WritePage(dir / "imgindex.html", std::vector<std::string>{"a.gif"}, {}, [&] { ++steps; }); }),
        "ﾌｧｲﾙ " + (dir / "imgindex.html") + " を作成できません");
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{".", "..", "imgindex.html"}));
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
