#include "DragEdit.h"
#include "RecordingShell.h"
#include "Splitter.h"
#include "SyncCalls.h"
#include "TempDir.h"
#include "Unit1.h"
#include "ValueChanges.h"
#include "index/IndexPage.h"
#include "panes/DirectoryListBox.h"
#include "panes/DiskFollower.h"
#include "panes/DriveComboBox.h"
#include "panes/FileListBox.h"
#include "platform/FolderReading.h"
#include "platform/FolderWatch.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QtGui/private/qaccessiblebridgeutils_p.h>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <unistd.h>

namespace {

// The main window started in a temporary folder, as if the program had been
// started there with settings that name no folder.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder().Clear();
        for (const char* name : {"a.gif", "b.jpg", "c.png", "IMG_0001.JPG", "d.bmp"})
            dir.File(name);
        WorkIn(dir.Path());
        Write(bin / "zumi.ini", "[File]\nIniDir=\n");
        form = std::make_unique<TForm1>(bin / "zumi");
        form->show();
    }

    template <typename T> T* Child(const char* name) { return form->findChild<T*>(QLatin1String(name)); }
    QString CountText() { return Child<QLabel>("StatusPanel0")->text(); }
    QString Marker() { return Child<QLabel>("Panel1")->text(); }
    void Trigger(const char* action) { Child<QAction>(action)->trigger(); }
    // What a screen reader finds focused, in all the program's windows and menus.
    static QStringList Focused() {
        QStringList focused;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            if (node->state().focused)
                focused << node->text(QAccessible::Name);
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i));
        };
        walk(QAccessible::queryAccessibleInterface(qApp));
        return focused;
    }
    std::string Page() { return Contents(dir / "imgindex.html"); }

    TempDir bin; // the executable's folder
    TempDir dir;
    std::unique_ptr<TForm1> form;
};

// Tab walks the controls in their designed order; 終了 closes the window.
TEST_F(Form1Test, TabWalksTheControlsInOrderAndExitCloses) {
    Child<QCheckBox>("CBox1")->click(); // the size fields take the focus only while enabled
    QApplication::setActiveWindow(form.get());
    QStringList walked;
    for (int i = 0; i < 9; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(walked, (QStringList{"DirectoryListBox1", "Splitter1", "DragEdit1", "Label1", "DragEdit2", "CBox1",
                                   "Edit1", "DriveComboBox1", "FileListBox1"}));
    Trigger("Exit1");
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Form1Test, HasItsControlsUnderTheirNamesEachSpokenByItsOwnName) {
    std::set<QString> spoken;
    for (const char* name :
         {"Panel1", "SCreateHTML", "SpeedButton2", "DriveComboBox1", "Panel2", "Edit1", "CBox1", "DragEdit1", "Label1",
          "DragEdit2", "DirectoryListBox1", "Splitter1", "FileListBox1", "StatusBar1", "StatusPanel0", "ProgressBar"}) {
        auto* control = Child<QWidget>(name);
        ASSERT_NE(control, nullptr) << name;
        // What a screen reader announces: empty, or the same for two controls, tells the user nothing.
        const QString said = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        EXPECT_FALSE(said.isEmpty()) << name;
        EXPECT_TRUE(spoken.insert(said).second) << name << " shares its name " << said.toStdString();
    }
    // A menu's items are read without their access keys.
    const std::pair<const char*, const char*> items[] = {
        {"MCreateHTML", "ファイルの作成"},
        {"MDeleteHTML", "ファイルの削除"},
        {"MOpenHTML", "ブラウザで確認"},
        {"Exit1", "終了"},
        {"MBorder", "BORDERは 0 にする"},
        {"MCreateOpen", "ファイル作成後確認"},
        {"Contents1", "目次"},
        {"About1", "バージョン情報"},
    };
    for (const auto& [name, said] : items) {
        ASSERT_NE(Child<QAction>(name), nullptr) << name;
        EXPECT_EQ(QAccessible::queryAccessibleInterface(Child<QAction>(name))->text(QAccessible::Name),
                  QString::fromUtf8(said));
    }
}

// What a screen reader finds in the client area: each part in its role, each
// with a name, no decoration; the drive selector says its own name, its volume as the value.
TEST_F(Form1Test, AScreenReaderFindsEachPartInItsRoleAndNoUnnamedDecoration) {
    const struct {
        const char* name;
        QAccessible::Role role;
    } parts[] = {
        {"Panel1", QAccessible::ToolBar},     {"Panel2", QAccessible::ToolBar},
        {"Splitter1", QAccessible::Splitter}, {"DriveComboBox1", QAccessible::ComboBox},
        {"Label1", QAccessible::Button},
    };
    for (const auto& part : parts)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(Child<QWidget>(part.name))->role(), part.role) << part.name;
    auto* drives = Child<QComboBox>("DriveComboBox1");
    QAccessibleInterface* drive = QAccessible::queryAccessibleInterface(drives);
    EXPECT_EQ(drive->text(QAccessible::Name), QStringLiteral("ドライブ"));
    QAccessibleTextInterface* read = drive->textInterface();
    EXPECT_EQ(drive->text(QAccessible::Value), read->text(0, read->characterCount()));
    EXPECT_FALSE(read->text(0, read->characterCount()).isEmpty()) << "the chosen volume not read";

    // Nor an action that does nothing: a reader offers increase and decrease for every value.
    QStringList unnamed, dead;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* part = node->child(i);
            if (part->text(QAccessible::Name).isEmpty())
                unnamed << part->object()->metaObject()->className();
            if (part->state().disabled)
                continue;
            for (const QString& action :
                 {QAccessibleActionInterface::increaseAction(), QAccessibleActionInterface::decreaseAction()}) {
                if (!QAccessibleBridgeUtils::effectiveActionNames(part).contains(action))
                    continue;
                const QVariant before = part->valueInterface()->currentValue();
                QAccessibleBridgeUtils::performEffectiveAction(part, action);
                if (part->valueInterface()->currentValue() == before)
                    dead << part->text(QAccessible::Name) + " " + action;
            }
            if (part->role() != QAccessible::List && part->role() != QAccessible::ComboBox)
                walk(part); // the rows have their own names
        }
    };
    walk(QAccessible::queryAccessibleInterface(form->centralWidget()));
    walk(QAccessible::queryAccessibleInterface(form->statusBar()));
    EXPECT_EQ(unnamed, QStringList());
    EXPECT_EQ(dead, QStringList());
}

