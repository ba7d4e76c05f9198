#pragma once

#include "ScopedEnvironment.h"
#include "TestSupport.h"

#include <QByteArray>
#include <QStandardPaths>
#include <QString>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

// A desktop of the test's own inside its temporary folder: empty XDG folders
// (no application opens anything until the test adds one), the machine's MIME
// database, and a fake xdg-open first in PATH that logs its argument and ends
// with a status the test chooses. Everything goes back when it ends.
class FakeDesktop
{
public:
    FakeDesktop() : m_root(TestHostFolder() + "/desktop-" + std::to_string(++s_made))
    {
        namespace fs = std::filesystem;
        // Found before the XDG folders move; Qt reads it from the new place.
        const QString mimeDatabase = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                            QStringLiteral("mime"), QStandardPaths::LocateDirectory);
        for (const char *folder : {"/config", "/etc", "/data/applications", "/share/applications", "/bin"})
            fs::create_directories(m_root + folder);
        if (!mimeDatabase.isEmpty())
            fs::create_directory_symlink(mimeDatabase.toStdString(), m_root + "/share/mime");

        m_environment.set("XDG_CONFIG_HOME", m_root + "/config");
        m_environment.set("XDG_CONFIG_DIRS", m_root + "/etc");
        m_environment.set("XDG_DATA_HOME", m_root + "/data");
        m_environment.set("XDG_DATA_DIRS", m_root + "/share");
        m_environment.unset("XDG_CURRENT_DESKTOP");
        const char *path = std::getenv("PATH");
        m_environment.set("PATH", m_root + "/bin:" + (path ? path : "/usr/bin:/bin"));

        writeScript(m_root + "/bin/xdg-open", "printf '%s\\n' \"$@\" >> '" + openerLogPath() + "'\n"
                                              "exit $(cat '" + m_root + "/opener-status' 2>/dev/null || echo 0)\n");
    }

    const std::string &root() const { return m_root; }

    // A script that appends each of its arguments as a line to logPath.
    static void writeLoggingProgram(const std::string &hostPath, const std::string &logPath)
    {
        writeScript(hostPath, "for a; do printf '%s\\n' \"$a\"; done > '" + logPath + ".part'\nmv '" + logPath
                                  + ".part' '" + logPath + "'\n");
    }

    // An application in $XDG_DATA_HOME/applications whose entry lists
    // mimeTypes ("a/b;c/d;") and runs a logging program of its own. Answers
    // the program's host path.
    std::string addApplication(const std::string &id, const std::string &mimeTypes,
                               const std::string &extraLines = {})
    {
        const std::string program = m_root + "/bin-" + id;
        writeLoggingProgram(program, program + ".log");
        WriteHostFile(m_root + "/data/applications/" + id + ".desktop",
                      QByteArray::fromStdString("[Desktop Entry]\nType=Application\nName=" + id + "\nExec=\""
                                                + program + "\" %f\nMimeType=" + mimeTypes + "\n" + extraLines));
        return program;
    }

    // Replaces $XDG_CONFIG_HOME/mimeapps.list.
    void writeUserAssociations(const std::string &text)
    {
        WriteHostFile(m_root + "/config/mimeapps.list", QByteArray::fromStdString(text));
    }

    void setOpenerStatus(int status)
    {
        WriteHostFile(m_root + "/opener-status", QByteArray::number(status));
    }

    std::string openerLogPath() const { return m_root + "/opener.log"; }
    QByteArray openerLog() const { return ReadHostFile(openerLogPath()); }

    static void writeScript(const std::string &hostPath, const std::string &body)
    {
        WriteHostFile(hostPath, QByteArray::fromStdString("#!/bin/sh\n" + body));
        std::filesystem::permissions(hostPath, std::filesystem::perms::owner_all);
    }

    // Waits for a file that a started program writes; empty when it never comes.
    static QByteArray waitForFile(const std::string &hostPath)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!HostFileExists(hostPath) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ReadHostFile(hostPath);
    }

private:
    static inline int s_made = 0;   // each desktop gets a folder of its own
    std::string m_root;
    ScopedEnvironment m_environment;
};
