#include "panes/FolderList.h"
#include "platform/WorkingDirectory.h"

#include "MessageOf.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

using namespace zumi;

namespace {

// A temporary tree with the working directory at its top.
class FolderListTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Folder("pics");
        dir.Folder("pics/2001");
        dir.File("pics/a.png");
        WorkIn(dir.Path());
    }

    TempDir dir;
};

TEST_F(FolderListTest, SplitFindsTheFolderATextNames) {
    const std::string pics = dir / "pics";
    dir.Folder("pics/What?");
    dir.Folder("pics/best*");
    const struct {
        const char* fault;
        std::string text;
        std::string folder;
    } cases[] = {
        {"a trailing separator not taken as the folder itself", pics + "/", pics},
        {"a file's path not taken to its folder", pics + "/a.png", pics},
        {"a mask in the last component entered", pics + "/*.png", pics},
        {"a single-character wildcard entered", pics + "/2?01", pics},
        {"a folder named with \"?\" not entered", pics + "/What?", pics + "/What?"},
        {"a folder named with \"*\" not entered", "pics/best*", pics + "/best*"},
        {"the bracketed form not unwrapped", "[" + pics + "]", pics},
        {"a relative name not taken from the folder given", "pics", pics},
        {"a relative path not taken from the folder given", "pics/2001", pics + "/2001"},
        {"a parent step not resolved", pics + "/2001/..", pics},
        {"a component below the root mishandled", "/tmp", "/tmp"},
        {"the root mishandled", "/", "/"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitFolderPath(c.text, dir.Path()), c.folder) << c.fault;
        EXPECT_EQ(CurrentDirectory(), "/") << c.fault << ": the process holds the folder";
    }
}

TEST_F(FolderListTest, SplitFailsOnFoldersThatCannotBeEntered) {
    const struct {
        const char* fault;
        std::string text;
        const char* message;
    } cases[] = {
        {"a missing last folder accepted", dir / "pics/nope", "ﾌｧｲﾙが見つかりません"},
        {"a missing middle folder accepted", dir / "nope/2001", "ﾌｧｲﾙが見つかりません"},
        {"a file used as a folder accepted", dir / "pics/a.png/x", "不正なﾌｧｲﾙ名です"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageOf([&] { SplitFolderPath(c.text, dir.Path()); }), c.message) << c.fault;
    }
}

TEST_F(FolderListTest, RowsShowTheLevelsThenTheVisibleSubfolders) {
    const std::string pics = dir / "pics";
    for (const char* name : {"Photos", "photos", "10", "9", ".hidden", "b"})
        dir.Folder("pics/" + std::string(name));
    ASSERT_EQ(symlink("2001", (pics + "/linked").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", (pics + "/dangling").c_str()), 0);
    // The levels of the temporary folder and the folders they stand for, then "pics" as the current row.
    std::vector<std::string> levels{"/"}, levelPaths{"/"};
    for (size_t start = 1, slash; (slash = pics.find('/', start)) != std::string::npos; start = slash + 1) {
        levels.push_back(pics.substr(start, slash - start));
        levelPaths.push_back(pics.substr(0, slash));
    }
    const size_t current = levels.size();
    const std::vector<std::string> subfolders{"9", "10", "2001", "b", "linked", "Photos", "photos"};

    // Read in place, and aside: the levels at once and the subfolders once read, a read of a folder left dropped.
    for (const bool aside : {false, true}) {
        SCOPED_TRACE(aside ? "aside" : "in place");
        FolderList list("en_US.UTF-8");
        if (aside)
            list.ChangeFolder(pics + "/2001", true, true);
        list.ChangeFolder(pics, true, aside);
        if (aside) {
            EXPECT_EQ(list.Rows().size(), current + 1)
                << "the levels not shown at once, or subfolders of the folder left";
            list.FinishReadAside();
        }
        const std::vector<FolderRow>& rows = list.Rows();
        ASSERT_EQ(rows.size(), current + 1 + subfolders.size());
        EXPECT_EQ(list.CurrentRow(), current);
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i) + " " + rows[i].text);
            if (i < current) {
                EXPECT_EQ(rows[i].text, levels[i]);
                EXPECT_EQ(rows[i].kind, FolderRowKind::Level);
                EXPECT_EQ(list.IconOffset(i), i == 0 ? 2 : list.IconOffset(i - 1) + 4)
                    << "not one step below the level above";
                EXPECT_EQ(list.RowPath(i), levelPaths[i]);
            } else if (i == current) {
                EXPECT_EQ(rows[i].text, "pics");
                EXPECT_EQ(rows[i].kind, FolderRowKind::Current);
                EXPECT_EQ(list.IconOffset(i), list.IconOffset(i - 1) + 4);
                EXPECT_EQ(list.RowPath(i), pics);
            } else {
                EXPECT_EQ(rows[i].text, subfolders[i - current - 1])
                    << "hidden, dangling or case-twin subfolder mishandled";
                EXPECT_EQ(rows[i].kind, FolderRowKind::Subfolder);
                EXPECT_EQ(list.IconOffset(i), list.IconOffset(current) + 4)
                    << "not one step in from the current folder";
                EXPECT_EQ(list.RowPath(i), pics + "/" + rows[i].text);
            }
        }
    }
}