TEST_F(Form1Test, StartsOnTheWorkingDirectoryWithTheDefaultMask) {
    auto* files = Child<TFileListBox>("FileListBox1");
    EXPECT_EQ(files->FolderPath(), dir.Path());
    ASSERT_EQ(files->Count(), 4);
    EXPECT_EQ(files->Items().at(3), "IMG_0001.JPG");
    EXPECT_EQ(CountText(), QStringLiteral("4 個のオブジェクト"));
    EXPECT_EQ(form->focusWidget(), files);
}

TEST_F(Form1Test, CountFollowsEveryKeystrokeInTheMaskField) {
    auto* mask = Child<QLineEdit>("Edit1");
    mask->clear();
    EXPECT_EQ(CountText(), QStringLiteral("0 個のオブジェクト"));
    QTest::keyClicks(mask, QStringLiteral("*"));
    EXPECT_EQ(CountText(), QStringLiteral("5 個のオブジェクト"));
    QTest::keyClicks(mask, QStringLiteral(".j"));
    EXPECT_EQ(CountText(), QStringLiteral("0 個のオブジェクト"));
    QTest::keyClicks(mask, QStringLiteral("*"));
    EXPECT_EQ(CountText(), QStringLiteral("2 個のオブジェクト"));
    EXPECT_TRUE(Recorder().messages.isEmpty());
}

TEST_F(Form1Test, AMaskChangeInAVanishedFolderShowsTheErrorAndKeepsTheCount) {
    const std::string moved = dir.Path() + "-moved";
    ASSERT_EQ(rename(dir.Path().c_str(), moved.c_str()), 0);
    QTest::keyClicks(Child<QLineEdit>("Edit1"), QStringLiteral(";"));
    rename(moved.c_str(), dir.Path().c_str());
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("ﾌｧｲﾙが見つかりません.")});
    EXPECT_EQ(CountText(), QStringLiteral("4 個のオブジェクト"));
}

TEST_F(Form1Test, OpeningAFolderRowShowsItsFilesAndTheirCount) {
    dir.Folder("album");
    dir.File("album/x.png");
    dir.File("album/imgindex.html");
    dir.File("imgindex.html");
    auto* folders = Child<TDirectoryListBox>("DirectoryListBox1");
    folders->SetFolderPath(dir.Path() + "/"); // the same folder by another text: rows built again
    const int row = static_cast<int>(folders->Rows().size()) - 1;
    ASSERT_EQ(folders->Rows()[row].text, "album");
    ASSERT_EQ(Marker(), QStringLiteral("* "));
    // Its reads held: neither the count nor the marker is shown until the folder is read.
    SetEnterWait(0);
    zumi::FolderReader::HoldReads(true);
    QTest::mouseDClick(folders->viewport(), Qt::LeftButton, {},
                       folders->visualRect(folders->model()->index(row, 0)).center());
    EXPECT_EQ(CountText() + Marker(), QString()) << "the folder left's count or marker shown for the new one";
    zumi::FolderReader::HoldReads(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !CountText().isEmpty(); }, 10000));
    SetEnterWait(-1);
    EXPECT_EQ(Child<TFileListBox>("FileListBox1")->FolderPath(), dir / "album");
    EXPECT_EQ(CountText(), QStringLiteral("1 個のオブジェクト"));
    EXPECT_EQ(Marker(), QStringLiteral("* "));
    EXPECT_EQ(Child<TDriveComboBox>("DriveComboBox1")->DriveLetter(), "/") << "the volume of a temporary folder";
}

