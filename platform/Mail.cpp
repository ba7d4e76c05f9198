#include "Mail.h"

#include "HostPath.h"
#include "HostProcess.h"
#include "MimeApps.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace {

constexpr char MailHelper[] = "xdg-email";

// The clients that take the attachment xdg-email hands over: Thunderbird (and
// its Debian name) through its compose command, the others from the address.
constexpr std::array<std::string_view, 4> AttachingClients = {"thunderbird", "icedove", "evolution", "kmail"};

bool clientTakesAttachments()
{
    const std::string program = DefaultApplicationProgram("x-scheme-handler/mailto");
    const std::string_view name = std::string_view(program).substr(program.rfind('/') + 1);
    for (const std::string_view client : AttachingClients) {
        if (name.find(client) != std::string_view::npos)
            return true;
    }
    return false;
}

} // namespace

bool MailProgramAvailable()
{
    return !FindHostProgram(MailHelper).empty();
}

int SendMail(const MailMessage &message, std::string *manualAttachment)
{
    if (manualAttachment)
        manualAttachment->clear();
    std::string hostAttachment;
    if (!message.attachment.empty()) {
        hostAttachment = HostPathFromWindows(message.attachment);
        if (hostAttachment.empty())
            return 2;   // as xdg-email answers for a file that is not there
    }
    std::vector<std::string> arguments = {"--utf8", "--subject", message.subject};
    if (!hostAttachment.empty()) {
        arguments.push_back("--attach");
        arguments.push_back(hostAttachment);
    }
    arguments.push_back(message.recipientAddress);
    const std::optional<int> status = RunDesktopHelper(MailHelper, arguments);
    if (!status)
        return MailNoProgram;
    if (*status == 0 && manualAttachment && !hostAttachment.empty() && !clientTakesAttachments())
        *manualAttachment = hostAttachment;
    return *status;
}
