#pragma once

#include "FakeDesktop.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"

#include <QByteArray>
#include <QList>

#include <cstdio>
#include <string>

// A desktop of the test's own with a fake xdg-email first in PATH: it writes
// its arguments, one a line, to a log and ends with the status the test
// chooses (0 unless set). Everything goes back when it ends.
class FakeMailer
{
public:
    FakeMailer()
    {
        FakeDesktop::writeScript(program(), "for a; do printf '%s\\n' \"$a\"; done > '" + logPath() + "'\n"
                                            "exit $(cat '" + statusPath() + "' 2>/dev/null || echo 0)\n");
    }

    FakeDesktop &desktop() { return m_desktop; }

    void setStatus(int status) { WriteHostFile(statusPath(), QByteArray::number(status)); }

    // Takes xdg-email away: PATH keeps only the desktop's own programs, so
    // that the machine's xdg-email is not found either.
    void remove()
    {
        std::remove(program().c_str());
        m_environment.set("PATH", m_desktop.root() + "/bin");
    }

    bool wasCalled() const { return HostFileExists(logPath()); }
    // The arguments of the last call.
    QList<QByteArray> arguments() const
    {
        QList<QByteArray> lines = ReadHostFile(logPath()).split('\n');
        lines.removeLast();   // after the last line's end
        return lines;
    }

private:
    std::string program() const { return m_desktop.root() + "/bin/xdg-email"; }
    std::string logPath() const { return m_desktop.root() + "/mailer.log"; }
    std::string statusPath() const { return m_desktop.root() + "/mailer-status"; }

    FakeDesktop m_desktop;
    ScopedEnvironment m_environment;   // after the desktop, so that it gives PATH back first
};