// A screen reader finds a pane's rows as they are now, each where it is drawn.
TEST_F(Form1Test, AScreenReaderFindsThePanesRowsWhereTheyAre) {
    dir.Folder("album");
    dir.File("album/x.png");
    auto* files = Child<TFileListBox>("FileListBox1");
    QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(files);
    const auto rows = [pane] {
        QStringList read;
        for (int i = 0; i < pane->childCount(); ++i) {
            QAccessibleInterface* row = pane->child(i);
            read << row->text(QAccessible::Name);
            const QRect place = row->rect();
            for (const QPoint corner : {place.topLeft(), place.bottomRight()})
                EXPECT_EQ(pane->childAt(corner.x(), corner.y()), row) << read.last().toStdString();
        }
        EXPECT_EQ(pane->child(pane->childCount()), nullptr);
        return read;
    };
    EXPECT_EQ(rows(), (QStringList{"a.gif", "b.jpg", "c.png", "IMG_0001.JPG"}));
    Child<TDirectoryListBox>("DirectoryListBox1")->SetFolderPath(dir / "album");
    EXPECT_EQ(rows(), QStringList{"x.png"}) << "rows read before the folder changed";
}

TEST_F(Form1Test, TheWindowIconHasADrawingForEachSizeAWindowListAsksFor) {
    for (int size : {16, 24, 32, 48})
        EXPECT_EQ(form->windowIcon().pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32),
                  QImage(QStringLiteral(":/icons/zumi-%1.png").arg(size)).convertToFormat(QImage::Format_ARGB32))
            << size;
}

TEST_F(Form1Test, CannotBeResizedOrMaximised) {
    const QSize size = form->size();
    form->resize(size + QSize(100, 100));
    EXPECT_EQ(form->size(), size);
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form->centralWidget()->height() + Child<QWidget>("StatusBar1")->height(), 281);
    EXPECT_EQ(form->width(), 319);
}

TEST_F(Form1Test, SplitterMovesTheBoundaryWithinItsLimitsAndEscapeCancels) {
    auto* splitter = Child<TSplitter>("Splitter1");
    auto* folders = Child<QListView>("DirectoryListBox1");
    auto* files = Child<QWidget>("FileListBox1");
    const struct {
        int dx;
        bool escape;
        int width;
    } drags[] = {{+40, false, 185}, {-40, true, 185}, {-500, false, 30}, {+500, false, 288}, {-143, false, 145}};
    for (const auto& drag : drags) {
        QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(0, 10));
        QTest::mouseMove(splitter, QPoint(drag.dx, 10));
        if (drag.escape)
            QTest::keyClick(splitter, Qt::Key_Escape);
        QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(drag.dx, 10));
        EXPECT_EQ(folders->width(), drag.width) << drag.dx;
        EXPECT_EQ(files->x(), drag.width + 1);
        EXPECT_EQ(files->x() + files->width(), 319);
    }
    // By key, 10 pixels a step within the same limits, each move heard by a screen reader, which may also set it.
    ValueChanges changes;
    const struct {
        Qt::Key key;
        int times;
        int width;
    } keys[] = {{Qt::Key_Right, 1, 155}, {Qt::Key_Left, 20, 30}, {Qt::Key_Right, 40, 288}};
    for (const auto& key : keys) {
        for (int i = 0; i < key.times; ++i)
            QTest::keyClick(splitter, key.key);
        EXPECT_EQ(folders->width(), key.width) << key.key;
        EXPECT_EQ(files->x(), key.width + 1);
    }
    std::vector<int> heard;
    for (const auto& [who, value] : changes.Take())
        if (who == splitter)
            heard.push_back(value.toInt());
    ASSERT_EQ(heard.size(), 40u) << "each move heard once, none against a limit";
    EXPECT_EQ(heard.front(), 155);
    EXPECT_EQ(heard.back(), 288);
    QAccessible::queryAccessibleInterface(splitter)->valueInterface()->setCurrentValue(100);
    EXPECT_EQ(files->x(), 101);
}

TEST_F(Form1Test, SizeFieldsStepByOnePerFivePixelsWithinTheirRange) {
    Child<QCheckBox>("CBox1")->click();
    for (const char* name : {"DragEdit1", "DragEdit2"}) {
        auto* field = Child<TDragEdit>(name);
        QWidget* handle = field->DragButton();
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(7, 5));
        QTest::mouseMove(handle, QPoint(17, 5));
        EXPECT_EQ(field->text(), QStringLiteral("102")) << name;
        QTest::mouseMove(handle, QPoint(-5000, 5));
        EXPECT_EQ(field->text(), QStringLiteral("0")) << name;
        QTest::mouseMove(handle, QPoint(60000, 5));
        EXPECT_EQ(field->text(), QStringLiteral("9999")) << name;
        QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(60000, 5));
    }
    // Enter in a size field is refused with the program's beep; a text that is no number fails at the press.
    auto* height = Child<TDragEdit>("DragEdit1");
    QTest::keyClick(height, Qt::Key_Return);
    EXPECT_EQ(Recorder().beeps, 1);
    height->setText(QStringLiteral("abc"));
    QTest::mousePress(height->DragButton(), Qt::LeftButton, {}, QPoint(7, 5));
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("'abc' は整数ではありません.")});
}

