#include "RecordingShell.h"
#include "TempDir.h"
#include "Unit1.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The main window of a program installed under a temporary prefix: <prefix>/bin/zumi.
class HelpMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder().Clear();
        prefix.Folder("bin");
        Write(prefix / "bin/zumi.ini", "[File]\nIniDir=\n");
        form = std::make_unique<TForm1>(prefix / "bin/zumi");
        form->show();
    }

    void Trigger(const char* action) { form->findChild<QAction*>(QLatin1String(action))->trigger(); }

    // Opens the About box from the menu and runs the step while it is up; the
    // step must close it. Returns the box's result.
    int WithAboutBox(const std::function<void(QDialog&)>& step) {
        QDialog* shown = nullptr;
        QTimer::singleShot(0, [&] {
            shown = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (shown == nullptr)
                return;
            step(*shown);
            if (shown->isVisible()) { // a failed step must not leave the test waiting
                ADD_FAILURE() << "the About box is still open";
                shown->reject();
            }
        });
        Trigger("About1");
        EXPECT_NE(shown, nullptr) << "no modal box";
        box = shown;
        return shown == nullptr ? -1 : shown->result();
    }

    template <typename T> static T* Part(QDialog& dialog, const char* name) {
        return dialog.findChild<T*>(QLatin1String(name));
    }

    TempDir prefix;
    std::unique_ptr<TForm1> form;
    QDialog* box = nullptr;
};

TEST_F(HelpMenuTest, AboutBoxClosesWithOKOnlyByOKEnterOrItsTitleBar) {
    const struct {
        const char* fault;
        std::function<void(QDialog&)> close;
        int result;
    } cases[] = {
        {"OK does not close with OK",
         [](QDialog& b) { QTest::mouseClick(Part<QPushButton>(b, "OKButton"), Qt::LeftButton); }, QDialog::Accepted},
        {"Enter in the address does not reach the default button",
         [](QDialog& b) { QTest::keyClick(Part<QLineEdit>(b, "HomePage"), Qt::Key_Return); }, QDialog::Accepted},
        {"Escape closes the box, which has no cancel button",
         [](QDialog& b) {
             QTest::keyClick(Part<QLineEdit>(b, "HomePage"), Qt::Key_Escape);
             EXPECT_TRUE(b.isVisible());
             QTest::keyClick(Part<QLineEdit>(b, "EMail"), Qt::Key_Enter);
         },
         QDialog::Accepted},
        {"the title bar does not close it", [](QDialog& b) { b.close(); }, QDialog::Rejected},
    };
    QDialog* first = nullptr;
    for (const auto& c : cases) {
        EXPECT_EQ(WithAboutBox(c.close), c.result) << c.fault;
        EXPECT_FALSE(box->isVisible()) << c.fault;
        if (first == nullptr)
            first = box;
        EXPECT_EQ(box, first) << "each request should show the same box";
    }
}

