#include "InstallerFixture.h"

#include <installer/InstallForm.h>
#include <installer/SetupData.h>

#include <platform/DesktopEntry.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>

namespace {

class Install : public InstallerFixture
{
protected:
    // Runs Setup from the kit and walks the wizard to Finish, after
    // configure has had the form.
    void install(const std::function<void(TInstallForm1 &)> &configure = {})
    {
        m_wizardShown = false;
        onWizard([&](QDialog &dialog) {
            auto &form = static_cast<TInstallForm1 &>(dialog);
            m_wizardShown = true;
            if (configure)
                configure(form);
            for (int page = 0; page < 4 && form.isVisible(); ++page)
                form.NextButton->click();
        });
        RunSetup(kit());
    }

    QByteArray installLog() const { return ReadHostFile(m_dest + "/Install.log"); }

    bool m_wizardShown = false;
};

TEST_F(Install, DataFileLooksUpWithoutCaseFirstLineWinsListsEndAtTheFirstGap)
{
    TStringList data;
    data.SetText(QStringLiteral("appname=First\nAPPNAME=Second\nDir1=a\nDir2=b\nDir4=d\nWelcome1=One\nWelcome2=two\n"
                                "Welcome3=three.\n"));
    EXPECT_EQ(data.Value(QStringLiteral("AppName")), QStringLiteral("First"));
    EXPECT_EQ(data.Value(QStringLiteral("Missing")), QString());
    QStringList dirs;
    for (int n = 1; !NumberedValue(data, "Dir", n).isEmpty(); ++n)
        dirs.append(NumberedValue(data, "Dir", n));
    EXPECT_EQ(dirs, QStringList({"a", "b"}));
    TInstallForm1 form(data, kit());
    EXPECT_EQ(form.WelcomeMemo->toPlainText(), QStringLiteral("One two three. "));
}

TEST_F(Install, WizardStepsItsFourPagesAndProposesTheDataHome)
{
    TStringList data;
    data.SetText(SetupData());
    TInstallForm1 form(data, kit());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Vantrel's Image Organiser Installation Program"));
    EXPECT_EQ(form.DestEdit->text(), dest());
    EXPECT_FALSE(form.BackButton->isEnabled());
    const QWidget *pages[] = {form.Page1, form.TabSheet1, form.Page2, form.Page3};
    for (int page = 1; page < 4; ++page) {
        form.NextButtonClick();
        EXPECT_EQ(form.PageControl1->currentWidget(), pages[page]);
    }
    EXPECT_EQ(form.NextButton->text(), QStringLiteral("&Finish"));
    EXPECT_TRUE(form.BackButton->isEnabled());
    form.BackButtonClick();
    EXPECT_EQ(form.NextButton->text(), QStringLiteral("&Next >"));
    form.BackButtonClick();
    form.BackButtonClick();
    EXPECT_FALSE(form.BackButton->isEnabled());
    EXPECT_EQ(form.PageControl1->currentWidget(), form.Page1);
}

TEST_F(Install, BrowsedFolderGetsTheProductsFolderBelowIt)
{
    const std::string chosen = TestHostFolder() + "/My Programs";
    std::filesystem::create_directories(chosen);
    TStringList data;
    data.SetText(SetupData());
    TInstallForm1 form(data, kit());
    QString title;
    SetModalResponder([&](QDialog &dialog) {
        auto &browser = static_cast<QFileDialog &>(dialog);
        title = browser.windowTitle();
        browser.setDirectory(QString::fromStdString(chosen));
        browser.selectFile(QString::fromStdString(chosen));
        static_cast<QDialog &>(browser).accept();
    });
    form.BrowseButtonClick();
    EXPECT_EQ(title, QStringLiteral("Folder to install into:"));
    EXPECT_EQ(form.DestEdit->text(), QString::fromStdString(windows(chosen)) + QStringLiteral("\\Vantrel's Image Organiser"));
    EXPECT_EQ(form.destination(), form.DestEdit->text());

    SetModalResponder([](QDialog &dialog) { dialog.reject(); });
    form.BrowseButtonClick();
    EXPECT_EQ(form.destination(), QString::fromStdString(windows(chosen)) + QStringLiteral("\\Vantrel's Image Organiser"));
}

TEST_F(Install, WritesTheGoldenLog)
{
    setRegistryString(HKEY_CLASSES_ROOT, ".jpg", QString(), "jpegfile");
    install();
    const QString d = dest();
    const QString expected = QStringLiteral("Installation log for Vantrel's Image Organiser - Do not edit or delete this file\r\n"
                                            "\r\n"
                                            "DestFolder=%1\r\n"
                                            "AppName=Vantrel's Image Organiser\r\n"
                                            "ShortAppName=ZILO\r\n"
                                            "CompanyName=Vantrel Productions\r\n"
                                            "ShortcutExe=%1\\Splash\r\n"
                                            "Dir1=%1\\Data\r\n"
                                            "File1=%1\\Zilo\r\n"
                                            "File2=%1\\Splash\r\n"
                                            "File3=%1\\Zilo.png\r\n"
                                            "File4=%1\\Zilo.hlp\r\n"
                                            "File5=%1\\Texture1.jpg\r\n"
                                            "FilterExt1=.zilo\r\n"
                                            "FileTypeId1=Zilo.BrowseFile\r\n"
                                            "ShellNew1=NullFile\r\n"
                                            "FilterExt2=.jpg\r\n"
                                            "FileTypeId2=Zilo.JPEG\r\n"
                                            "FilterDefault2=jpegfile\r\n"
                                            "File6=%1\\Install.log\r\n")
                                 .arg(d);
    EXPECT_EQ(QString::fromUtf8(installLog()), expected);
    // Deviva is copied though not listed; "!" is listed though not copied.
    EXPECT_TRUE(HostFileExists(m_dest + "/deviva"));
    EXPECT_FALSE(HostFileExists(m_dest + "/Zilo.hlp"));
    struct stat info;
    ASSERT_EQ(::stat((m_dest + "/Zilo").c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);
}

TEST_F(Install, RegistersTheProductTheFileTypesAndTheDesktopFiles)
{
    setRegistryString(HKEY_CLASSES_ROOT, ".jpg", QString(), "jpegfile");
    install();
    const QString d = dest();
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\Vantrel Productions\\Vantrel's Image Organiser"));
    const QString uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel's Image Organiser";
    EXPECT_EQ(registryString(HKEY_LOCAL_MACHINE, uninstall, "DisplayName"), QStringLiteral("Vantrel's Image Organiser"));
    EXPECT_EQ(registryString(HKEY_LOCAL_MACHINE, uninstall, "UninstallString"), d + "\\Deviva");
    EXPECT_EQ(registryString(HKEY_CURRENT_USER,
                             "AppEvents\\Schemes\\Apps\\Vantrel's Image Organiser\\Thumbnail Loaded\\.Current"),
              d + "\\Loaded.wav");
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, "Zilo.BrowseFile"), QStringLiteral("Zilo Browse File"));
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, "Zilo.BrowseFile\\shell\\open\\command"),
              '"' + d + "\\Zilo\" browsefile=%1");
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".zilo"), QStringLiteral("Zilo.BrowseFile"));
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".zilo\\ShellNew", "NullFile"), QString());
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".jpg"), QStringLiteral("Zilo.JPEG"));

    // The desktop: our own type by default, JPEG only listed.
    EXPECT_TRUE(HostFileExists(m_desktop.root() + "/data/mime/packages/zilo.browsefile.xml"));
    EXPECT_FALSE(HostFileExists(m_desktop.root() + "/data/mime/packages/zilo.jpeg.xml"));
    const QByteArray associations = ReadHostFile(m_desktop.root() + "/config/mimeapps.list");
    EXPECT_TRUE(associations.contains("application/x-zilo.browsefile=zilo.browsefile.desktop"));
    EXPECT_FALSE(associations.contains("image/jpeg"));
    const auto handler = ReadDesktopEntry(windows(m_applications + "/zilo.browsefile.desktop"));
    ASSERT_TRUE(handler);
    EXPECT_EQ(QString::fromStdString(handler->program), d + "\\Zilo");
    EXPECT_EQ(handler->arguments, std::vector<std::string>{"browsefile=%f"});

    // The shortcuts and the menu's uninstall entry.
    struct Expected
    {
        std::string file;
        std::string name;
        QString program;
    };
    const Expected entries[] = {{m_desktopFolder + "/ZILO.desktop", "ZILO", d + "\\Splash"},
                                {m_applications + "/Vantrel's Image Organiser.desktop", "Vantrel's Image Organiser",
                                 d + "\\Splash"},
                                {m_applications + "/Uninstall Vantrel's Image Organiser.desktop",
                                 "Uninstall Vantrel's Image Organiser", d + "\\Deviva"}};
    for (const Expected &expected : entries) {
        SCOPED_TRACE(expected.file);
        const auto entry = ReadDesktopEntry(windows(expected.file));
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->name, expected.name);
        EXPECT_EQ(QString::fromStdString(entry->program).compare(expected.program, Qt::CaseInsensitive), 0)
            << entry->program;   // the data file spells Deviva "deviva"
        EXPECT_EQ(QString::fromStdString(entry->workingFolder), d);
        EXPECT_EQ(QString::fromStdString(entry->icon), d + "\\Zilo.png");
    }
    ASSERT_FALSE(m_boxes.empty());
    EXPECT_EQ(m_boxes.back().text, QStringLiteral("Installation completed.\n\nTo uninstall the software, use "
                                                  "\"Uninstall Vantrel's Image Organiser\" in the applications menu. "));
    EXPECT_EQ(m_boxes.back().caption, QStringLiteral("Installer"));
    EXPECT_TRUE(m_desktop.openerLog().isEmpty());
}

