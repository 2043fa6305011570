#include "DragEdit.h"
#include "RecordingShell.h"
#include "TempDir.h"
#include "Unit1.h"
#include "panes/DirectoryListBox.h"
#include "panes/FileListBox.h"
#include "platform/WorkingDirectory.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace {

// The program as if installed in `bin`, started with `work` as its working directory.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder().Clear();
        for (const char* name : {"a.gif", "b.png", "c.txt"})
            pics.File(name);
    }

    std::unique_ptr<TForm1> Start() {
        WorkIn(work.Path()); // where the program is started
        auto form = std::make_unique<TForm1>(bin / "zumi");
        form->show();
        return form;
    }
    std::string Ini() const { return Contents(bin / "zumi.ini"); }

    template <typename T> static T* Child(TForm1& form, const char* name) {
        return form.findChild<T*>(QLatin1String(name));
    }
    static std::string Folder(TForm1& form) {
        return Child<TDirectoryListBox>(form, "DirectoryListBox1")->FolderPath();
    }

    TempDir bin;
    TempDir pics;
    TempDir work;
};

TEST_F(SettingsTest, AFirstRunWritesOnlyTheVersionAndOpensOnTheProgramsFolder) {
    auto form = Start();
    EXPECT_EQ(Ini(), "[Software]\nVersion=200\n");
    EXPECT_EQ(form->pos(), QPoint(100, 100));
    EXPECT_EQ(Child<QWidget>(*form, "DirectoryListBox1")->width(), 145);
    EXPECT_EQ(Folder(*form), bin.Path());
    EXPECT_EQ(Child<QLineEdit>(*form, "Edit1")->text(), QStringLiteral("*.gif;*.jpg;*.png"));
}

// What the user left is what the next run shows, and the file holds it in the order it was written.
TEST_F(SettingsTest, ClosingSavesTheWindowAndTheNextRunRestoresIt) {
    {
        auto form = Start();
        form->move(40, 50);
        Child<QWidget>(*form, "DirectoryListBox1")->resize(100, 10);
        Child<TDirectoryListBox>(*form, "DirectoryListBox1")->SetFolderPath(pics.Path());
        Child<QAction>(*form, "MBorder")->setChecked(false);
        Child<QCheckBox>(*form, "CBox1")->setChecked(true); // both flags away from their defaults
        Child<TDragEdit>(*form, "DragEdit1")->setText(QStringLiteral("120"));
        Child<TDragEdit>(*form, "DragEdit2")->setText(QStringLiteral("80"));
        Child<QLineEdit>(*form, "Edit1")->setText(QStringLiteral("*.png"));
        ASSERT_TRUE(form->close());
    }
    EXPECT_EQ(Ini(), "[Software]\nVersion=200\n"
                     "[Window]\nTop=50\nLeft=40\nSplitter=100\n"
                     "[File]\nIniDir=" +
                         pics.Path() +
                         "\n"
                         "[Setting]\nImageBorder=0\nAfterView=1\nSizeFixed=1\nSizeHeight=120\nSizeWidth=80\n"
                         "Mask=*.png\n");

    auto form = Start();
    EXPECT_EQ(form->pos(), QPoint(40, 50));
    EXPECT_EQ(Child<QWidget>(*form, "DirectoryListBox1")->width(), 100);
    EXPECT_EQ(Child<QWidget>(*form, "FileListBox1")->x(), 101);
    EXPECT_EQ(Folder(*form), pics.Path());
    EXPECT_FALSE(Child<QAction>(*form, "MBorder")->isChecked());
    EXPECT_TRUE(Child<QAction>(*form, "MCreateOpen")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(*form, "CBox1")->isChecked());
    EXPECT_TRUE(Child<TDragEdit>(*form, "DragEdit1")->isEnabled());
    EXPECT_EQ(Child<TDragEdit>(*form, "DragEdit1")->text(), QStringLiteral("120"));
    EXPECT_EQ(Child<TDragEdit>(*form, "DragEdit2")->text(), QStringLiteral("80"));
    EXPECT_EQ(Child<QLineEdit>(*form, "Edit1")->text(), QStringLiteral("*.png"));
    EXPECT_EQ(Child<TFileListBox>(*form, "FileListBox1")->Items(), std::vector<std::string>{"b.png"});
    EXPECT_EQ(Child<QLabel>(*form, "StatusPanel0")->text(), QStringLiteral("1 個のオブジェクト"));
    EXPECT_EQ(Recorder().messages, QStringList());
}

