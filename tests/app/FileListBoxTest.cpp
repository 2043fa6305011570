#include "panes/FileListBox.h"
#include "RecordingShell.h"
#include "TempDir.h"
#include "panes/DiskFollower.h"
#include "platform/Errors.h"
#include "platform/FolderReading.h"
#include "platform/FolderWatch.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A shown file list pane on a temporary folder, sorting in a pinned locale.
class FileListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LC_ALL", "en_US.UTF-8", 1);
        WorkIn(dir.Path());
    }
    void TearDown() override { unsetenv("LC_ALL"); }

    TempDir dir;
};

TEST_F(FileListBoxTest, ListsOnceWhenFirstShownWithTheMaskSetBefore) {
    dir.File("b.gif");
    dir.File("A.gif");
    dir.File("c.txt");
    TFileListBox pane;
    QSignalSpy changes(&pane, &TFileListBox::OnChange);
    pane.SetMask(QStringLiteral("*.gif"));
    EXPECT_EQ(changes.count(), 0) << "listed before the pane was needed";
    pane.show();
    EXPECT_EQ(changes.count(), 1);
    ASSERT_EQ(pane.Count(), 2);
    EXPECT_EQ(pane.Items().at(0), "A.gif");
    EXPECT_EQ(pane.model()->index(1, 0).data().toString(), QStringLiteral("b.gif"));
    pane.SetMask(QStringLiteral("*.gif"));
    EXPECT_EQ(changes.count(), 1) << "the same mask re-read";
}

TEST_F(FileListBoxTest, RaisesOnChangeWhenTheUserMovesToAnotherRow) {
    for (const char* name : {"a.gif", "b.gif", "c.gif"})
        dir.File(name);
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.gif"));
    pane.resize(200, 200);
    pane.show();
    QSignalSpy changes(&pane, &TFileListBox::OnChange);
    const QPoint row0 = pane.visualRect(pane.model()->index(0, 0)).center();
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, row0);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(pane.SelectedName(), QStringLiteral("a.gif"));
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, row0);
    EXPECT_EQ(changes.count(), 1) << "clicking the selected row again";
    QTest::keyClick(&pane, Qt::Key_Down);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(pane.SelectedPath(), dir / "b.gif");

    pane.RereadFiles();
    EXPECT_EQ(changes.count(), 3);
    EXPECT_EQ(pane.SelectedPath(), "") << "a re-read leaves a row selected";

    // The same rows again (their layout kept): entered from the keyboard, the
    // list starts at its first row, and the next move is the user's.
    pane.setCurrentIndex(pane.model()->index(1, 0)); // as a follow keeps a selection
    pane.SetMask(QStringLiteral("*.GIF"));
    EXPECT_EQ(pane.SelectedPath(), "");
    QFocusEvent tab(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&pane, &tab);
    QTest::keyClick(&pane, Qt::Key_Down);
    EXPECT_EQ(pane.SelectedPath(), dir / "b.gif");
    EXPECT_EQ(changes.count(), 6);
}

TEST_F(FileListBoxTest, DoubleClickSelectsTheRowUnderThePointerFirst) {
    dir.File("a.gif");
    dir.File("b.gif");
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.gif"));
    pane.resize(200, 200);
    pane.show();
    std::vector<std::string> opened;
    QObject::connect(&pane, &TFileListBox::OnDblClick, [&] { opened.push_back(pane.SelectedPath()); });
    const QPoint row1 = pane.visualRect(pane.model()->index(1, 0)).center();
    QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, row1);
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, row1);
    EXPECT_EQ(opened, std::vector<std::string>{dir / "b.gif"});
    // Another button's double-click opens nothing.
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton})
        QTest::mouseDClick(pane.viewport(), button, {}, pane.visualRect(pane.model()->index(0, 0)).center());
    EXPECT_EQ(opened, std::vector<std::string>{dir / "b.gif"});
}

