#include "Application.h"
#include "RecordingShell.h"
#include "platform/Errors.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(ErrorBox, AppendsAPeriodOnlyAfterCharactersAboveIt) {
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"ﾌｧｲﾙが見つかりません", "ﾌｧｲﾙが見つかりません."},
        {"出力しました。", "出力しました。."},
        {"done.", "done."},
        {"trailing space ", "trailing space "},
        {"stop!", "stop!"},
        {"a,", "a,"},
        {"a-", "a-"},
        {"quoted\"", "quoted\""},
        {"a/", "a/."},
        {"C:", "C:."},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithFinalPeriod(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown)) << c.message;
}

TEST(FileUrl, KeepsEveryByteOfThePath) {
    EXPECT_EQ(FileUrl("/tmp/a b/#1?.png").toEncoded(), "file:///tmp/a%20b/%231%3F.png");
    EXPECT_EQ(FileUrl("/tmp/\x93\xfa.png").toEncoded(), "file:///tmp/%93%FA.png");
    EXPECT_EQ(FileUrl("/写真/猫.png").toLocalFile(), QStringLiteral("/写真/猫.png"));
}

// A handler that fails on every change of the edit's text.
class FailingHandler : public QObject {
public:
    void Change() { throw zumi::IOError(2); }
};

TEST(ErrorBox, ShowsAFailureOfAHandlerAndCarriesOn) {
    Recorder().Clear();
    QLineEdit edit;
    FailingHandler handler;
    ConnectHandler(&edit, &QLineEdit::textChanged, &handler, &FailingHandler::Change);
    QTest::keyClick(&edit, Qt::Key_A);
    ASSERT_EQ(Recorder().messages, QStringList{QStringLiteral("ﾌｧｲﾙが見つかりません.")});
    EXPECT_EQ(Recorder().icons.value(0), QMessageBox::Critical);
    EXPECT_EQ(Recorder().beeps, 0);
    QTest::keyClick(&edit, Qt::Key_B);
    EXPECT_EQ(edit.text(), QStringLiteral("ab"));
}

TEST(Notice, BeepsAndShowsTheMessageWithoutIconAsItStands) {
    Recorder().Clear();
    ShowNotice(QStringLiteral("imgindex.html を出力しました。"));
    EXPECT_EQ(Recorder().beeps, 1);
    EXPECT_EQ(Recorder().messages, QStringList{QStringLiteral("imgindex.html を出力しました。")});
    EXPECT_EQ(Recorder().icons.value(0), QMessageBox::NoIcon);
}

} // namespace