TEST_F(Form1Test, SizeLockEnablesTheSizeFieldsAndTheLabel) {
    auto* lock = Child<QCheckBox>("CBox1");
    for (bool fixed : {true, false}) {
        lock->click();
        for (const char* name : {"DragEdit1", "DragEdit2", "Label1"})
            EXPECT_EQ(Child<QWidget>(name)->isEnabled(), fixed) << name;
    }
}

TEST_F(Form1Test, CreateWritesTheListedFilesAndReports) {
    Child<QLineEdit>("Edit1")->setText(QStringLiteral("*.gif;a*;*.png")); // a.gif matched twice
    Child<QCheckBox>("CBox1")->click();
    Child<TDragEdit>("DragEdit1")->setText(QStringLiteral("64"));
    Child<TDragEdit>("DragEdit2")->setText(QStringLiteral("48"));
    Child<QAction>("MBorder")->setChecked(false); // unlike the size lock, so neither is taken for the other
    Child<QAction>("MCreateOpen")->setChecked(false);
    Recorder().Clear();

    Child<QToolButton>("SCreateHTML")->click();
    const char* tail = R"(" HEIGHT="64" WIDTH="48"></A>)";
    EXPECT_EQ(Page(), std::string("<HTML>\r\n<HEAD><TITLE>ImageIndex</TITLE></HEAD>\r\n<BODY>\r\n") +
                          R"(<A HREF="a.gif"><IMG SRC="a.gif" ALT="a.gif)" + tail + "\r\n" +
                          R"(<A HREF="a.gif"><IMG SRC="a.gif" ALT="a.gif)" + tail + "\r\n" +
                          R"(<A HREF="c.png"><IMG SRC="c.png" ALT="c.png)" + tail + "\r\n</BODY>\r\n</HTML>\r\n");
    EXPECT_EQ(Marker(), QStringLiteral("* "));
    EXPECT_EQ(Recorder().beeps, 1);
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("imgindex.html を出力しました。")});
    EXPECT_TRUE(Recorder().opened.empty());

    // Again with the option on: the page, now itself the only item, replaces the first and is opened.
    Child<QLineEdit>("Edit1")->setText(QStringLiteral("*.html"));
    Child<QAction>("MCreateOpen")->setChecked(true);
    Child<QCheckBox>("CBox1")->click();
    Child<QAction>("MBorder")->setChecked(true);
    Trigger("MCreateHTML");
    EXPECT_EQ(Page(), "<HTML>\r\n<HEAD><TITLE>ImageIndex</TITLE></HEAD>\r\n<BODY>\r\n"
                      "<A HREF=\"imgindex.html\"><IMG SRC=\"imgindex.html\" ALT=\"imgindex.html\" BORDER=\"0\"></A>\r\n"
                      "</BODY>\r\n</HTML>\r\n");
    EXPECT_EQ(Recorder().opened, std::vector<std::string>{dir / "imgindex.html"});

    // The page written is the page opened: its folder renamed away while the notice is up and another
    // made at its path, the page there is not opened in its place.
    const std::string sub = dir.Folder("sub");
    dir.File("sub/e.html");
    Child<TDirectoryListBox>("DirectoryListBox1")->SetFolderPath(sub);
    Recorder().Clear();
    Recorder().whileShown = [&] {
        InChildProcess([&] {
            return std::to_string(
                system(("mv '" + sub + "' '" + sub + "x' && mkdir '" + sub + "' && touch '" + sub + "/imgindex.html'")
                           .c_str()));
        });
    };
    Trigger("MCreateHTML");
    EXPECT_TRUE(Recorder().opened.empty());

    // The window closing while the notice is up (the program is ending) stops the command there.
    Recorder().Clear();
    Recorder().whileShown = [this] { form->close(); };
    Trigger("MCreateHTML");
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("imgindex.html を出力しました。")});
    EXPECT_TRUE(Recorder().opened.empty());
}

// 作成 while a large folder is read whole aside, after a burst, lists the rows the read finds.
TEST_F(Form1Test, CreateWaitsForTheReadUnderWay) {
    for (int i = 0; i < 4500; ++i)
        dir.File("x" + std::to_string(i) + ".txt");
    Child<QLineEdit>("Edit1")->setText(QStringLiteral("*.gif"));
    ASSERT_EQ(CountText(), QStringLiteral("1 個のオブジェクト"));
    InChildProcess([&] {
        for (int i = 0; i < 400; ++i)
            Write(dir / ("n" + std::to_string(i) + ".gif"), "");
        return std::string();
    });
    Child<QAction>("MCreateOpen")->setChecked(false);
    Trigger("MCreateHTML");
    const std::string page = Page();
    size_t listed = 0;
    for (size_t at = 0; (at = page.find("<A HREF", at)) != std::string::npos; ++at)
        ++listed;
    EXPECT_EQ(listed, 401u) << "the page listed the rows from before the burst";
    EXPECT_EQ(CountText(), QStringLiteral("401 個のオブジェクト"));
}