TEST_F(FileListBoxTest, ShowsTheBusyPointerFromTheHundredAndFirstRowAndAlwaysRestoresIt) {
    for (int i = 0; i < 100; ++i)
        dir.File("p" + std::to_string(i) + ".gif");
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.gif"));
    bool busyAtReset = false;
    QObject::connect(pane.model(), &QAbstractItemModel::modelReset,
                     [&] { busyAtReset = QApplication::overrideCursor() != nullptr; });
    pane.show();
    EXPECT_FALSE(busyAtReset) << "100 rows";

    dir.File("p100.gif");
    // All rows arrive in one reset, so the view repaints once, not once per row.
    QSignalSpy resets(pane.model(), &QAbstractItemModel::modelReset);
    QSignalSpy inserts(pane.model(), &QAbstractItemModel::rowsInserted);
    pane.RereadFiles();
    EXPECT_TRUE(busyAtReset) << "101 rows";
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Listing a folder that has gone fails, keeps the rows, the selection and
    // the scroll position, and leaves no busy pointer.
    pane.setCurrentIndex(pane.model()->index(60, 0));
    const int scrolled = pane.verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    const std::string moved = dir.Path() + "-moved";
    ASSERT_EQ(rename(dir.Path().c_str(), moved.c_str()), 0);
    EXPECT_THROW(pane.RereadFiles(), zumi::IOError);
    Recorder().Clear();
    pane.setProperty("Mask", QStringLiteral("p1*.gif")); // Qt's property code is not built to unwind
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("ﾌｧｲﾙが見つかりません.")});
    rename(moved.c_str(), dir.Path().c_str());
    EXPECT_EQ(pane.Count(), 101);
    EXPECT_EQ(pane.Items().at(100), "p100.gif");
    EXPECT_EQ(pane.SelectedPath(), dir / "p60.gif");
    EXPECT_EQ(pane.verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    pane.SetMask(QStringLiteral("p1*.gif"));
    EXPECT_EQ(pane.Count(), 12) << "the mask that failed was kept, so setting it again read nothing";
}

// Files that another program creates, removes or renames show without a
// re-read asked for, sorted in place, with the selected file still selected.
TEST_F(FileListBoxTest, RowsFollowFilesOtherProgramsChange) {
    const struct {
        const char* fault;
        std::function<void(const std::string& folder)> change;
        std::vector<std::string> rows;
        const char* selected; // after the change; the user chose b.gif before
    } cases[] = {
        {"a created file missed, or the selection lost",
         [](auto& f) { Write(f + "/ab.gif", ""); },
         {"a.gif", "ab.gif", "b.gif", "c.gif"},
         "b.gif"},
        {"a removed file still listed", [](auto& f) { unlink((f + "/a.gif").c_str()); }, {"b.gif", "c.gif"}, "b.gif"},
        {"a renamed file under its old name",
         [](auto& f) { rename((f + "/c.gif").c_str(), (f + "/0.gif").c_str()); },
         {"0.gif", "a.gif", "b.gif"},
         "b.gif"},
        {"a removed file still selected", [](auto& f) { unlink((f + "/b.gif").c_str()); }, {"a.gif", "c.gif"}, ""},
        {"a file removed and made again at once listed twice or lost",
         [](auto& f) {
             unlink((f + "/b.gif").c_str());
             Write(f + "/b.gif", "");
         },
         {"a.gif", "b.gif", "c.gif"},
         "b.gif"},
    };
    // Also through a FUSE mount of the folder, whose changes beneath it reach no watch: the pane polls it.
    ASSERT_TRUE(InOwnMountNamespace());
    for (const bool fuse : {false, true}) {
        for (const auto& c : cases) {
            TempDir folder;
            for (const char* name : {"a.gif", "b.gif", "c.gif", "d.txt"})
                folder.File(name);
            TempDir mount;
            if (fuse) {
                ASSERT_EQ(std::system(("bindfs '" + folder.Path() + "' '" + mount.Path() + "'").c_str()), 0);
            }
            TFileListBox pane;
            pane.SetMask(QStringLiteral("*.gif"));
            pane.SetFolderPath(fuse ? mount.Path() : folder.Path());
            pane.show();
            pane.setCurrentIndex(pane.model()->index(1, 0));
            QSignalSpy updates(&pane, &TFileListBox::OnDiskChange);
            QSignalSpy userMoves(&pane, &TFileListBox::OnChange);
            InChildProcess([&] {
                c.change(folder.Path());
                return std::string();
            });
            EXPECT_TRUE(updates.wait(10000)) << c.fault << fuse;
            EXPECT_EQ(pane.Items(), c.rows) << c.fault << fuse;
            EXPECT_EQ(pane.SelectedName().toStdString(), c.selected) << c.fault << fuse;
            EXPECT_EQ(userMoves.count(), 0) << c.fault << ": the selection kept announced as the user's move";
            if (fuse) {
                EXPECT_EQ(std::system(("fusermount -u '" + mount.Path() + "'").c_str()), 0) << "the pane holds it busy";
            }
        }
    }
}

