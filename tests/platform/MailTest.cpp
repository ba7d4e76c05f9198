#include "../FakeMailer.h"
#include "../TestSupport.h"

#include <platform/HostPath.h>
#include <platform/Mail.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>

#include <string>

namespace {

// A file in the test folder, by its Windows path.
std::string windowsFile(const std::string &name)
{
    const std::string host = TestHostFolder() + '/' + name;
    WriteHostFile(host, "lines\r\n");
    return WindowsPathFromHost(host);
}

} // namespace

TEST(Mail, HandsSubjectAttachmentAndAddressToTheMailer)
{
    FakeMailer mailer;
    const std::string attachment = windowsFile("Feedback.txt");
    EXPECT_EQ(SendMail({"Bug Report for ZILO 2.0 \xC3\xA9", "support@example.org", attachment}), 0);
    EXPECT_EQ(mailer.arguments(),
              (QList<QByteArray>{"--utf8", "--subject", "Bug Report for ZILO 2.0 \xC3\xA9", "--attach",
                                 QByteArray::fromStdString(HostPathFromWindows(attachment)), "support@example.org"}));

    EXPECT_EQ(SendMail({"Feedback for ZILO 2.0", "support@example.org", {}}), 0);
    EXPECT_EQ(mailer.arguments(),
              (QList<QByteArray>{"--utf8", "--subject", "Feedback for ZILO 2.0", "support@example.org"}))
        << "no attachment, no --attach";
}

TEST(Mail, AnswersTheMailersExitStatus)
{
    FakeMailer mailer;
    EXPECT_TRUE(MailProgramAvailable());
    for (const int status : {0, 3, 4}) {
        SCOPED_TRACE(status);
        mailer.setStatus(status);
        EXPECT_EQ(SendMail({"Feedback", "support@example.org", {}}), status);
    }
    mailer.remove();
    EXPECT_FALSE(MailProgramAvailable());
    EXPECT_EQ(SendMail({"Feedback", "support@example.org", {}}), MailNoProgram);
}

TEST(Mail, AnAttachmentOnNoDriveIsRefusedBeforeTheMailerRuns)
{
    FakeMailer mailer;
    EXPECT_EQ(SendMail({"Feedback", "support@example.org", "Q:\\nowhere\\Feedback.txt"}), 2);
    EXPECT_FALSE(mailer.wasCalled());
}

// Where the mail client would drop the attachment, the caller learns the
// file's path to show it to the user.
TEST(Mail, NamesTheAttachmentWhenTheClientCannotTakeIt)
{
    const std::string attachment = windowsFile("Feedback.txt");
    const std::string hostAttachment = HostPathFromWindows(attachment);
    const struct
    {
        const char *name;
        const char *client;   // the mailto handler's id, or "" for none
        int status;
        bool attach;
        std::string expected;
    } cases[] = {
        {"no mail client known", "", 0, true, hostAttachment},
        {"a client that does not attach", "geary", 0, true, hostAttachment},
        {"a client that attaches", "thunderbird", 0, true, ""},
        {"nothing to attach", "", 0, false, ""},
        {"the mail failed", "", 4, true, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeMailer mailer;
        if (*c.client)
            mailer.desktop().addApplication(c.client, "x-scheme-handler/mailto;");
        mailer.setStatus(c.status);
        std::string manualAttachment = "left from before";
        SendMail({"Feedback", "support@example.org", c.attach ? attachment : std::string()}, &manualAttachment);
        EXPECT_EQ(manualAttachment, c.expected);
    }
}