// A page that takes long is written aside: the window answers and the bar shows
// the lines written; the commands on the page wait, also when a screen reader
// asks for them; files that come meanwhile are not on the page.
TEST_F(Form1Test, APageTakingLongIsWrittenAsideWhileTheWindowAnswers) {
    Write(dir / "imgindex.html", "old");
    Child<QAction>("MCreateOpen")->setChecked(false);
    auto* create = Child<QToolButton>("SCreateHTML");
    auto* progress = Child<QProgressBar>("ProgressBar");
    auto* files = Child<TFileListBox>("FileListBox1");
    const int rows = files->Count();
    bool answered = false;
    QTimer::singleShot(0, [&] {
        answered = true;
        EXPECT_FALSE(create->isEnabled() || Child<QAction>("MDeleteHTML")->isEnabled());
        QAccessibleInterface* remove = QAccessible::queryAccessibleInterface(Child<QAction>("MDeleteHTML"));
        EXPECT_TRUE(remove->state().disabled && remove->actionInterface()->actionNames().isEmpty())
            << "a screen reader offered ファイルの削除";
        EXPECT_TRUE(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor);
        QAccessible::queryAccessibleInterface(create)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        Trigger("MDeleteHTML");
        EXPECT_TRUE(QTest::qWaitFor([&] { return progress->value() == rows; }, 10000))
            << "the bar shows no lines written";
        QAccessibleValueInterface* told = QAccessible::queryAccessibleInterface(progress)->valueInterface();
        EXPECT_TRUE(told && told->currentValue() == rows) << "a screen reader not told the lines written";
        dir.File("new.gif");
        EXPECT_TRUE(QTest::qWaitFor([&] { return files->Count() == rows + 1; }, 10000)) << "the rows stopped following";
        EXPECT_EQ(Page(), "old") << "the page deleted or replaced before it was whole";
        Recorder().Clear();
        zumi::PageWriter::HoldWrites(false);
    });
    SetEnterWait(0);
    zumi::PageWriter::HoldWrites(true);
    create->click();
    zumi::PageWriter::HoldWrites(false);
    SetEnterWait(-1);
    EXPECT_TRUE(answered);
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("imgindex.html を出力しました。")});
    const std::string page = Page();
    EXPECT_NE(page.find("c.png"), std::string::npos);
    EXPECT_EQ(page.find("new.gif"), std::string::npos) << "a file that came after 作成 was chosen";
    EXPECT_TRUE(create->isEnabled() && Child<QAction>("MDeleteHTML")->isEnabled());
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::qWait(200); // a second 作成 asked for while the first was written would come now
    EXPECT_EQ(Recorder().messages.size(), 1);
}

TEST_F(Form1Test, CreateWithNoListedFilesOnlySaysSo) {
    Write(dir / "imgindex.html", "old");
    Child<QLineEdit>("Edit1")->setText(QStringLiteral("*.none"));
    Recorder().Clear();
    Trigger("MCreateHTML");
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("画像ファイルがありません。")});
    EXPECT_EQ(Recorder().beeps, 1);
    EXPECT_EQ(Page(), "old");
    EXPECT_TRUE(Recorder().opened.empty());
}

TEST_F(Form1Test, ACreateThatCannotWriteShowsTheErrorAndStops) {
    dir.Folder("imgindex.html");
    Recorder().Clear();
    Trigger("MCreateHTML");
    EXPECT_EQ(Recorder().messages,
              QStringList{QString::fromStdString("ﾌｧｲﾙ " + (dir / "imgindex.html") + " を作成できません.")});
    EXPECT_EQ(Recorder().beeps, 0);
    EXPECT_TRUE(Recorder().opened.empty());
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 0) << "no line built for a page that cannot be created";
    EXPECT_EQ(Marker(), QString()) << "a folder is no page";
}

TEST_F(Form1Test, OpenAndDeleteActOnlyOnAnExistingPage) {
    EXPECT_EQ(Marker(), QString());
    Recorder().Clear();
    Trigger("MOpenHTML");
    Trigger("MDeleteHTML");
    EXPECT_EQ(Recorder().beeps + Recorder().messages.size() + Recorder().opened.size(), 0);

    const std::string page = dir.File("imgindex.html");
    Child<QToolButton>("SpeedButton2")->click();
    EXPECT_EQ(Recorder().opened, std::vector<std::string>{page});
    Trigger("MDeleteHTML");
    EXPECT_NE(access(page.c_str(), F_OK), 0);
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("imgindex.html を削除しました。")});
    EXPECT_EQ(Recorder().beeps, 1);
    EXPECT_EQ(Marker(), QString());

    // A link in the page's place in a folder others may write: neither opened nor followed by the delete.
    const std::string target = dir.File("target.html");
    ASSERT_EQ(symlink(target.c_str(), page.c_str()), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 01777), 0);
    Recorder().Clear();
    Trigger("MOpenHTML");
    EXPECT_TRUE(Recorder().opened.empty());
    Trigger("MDeleteHTML");
    EXPECT_EQ(access(target.c_str(), F_OK), 0);
}

