#pragma once

#include "../FakeDesktop.h"
#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <platform/HostPath.h>
#include <platform/MessageBox.h>
#include <platform/ModalDialog.h>
#include <platform/Registry.h>

#include <gtest/gtest.h>

#include <QDialog>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <ostream>
#include <sys/stat.h>

// A desktop of the test's own (its desktop folder, applications menu and
// MIME folders in the test folder), an install kit with a "Setup.dat" of
// the product's shape, and the message boxes answered and kept.
class InstallerFixture : public testing::Test
{
protected:
    struct Box
    {
        QString text;
        QString caption;
        UINT type;
    };

    FakeDesktop m_desktop;
    std::string m_kit = TestHostFolder() + "/kit";
    std::string m_desktopFolder = m_desktop.root() + "/Desktop";
    std::string m_applications = m_desktop.root() + "/data/applications";
    // Where Setup proposes to install: $XDG_DATA_HOME and the data file's Folder.
    std::string m_dest = m_desktop.root() + "/data/Vantrel's Image Organiser";
    std::vector<Box> m_boxes;
    int m_questionAnswer = IDYES;

    void SetUp() override
    {
        namespace fs = std::filesystem;
        fs::create_directories(m_kit);
        fs::create_directories(m_desktopFolder);
        WriteHostFile(m_desktop.root() + "/config/user-dirs.dirs",
                      QByteArray::fromStdString("XDG_DESKTOP_DIR=\"" + m_desktopFolder + "\"\n"));
        for (const char *program : {"Zilo", "Splash", "Setup", "Deviva"}) {
            WriteHostFile(m_kit + '/' + program, QByteArray("#!/bin/sh\n# ") + program + '\n');
            ::chmod((m_kit + '/' + program).c_str(), 0755);
        }
        WriteHostFile(m_kit + "/Zilo.png", "png");
        WriteHostFile(m_kit + "/Texture1.jpg", "jpg");
        writeSetupData(SetupData());
        SetMessageBoxResponder([this](const QString &text, const QString &caption, UINT type) {
            m_boxes.push_back({text, caption, type});
            return (type & 0xF) == MB_YESNO ? m_questionAnswer : IDOK;
        });
    }

    void TearDown() override
    {
        SetMessageBoxResponder({});
        SetModalResponder({});
    }

    static QString SetupData()
    {
        return QStringLiteral(
            "AppName=Vantrel's Image Organiser\n"
            "CompanyName=Vantrel Productions\n"
            "ShortAppName=ZILO\n"
            "Welcome1=Welcome to the installation\n"
            "Welcome2=of Vantrel's Image Organiser.\n"
            "Welcome3=Enjoy.\n"
            "License1=Use it at your own risk.\n"
            "Folder=Vantrel's Image Organiser\n"
            "ShortcutExe=Splash\n"
            "NoShortcutText=Start it from its folder.\n"
            "Srce1=Zilo\nDest1=Zilo\n"
            "Srce2=Splash\nDest2=Splash\n"
            "Srce3=Deviva\nDest3=deviva\n"
            "Srce4=Zilo.png\nDest4=Zilo.png\n"
            "Srce5=!\nDest5=Zilo.hlp\n"
            "Srce6=Texture1.jpg\nDest6=Texture1.jpg\n"
            "Dir1=Data\n"
            "SoundFile1=Loaded.wav\nSoundKey1=Thumbnail Loaded\n"
            "FilterExt1=.zilo\nFileTypeId1=Zilo.BrowseFile\nFileTypeName1=Zilo Browse File\n"
            "FileTypeMagic1=ZILO\nShellNew1=NullFile\n"
            "FilterExt2=.jpg\nFileTypeId2=Zilo.JPEG\nFileTypeName2=JPEG Image\n"
            "FileTypeExe=Zilo\n"
            "OpenParam=browsefile=%1\n");
    }

    void writeSetupData(const QString &text) { WriteHostFile(m_kit + "/Setup.dat", text.toUtf8()); }

    static std::string windows(const std::string &host) { return WindowsPathFromHost(host); }
    QString dest() const { return QString::fromStdString(windows(m_dest)); }
    QString kit() const { return QString::fromStdString(windows(m_kit)); }

    // The Windows path of name in the destination.
    QString destPath(const QString &name) const { return dest() + u'\\' + name; }

    // Answers the wizard with answer once it is shown.
    void onWizard(std::function<void(QDialog &)> answer) { SetModalResponder(std::move(answer)); }

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const Box &box : m_boxes)
            texts.append(box.text);
        return texts;
    }

    static QString registryString(HKEY root, const QString &key, const QString &name = QString())
    {
        TRegistry registry;
        registry.SetRootKey(root);
        if (!registry.OpenKeyReadOnly(key))
            return QStringLiteral("<no key>");
        return registry.ValueExists(name) ? registry.ReadString(name) : QStringLiteral("<no value>");
    }
    static bool keyExists(HKEY root, const QString &key)
    {
        TRegistry registry;
        registry.SetRootKey(root);
        return registry.KeyExists(key);
    }
    static void setRegistryString(HKEY root, const QString &key, const QString &name, const QString &value)
    {
        TRegistry registry;
        registry.SetRootKey(root);
        ASSERT_TRUE(registry.OpenKey(key, true));
        registry.WriteString(name, value);
    }
};

// Readable failures.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