TEST_F(SettingsTest, StoredValuesThatDoNotConvertFallBack) {
    const struct {
        const char* stored;
        QPoint pos;
        bool border;
    } cases[] = {
        {"[Window]\nTop=0x20\nLeft=0X10\n[Setting]\nImageBorder=2\n", {16, 32}, true},
        {"[Window]\nTop=abc\nLeft=\n[Setting]\nImageBorder=x\n", {100, 100}, true},
        {"[Window]\nTop=-5\nLeft=-30\n[Setting]\nImageBorder=0\n", {-30, -5}, false}, // partly off screen
    };
    for (const auto& c : cases) {
        Write(bin / "zumi.ini", c.stored);
        auto form = Start();
        EXPECT_EQ(form->pos(), c.pos) << c.stored;
        EXPECT_EQ(Child<QAction>(*form, "MBorder")->isChecked(), c.border) << c.stored;
    }
}

// A stored mask lists and is saved again by its bytes, which need not be
// UTF-8, until the user edits it. An empty one is not applied, so the file list
// keeps its own mask, which lists everything.
TEST_F(SettingsTest, AStoredMaskKeepsItsBytesUntilEdited) {
    pics.File("\xff\xfex.gif"); // a name that is not UTF-8
    const struct {
        std::string stored;
        QString typed; // added at the end of the field
        std::set<std::string> listed;
        std::string saved;
    } cases[] = {
        {"", {}, {"\xff\xfex.gif", "a.gif", "b.png", "c.txt"}, ""},
        {"\xff\xfe*.gif", {}, {"\xff\xfex.gif"}, "\xff\xfe*.gif"},
        {"\xff\xfe*.gif", QStringLiteral(";*.png"), {"b.png"}, "\uFFFD\uFFFD*.gif;*.png"}, // the text the field shows
    };
    for (const auto& c : cases) {
        Write(bin / "zumi.ini", "[File]\nIniDir=" + pics.Path() + "\n[Setting]\nMask=" + c.stored + "\n");
        auto form = Start();
        auto* field = Child<QLineEdit>(*form, "Edit1");
        field->setText(field->text() + c.typed);
        const std::vector<std::string> items = Child<TFileListBox>(*form, "FileListBox1")->Items();
        EXPECT_EQ(std::set<std::string>(items.begin(), items.end()), c.listed) << c.stored;
        ASSERT_TRUE(form->close());
        EXPECT_NE(Ini().find("\nMask=" + c.saved + "\n"), std::string::npos) << Ini();
    }
}

