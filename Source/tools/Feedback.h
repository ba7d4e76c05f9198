#pragma once

#include <lib/Path.h>

// Feedback mail to the program's maker, optionally with a dump of the
// program's settings for a bug report. Window thread.

// The maker's support address: the feedback mail goes to it.
inline constexpr char SupportAddress[] = "support@vantrel.example";
// The dump's name in the data folder.
inline constexpr char FeedbackFileName[] = "Feedback.txt";

// Writes the walk of the whole settings key (CRegExportForBugReport) to path,
// one line each ended by CR LF, through a temporary file, with the hourglass
// shown. Raises the platform's Exception when the file cannot be written; an
// old file is then left as it was.
void WriteFeedbackRegistryDump(const CPath &path);

// Opens a mail to the support address in the desktop's mail client, subject
// "<kind> for ZILO <version>", with attachment attached when that file exists
// (an empty path attaches nothing). Answers whether the client has the mail;
// when not, it has told the user "Unable to send mail". When the client
// cannot attach the file itself, it tells the user where the file is.
bool MailFeedback(const char *kind, const CPath &attachment);

// The feedback command: asks whether this is a bug report (which attaches the
// dump of the settings, after the user may review it) or plain feedback, and
// mails it. Without a mail program, or when the mail fails, it tells the user
// the address to write to instead. No dump stays behind unless it went with
// the mail.
void SendFeedback();