TEST_F(Install, NoShortcutAddsTheTextAndOpensTheFolder)
{
    m_desktop.addApplication("files", "inode/directory;");
    install([](TInstallForm1 &form) {
        form.CheckBox1->setChecked(false);
        form.CheckBox2->setChecked(false);
    });
    EXPECT_FALSE(HostFileExists(m_desktopFolder + "/ZILO.desktop"));
    EXPECT_FALSE(HostFileExists(m_applications + "/Vantrel's Image Organiser.desktop"));
    ASSERT_FALSE(m_boxes.empty());
    EXPECT_TRUE(m_boxes.back().text.endsWith(QStringLiteral("menu. Start it from its folder.")));
    EXPECT_EQ(m_desktop.openerLog(), QByteArray::fromStdString(m_dest + "\n"));
}

TEST_F(Install, ExistingShortcutOfThatNameIsLeftAsItIs)
{
    const QByteArray own = "[Desktop Entry]\nType=Application\nName=ZILO\nExec=/usr/bin/true\n";
    WriteHostFile(m_desktopFolder + "/mine.desktop", own);
    install();
    EXPECT_EQ(ReadHostFile(m_desktopFolder + "/mine.desktop"), own);
    EXPECT_FALSE(HostFileExists(m_desktopFolder + "/ZILO.desktop"));
}

