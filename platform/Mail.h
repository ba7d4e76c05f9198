#pragma once

#include <string>

// Simple mail in place of MAPI's: a message goes to the desktop's mail client
// through xdg-email, which opens it for the user to send. Window thread.

struct MailMessage
{
    std::string subject;            // UTF-8
    std::string recipientAddress;   // "name@host"
    std::string attachment;         // Windows path of a file to attach; empty for none
};

// What SendMail answers when there is no mail program to hand a message to.
constexpr int MailNoProgram = -1;

// Whether the desktop has a mail program (xdg-email).
bool MailProgramAvailable();

// Hands message to the desktop's mail client. Answers 0 when the client has
// it, MailNoProgram when there is no xdg-email, else xdg-email's exit status
// (2 for an attachment that is not there, 3 when no client can take it).
// A client may ignore the attachment that xdg-email hands it: then, on
// success, manualAttachment (when given) receives the path under which the
// user's programs see the attachment, so the user can attach it by hand;
// otherwise it is emptied.
int SendMail(const MailMessage &message, std::string *manualAttachment = nullptr);