// A link made after the listing, whose way to its target cannot be watched for
// want of watches: the pane looks at it now and then, and its row comes with its target.
TEST_F(FileListBoxTest, ALinkWhoseWayCannotBeWatchedIsLookedAtNowAndThen) {
    for (int i = 0; i < 20; ++i) // enough names that one more is followed by name, not by a whole read
        dir.File("f" + std::to_string(i) + ".txt");
    TempDir other;
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.gif"));
    pane.show();
    ASSERT_EQ(pane.Count(), 0);
    QSignalSpy updates(&pane, &TFileListBox::OnDiskChange);
    zumi::FolderWatch::LimitWatches(0);
    InChildProcess([&] { return std::to_string(symlink((other / "t.gif").c_str(), (dir / "l.gif").c_str())); });
    ASSERT_TRUE(updates.wait(10000));
    zumi::FolderWatch::LimitWatches(-1);
    InChildProcess([&] { return other.File("t.gif"); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.Items() == std::vector<std::string>{"l.gif"}; }, 10000));
}

// A large folder that changed too much to follow name by name is read whole
// on another thread; its rows follow when the read ends, the selection kept.
TEST_F(FileListBoxTest, ALargeFolderReadAsideFollowsWithTheSelectionKept) {
    for (int i = 0; i < 4500; ++i)
        dir.File("a" + std::to_string(i) + ".gif");
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.gif"));
    pane.show();
    pane.setCurrentIndex(pane.model()->index(1, 0));
    const QString selected = pane.SelectedName();
    QSignalSpy userMoves(&pane, &TFileListBox::OnChange);
    InChildProcess([&] {
        for (int i = 0; i < 300; ++i)
            Write(dir / ("b" + std::to_string(i) + ".gif"), "");
        return std::string();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.Count() == 4800; }, 30000));
    EXPECT_EQ(pane.SelectedName(), selected);
    EXPECT_EQ(userMoves.count(), 0) << "the selection kept announced as the user's move";
}