TEST_F(Install, ShortcutThatFailsWarnsAndTheInstallationGoesOn)
{
    std::filesystem::remove(m_desktopFolder);
    WriteHostFile(m_desktopFolder, "a file where the desktop folder should be");
    install();
    EXPECT_TRUE(boxTexts().contains(QStringLiteral("Error while processing shortcut")));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\Vantrel Productions\\Vantrel's Image Organiser"));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel's Image Organiser"));
    EXPECT_TRUE(HostFileExists(m_applications + "/Vantrel's Image Organiser.desktop"));
}

TEST_F(Install, ExistingInstallationAsksAndNoInstallsNothing)
{
    struct Case
    {
        const char *name;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"uninstall entry",
         [] {
             setRegistryString(HKEY_LOCAL_MACHINE,
                               "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel's Image Organiser",
                               "DisplayName", "x");
         }},
        {"log in the folder",
         [this] {
             std::filesystem::create_directories(m_dest);
             WriteHostFile(m_dest + "/Install.log", "AppName=x\n");
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        m_boxes.clear();
        m_questionAnswer = IDNO;
        install();
        EXPECT_FALSE(m_wizardShown);
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_TRUE(m_boxes[0].text.startsWith(QStringLiteral("Vantrel's Image Organiser is already installed")));
        EXPECT_FALSE(HostFileExists(m_dest + "/Zilo"));
    }
    // The settings key alone is Zilo's own, made on its first run: no question.
    TRegistry().CreateKey("Software\\Vantrel Productions\\Vantrel's Image Organiser");
    std::filesystem::remove_all(m_dest);
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.DeleteKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel's Image Organiser");
    m_boxes.clear();
    install();
    EXPECT_TRUE(m_wizardShown);
    EXPECT_TRUE(HostFileExists(m_dest + "/Zilo"));
}

TEST_F(Install, ReinstallReplacesFilesAndKeepsTheFirstDefault)
{
    setRegistryString(HKEY_CLASSES_ROOT, ".jpg", QString(), "jpegfile");
    install();
    WriteHostFile(m_kit + "/Zilo", "#!/bin/sh\n# version 2\n");
    install();
    EXPECT_EQ(ReadHostFile(m_dest + "/Zilo"), QByteArray("#!/bin/sh\n# version 2\n"));
    EXPECT_TRUE(installLog().contains("FilterDefault2=jpegfile\r\n"));
}

TEST_F(Install, DataFileThatWouldWriteSharedKeysIsRefused)
{
    struct Case
    {
        const char *from;
        const char *to;
    };
    const Case cases[] = {{"AppName=Vantrel's Image Organiser\n", "AppName=\n"},
                          {"CompanyName=Vantrel Productions\n", ""},
                          {"CompanyName=Vantrel Productions\n", "CompanyName=Vantrel\\Productions\n"},
                          {"FileTypeId2=Zilo.JPEG\n", "FileTypeId2=\n"},
                          {"FilterExt1=.zilo\n", "FilterExt1=zilo\n"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.to);
        writeSetupData(SetupData().replace(QString::fromUtf8(c.from), QString::fromUtf8(c.to)));
        m_boxes.clear();
        install();
        EXPECT_FALSE(m_wizardShown);
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_TRUE(m_boxes[0].text.startsWith(QStringLiteral("Setup.dat cannot be used to install")));
    }
    EXPECT_FALSE(std::filesystem::exists(m_dest));
}

TEST_F(Install, DestinationMustBeAFolderOfItsOwn)
{
    const char *home = std::getenv("HOME");
    const QString refused[] = {QStringLiteral("C:\\"), QStringLiteral("Z:\\"), QString::fromStdString(windows(home)),
                               QStringLiteral("relative\\folder")};
    for (const QString &folder : refused) {
        SCOPED_TRACE(folder.toStdString());
        m_boxes.clear();
        onWizard([&](QDialog &dialog) {
            auto &form = static_cast<TInstallForm1 &>(dialog);
            form.DestEdit->setText(folder);
            for (int page = 0; page < 4; ++page)
                form.NextButton->click();
            EXPECT_TRUE(form.isVisible());   // still on the destination page
            form.reject();
        });
        RunSetup(kit());
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_TRUE(m_boxes[0].text.contains(QStringLiteral("cannot take the program")));
    }
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Vantrel Productions\\Vantrel's Image Organiser"));
}

TEST_F(Install, FailedCopyLogsWhatWasCopied)
{
    std::filesystem::remove(m_kit + "/Zilo.png");
    install();
    ASSERT_FALSE(m_boxes.empty());
    EXPECT_EQ(m_boxes.back().text, QStringLiteral("Failed to copy file '%1\\Zilo.png' to '%2\\Zilo.png' - "
                                                  "Installation aborted")
                                       .arg(kit(), dest()));
    const QString log = QString::fromUtf8(installLog());
    EXPECT_TRUE(log.contains(QStringLiteral("File1=%1\\Zilo\r\nFile2=%1\\Splash\r\nFile3=%1\\Install.log\r\n").arg(dest())))
        << log.toStdString();
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, ".zilo"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Vantrel Productions\\Vantrel's Image Organiser"));
}

TEST_F(Install, CancelAsksAndYesInstallsNothing)
{
    onWizard([](QDialog &dialog) { static_cast<TInstallForm1 &>(dialog).CancelButton->click(); });
    RunSetup(kit());
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, QStringLiteral("If you cancel now, Vantrel's Image Organiser will not be installed on "
                                              "your computer.\n\nAre you sure you want to cancel the installation?"));
    EXPECT_FALSE(std::filesystem::exists(m_dest));
}

} // namespace