TEST_F(HelpMenuTest, AboutBoxIsModalCentredAndStartsOnTheSelectableAddress) {
    WithAboutBox([](QDialog& b) {
        EXPECT_TRUE(b.isModal());
        EXPECT_EQ(b.windowTitle(), QStringLiteral("バージョン情報"));
        EXPECT_LE((b.frameGeometry().center() - b.screen()->geometry().center()).manhattanLength(), 2);
        auto* home = Part<QLineEdit>(b, "HomePage");
        auto* mail = Part<QLineEdit>(b, "EMail");
        EXPECT_EQ(b.focusWidget(), home);
        EXPECT_FALSE(home->hasSelectedText());
        // A screen reader names the field it lands on, the other address and the icon.
        QStringList names;
        for (const char* part : {"HomePage", "EMail", "ProgramIcon"})
            names << QAccessible::queryAccessibleInterface(Part<QWidget>(b, part))->text(QAccessible::Name);
        EXPECT_EQ(names, (QStringList{QStringLiteral("ホームページ"), QStringLiteral("メールアドレス"),
                                      QStringLiteral("Zumi のアイコン")}));

        // Typing changes nothing; the text can be selected and copied.
        const QString address = home->text();
        QTest::keyClicks(home, QStringLiteral("x"));
        QTest::keyClick(home, Qt::Key_Backspace);
        EXPECT_EQ(home->text(), address);
        QTest::keyClick(home, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(home, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), address);

        // Each stop of Tab, and it alone, shows its focus in a frame all round
        // (the button's inside its bevel), and a screen reader finds it alone focused.
        QApplication::setActiveWindow(&b);
        auto* ok = Part<QPushButton>(b, "OKButton");
        const auto framed = [](QWidget* stop, int inset) {
            const QImage shot = stop->grab().toImage();
            const QRgb ink = stop->palette().color(QPalette::WindowText).rgb();
            const QRect frame = shot.rect().adjusted(inset, inset, -inset, -inset);
            int top = 0, bottom = 0, left = 0, right = 0;
            for (int x = frame.left(); x <= frame.right(); ++x) {
                top += shot.pixel(x, frame.top()) == ink;
                bottom += shot.pixel(x, frame.bottom()) == ink;
            }
            for (int y = frame.top(); y <= frame.bottom(); ++y) {
                left += shot.pixel(frame.left(), y) == ink;
                right += shot.pixel(frame.right(), y) == ink;
            }
            return std::min(top, bottom) * 4 >= frame.width() && std::min(left, right) * 4 >= frame.height(); // dotted
        };
        const auto showsFocusOn = [&](QWidget* focused) {
            for (auto [stop, inset] : {std::pair<QWidget*, int>{home, 0}, {mail, 0}, {ok, 3}}) {
                EXPECT_EQ(framed(stop, inset), stop == focused)
                    << stop->objectName().toStdString() << " while " << focused->objectName().toStdString();
                EXPECT_EQ(QAccessible::queryAccessibleInterface(stop)->state().focused, stop == focused)
                    << stop->objectName().toStdString() << " while " << focused->objectName().toStdString();
            }
        };
        showsFocusOn(home);
        // Tab moves on to the e-mail address without selecting all of it.
        QTest::keyClick(home, Qt::Key_Tab);
        EXPECT_EQ(b.focusWidget(), mail);
        showsFocusOn(mail);
        EXPECT_FALSE(mail->hasSelectedText());
        EXPECT_EQ(mail->text(), QStringLiteral("zumi@example.org"));
        QTest::keyClick(mail, Qt::Key_Tab);
        EXPECT_EQ(b.focusWidget(), ok);
        showsFocusOn(ok);
        b.accept();
    });
}

// The help page is looked for beside the program, then in the installed
// documentation folder; beside the program only when nobody but the user and
// root may write that folder, and only a regular file. Run as root and as an
// unprivileged user.
TEST_F(HelpMenuTest, HelpOpensThePageBesideTheProgramOrTheInstalledOne) {
    const std::string beside = prefix / "bin/zumi.html";
    const std::string installed = prefix / "share/doc/zumi/zumi.html";
    const struct {
        const char* fault;
        std::vector<std::string> present;
        std::string opened;
        bool othersBeside = false; // the program's folder is sticky and the page beside it another user's
        bool fifoBeside = false;   // a FIFO beside the program
    } cases[] = {
        {"the page beside the program is not preferred", {beside, installed}, beside},
        {"the installed page is not found", {installed}, installed},
        {"another user's page beside the program is opened", {beside, installed}, installed, true},
        {"a FIFO beside the program is opened", {installed}, installed, false, true},
    };
    std::filesystem::create_directories(prefix / "share/doc/zumi");
    for (const auto& c : cases) {
        std::filesystem::remove(beside);
        std::filesystem::remove(installed);
        for (const std::string& path : c.present)
            Write(path, "<!DOCTYPE html>");
        if (c.fifoBeside)
            mkfifo(beside.c_str(), 0666);
        chmod((prefix / "bin").c_str(), c.othersBeside ? 01777 : 0755);
        if (c.othersBeside)
            lchown(beside.c_str(), SecondUid, SecondUid);
        for (const uid_t user : {uid_t{0}, NobodyUid()}) {
            const std::string seen = AsUser(user, [&] {
                Recorder().Clear();
                Trigger("Contents1");
                std::string out;
                for (const std::string& path : Recorder().opened)
                    out += path + " ";
                return out + Recorder().messages.join('|').toStdString();
            });
            EXPECT_EQ(seen, c.opened + " ") << c.fault << " as " << user;
        }
    }
}

TEST_F(HelpMenuTest, MissingHelpSaysWhereItLooked) {
    Trigger("Contents1");
    EXPECT_TRUE(Recorder().opened.empty());
    EXPECT_EQ(Recorder().beeps, 1);
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("ヘルプファイルが見つかりません。\n") +
                                               QString::fromStdString(prefix / "bin/zumi.html\n") +
                                               QString::fromStdString(prefix / "share/doc/zumi/zumi.html")});
}

} // namespace