// The folder is root's, so another user cannot remove the page: the error box, and the marker stays.
TEST_F(Form1Test, ADeleteThatFailsShowsTheErrorAndKeepsThePageMarked) {
    const std::string page = dir.File("imgindex.html", 0666);
    const std::string seen = AsUnprivilegedUser([&] {
        Recorder().Clear();
        Trigger("MDeleteHTML");
        return Recorder().messages.join('|').toStdString() + "|" + Marker().toStdString();
    });
    EXPECT_EQ(seen, "ﾌｧｲﾙ " + page + " を削除できません.|* ");
    EXPECT_EQ(access(page.c_str(), F_OK), 0);
}

// Another program's page and pictures show in the status line without a key
// pressed; a screen reader hears whether there is a page after what 確認 and
// ファイルの削除 do, and is told when that changes.
TEST_F(Form1Test, TheStatusFollowsPagesAndFilesWrittenElsewhere) {
    ValueChanges told(QAccessible::DescriptionChanged);
    QObject* view = Child<QToolButton>("SpeedButton2");
    QObject* remove = Child<QAction>("MDeleteHTML");
    const QString has = QStringLiteral("。このフォルダには imgindex.html があります");
    const QString hasNot = QStringLiteral("。このフォルダに imgindex.html はありません");
    const QString views = QStringLiteral("このフォルダの imgindex.html をブラウザで開きます");
    const QString deletes = QStringLiteral("このフォルダの imgindex.html を削除します");
    const auto described = [](QObject* command) {
        return QAccessible::queryAccessibleInterface(command)->text(QAccessible::Description);
    };
    EXPECT_EQ(described(view), views + hasNot);
    EXPECT_EQ(described(remove), deletes + hasNot);
    const struct {
        const char* fault;
        std::function<void()> change;
        QString count;
        QString marker;
        QString said; // after what the commands do; empty: no change told
    } steps[] = {
        {"a page written elsewhere not marked", [&] { Write(dir / "imgindex.html", "<HTML>"); },
         QStringLiteral("4 個のオブジェクト"), QStringLiteral("* "), has},
        {"a picture copied in not counted", [&] { Write(dir / "e.gif", ""); }, QStringLiteral("5 個のオブジェクト"),
         QStringLiteral("* "), QString()},
        {"a page removed elsewhere still marked", [&] { unlink((dir / "imgindex.html").c_str()); },
         QStringLiteral("5 個のオブジェクト"), QString(), hasNot},
    };
    for (const auto& step : steps) {
        InChildProcess([&] {
            step.change();
            return std::string();
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return Marker() == step.marker && CountText() == step.count; }, 5000))
            << step.fault << ": " << CountText().toStdString() << " " << Marker().toStdString();
        EXPECT_EQ(Child<QWidget>("Panel1")->accessibleDescription(), step.marker.isEmpty() ? QString() : has.mid(1))
            << step.fault << ": the toolbar says otherwise";
        QStringList heard;
        for (const auto& [who, said] : told.Take())
            if (who == view || who == remove)
                heard << who->objectName() + ": " + said.toString();
        const QStringList expected = step.said.isEmpty() ? QStringList()
                                                         : QStringList{"SpeedButton2: " + views + step.said,
                                                                       "MDeleteHTML: " + deletes + step.said};
        EXPECT_EQ(heard, expected) << step.fault;
    }
}

// A screen reader's press on a command is answered at once; the command, and
// the box it opens, follow from the event loop.
TEST_F(Form1Test, AScreenReadersPressIsAnsweredBeforeTheBoxOpens) {
    Child<QAction>("MCreateOpen")->setChecked(false);
    Write(dir / "imgindex.html", "old");
    const auto item = [this](const char* name) { return QAccessible::queryAccessibleInterface(Child<QAction>(name)); };
    const auto notice = [](const char* text) {
        return [text] { return Recorder().messages.join('|') == QString::fromUtf8(text); };
    };
    const struct {
        const char* command;
        QAccessibleInterface* pressed;
        std::function<bool()> opened;
    } cases[] = {
        {"作成", QAccessible::queryAccessibleInterface(Child<QToolButton>("SCreateHTML")),
         notice("imgindex.html を出力しました。")},
        {"ファイルの作成", item("MCreateHTML"), notice("imgindex.html を出力しました。")},
        {"ファイルの削除", item("MDeleteHTML"), notice("imgindex.html を削除しました。")},
        {"バージョン情報", item("About1"), [] { return QApplication::activeModalWidget() != nullptr; }},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.pressed, nullptr) << c.command;
        Recorder().Clear();
        // Each box is seen, then closed, from the loop it runs in.
        bool answered = false, openedWithin = false, opened = false;
        QTimer watch;
        watch.callOnTimeout([&] {
            if (!c.opened())
                return;
            (answered ? opened : openedWithin) = true;
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        watch.start(0);
        c.pressed->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        answered = true;
        EXPECT_FALSE(openedWithin || c.opened()) << c.command << ": the press answered only once the box closed";
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened; }, 10000)) << c.command << ": no box";
    }
}