// Rows are placed by their number alone, however many: the keys, the pointer
// and the scroll bar find them where they are drawn, among 110,000 rows and
// after them among ten.
TEST_F(FileListBoxTest, RowsArePlacedByTheirNumberAmongManyOrFew) {
    for (int i = 0; i < 1000; ++i)
        dir.File("a" + std::to_string(i) + ".gif");
    TFileListBox pane;
    QStringList everyName(110, QStringLiteral("*")); // each name a row per piece: 110,000 rows
    pane.SetMask(everyName.join(u';'));
    pane.resize(145, 200);
    pane.show();
    ASSERT_EQ(pane.Count(), 110000);
    QApplication::setActiveWindow(&pane);
    pane.setFocus();
    const auto shown = [&](int row) {
        return pane.viewport()->rect().contains(pane.visualRect(pane.model()->index(row, 0)));
    };
    const int rowHeight = pane.visualRect(pane.model()->index(0, 0)).height();
    const int rowsShown = pane.viewport()->height() / rowHeight;
    const struct {
        Qt::Key key;
        int row;
    } keys[] = {{Qt::Key_Down, 1},
                {Qt::Key_End, 109999},
                {Qt::Key_PageUp, 109999 - rowsShown},
                {Qt::Key_Up, 109998 - rowsShown},
                {Qt::Key_Home, 0},
                {Qt::Key_PageDown, rowsShown}};
    // A style may scroll a row or a pixel at a time.
    for (const auto mode : {QAbstractItemView::ScrollPerPixel, QAbstractItemView::ScrollPerItem}) {
        pane.setVerticalScrollMode(mode);
        pane.setCurrentIndex(pane.model()->index(0, 0));
        for (const auto& k : keys) {
            QTest::keyClick(&pane, k.key);
            EXPECT_EQ(pane.currentIndex().row(), k.row) << k.key << " " << mode;
            EXPECT_TRUE(shown(k.row)) << k.key << " " << mode;
        }
        const int bottom = pane.viewport()->height() - 1;
        for (const auto hint : {QAbstractItemView::PositionAtTop, QAbstractItemView::PositionAtBottom,
                                QAbstractItemView::PositionAtCenter, QAbstractItemView::EnsureVisible}) {
            pane.scrollTo(pane.model()->index(50000, 0), hint);
            const QRect at = pane.visualRect(pane.model()->index(50000, 0));
            EXPECT_TRUE(shown(50000)) << hint << " " << mode;
            if (hint == QAbstractItemView::PositionAtTop)
                EXPECT_EQ(at.top(), 0) << mode;
            if (hint == QAbstractItemView::PositionAtBottom)
                EXPECT_GT(at.bottom() + rowHeight, bottom) << "not the last whole row shown " << mode;
            if (hint == QAbstractItemView::PositionAtCenter)
                EXPECT_LE(std::abs(at.center().y() - bottom / 2), rowHeight) << mode;
        }
        pane.verticalScrollBar()->setValue(0);
        pane.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        EXPECT_NEAR(pane.indexAt(QPoint(0, 0)).row(), rowsShown, 1)
            << "a page of the scroll bar is not a view " << mode;
        pane.verticalScrollBar()->setValue(pane.verticalScrollBar()->maximum());
        EXPECT_TRUE(shown(109999)) << "the scroll bar does not reach the last row " << mode;
        const QRect row = pane.visualRect(pane.model()->index(109990, 0));
        QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, row.bottomLeft() + QPoint(2, 0));
        EXPECT_EQ(pane.selectionModel()->selectedIndexes(), QModelIndexList{pane.model()->index(109990, 0)}) << mode;
        EXPECT_EQ(pane.indexAt(row.topLeft()).row(), 109990);
        EXPECT_EQ(pane.indexAt(row.bottomLeft()).row(), 109990);
    }

    pane.SetMask(QStringLiteral("a1?.gif"));
    QCoreApplication::processEvents();
    ASSERT_EQ(pane.Count(), 10);
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), std::max(0, 10 - rowsShown));
    const QRect first = pane.visualRect(pane.model()->index(0, 0));
    EXPECT_EQ(first.topLeft(), QPoint(0, 0));
    EXPECT_EQ(pane.visualRect(pane.model()->index(1, 0)), first.translated(0, first.height()));
}

