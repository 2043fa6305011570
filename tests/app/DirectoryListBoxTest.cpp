#include "panes/DirectoryListBox.h"
#include "MessageOf.h"
#include "RecordingShell.h"
#include "TempDir.h"
#include "panes/DiskFollower.h"
#include "panes/DriveComboBox.h"
#include "panes/FileListBox.h"
#include "platform/FolderReading.h"
#include "platform/WorkingDirectory.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QTest>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using Events = std::vector<std::string>;

namespace {

// The three chained panes on a temporary tree whose folders "disk", "usb" and
// "gone" (never created) are volumes of a fixture mount table. They start in disk/pics.
class DirectoryListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder().Clear();
        setenv("LC_ALL", "en_US.UTF-8", 1);
        for (const char* folder : {"disk", "disk/pics", "disk/pics/2001", "disk/pics/Album", "usb", "usb/photos"})
            dir.Folder(folder);
        dir.File("disk/pics/a.gif");
        dir.File("disk/pics/2001/b.gif");
        WorkIn(dir / "disk/pics");

        drives = std::make_unique<TDriveComboBox>();
        folders = std::make_unique<TDirectoryListBox>();
        files = std::make_unique<TFileListBox>();
        drives->SetDirList(folders.get());
        folders->SetFileList(files.get());
        files->SetMask(QStringLiteral("*.gif"));
        table = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                "2 1 8:17 / " +
                dir / "disk" +
                " rw - ext4 /dev/sdb1 rw\n"
                "3 1 8:33 / " +
                dir / "usb" +
                " rw - vfat /dev/sdc1 rw\n"
                "4 1 8:49 / " +
                dir / "gone" + " rw - ext4 /dev/sdd1 rw\n";
        drives->SetMountTable(table, zumi::VolumeEnvironment{"/nonexistent", dir / "no-system"});
        folders->resize(200, 300);
        folders->show();
        files->show();

        QObject::connect(drives.get(), &TDriveComboBox::OnChange, [this] { events.push_back("drives"); });
        QObject::connect(folders.get(), &TDirectoryListBox::OnChange,
                         [this] { events.push_back("folders, files in " + files->FolderPath()); });
        QObject::connect(files.get(), &TFileListBox::OnChange, [this] { events.push_back("files re-read"); });
    }
    void TearDown() override { unsetenv("LC_ALL"); }

    int RowOf(const std::string& text) {
        const auto& rows = folders->Rows();
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].text == text)
                return static_cast<int>(i);
        return -1;
    }
    QPoint Centre(int row) { return folders->visualRect(folders->model()->index(row, 0)).center(); }
    void Choose(const std::string& volume) {
        emit drives->activated(drives->findData(QByteArray::fromStdString(volume)));
    }

    TempDir dir;
    std::string table; // the mount table: the root, disk, usb and gone
    std::unique_ptr<TDriveComboBox> drives;
    std::unique_ptr<TDirectoryListBox> folders;
    std::unique_ptr<TFileListBox> files;
    Events events;
};

TEST_F(DirectoryListBoxTest, AFolderChangeReReadsTheFileListAndThenAnnouncesItOnce) {
    const std::string pics = dir / "disk/pics";
    const struct {
        const char* fault;
        std::string text;
        std::string folder;
        Events events;
    } cases[] = {
        {"a move not announced after the re-read",
         pics + "/2001",
         pics + "/2001",
         {"files re-read", "folders, files in " + pics + "/2001"}},
        {"the same folder with a separator re-read or not announced",
         pics + "/2001/",
         pics + "/2001",
         {"folders, files in " + pics + "/2001"}},
        {"the same folder announced", pics + "/2001", pics + "/2001", {}},
        {"a file's path not taken to its folder",
         pics + "/a.gif",
         pics,
         {"files re-read", "folders, files in " + pics}},
        {"a relative path not taken from the current folder",
         "2001/",
         pics + "/2001",
         {"files re-read", "folders, files in " + pics + "/2001"}},
    };
    for (const auto& c : cases) {
        events.clear();
        folders->SetFolderPath(c.text);
        EXPECT_EQ(events, c.events) << c.fault;
        EXPECT_EQ(folders->FolderPath(), c.folder) << c.fault;
        EXPECT_EQ(zumi::CurrentDirectory(), "/") << c.fault << ": the process holds the folder";
        EXPECT_EQ(folders->currentIndex().row(), RowOf(c.folder.substr(c.folder.rfind('/') + 1))) << c.fault;
    }
}

