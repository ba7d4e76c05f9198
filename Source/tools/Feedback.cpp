#include "Feedback.h"

#include "RegExport.h"

#include <Source/Glob.h>
#include <lib/ProductInfo.h>
#include <lib/Shell.h>
#include <lib/WaitCursor.h>
#include <platform/Exception.h>
#include <platform/Files.h>
#include <platform/Mail.h>
#include <platform/StringList.h>

#include <optional>
#include <string>

namespace {

constexpr UINT AskBoxFlags = MB_ICONQUESTION | MB_YESNOCANCEL;
constexpr UINT InformationBoxFlags = MB_ICONINFORMATION | MB_OK;

enum class Outcome { Sent, Failed, Cancelled };

void showManualMailAddress()
{
    CString text;
    text.Format("You may still be able to send an email message manually.\n\n"
                "The address to send the email to is %s",
                SupportAddress);
    ShowMessageBox(text, InformationBoxFlags);
}

// Deletes the dump when it is there, so that it neither goes with a mail nor
// stays behind.
void removeDump(const CPath &dump)
{
    if (!dump.GetFileExists() || DeleteFileA(dump))
        return;
    CString text;
    text.Format("Unable to delete %s", dump.c_str());
    ShowMessageBox(text, WarningBoxFlags);
}

bool writeDump(const CPath &dump)
{
    try {
        WriteFeedbackRegistryDump(dump);
        return true;
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        return false;
    }
}

// Opens the dump for the user to read before it is sent.
void showDump(const CPath &dump)
{
    // The shell's open returns once the viewer has started, so the next
    // question comes up beside it.
    const int result = OpenDocument(dump, "");
    if (result != -1 && result != OpenDocumentReported)
        ShowMessageBox(CString(TShell::GetErrorMessage(result)), WarningBoxFlags);
}

// Whether the user lets the dump go with the mail, after reviewing it if the
// user wants to; nothing when the user cancelled.
std::optional<bool> askToAttach(const CPath &dump)
{
    switch (ShowMessageBox("Certain relevant information from your system registry will be attached to the "
                           "email.\n\nWould you like to review this information now?",
                           AskBoxFlags)) {
    case IDNO: return true;
    case IDYES: break;
    default: return std::nullopt;
    }
    showDump(dump);
    switch (ShowMessageBox("The registry information will help the author to solve the problem more quickly.\n\n"
                           "Is it OK to attach the registry information to the email?",
                           AskBoxFlags)) {
    case IDYES: return true;
    case IDNO: return false;
    default: return std::nullopt;
    }
}

Outcome askAndMail()
{
    const CPath dump = DataFolder().AppendFileName(FeedbackFileName);
    removeDump(dump);
    switch (ShowMessageBox("You can use this function to send the author feedback, ask questions, or report a "
                           "bug via email.\n\nWould you like to report a bug? (Choosing No will send plain "
                           "feedback)",
                           AskBoxFlags)) {
    case IDNO: return MailFeedback("Feedback", CPath()) ? Outcome::Sent : Outcome::Failed;
    case IDYES: break;
    default: return Outcome::Cancelled;
    }
    if (!writeDump(dump))
        return Outcome::Failed;
    const std::optional<bool> attach = askToAttach(dump);
    if (attach != true)
        removeDump(dump);
    if (!attach)
        return Outcome::Cancelled;
    return MailFeedback("Bug Report", *attach ? dump : CPath()) ? Outcome::Sent : Outcome::Failed;
}

} // namespace

void WriteFeedbackRegistryDump(const CPath &path)
{
    CWaitCursor wait;
    TStringList lines;
    CRegExportForBugReport dump(&lines);
    dump.Export(SettingsRoot);
    lines.SaveToFile(path.ToAnsiString());
}

bool MailFeedback(const char *kind, const CPath &attachment)
{
    CString subject;
    subject.Format("%s for ZILO %s", kind, ProductVersion);
    MailMessage message{subject.c_str(), SupportAddress, {}};
    if (!attachment.IsEmpty() && attachment.GetFileExists())
        message.attachment = attachment.c_str();
    std::string manualAttachment;
    if (SendMail(message, &manualAttachment) != 0) {
        ShowMessageBox("Unable to send mail", ErrorBoxFlags);
        return false;
    }
    if (!manualAttachment.empty()) {
        CString text;
        text.Format("Your mail program may not attach files by itself. If the email has no attachment, please "
                    "attach this file to it:\n\n%s",
                    manualAttachment.c_str());
        ShowMessageBox(text, InformationBoxFlags);
    }
    return true;
}

void SendFeedback()
{
    if (!MailProgramAvailable()) {
        ShowMessageBox("Unable to open MAPI32.DLL", ErrorBoxFlags);
        showManualMailAddress();
        return;
    }
    if (askAndMail() == Outcome::Failed)
        showManualMailAddress();
}