// Whatever happens to the folder's path, the panes and the page follow the
// folder now at it, or its nearest parent still there; create acts at once,
// before the follow delay has passed.
// The page lists the folder now at the path and goes into the folder its rows
// were read from, or nowhere: a link on the path that another user could have
// put there is not followed, and a folder swapped in as the page is written
// gets no page of the old folder's rows.
TEST_F(Form1Test, ThePanesAndThePageFollowTheFolderNowAtThePath) {
    const struct {
        const char* what;
        const char* change; // run by the shell in the test folder
        bool atWrite;       // the change comes as the command looks the folder up again, not before it
        const char* folder; // where the panes end, under the test folder
        const char* page;   // the names the page lists; none: no page anywhere
        int watches = -1;   // how many watches the kernel grants as the panes move there
        bool held = false;  // the panes' reads of the folder are still held when the change comes
    } cases[] = {
        {"a folder above renamed while the folder is read aside",
         "mv p1 p1x && mkdir -p p1/p2/p3 && touch p1/p2/p3/other.jpg", false, "/p1/p2/p3", "other.jpg", -1, true},
        {"a folder above renamed and the path made again", "mv p1 p1x && mkdir -p p1/p2/p3 && touch p1/p2/p3/other.jpg",
         false, "/p1/p2/p3", "other.jpg"},
        {"a folder above removed", "rm -r p1 && touch e.gif", false, "", "a.gif b.jpg c.png e.gif IMG_0001.JPG"},
        {"a folder above renamed with no watches left", "mv p1 p1x && touch e.gif", false, "",
         "a.gif b.jpg c.png e.gif IMG_0001.JPG", 0},
        {"the folder swapped for a link in a shared folder",
         "chmod 1777 p1/p2 && touch p1/p2/x.png && mv p1/p2/p3 p1x && mkdir home && touch home/old.png && "
         "ln -s ../../home p1/p2/p3",
         false, "/p1/p2", "x.png"},
        {"a folder above swapped for a link in a shared folder",
         "chmod 1777 . && mv p1 p1x && mkdir -p home/p2/p3 && touch home/p2/p3/old.png e.gif && ln -s home p1", false,
         "", "a.gif b.jpg c.png e.gif IMG_0001.JPG"},
        {"the folder swapped for another as the page is written",
         "mv p1/p2/p3 p1x && mkdir p1/p2/p3 && touch p1/p2/p3/other.jpg", true, "/p1/p2/p3", ""},
    };
    for (const auto& c : cases) {
        dir.Folder("p1");
        dir.Folder("p1/p2");
        dir.Folder("p1/p2/p3");
        dir.File("p1/p2/p3/old.png");
        zumi::FolderWatch::LimitWatches(c.watches);
        SetEnterWait(c.held ? 0 : -1);
        zumi::FolderReader::HoldReads(c.held);
        Child<TDirectoryListBox>("DirectoryListBox1")->SetFolderPath(dir / "p1/p2/p3");
        zumi::FolderWatch::LimitWatches(-1);
        Child<QLineEdit>("Edit1")->setText(QStringLiteral("*.gif;*.jpg;*.png"));
        ASSERT_EQ(CountText(), c.held ? QString() : QStringLiteral("1 個のオブジェクト"));
        const auto change = [&] {
            InChildProcess([&] { return std::to_string(system(("cd '" + dir.Path() + "' && " + c.change).c_str())); });
        };
        if (c.atWrite)
            BeforeNextCall("open /", change);
        else
            change();
        Child<QAction>("MCreateOpen")->setChecked(false);
        Recorder().Clear();
        QTimer::singleShot(0, [] { zumi::FolderReader::HoldReads(false); }); // as the command waits for the reads
        Trigger("MCreateHTML");
        SetEnterWait(-1);
        EXPECT_EQ(Child<TDirectoryListBox>("DirectoryListBox1")->FolderPath(), dir.Path() + c.folder) << c.what;
        std::string listed;
        const std::string page = Contents(dir.Path() + c.folder + "/imgindex.html");
        for (size_t at = 0; (at = page.find("ALT=\"", at)) != std::string::npos; at += 5)
            listed += (listed.empty() ? "" : " ") + page.substr(at + 5, page.find('"', at + 5) - at - 5);
        EXPECT_EQ(listed, c.page) << c.what;
        std::istringstream names(listed);
        for (std::string name; names >> name;)
            EXPECT_EQ(access((dir.Path() + c.folder + "/" + name).c_str(), F_OK), 0) << c.what << ": " << name;
        const QString failed =
            QString::fromStdString("ﾌｧｲﾙ " + dir.Path() + c.folder + "/imgindex.html を作成できません.");
        EXPECT_EQ(Recorder().messages.join('|'), *c.page ? QStringLiteral("imgindex.html を出力しました。") : failed)
            << c.what;
        const std::string elsewhere = InChildProcess([&] {
            return std::to_string(system(
                ("cd '" + dir.Path() + "' && find p1x home -name imgindex.html 2>/dev/null | grep -q .").c_str()));
        });
        EXPECT_NE(elsewhere, "0") << c.what << ": a page outside the folder listed";
        InChildProcess([&] {
            return std::to_string(
                system(("cd '" + dir.Path() + "' && chmod 755 . && rm -rf p1 p1x home imgindex.html e.gif").c_str()));
        });
    }
}