// A stored folder is opened whole, however long a path the system allows, and
// saved whole again; one that is gone, or none, leaves the working directory.
TEST_F(SettingsTest, AStoredFolderIsOpenedWholeOrLeavesTheWorkingDirectory) {
    // A folder under pics whose path is exactly that long.
    const auto longFolder = [&](size_t length) {
        std::string path = pics.Path();
        while (path.size() < length) {
            path += "/" + std::string(std::min<size_t>(200, length - path.size() - 1), 'd');
            mkdir(path.c_str(), 0755);
        }
        return path;
    };
    const std::string kilobyte = longFolder(1058), longest = longFolder(4047);
    const struct {
        std::string stored;
        std::string opened; // empty: the working directory
        QStringList messages;
    } cases[] = {
        {pics / "removed", "", {QStringLiteral("フォルダが見つかりません。")}},
        {"", "", {}},
        {kilobyte, kilobyte, {}},
        {longest, longest, {}},
    };
    for (const auto& c : cases) {
        Recorder().Clear();
        Write(bin / "zumi.ini", "[File]\nIniDir=" + c.stored + "\n");
        auto form = Start();
        const std::string opened = c.opened.empty() ? work.Path() : c.opened;
        EXPECT_EQ(Folder(*form), opened) << c.stored.size();
        EXPECT_EQ(Recorder().beeps, c.messages.size()) << c.stored.size();
        EXPECT_EQ(Recorder().messages, c.messages) << c.stored.size();
        EXPECT_EQ(Child<QLineEdit>(*form, "Edit1")->text(), QStringLiteral("*.gif;*.jpg;*.png")) << "loading went on";
        ASSERT_TRUE(form->close());
        EXPECT_NE(Ini().find("IniDir=" + opened + "\n"), std::string::npos) << c.stored.size();
    }
}

TEST_F(SettingsTest, AnOlderVersionLosesTheRetiredKeyAndNothingElse) {
    const struct {
        const char* version;
        const char* kept;
    } cases[] = {
        {"199", "[Setting]\nMask=*.gif\n; kept\n"},
        {"200", "[Setting]\nAddBMP=1\nMask=*.gif\n; kept\n"},
    };
    for (const auto& c : cases) {
        Write(bin / "zumi.ini",
              std::string("[Software]\nVersion=") + c.version + "\n[Setting]\nAddBMP=1\nMask=*.gif\n; kept\n");
        Start();
        EXPECT_EQ(Ini(), std::string("[Software]\nVersion=200\n") + c.kept) << c.version;
    }
}

// A hand-edited file is read as its author meant, and a save keeps every line it does not own.
TEST_F(SettingsTest, AHandEditedFileKeepsItsOtherLines) {
    const std::string notes = "Notes=" + std::string(5000, 'n') + "\r\n";
    Write(bin / "zumi.ini",
          "; Zumi\r\n\r\n[window]\r\n TOP = 0x20 \r\nleft=\"40\"\r\n[SETTING]\r\nmask = \"*.png\"\r\n" + notes);
    auto form = Start();
    EXPECT_EQ(form->pos(), QPoint(40, 32));
    EXPECT_EQ(Child<QLineEdit>(*form, "Edit1")->text(), QStringLiteral("*.png"));
    // A line the user adds while the program runs outlives its save.
    Write(bin / "zumi.ini", Ini() + "Added=by hand\r\n");
    ASSERT_TRUE(form->close());
    EXPECT_EQ(Ini(), "; Zumi\r\n\r\n[window]\r\nTop=32\r\nLeft=40\r\nSplitter=145\r\n[SETTING]\r\nMask=*.png\r\n" +
                         notes +
                         "ImageBorder=1\r\nAfterView=1\r\nSizeFixed=0\r\nSizeHeight=100\r\nSizeWidth=100\r\n"
                         "[Software]\r\nVersion=200\r\nAdded=by hand\r\n[File]\r\nIniDir=" +
                         bin.Path() + "\r\n");
}