// A folder slow to read (here held open) shows at once by its levels, with the
// busy pointer; its subfolders and files come when read, and the move is
// announced after the file list's read, as always. A move on meanwhile drops both reads.
TEST_F(DirectoryListBoxTest, AFolderSlowToReadShowsAtOnceAndIsAnnouncedOnceRead) {
    const std::string pics = dir / "disk/pics";
    dir.Folder("disk/pics/2001/sub");
    const struct {
        const char* fault;
        std::string then; // moved to while the first move's reads are held
        std::string folder;
        int subfolder; // the row of "sub", -1 for none
    } cases[] = {
        {"the subfolders read aside not shown", "", pics + "/2001", RowOf("pics") + 2}, // under 2001
        {"the left folder's subfolders kept", pics + "/Album", pics + "/Album", -1},
    };
    const int levels = RowOf("pics") + 2; // down to 2001 or Album
    SetEnterWait(0);
    for (const auto& c : cases) {
        folders->SetFolderPath(pics);
        events.clear();
        zumi::FolderReader::HoldReads(true);
        folders->SetFolderPath(pics + "/2001");
        if (!c.then.empty())
            folders->SetFolderPath(c.then);
        EXPECT_EQ(folders->FolderPath(), c.folder) << c.fault;
        EXPECT_EQ(folders->model()->rowCount(), levels) << "the folder's levels not shown at once";
        EXPECT_EQ(folders->viewport()->cursor().shape(), Qt::BusyCursor);
        EXPECT_TRUE(files->Reading());
        EXPECT_EQ(events, Events{}) << "a move announced before the file list was read";
        zumi::FolderReader::HoldReads(false);
        EXPECT_EQ(RowOf("sub"), c.subfolder) << c.fault;
        EXPECT_EQ(folders->viewport()->cursor().shape(), Qt::ArrowCursor);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !files->Reading(); }, 10000));
        EXPECT_EQ(events, (Events{"files re-read", "folders, files in " + c.folder})) << c.fault;
    }
    SetEnterWait(-1);
}

// Subfolders made or removed elsewhere come and go in place; when the folder
// itself goes, the panes open its nearest parent that is still there, once, without an error.
TEST_F(DirectoryListBoxTest, RowsFollowFoldersOtherProgramsChange) {
    const std::string pics = dir / "disk/pics";
    const auto subfolders = [&] {
        std::string shown;
        for (const zumi::FolderRow& row : folders->Rows())
            if (row.kind == zumi::FolderRowKind::Subfolder)
                shown += row.text + " ";
        return shown;
    };
    const struct {
        const char* fault;
        std::function<void()> change;
        std::string subfolders;
    } steps[] = {
        {"a subfolder made elsewhere missed", [&] { mkdir((pics + "/2000").c_str(), 0755); }, "2000 2001 Album "},
        {"a removed subfolder still listed", [&] { std::filesystem::remove_all(pics + "/2001"); }, "2000 Album "},
        {"a link to a folder, made elsewhere, missed",
         [&] { std::filesystem::create_directory_symlink("2000", pics + "/linked"); }, "2000 Album linked "},
        {"a removed link to a folder still listed", [&] { unlink((pics + "/linked").c_str()); }, "2000 Album "},
        {"a link to a folder elsewhere that is not there yet listed",
         [&] {
             std::filesystem::create_directories(dir / "disk/elsewhere");
             std::filesystem::create_directory_symlink("../elsewhere/target", pics + "/far");
             mkdir((pics + "/2002").c_str(), 0755);
         },
         "2000 2002 Album "},
        {"a link whose folder elsewhere is made missed",
         [&] { std::filesystem::create_directories(dir / "disk/elsewhere/target"); }, "2000 2002 Album far "},
        {"a link whose folder elsewhere is removed still listed",
         [&] { std::filesystem::remove(dir / "disk/elsewhere/target"); }, "2000 2002 Album "},
    };
    for (const auto& step : steps) {
        InChildProcess([&] {
            step.change();
            return std::string();
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return subfolders() == step.subfolders; }, 5000))
            << step.fault << ": " << subfolders();
    }
    EXPECT_EQ(folders->FolderPath(), pics);

    events.clear();
    Recorder().Clear();
    InChildProcess([&] { return std::to_string(std::filesystem::remove_all(dir / "disk")); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return events.size() >= 3; }, 5000));
    // The fixture's "disk" was a volume of its own, so the selector follows too.
    EXPECT_EQ(events, (Events{"drives", "files re-read", "folders, files in " + dir.Path()}));
    EXPECT_EQ(folders->FolderPath(), dir.Path());
    EXPECT_EQ(files->FolderPath(), dir.Path());
    EXPECT_EQ(Recorder().messages, QStringList());

    // Beneath a FUSE mount no watch sees another program's change: the pane looks now and then.
    ASSERT_TRUE(InOwnMountNamespace());
    TempDir mount;
    ASSERT_EQ(std::system(("bindfs '" + dir / "usb" + "' '" + mount.Path() + "'").c_str()), 0) << "bindfs is needed";
    folders->SetFolderPath(mount.Path());
    InChildProcess([&] { return std::to_string(mkdir((dir / "usb/new").c_str(), 0755)); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return subfolders() == "new photos "; }, 10000)) << subfolders();
    EXPECT_EQ(std::system(("fusermount -u '" + mount.Path() + "'").c_str()), 0) << "the panes hold the volume busy";
}