// A folder whose read has not ended within the pane's wait is read aside (here
// held open): the window goes on with its events, the pane shows no rows and
// the busy pointer, and what the user does meanwhile acts on the rows found.
TEST_F(FileListBoxTest, AFolderSlowToReadIsReadAsideWhileTheWindowAnswers) {
    dir.Folder("slow");
    dir.File("slow/a.gif");
    dir.File("slow/b.png");
    dir.Folder("next");
    dir.File("next/n.gif");
    const struct {
        const char* fault;
        std::function<void(TFileListBox&)> meanwhile;
        std::vector<std::string> rows;
        const char* folder;
    } cases[] = {
        {"the read's rows not kept", {}, {"a.gif"}, "slow"},
        {"a mask typed meanwhile not applied to the rows read",
         [](TFileListBox& pane) { pane.SetMask(QStringLiteral("*.png")); },
         {"b.png"},
         "slow"},
        {"the left folder's read kept",
         [&](TFileListBox& pane) { pane.SetFolderPath(dir / "next"); },
         {"n.gif"},
         "next"},
        {"a command acted before the rows were read",
         [](TFileListBox& pane) {
             QTimer::singleShot(0, [] { zumi::FolderReader::HoldReads(false); });
             pane.FollowNow();
             EXPECT_EQ(pane.model()->rowCount(), 1) << "a command acted before the rows were read";
         },
         {"a.gif"},
         "slow"},
    };
    dir.File("old.gif");
    {
        TFileListBox pane; // the read ends within the wait, unbounded here: the rows are there at once
        pane.SetFolderPath(dir.Path());
        pane.show();
        pane.SetFolderPath(dir / "slow");
        EXPECT_EQ(pane.model()->rowCount(), 2) << "a read ended within the wait not kept at once";
    }
    SetEnterWait(0);
    for (const auto& c : cases) {
        TFileListBox pane;
        pane.SetMask(QStringLiteral("*.gif"));
        pane.SetFolderPath(dir.Path());
        pane.show();
        ASSERT_EQ(pane.Count(), 1);
        QSignalSpy changes(&pane, &TFileListBox::OnChange);
        QSignalSpy listed(&pane, &TFileListBox::OnListed);
        zumi::FolderReader::HoldReads(true);
        pane.SetFolderPath(dir / "slow");
        bool answered = false;
        QTimer::singleShot(0, [&] { answered = true; });
        QCoreApplication::processEvents();
        EXPECT_TRUE(answered && pane.Reading()) << "the window waited for the read";
        EXPECT_EQ(pane.model()->rowCount(), 0) << "the old folder's rows shown as the new one's";
        EXPECT_EQ(pane.viewport()->cursor().shape(), Qt::BusyCursor);
        EXPECT_EQ(changes.count(), 0) << "announced before the read ended";
        if (c.meanwhile)
            c.meanwhile(pane);
        zumi::FolderReader::HoldReads(false);
        EXPECT_EQ(pane.Count(), static_cast<int>(c.rows.size())) << c.fault << ": counted before the rows were read";
        EXPECT_EQ(pane.Items(), c.rows) << c.fault;
        EXPECT_EQ(pane.FolderPath(), dir / c.folder) << c.fault;
        EXPECT_FALSE(pane.Reading());
        EXPECT_EQ(pane.viewport()->cursor().shape(), Qt::ArrowCursor);
        EXPECT_EQ(listed.count(), 1) << c.fault;
    }
    SetEnterWait(-1);
}

// The row at the top of the view stays there, by name, when files come above it.
TEST_F(FileListBoxTest, TheTopRowStaysWhenFilesComeAboveIt) {
    for (int i = 100; i < 300; ++i)
        dir.File("f" + std::to_string(i) + ".gif");
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.gif"));
    pane.show();
    pane.scrollTo(pane.model()->index(150, 0), QAbstractItemView::PositionAtTop);
    const QString top = pane.indexAt(QPoint(0, 0)).data().toString();
    ASSERT_EQ(top, QStringLiteral("f250.gif"));
    InChildProcess([&] {
        for (const char* name : {"a.gif", "b.gif", "c.gif"})
            Write(dir / name, "");
        return std::string();
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.Count() == 203; }, 5000));
    EXPECT_EQ(pane.indexAt(QPoint(0, 0)).data().toString(), top);
}

// A burst of new files, made while the pane runs, shows in a few updates that end with every file.
TEST_F(FileListBoxTest, ABurstOfNewFilesIsGatheredIntoFewUpdates) {
    constexpr int Burst = 10000;
    dir.File("a.gif");
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.gif"));
    pane.show();
    QSignalSpy updates(&pane, &TFileListBox::OnDiskChange);
    QElapsedTimer copying;
    copying.start();
    const pid_t copier = fork();
    if (copier == 0) {
        for (int i = 0; i < Burst; ++i)
            close(creat((dir / ("new " + std::to_string(i) + ".gif")).c_str(), 0644));
        _exit(0);
    }
    ASSERT_GT(copier, 0);
    int status = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return waitpid(copier, &status, WNOHANG) == copier; }, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.Count() == Burst + 1; }, 5000));
    EXPECT_EQ(pane.Item(0), "a.gif");
    EXPECT_EQ(pane.Item(Burst), "new 9999.gif");
    // However long the copy took on a loaded machine, updates came at least the follow delay apart.
    EXPECT_LE(updates.count(), copying.elapsed() / 150 + 1) << "not gathered";
}

