#include "InstallerFixture.h"

#include <installer/InstallForm.h>
#include <installer/UninstallForm.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include <map>

namespace fs = std::filesystem;

namespace {

class Uninstall : public InstallerFixture
{
protected:
    void SetUp() override
    {
        InstallerFixture::SetUp();
        setRegistryString(HKEY_CLASSES_ROOT, ".jpg", QString(), "jpegfile");
        onWizard([](QDialog &dialog) {
            for (int page = 0; page < 4; ++page)
                static_cast<TInstallForm1 &>(dialog).NextButton->click();
        });
        RunSetup(kit());
        ASSERT_TRUE(HostFileExists(m_dest + "/Install.log"));
        fs::create_directories(m_dest + "/Data");
        WriteHostFile(m_outside, "someone else's");
        m_boxes.clear();
    }

    // Runs Deviva from the destination with the boxes that answer leaves ticked.
    void uninstall(const std::function<void(TUninstallForm1 &)> &answer = {})
    {
        m_windowShown = false;
        onWizard([&](QDialog &dialog) {
            auto &form = static_cast<TUninstallForm1 &>(dialog);
            m_windowShown = true;
            if (answer)
                answer(form);
            form.YesButton->click();
        });
        RunDeviva(destPath("deviva"));
    }

    // Every file below folder with its bytes.
    static std::map<std::string, QByteArray> snapshot(const std::string &folder)
    {
        std::map<std::string, QByteArray> files;
        for (const auto &entry : fs::recursive_directory_iterator(folder)) {
            if (!entry.is_directory())
                files[entry.path().string()] = entry.is_regular_file() ? ReadHostFile(entry.path().string()) : "";
        }
        return files;
    }

    void appendToLog(const QString &lines)
    {
        WriteHostFile(m_dest + "/Install.log", ReadHostFile(m_dest + "/Install.log") + lines.toUtf8());
    }

    std::string m_outside = TestHostFolder() + "/outside.txt";
    bool m_windowShown = false;
};

TEST_F(Uninstall, YesFollowsTheBoxesEveryTenthOfASecond)
{
    TStringList log;
    log.LoadFromFile(destPath("Install.log"));
    TUninstallForm1 form(log, destPath("deviva"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Vantrel's Image Organiser Uninstallation Program"));
    EXPECT_TRUE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 100);
    EXPECT_TRUE(form.NoButton->isDefault());
    for (QCheckBox *box : {form.CheckBox1, form.CheckBox2, form.CheckBox3})
        box->setChecked(false);
    form.Timer1Timer();
    EXPECT_FALSE(form.YesButton->isEnabled());
    form.CheckBox3->setChecked(true);
    form.Timer1Timer();
    EXPECT_TRUE(form.YesButton->isEnabled());
}

TEST_F(Uninstall, RegistryKeysAloneTouchNoFile)
{
    const auto before = snapshot(m_dest);
    uninstall([](TUninstallForm1 &form) {
        form.CheckBox1->setChecked(false);
        form.CheckBox3->setChecked(false);
    });
    EXPECT_EQ(snapshot(m_dest), before);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, QStringLiteral("Uninstallation completed"));
    EXPECT_EQ(m_boxes[0].caption, QStringLiteral("Deviva"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "Software\\Vantrel Productions\\Vantrel's Image Organiser"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, "AppEvents\\Schemes\\Apps\\Vantrel's Image Organiser"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE,
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel's Image Organiser"));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "Zilo.BrowseFile"));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, ".zilo"));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "Zilo.JPEG"));
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".jpg"), QStringLiteral("jpegfile"));
    EXPECT_FALSE(HostFileExists(m_applications + "/zilo.browsefile.desktop"));
    EXPECT_FALSE(HostFileExists(m_desktop.root() + "/data/mime/packages/zilo.browsefile.xml"));
    EXPECT_FALSE(ReadHostFile(m_desktop.root() + "/config/mimeapps.list").contains("zilo"));
    EXPECT_FALSE(HostFileExists(m_applications + "/Uninstall Vantrel's Image Organiser.desktop"));
    EXPECT_TRUE(HostFileExists(m_desktopFolder + "/ZILO.desktop"));   // shortcuts were not chosen
}

TEST_F(Uninstall, ExtensionKeyOfOthersKeepsTheirValues)
{
    setRegistryString(HKEY_CLASSES_ROOT, ".zilo", "Content Type", "application/x-zilo");
    setRegistryString(HKEY_CLASSES_ROOT, ".zilo\\ShellNew", "Other", "theirs");
    uninstall([](TUninstallForm1 &form) { form.CheckBox1->setChecked(false); });
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".zilo", "Content Type"), QStringLiteral("application/x-zilo"));
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".zilo"), QStringLiteral("<no value>"));
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".zilo\\ShellNew", "Other"), QStringLiteral("theirs"));
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".zilo\\ShellNew", "NullFile"), QStringLiteral("<no value>"));
}