// The rows' indent, as a screen reader says it: the levels above, the current folder, its subfolders.
TEST_F(DirectoryListBoxTest, AScreenReaderHearsEachRowsLevel) {
    QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(folders.get());
    const int current = static_cast<int>(folders->Rows().size()) - 3; // pics, then 2001 and Album
    QStringList said;
    for (int row : {0, current - 1, current, current + 1, current + 2})
        said << pane->child(row)->text(QAccessible::Description);
    const QString level = QStringLiteral("階層 %1、%2");
    EXPECT_EQ(said, (QStringList{level.arg(1).arg(QStringLiteral("上のフォルダ")),
                                 level.arg(current).arg(QStringLiteral("上のフォルダ")),
                                 level.arg(current + 1).arg(QStringLiteral("現在のフォルダ")),
                                 level.arg(current + 2).arg(QStringLiteral("サブフォルダ")),
                                 level.arg(current + 2).arg(QStringLiteral("サブフォルダ"))}));
}

TEST_F(DirectoryListBoxTest, AFolderThatCannotBeEnteredChangesNothing) {
    const auto rows = folders->Rows().size();
    for (const std::string& text : {dir / "disk/pics/nope", dir / "usb/nope", dir / "gone/x"}) {
        EXPECT_EQ(MessageOf([&] { folders->SetFolderPath(text); }), "ﾌｧｲﾙが見つかりません") << text;
        EXPECT_EQ(events, Events{}) << text;
        EXPECT_EQ(folders->FolderPath(), dir / "disk/pics") << text;
        EXPECT_EQ(folders->Rows().size(), rows) << text;
        EXPECT_EQ(files->FolderPath(), dir / "disk/pics") << text;
        EXPECT_EQ(drives->DriveLetter(), dir / "disk") << text;
    }
    // A folder on another volume that an unprivileged user may enter but not read.
    dir.Folder("usb/locked", 0311);
    const std::string seen = AsUnprivilegedUser([&] {
        return MessageOf([&] { folders->SetFolderPath(dir / "usb/locked"); }) + "|" + drives->DriveLetter() + "|" +
               std::to_string(events.size()) + "|" + folders->FolderPath();
    });
    EXPECT_EQ(seen, "ﾌｧｲﾙへのｱｸｾｽが拒否されました|" + dir / "disk" + "|0|" + dir / "disk/pics");
}