// Root writes anything, so the read-only file is met by an unprivileged child.
TEST_F(SettingsTest, ASettingsFileThatCannotBeWritten) {
    ASSERT_EQ(chown(bin.Path().c_str(), NobodyUid(), NobodyGid()), 0);
    const std::string path = bin / "zumi.ini";
    const std::string atStart = AsUnprivilegedUser([&] {
        Write(path, "[Window]\nTop=5\n[Setting]\nMask=*.png\n");
        chmod(path.c_str(), 0444);
        auto form = Start();
        // Start-up stops at the version: the window keeps its designed values.
        const bool designed = form->pos() == QPoint(318, 101) &&
                              Child<QLabel>(*form, "Panel1")->text() == QStringLiteral("* ") &&
                              Child<QLineEdit>(*form, "Edit1")->text().isEmpty() &&
                              Child<TDragEdit>(*form, "DragEdit1")->text() == QStringLiteral("100") &&
                              Child<QLabel>(*form, "StatusPanel0")->text().isEmpty();
        return Recorder().messages.join('|').toStdString() + (designed ? " designed" : " changed");
    });
    EXPECT_EQ(atStart, path + " に書き込めません. designed");

    const std::string atClose = AsUnprivilegedUser([&] {
        unlink(path.c_str());
        auto form = Start();
        chmod(path.c_str(), 0444);
        const bool closed = form->close();
        return Recorder().messages.join('|').toStdString() + (closed || !form->isVisible() ? " closed" : " open");
    });
    EXPECT_EQ(atClose, path + " に書き込めません. open");
}

// An installed program's folder is not writable: unless a settings file is
// there already, the settings go to the user's configuration folder. So do
// they when others may write the program's folder: whatever another user put
// there (a file, a FIFO, a link to the zero device) is neither read nor
// written, and start-up never waits on it. Those run as root too.
TEST_F(SettingsTest, AnInstalledProgramKeepsItsSettingsInTheUsersConfiguration) {
    const std::string created = "[Software]\nVersion=200\n";
    enum class Beside { Nothing, UsersFile, OthersFile, OthersFifo, OthersLink };
    const struct {
        bool pictures; // the user has a pictures folder
        Beside beside; // what is beside the program; another user's in a sticky folder
        std::string expected;
    } cases[] = {
        {true, Beside::Nothing, created},
        {false, Beside::Nothing, created},
        // the file beside is the one used, so the user learns it cannot be written
        {true, Beside::UsersFile, (bin / "zumi.ini") + " に書き込めません."},
        {true, Beside::OthersFile, created},
        {true, Beside::OthersFifo, created},
        {true, Beside::OthersLink, created},
    };
    for (const auto& c : cases) {
        const bool others = c.beside >= Beside::OthersFile;
        if (others)
            chmod(bin.Path().c_str(), 01777);
        const std::string beside = bin / "zumi.ini";
        std::string before;
        if (c.beside == Beside::UsersFile || c.beside == Beside::OthersFile) {
            Write(beside, "[Window]\nTop=7\n");
            chmod(beside.c_str(), 0666);
            before = Contents(beside);
        } else if (c.beside == Beside::OthersFifo) {
            mkfifo(beside.c_str(), 0666);
        } else if (c.beside == Beside::OthersLink) {
            symlink("/dev/zero", beside.c_str());
        }
        if (others)
            lchown(beside.c_str(), SecondUid, SecondUid);
        for (const uid_t user : others ? std::vector<uid_t>{0, NobodyUid()} : std::vector<uid_t>{NobodyUid()}) {
            TempDir home;
            chmod(home.Path().c_str(), 0777);
            if (c.pictures)
                home.Folder("Pictures", 0777);
            const std::string seen = AsUser(user, [&] {
                alarm(20);
                setenv("HOME", home.Path().c_str(), 1);
                setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
                auto form = Start();
                return Folder(*form) + " " + Recorder().messages.join('|').toStdString() +
                       Contents(home / ".config/zumi/zumi.ini");
            });
            const std::string folder = c.beside == Beside::UsersFile ? work.Path()
                                       : c.pictures                  ? home / "Pictures"
                                                                     : home.Path();
            EXPECT_EQ(seen, folder + " " + c.expected) << static_cast<int>(c.beside) << " as " << user;
            struct stat st;
            if (lstat(beside.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                EXPECT_EQ(Contents(beside), before) << static_cast<int>(c.beside) << " as " << user;
            }
        }
        unlink(beside.c_str());
        chmod(bin.Path().c_str(), 0755);
    }
}

} // namespace