// Files that keep coming, faster than the follow delay, show while they come,
// not only once they stop: the copier goes on until the pane shows a file.
TEST_F(FileListBoxTest, ATrickleOfNewFilesShowsWhileItRuns) {
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.gif"));
    pane.show();
    int stop[2];
    ASSERT_EQ(pipe2(stop, O_NONBLOCK), 0);
    const pid_t copier = fork();
    if (copier == 0) {
        char seen;
        for (int i = 0; i < 2000 && read(stop[0], &seen, 1) != 1; ++i) {
            close(creat((dir / ("new " + std::to_string(i) + ".gif")).c_str(), 0644));
            usleep(20000);
        }
        _exit(0);
    }
    ASSERT_GT(copier, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane.Count() > 0; }, 10000));
    EXPECT_EQ(waitpid(copier, nullptr, WNOHANG), 0) << "the rows followed only once the copy stopped";
    ASSERT_EQ(write(stop[1], "!", 1), 1);
    waitpid(copier, nullptr, 0);
    close(stop[0]);
    close(stop[1]);
}

TEST_F(FileListBoxTest, ShowsAnIllFormedNameButKeepsItsBytes) {
    const std::string shiftJis = "\x89\xE6\x91\x9C.jpg";
    dir.File(shiftJis);
    TFileListBox pane;
    pane.SetMask(QStringLiteral("*.jpg"));
    pane.show();
    ASSERT_EQ(pane.Count(), 1);
    EXPECT_EQ(pane.Items().at(0), shiftJis);
    EXPECT_TRUE(pane.model()->index(0, 0).data().toString().endsWith(QStringLiteral(".jpg")));
}

TEST_F(FileListBoxTest, GlyphsShowTheKindOfEachRowAndMakeRowsTallEnough) {
    for (const char* name : {"setup.EXE", "run.bat", "a.gif", "README", "old.exe.txt", "v1.2.pif", "[photo]"})
        dir.File(name);
    dir.Folder("album");
    TFileListBox pane;
    pane.SetFileType(zumi::ftNormal | zumi::ftDirectory);
    pane.show();
    const int lineHeight = pane.fontMetrics().height();
    EXPECT_EQ(pane.visualRect(pane.model()->index(0, 0)).height(), lineHeight);
    EXPECT_FALSE(pane.model()->index(0, 0).data(Qt::DecorationRole).isValid());

    pane.SetShowGlyphs(true);
    EXPECT_EQ(pane.visualRect(pane.model()->index(0, 0)).height(), std::max(lineHeight, 16));
    const QImage program = QPixmap(QStringLiteral(":/executable.xpm")).toImage();
    const QImage file = QPixmap(QStringLiteral(":/unknownfile.xpm")).toImage();
    const QImage folder = QPixmap(QStringLiteral(":/closedfolder.xpm")).toImage();
    // Missing pictures would compare equal to the null ones a pane shows without them.
    for (const QImage& picture : {program, file, folder})
        ASSERT_FALSE(picture.isNull()) << "the pane's pictures are not in the program";
    const std::map<std::string, QImage> expected = {{"[album]", folder},   {"a.gif", file},      {"old.exe.txt", file},
                                                    {"README", file},      {"run.bat", program}, {"setup.EXE", program},
                                                    {"v1.2.pif", program}, // the extension after the last dot
                                                    {"[photo]", file}};    // a file named as folders are shown
    ASSERT_EQ(pane.Count(), 8);
    for (int row = 0; row < pane.Count(); ++row) {
        const QImage shown = pane.model()->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().toImage();
        EXPECT_EQ(shown, expected.at(pane.Items().at(row))) << pane.Items().at(row);
    }
}

} // namespace