TEST_F(DirectoryListBoxTest, OpensARowOnDoubleClickOrEnterOnly) {
    const std::string pics = dir / "disk/pics";
    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, Centre(RowOf("2001")));
    QTest::keyClick(folders.get(), Qt::Key_Down);
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton})
        QTest::mouseDClick(folders->viewport(), button, {}, Centre(RowOf("2001")));
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, QPoint(5, folders->viewport()->height() - 3));
    EXPECT_EQ(events, Events{}) << "a click, an arrow key, another button's or a double-click below the rows moved";

    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, Centre(RowOf("Album")));
    EXPECT_EQ(folders->FolderPath(), pics + "/Album") << "double-click on a subfolder";

    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, Centre(RowOf("pics")));
    QTest::keyClick(folders.get(), Qt::Key_Return);
    EXPECT_EQ(folders->FolderPath(), pics) << "Enter on a level row";

    events.clear();
    QTest::keyClick(folders.get(), Qt::Key_Return);
    EXPECT_EQ(events, Events{}) << "opening the current row";

    QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, Centre(0));
    QTest::keyClick(folders.get(), Qt::Key_Enter);
    EXPECT_EQ(folders->FolderPath(), "/") << "row 0 by the keypad's Enter";
    EXPECT_EQ(drives->DriveLetter(), "/");

    // A folder removed after the rows were built: the error box, and the rows stay.
    WorkIn(dir / "usb");
    folders->SetFolderPath(dir / "usb");
    dir.Folder("usb/doomed");
    folders->SetFolderPath(dir / "usb/photos");
    folders->SetFolderPath(dir / "usb");
    ASSERT_EQ(rmdir((dir / "usb/doomed").c_str()), 0);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {}, Centre(RowOf("doomed")));
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("ﾌｧｲﾙが見つかりません.")});
    EXPECT_EQ(folders->FolderPath(), dir / "usb");
    EXPECT_NE(RowOf("doomed"), -1);
}

TEST_F(DirectoryListBoxTest, TheDriveSelectorMovesTheFolderListAndFollowsIt) {
    const std::string disk = dir / "disk", usb = dir / "usb";
    ASSERT_EQ(drives->count(), 4);
    EXPECT_EQ(drives->itemText(1), QString::fromStdString(disk + " []"));
    EXPECT_EQ(drives->currentIndex(), 1);

    drives->setFocus();
    QTest::keyClick(drives.get(), Qt::Key_Down);
    EXPECT_EQ(events, (Events{"files re-read", "folders, files in " + usb, "drives"})) << "choosing a volume";

    events.clear();
    Choose(usb);
    EXPECT_EQ(events, Events{}) << "choosing the volume shown";

    Choose(disk);
    EXPECT_EQ(folders->FolderPath(), disk + "/pics") << "the folder last shown on the volume forgotten";

    events.clear();
    folders->SetFolderPath(usb + "/photos");
    EXPECT_EQ(events, (Events{"drives", "files re-read", "folders, files in " + usb + "/photos"}))
        << "a folder change onto another volume";
    EXPECT_EQ(drives->currentIndex(), 2);

    // The rows made anew run the drive change again: the folder stays, and the selector says so once.
    events.clear();
    drives->SetTextCase(TDriveComboBox::tcUpperCase);
    QFont font = drives->font();
    font.setPixelSize(font.pixelSize() + 4);
    drives->setFont(font);
    EXPECT_EQ(events, (Events{"drives", "drives"})) << "a text case change, then a font change";
    EXPECT_EQ(drives->currentIndex(), 2);
    EXPECT_EQ(folders->FolderPath(), usb + "/photos");

    events.clear();
    Choose(dir / "gone");
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("ﾌｧｲﾙが見つかりません.")});
    EXPECT_EQ(events, Events{});
    EXPECT_EQ(folders->FolderPath(), usb + "/photos") << "a volume that cannot be entered moved the folder";
    EXPECT_EQ(drives->DriveLetter(), dir / "gone") << "the choice not kept";
    EXPECT_EQ(drives->currentIndex(), 3);

    Choose(usb);
    EXPECT_EQ(events, Events{"drives"}) << "choosing the folder's own volume again moved it";

    ASSERT_EQ(rename((disk + "/pics").c_str(), (disk + "/moved").c_str()), 0);
    Choose(disk);
    EXPECT_EQ(folders->FolderPath(), disk) << "the folder last shown on the volume has gone: not its top instead";
}

