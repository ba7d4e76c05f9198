#include "../FakeMailer.h"
#include "../Source/GlobTestSupport.h"
#include "../TestSupport.h"

#include <Source/Glob.h>
#include <Source/tools/Feedback.h>
#include <Source/tools/RegExport.h>
#include <lib/SafeRegIniFile.h>
#include <platform/HostPath.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string hostDump()
{
    return HostPathFromWindows(DataFolder().AppendFileName(FeedbackFileName).c_str());
}

QByteArray subjectOf(const FakeMailer &mailer)
{
    const QList<QByteArray> arguments = mailer.arguments();
    const qsizetype at = arguments.indexOf("--subject");
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QByteArray();
}

bool attachedDump(const FakeMailer &mailer)
{
    const QList<QByteArray> arguments = mailer.arguments();
    const qsizetype at = arguments.indexOf("--attach");
    return at >= 0 && at + 1 < arguments.size() && arguments[at + 1] == QByteArray::fromStdString(hostDump());
}

QStringList textsOf(const MessageBoxScript &boxes)
{
    QStringList texts;
    for (const MessageBoxScript::Box &box : boxes.boxes())
        texts << box.text;
    return texts;
}

const QString ManualMail = QStringLiteral("You may still be able to send an email message manually.\n\n"
                                          "The address to send the email to is support@vantrel.example");

} // namespace

// Each way through the questions, with a dump of an earlier run lying in the
// data folder: the mail goes as the user chose, and the dump stays only when
// it went with the mail.
TEST(Feedback, MailsAsTheUserAnswers)
{
    const struct
    {
        const char *name;
        std::vector<int> answers;   // to the bug report, review and attach questions
        const char *subject;        // nullptr when no mail goes
        bool attached;
        bool reviewed;
    } cases[] = {
        {"plain feedback", {IDNO}, "Feedback for ZILO 2.0", false, false},
        {"cancelled at once", {IDCANCEL}, nullptr, false, false},
        {"a bug report, not reviewed", {IDYES, IDNO}, "Bug Report for ZILO 2.0", true, false},
        {"cancelled before the review", {IDYES, IDCANCEL}, nullptr, false, false},
        {"reviewed and attached", {IDYES, IDYES, IDYES}, "Bug Report for ZILO 2.0", true, true},
        {"reviewed and refused", {IDYES, IDYES, IDNO}, "Bug Report for ZILO 2.0", false, true},
        {"reviewed and cancelled", {IDYES, IDYES, IDCANCEL}, nullptr, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        GlobalsScope globals;
        FakeMailer mailer;
        mailer.desktop().addApplication("thunderbird", "x-scheme-handler/mailto;");
        mailer.desktop().addApplication("viewer", "text/plain;");
        WriteHostFile(hostDump(), "a dump of an earlier run\r\n");
        MessageBoxScript boxes(c.answers);

        SendFeedback();

        EXPECT_EQ(boxes.boxes().size(), c.answers.size()) << "one box for each question and nothing more";
        EXPECT_EQ(mailer.wasCalled(), c.subject != nullptr);
        if (c.subject) {
            EXPECT_EQ(subjectOf(mailer), c.subject);
            EXPECT_EQ(mailer.arguments().last(), SupportAddress);
        }
        EXPECT_EQ(attachedDump(mailer), c.attached);
        EXPECT_EQ(HostFileExists(hostDump()), c.attached);
        EXPECT_EQ(mailer.desktop().openerLog(), c.reviewed ? QByteArray::fromStdString(hostDump() + "\n") : "")
            << "the dump is opened for review";
    }
}

TEST(Feedback, TheDumpHoldsTheWholeSettingsKey)
{
    GlobalsScope globals;
    FakeMailer mailer;
    mailer.desktop().addApplication("thunderbird", "x-scheme-handler/mailto;");
    SettingsStore->WriteString(QStringLiteral("Program"), QStringLiteral("Start Folder"), QStringLiteral("C:\\Pics"));
    SettingsStore->WriteInteger(QStringLiteral("Folders\\1234ABCD"), QStringLiteral("AutoSave"), 1);
    MessageBoxScript boxes({IDYES, IDNO});

    SendFeedback();

    ASSERT_TRUE(attachedDump(mailer));
    EXPECT_EQ(ReadHostFile(hostDump()), QByteArray("\r\n"
                                                   " Folders\r\n"
                                                   "  Folders\\1234ABCD\r\n"
                                                   "   AutoSave = \"1\"\r\n"
                                                   "\r\n"
                                                   " Program\r\n"
                                                   "  Start Folder = \"C:\\Pics\"\r\n"
                                                   "\r\n"));
}

// A client that cannot take the attachment from the desktop's mail helper
// leaves the user to attach it: the user is told where the dump is.
TEST(Feedback, NamesTheDumpWhenTheMailClientCannotAttachIt)
{
    GlobalsScope globals;
    FakeMailer mailer;
    MessageBoxScript boxes({IDYES, IDNO});

    SendFeedback();

    ASSERT_TRUE(attachedDump(mailer));
    const std::vector<MessageBoxScript::Box> shown = boxes.boxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown[2].text.endsWith(QString::fromStdString("\n\n" + hostDump()))) << shown[2].text.toStdString();
    EXPECT_EQ(shown[2].type, UINT(MB_ICONINFORMATION | MB_OK));
}

TEST(Feedback, WithoutAMailProgramTheUserGetsTheAddress)
{
    GlobalsScope globals;
    FakeMailer mailer;
    mailer.remove();
    MessageBoxScript boxes;

    SendFeedback();

    EXPECT_EQ(textsOf(boxes), (QStringList{"Unable to open MAPI32.DLL", ManualMail}));
    EXPECT_FALSE(HostFileExists(hostDump()));
}

TEST(Feedback, AFailedMailGivesTheAddress)
{
    GlobalsScope globals;
    FakeMailer mailer;
    mailer.setStatus(4);
    MessageBoxScript boxes({IDNO});

    SendFeedback();

    ASSERT_TRUE(mailer.wasCalled());
    const QStringList texts = textsOf(boxes);
    ASSERT_EQ(texts.size(), 3);
    EXPECT_EQ(texts.mid(1), (QStringList{"Unable to send mail", ManualMail}));
}

TEST(Feedback, ADumpThatCannotBeWrittenIsReportedAndNothingIsMailed)
{
    GlobalsScope globals;
    FakeMailer mailer;
    // A file where the data folder should be: nothing can be made inside it.
    const std::string dataFolder = HostPathFromWindows(CPath::ExeFolder().AppendFileName("Data").c_str());
    std::filesystem::remove_all(dataFolder);
    WriteHostFile(dataFolder, "not a folder");
    MessageBoxScript boxes({IDYES});

    SendFeedback();

    EXPECT_FALSE(mailer.wasCalled());
    const std::vector<MessageBoxScript::Box> shown = boxes.boxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown[1].text.contains(QStringLiteral("Feedback.txt"))) << shown[1].text.toStdString();
    EXPECT_EQ(shown[1].type, UINT(ErrorBoxFlags));
    EXPECT_EQ(shown[2].text, ManualMail);
}