TEST_F(Uninstall, UserFilesAndTheUsersOwnEntrySurvive)
{
    WriteHostFile(m_dest + "/Data/abcdefgh.dat", "a memo");
    WriteHostFile(m_dest + "/Basket.zilb", "the basket");
    const QByteArray mine = "[Desktop Entry]\nType=Application\nName=ZILO\nExec=/usr/bin/true\n";
    WriteHostFile(m_desktopFolder + "/mine.desktop", mine);
    uninstall();

    for (const char *name : {"Zilo", "Splash", "deviva", "Zilo.png", "Texture1.jpg", "Install.log"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(HostFileExists(m_dest + '/' + name));
    }
    EXPECT_EQ(ReadHostFile(m_dest + "/Data/abcdefgh.dat"), QByteArray("a memo"));
    EXPECT_EQ(ReadHostFile(m_dest + "/Basket.zilb"), QByteArray("the basket"));
    EXPECT_EQ(ReadHostFile(m_desktopFolder + "/mine.desktop"), mine);
    EXPECT_FALSE(HostFileExists(m_desktopFolder + "/ZILO.desktop"));
    EXPECT_FALSE(HostFileExists(m_applications + "/Vantrel's Image Organiser.desktop"));
    EXPECT_EQ(registryString(HKEY_CLASSES_ROOT, ".jpg"), QStringLiteral("jpegfile"));
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, QStringLiteral("Uninstallation completed\n\nThese folders hold files that were not "
                                              "installed, and were kept:\n%1\\Data\n%1")
                                   .arg(dest()));
}

TEST_F(Uninstall, EverythingGoesWhenNothingElseWasAdded)
{
    fs::remove(m_dest + "/Zilo.png");   // a logged file that is gone already is passed over
    uninstall();
    EXPECT_FALSE(fs::exists(m_dest));
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, QStringLiteral("Uninstallation completed"));
}

TEST_F(Uninstall, HostileLogEntriesDeleteNothingOutside)
{
    fs::create_directories(TestHostFolder() + "/outer");
    WriteHostFile(TestHostFolder() + "/outer/kept.txt", "kept");
    fs::create_directory_symlink(TestHostFolder() + "/outer", m_dest + "/Data/link");
    const QString d = dest();
    // Lines numbered on from the log's own, so that its lists reach them.
    TStringList log;
    log.LoadFromFile(destPath("Install.log"));
    int files = 1;
    while (!log.Value(QStringLiteral("File%1").arg(files)).isEmpty())
        ++files;
    appendToLog(QStringLiteral("File%1=%2\r\nFile%3=%4\\..\\outside.txt\r\nFile%5=%4\\Data\\link\\kept.txt\r\n"
                               "Dir2=%4\\..\r\nDir3=%4\\Data\\link\r\n")
                    .arg(files)
                    .arg(QString::fromStdString(windows(m_outside)))
                    .arg(files + 1)
                    .arg(d)
                    .arg(files + 2));
    uninstall();
    EXPECT_EQ(ReadHostFile(m_outside), QByteArray("someone else's"));
    EXPECT_EQ(ReadHostFile(TestHostFolder() + "/outer/kept.txt"), QByteArray("kept"));
    EXPECT_TRUE(fs::exists(TestHostFolder() + "/kit/Setup.dat"));
    EXPECT_FALSE(HostFileExists(m_dest + "/Zilo"));
}

TEST_F(Uninstall, LogThatCouldLeadAstrayIsRefusedWhole)
{
    const char *home = std::getenv("HOME");
    const std::string elsewhere = TestHostFolder() + "/elsewhere";
    fs::create_directories(elsewhere);
    WriteHostFile(elsewhere + "/Install.log", "");
    const QByteArray original = ReadHostFile(m_dest + "/Install.log");
    const QString d = dest();
    struct Case
    {
        const char *name;
        QString from;
        QString to;
    };
    const Case cases[] = {
        {"empty AppName", "AppName=Vantrel's Image Organiser\r\n", "AppName=\r\n"},
        {"empty CompanyName", "CompanyName=Vantrel Productions\r\n", "CompanyName=\r\n"},
        {"empty FileTypeId", "FileTypeId2=Zilo.JPEG\r\n", "FileTypeId2=\r\n"},
        {"home", "DestFolder=" + d + "\r\n", "DestFolder=" + QString::fromStdString(windows(home)) + "\r\n"},
        {"drive root", "DestFolder=" + d + "\r\n", "DestFolder=Z:\\\r\n"},
        {"another folder", "DestFolder=" + d + "\r\n", "DestFolder=" + QString::fromStdString(windows(elsewhere)) + "\r\n"},
    };
    const auto before = snapshot(TestHostFolder());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(m_dest + "/Install.log", QString::fromUtf8(original).replace(c.from, c.to).toUtf8());
        m_boxes.clear();
        uninstall();
        EXPECT_FALSE(m_windowShown);
        ASSERT_EQ(m_boxes.size(), 1u);
        EXPECT_TRUE(m_boxes[0].text.contains(QStringLiteral("Nothing was removed."))) << m_boxes[0].text.toStdString();
    }
    WriteHostFile(m_dest + "/Install.log", original);
    EXPECT_EQ(snapshot(TestHostFolder()), before);
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, "Software\\Vantrel Productions\\Vantrel's Image Organiser"));
}

TEST_F(Uninstall, SettingsKeyAloneIsNoInstallation)
{
    // Zilo makes its settings key on its first run; the log is what counts.
    fs::remove(m_dest + "/Install.log");
    EXPECT_THROW(RunDeviva(destPath("deviva")), Exception);
    EXPECT_TRUE(HostFileExists(m_dest + "/Zilo"));
}

} // namespace