// A screen reader reads the chosen volume as the selector's value and text, and
// finds its row selected, open or not; a volume without a label is read without
// the empty brackets drawn.
TEST_F(DirectoryListBoxTest, AScreenReaderReadsTheChosenVolume) {
    const std::string disk = dir / "disk", usb = dir / "usb";
    for (const char* folder : {"system", "system/dev", "system/dev/disk", "system/dev/disk/by-label"})
        dir.Folder(folder);
    dir.File("system/dev/sdb1");
    ASSERT_EQ(symlink("../../sdb1", (dir / "system/dev/disk/by-label/PHOTOS").c_str()), 0);
    drives->SetMountTable(table, zumi::VolumeEnvironment{"/nonexistent", dir / "system"});
    QAccessibleInterface* selector = QAccessible::queryAccessibleInterface(drives.get());
    QAccessibleInterface* rows = selector->child(0);
    const struct {
        const char* step;
        std::function<void()> act;
        std::string read;
        int row;
    } steps[] = {
        {"a volume with a label", [&] { Choose(disk); }, disk + " [photos]", 1},
        {"a volume without one", [&] { Choose(usb); }, usb, 2},
        {"the list opened and closed on another row",
         [&] {
             drives->showPopup();
             drives->view()->setCurrentIndex(drives->model()->index(0, 0));
             drives->hidePopup();
         },
         usb, 2},
    };
    for (const auto& step : steps) {
        step.act();
        QAccessibleTextInterface* text = selector->textInterface();
        EXPECT_EQ(selector->text(QAccessible::Value).toStdString(), step.read) << step.step;
        EXPECT_EQ(text->text(0, text->characterCount()).toStdString(), step.read) << step.step;
        std::vector<int> selected;
        for (int i = 0; i < rows->childCount(); ++i)
            if (rows->child(i)->state().selected)
                selected.push_back(i);
        EXPECT_EQ(selected, std::vector<int>{step.row}) << step.step;
        EXPECT_EQ(rows->child(step.row)->text(QAccessible::Name).toStdString(), step.read) << step.step;
    }
}

// Closed, the selector shows the end of a long mount point, so volumes that share a prefix differ.
TEST_F(DirectoryListBoxTest, TheClosedSelectorTellsLongMountPointsApart) {
    TDriveComboBox selector;
    selector.SetMountTable("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                           "2 1 8:17 / /run/media/alice/USB\\040STICK\\040A rw - ext4 /dev/sdb1 rw\n"
                           "3 1 8:33 / /run/media/alice/USB\\040STICK\\040B rw - ext4 /dev/sdc1 rw\n",
                           zumi::VolumeEnvironment{"/nonexistent", dir / "no-system"});
    selector.setGeometry(0, 0, 153, 18);
    selector.show();
    QImage shown[2];
    for (int row : {1, 2}) {
        selector.setCurrentIndex(row);
        shown[row - 1] = selector.grab().toImage();
    }
    EXPECT_NE(shown[0], shown[1]);
}

// A RAM disk mounted under the home folder while the program runs comes into
// the selector and goes when unmounted; the panes on it go back to the root
// volume's last folder. The mounts stay in this test's own mount namespace.
// A folder directly under the root removed: the pane moves to the root.
TEST(DirectoryListBoxAloneTest, AFolderUnderTheRootRemovedLeavesTheRoot) {
    char top[] = "/zumi-test-XXXXXX";
    ASSERT_NE(mkdtemp(top), nullptr) << std::strerror(errno);
    TDirectoryListBox folders;
    folders.show();
    folders.SetFolderPath(top);
    ASSERT_EQ(folders.FolderPath(), top);
    InChildProcess([&] { return std::to_string(rmdir(top)); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return folders.FolderPath() == "/"; }, 5000)) << folders.FolderPath();
    rmdir(top);
}