// The "x" is pressed by a click, by Space once Tab has reached it, or by a screen reader's press action.
TEST_F(Form1Test, TheXCopiesTheHeightIntoTheWidthOnlyWhileLocked) {
    auto* height = Child<TDragEdit>("DragEdit1");
    auto* width = Child<TDragEdit>("DragEdit2");
    auto* x = Child<QToolButton>("Label1");
    const struct {
        const char* way;
        std::function<void()> press;
    } ways[] = {
        {"a click", [&] { QTest::mouseClick(x, Qt::LeftButton); }},
        {"Space", [&] { QTest::keyClick(x, Qt::Key_Space); }},
        {"a screen reader",
         [&] {
             QAccessibleInterface* button = QAccessible::queryAccessibleInterface(x);
             button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
             EXPECT_EQ(button->state().pressed, x->isEnabled()) << "the press not shown";
             QTest::qWaitFor([&] { return !x->isDown(); }, 10000); // then it clicks
         }},
    };
    for (const auto& way : ways) {
        height->setText(QStringLiteral("37"));
        width->setText(QStringLiteral("100"));
        Child<QCheckBox>("CBox1")->setChecked(false);
        way.press();
        EXPECT_EQ(width->text(), QStringLiteral("100")) << way.way << " while unlocked";
        Child<QCheckBox>("CBox1")->setChecked(true);
        way.press();
        EXPECT_EQ(width->text(), QStringLiteral("37")) << way.way;
    }
}

// Return and keypad Enter open the focused row, as a double-click opens the row under the pointer.
TEST_F(Form1Test, DoubleClickOrReturnOpensTheSelectedFile) {
    QApplication::setActiveWindow(form.get());
    auto* files = Child<QListView>("FileListBox1");
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, QPoint(5, files->viewport()->height() - 3));
    QTest::keyClick(files, Qt::Key_Return); // the focused row, not yet selected
    QTest::keyClick(files, Qt::Key_Down);
    QTest::keyClick(files, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(files->model()->index(0, 0)).center());
    EXPECT_EQ(Recorder().opened, (std::vector<std::string>{"", dir / "a.gif", dir / "b.jpg", dir / "a.gif"}));
}

TEST_F(Form1Test, F10OpensTheMenuBar) {
    QApplication::setActiveWindow(form.get());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    QAction* opened = form->menuBar()->activeAction();
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->text(), QStringLiteral("ファイル(&F)"));
    EXPECT_TRUE(opened->menu()->isVisible());
    EXPECT_EQ(Focused(), QStringList{QStringLiteral("ファイル(F)")}) << "the pane under the menu still focused";
    opened->menu()->close();
}

// The row the keys act on shows at a glance: the focused pane's selection in
// the highlight, another pane's not; a focused row that is not selected framed
// in it. A screen reader finds that pane and that row focused, nothing else.
TEST_F(Form1Test, TheFocusedPaneShowsItsRowAtAGlance) {
    QApplication::setActiveWindow(form.get());
    auto* folders = Child<QListView>("DirectoryListBox1");
    auto* files = Child<QListView>("FileListBox1");
    const QColor highlight = form->palette().color(QPalette::Highlight);
    // The colour at the right end of a row, where no text reaches.
    const auto edge = [](QListView* pane, const QModelIndex& row) {
        const QRect place = pane->visualRect(row);
        return pane->viewport()->grab().toImage().pixelColor(place.right(), place.center().y());
    };
    const struct {
        const char* fault;
        QListView* focused;
        QListView* pane;
        bool lit;
    } cases[] = {
        {"the file list's focused row unmarked at start", files, files, true},
        {"the folder pane's selection lit without the focus", files, folders, false},
        {"the folder pane's focused row unmarked", folders, folders, true},
        {"the file list's row marked without the focus", folders, files, false},
    };
    for (const auto& c : cases) {
        c.focused->setFocus();
        const QModelIndex row = c.pane == files ? files->model()->index(0, 0) : folders->currentIndex();
        EXPECT_EQ(edge(c.pane, row) == highlight, c.lit) << c.fault;
        EXPECT_EQ(Focused(), (QStringList{c.focused->accessibleName(), c.focused->currentIndex().data().toString()}))
            << c.fault;
    }
}

} // namespace