// Subfolders named with every byte but "/", thousands that cannot be read and
// thousands of links that lead nowhere: the folders are all rows, byte for
// byte, the dangling links none, and nothing fails.
TEST_F(FolderListTest, RowsKeepEveryByteAndSurviveACrowdOfUnreadableAndDanglingEntries) {
    const std::string pics = dir / "pics";
    std::set<std::string> expected{"2001"};
    for (int byte = 1; byte < 256; ++byte) {
        if (byte != '/')
            expected.insert(dir.Folder("pics/x" + std::string(1, static_cast<char>(byte))).substr(pics.size() + 1));
    }
    for (int i = 0; i < 5000; ++i) {
        expected.insert(dir.Folder("pics/locked" + std::to_string(i), 0).substr(pics.size() + 1));
        ASSERT_EQ(symlink("nowhere", (pics + "/dangling" + std::to_string(i)).c_str()), 0);
    }
    const std::string report = AsUnprivilegedUser([&] {
        FolderList list("en_US.UTF-8");
        list.ChangeFolder(pics, true);
        std::string rows;
        for (size_t i = list.CurrentRow() + 1; i < list.Rows().size(); ++i)
            rows += list.Rows()[i].text + '/';
        return rows;
    });
    std::set<std::string> listed;
    for (size_t start = 0, end; (end = report.find('/', start)) != std::string::npos; start = end + 1)
        listed.insert(report.substr(start, end - start));
    EXPECT_EQ(listed.size(), expected.size());
    EXPECT_EQ(listed, expected);
}

TEST_F(FolderListTest, RootIsTheSingleCurrentRow) {
    FolderList list("");
    list.ChangeFolder("/", true);
    ASSERT_GT(list.Rows().size(), 1U);
    EXPECT_EQ(list.Rows()[0].text, "/");
    EXPECT_EQ(list.Rows()[0].kind, FolderRowKind::Current);
    EXPECT_EQ(list.Rows()[1].kind, FolderRowKind::Subfolder);
    EXPECT_EQ(list.IconOffset(0), 2);
    EXPECT_EQ(list.IconOffset(1), 10);
}

TEST_F(FolderListTest, AFailedMoveChangesNothing) {
    dir.Folder("pics/locked", 0311); // can be entered but not read by others
    FolderList list("");
    list.ChangeFolder(dir / "pics", true);
    const std::vector<FolderRow> rows = list.Rows();
    EXPECT_EQ(MessageOf([&] { list.ChangeFolder("nope", true); }), "ﾌｧｲﾙが見つかりません");
    EXPECT_EQ(list.FolderPath(), dir / "pics");
    EXPECT_EQ(list.Rows().size(), rows.size());

    const std::string seen = AsUnprivilegedUser([&] {
        const std::string message = MessageOf([&] { list.ChangeFolder(dir / "pics/locked", true); });
        return message + "|" + list.FolderPath() + "|" + std::to_string(list.Rows().size());
    });
    EXPECT_EQ(seen, "ﾌｧｲﾙへのｱｸｾｽが拒否されました|" + dir / "pics" + "|" + std::to_string(rows.size()));
}

} // namespace