// The path made again as a folder the user may not enter: the pane opens the nearest parent that opens, with no box.
TEST(DirectoryListBoxAloneTest, APathMadeAgainAsAFolderThatCannotBeEnteredLeavesForItsParent) {
    TempDir dir;
    const std::string parent = dir.Folder("a", 0777);
    const std::string listed = dir.Folder("a/b", 0777);
    const std::string seen = AsUnprivilegedUser([&] {
        Recorder().Clear();
        TDirectoryListBox folders;
        folders.show();
        folders.SetFolderPath(listed);
        if (rename(listed.c_str(), (parent + "/old").c_str()) != 0 || mkdir(listed.c_str(), 0) != 0)
            return std::string("change failed");
        const bool moved = QTest::qWaitFor([&] { return folders.FolderPath() != listed; }, 5000);
        return std::string(moved ? "" : "stayed ") + folders.FolderPath() + "|" +
               Recorder().messages.join('|').toStdString();
    });
    EXPECT_EQ(seen, parent + "|");
}

TEST(DriveComboBoxTest, VolumesMountedAndUnmountedComeAndGo) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace of our own: " << std::strerror(errno);
    TempDir home;
    const std::string stick = home.Folder("stick");
    setenv("HOME", home.Path().c_str(), 1);
    WorkIn(home.Path());
    TDriveComboBox drives;
    TDirectoryListBox folders;
    TFileListBox files;
    drives.SetDirList(&folders);
    folders.SetFileList(&files);
    folders.show();
    files.show();
    const auto listed = [&] { return drives.findData(QByteArray::fromStdString(stick)) >= 0; };
    EXPECT_FALSE(listed());

    ASSERT_EQ(mount("zumi-test", stick.c_str(), "tmpfs", 0, nullptr), 0) << std::strerror(errno);
    EXPECT_TRUE(QTest::qWaitFor(listed, 2000)) << "a volume mounted later missing";

    // The list the user has open keeps its rows and its highlight until it closes.
    drives.showPopup();
    const int rows = drives.count();
    drives.view()->setCurrentIndex(drives.model()->index(rows - 1, 0));
    const std::string second = home.Folder("second");
    ASSERT_EQ(mount("zumi-test", second.c_str(), "tmpfs", 0, nullptr), 0) << std::strerror(errno);
    for (int i = 0; i < 20; ++i) // the mount table is readable at once: its notice comes in the next few rounds
        QCoreApplication::processEvents();
    EXPECT_EQ(drives.count(), rows);
    EXPECT_EQ(drives.view()->currentIndex().row(), rows - 1);
    drives.hidePopup();
    EXPECT_EQ(drives.count(), rows + 1);
    mkdir((stick + "/photos").c_str(), 0755);
    close(creat((stick + "/photos/a.gif").c_str(), 0644));
    folders.SetFolderPath(stick + "/photos");
    EXPECT_EQ(drives.DriveLetter(), stick);
    ASSERT_EQ(files.Items(), std::vector<std::string>{"a.gif"});

    // Ejected while both panes list a folder on it: the program holds nothing there.
    ASSERT_EQ(umount(stick.c_str()), 0) << std::strerror(errno);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !listed(); }, 2000)) << "an unmounted volume still listed";
    EXPECT_EQ(drives.DriveLetter(), "/");
    EXPECT_EQ(folders.FolderPath(), stick) << "not on the nearest folder still there";
    EXPECT_EQ(files.FolderPath(), stick);

    // A volume mounted over the listed folder, at a place the selector does not
    // list: the panes show the folder now at that path all the same.
    TempDir elsewhere;
    const std::string covered = elsewhere.Folder("listed");
    elsewhere.Folder("listed/sub");
    folders.SetFolderPath(covered);
    const std::string volume = drives.DriveLetter();
    ASSERT_EQ(folders.Rows().back().text, "sub");
    ASSERT_EQ(mount("zumi-test", covered.c_str(), "tmpfs", 0, nullptr), 0) << std::strerror(errno);
    EXPECT_TRUE(QTest::qWaitFor([&] { return folders.Rows().back().text == "listed"; }, 5000))
        << "the covered rows stay";
    EXPECT_EQ(folders.FolderPath(), covered);
    EXPECT_EQ(drives.DriveLetter(), volume);
    for (const std::string& point : {second, covered}) // so that the folder can be removed
        umount2(point.c_str(), MNT_DETACH);
}

} // namespace
