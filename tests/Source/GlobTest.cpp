#include "GlobTestSupport.h"

#include "../FakeDesktop.h"
#include "../ScopedEnvironment.h"
#include "../SoundCapture.h"

#include <Source/engine/VolumePath.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Drive.h>
#include <lib/ProductInfo.h>
#include <lib/SafeRegIniFile.h>
#include <platform/Drives.h>
#include <platform/HostPath.h>
#include <platform/RegIniFile.h>
#include <platform/Registry.h>

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <climits>
#include <filesystem>
#include <optional>
#include <thread>

namespace fs = std::filesystem;

namespace {

const QString Root = QStringLiteral("Software\\Vantrel Productions\\Vantrel's Image Organiser");

// C: is the test folder (so the program folder is C:\Program), fixed, serial
// 0012ABCD; D: a writable removable disc; E: a drive without a medium; R: a
// read-only CD; F: and G: network drives of the shares \\server\pics and
// \\server\ro, the second read-only.
class Globals : public testing::Test
{
protected:
    void SetUp() override
    {
        for (const char *folder : {"/disc", "/cd", "/share/pics", "/ro"})
            fs::create_directories(TestHostFolder() + folder);
        WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
                      + DriveMapLine("D:", TestHostFolder() + "/disc", "removable", "5EED0001", "")
                      + DriveMapLine("E:", TestHostFolder() + "/absent", "removable", "0", "")
                      + DriveMapLine("R:", TestHostFolder() + "/cd", "cdrom,readonly", "CD000001", "")
                      + DriveMapLine("F:", TestHostFolder() + "/share", "remote,source=//server/pics", "7", "")
                      + DriveMapLine("G:", TestHostFolder() + "/ro", "remote,readonly,source=//server/ro", "8", ""));
        m_globals.emplace();
    }
    void TearDown() override { m_globals.reset(); }

    std::optional<GlobalsScope> m_globals;
};

// Files left in a host folder tree whose names start with prefix.
std::vector<std::string> filesStartingWith(const std::string &folder, const std::string &prefix)
{
    std::vector<std::string> found;
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(prefix))
            found.push_back(entry.path().string());
    }
    return found;
}

void writeRegistryString(const QString &key, const QString &name, const QString &value)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(key, true));
    registry.WriteString(name, value);
}

} // namespace

TEST(FormatDuration, WordsAndUnitsByTheSize)
{
    const struct
    {
        int seconds;
        const char *text;
    } cases[] = {
        {-1, ""},
        {INT_MIN, ""},
        {0, "0 seconds"},
        {1, "1 second"},
        {2, "2 seconds"},
        {59, "59 seconds"},
        {60, "1 minute"},
        {61, "1 minute 1 second"},
        {62, "1 minute 2 seconds"},
        {121, "2 minutes 1 second"},
        {599, "9 minutes 59 seconds"},
        {600, "10 minutes"},
        {659, "10 minutes"},
        {3599, "59 minutes"},
        {3600, "1 hour"},
        {3659, "1 hour"},
        {3660, "1 hour 1 minute"},
        {3720, "1 hour 2 minutes"},
        {7199, "1 hour 59 minutes"},
        {7200, "2 hours"},
        {INT_MAX, "596523 hours 14 minutes"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_STREQ(FormatDuration(c.seconds), c.text);
    }
}

TEST(GlobalsLifetime, InitLoadsEveryGroupAndFreeSavesThem)
{
    fs::create_directories(TestHostFolder() + "/floppy");
    WriteDriveMap(DriveMapLine("A:", TestHostFolder() + "/floppy", "removable", "F1F1F1F1", "")
                  + DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", ""));
    writeRegistryString(Root + "\\Disk", "Enable Floppy A", "1");
    writeRegistryString(Root + "\\General", "Audio Feedback", "0");
    ASSERT_FALSE(DriveTable);
    ASSERT_FALSE(SettingsStore);

    InitGlobals();
    EXPECT_EQ(SettingsRoot, Root);
    ASSERT_TRUE(SettingsStore);
    EXPECT_EQ(SettingsStore->FileName(), Root);
    ASSERT_TRUE(ProgramOptions && MovieOptions && GeneralOptions && PanelOptions && JpegOptions && DiskOptions
                && CacheOptions);
    struct Group
    {
        TOptionsReg *options;
        const char *section;
        const char *firstValue;   // the value name of option 0
    };
    const Group groups[] = {
        {ProgramOptions.get(), "Program", "Show Batch"}, {MovieOptions.get(), "Movie", "Thumbs"},
        {GeneralOptions.get(), "General", "WarnLevel"},  {PanelOptions.get(), "Panel", "Colour"},
        {JpegOptions.get(), "Jpeg", "Encoding"},         {DiskOptions.get(), "Disk", "Enable Floppy A"},
        {CacheOptions.get(), "Cache", "Cleanup Type"},
    };
    for (const Group &group : groups) {
        SCOPED_TRACE(group.section);
        EXPECT_EQ(group.options->RegistryKey(), Root);
        EXPECT_EQ(group.options->Section(), group.section);
    }
    EXPECT_EQ(GeneralOptions->GetInt(TGeneralOptions::AudioFeedback), 0);   // loaded from the store
    // the floppy switch of the loaded Disk options reached the drive table, which was filled
    EXPECT_TRUE(DriveTable->GetDrive('A').exists);
    EXPECT_EQ(DriveTable->GetDrive('C').serialNumber, 0x0012ABCDu);

    for (int i = 0; i < int(std::size(groups)); ++i)
        groups[i].options->SetInt(0, 40 + i);
    FreeGlobals();
    EXPECT_FALSE(DriveTable || SettingsStore || ProgramOptions || MovieOptions || GeneralOptions || PanelOptions
                 || JpegOptions || DiskOptions || CacheOptions);

    const TRegIniFile store(Root);
    for (int i = 0; i < int(std::size(groups)); ++i) {
        SCOPED_TRACE(groups[i].section);
        EXPECT_EQ(store.ReadInteger(groups[i].section, groups[i].firstValue, -1), 40 + i);
    }

    // A second start in the same process finds what the first one saved.
    InitGlobals();
    EXPECT_EQ(JpegOptions->GetInt(TJpegOptions::Encoding), 44);
    FreeGlobals();
}

// What an exit does while a worker is stuck: the settings are written, and
// every global a worker may still use stays.
TEST(GlobalsLifetime, SaveWritesEveryGroupAndFreesNothing)
{
    InitGlobals();
    TOptionsReg *const groups[] = {ProgramOptions.get(), MovieOptions.get(), GeneralOptions.get(),
                                   PanelOptions.get(),   JpegOptions.get(),  DiskOptions.get(),
                                   CacheOptions.get()};
    for (int i = 0; i < int(std::size(groups)); ++i)
        groups[i]->SetInt(0, 70 + i);

    SaveGlobals();
    EXPECT_TRUE(DriveTable && SettingsStore && ProgramOptions && MovieOptions && GeneralOptions && PanelOptions
                && JpegOptions && DiskOptions && CacheOptions);
    const TRegIniFile store(Root);
    for (int i = 0; i < int(std::size(groups)); ++i) {
        SCOPED_TRACE(groups[i]->Section().toStdString());
        EXPECT_EQ(store.ReadInteger(groups[i]->Section(), groups[i]->Entries()[0], -1), 70 + i);
    }
    FreeGlobals();
}

TEST_F(Globals, IsWriteProtectedFollowsTheDrives)
{
    DiskOptions->SetString(TDiskOptions::NoWriteDrives, "d");
    const std::string locked = TestHostFolder() + "/Locked";
    fs::create_directories(locked);
    fs::permissions(locked, fs::perms(0555));
    const struct
    {
        const char *folder;
        bool writeProtected;
    } cases[] = {
        {"C:\\Program", false},
        {"C:\\", false},
        {"C:\\No Such Folder", false},          // the drive's root counts, and a folder that is there
        {"C:\\Locked", true},                   // a folder the user cannot write, even the superuser
        {"D:\\Pics", true},                     // writable, but listed in "No Write Drives"
        {"E:\\Pics", false},                    // no medium: not available
        {"Q:\\Pics", false},                    // no drive
        {"R:\\", true},                         // mounted read-only
        {"F:\\pics", false},                    // a network drive is a drive
        {"G:\\", true},
        {"\\\\server\\pics", false},            // a share is tried in the folder itself
        {"\\\\server\\pics\\missing", true},
        {"\\\\server\\ro", true},
        {"\\\\nobody\\share", true},
        {"", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(IsWriteProtected(c.folder), c.writeProtected);
    }
    EXPECT_TRUE(filesStartingWith(TestHostFolder(), "~zilo").empty());
    fs::permissions(locked, fs::perms(0755));
}

TEST_F(Globals, IsDriveWriteAllowedIgnoresCase)
{
    DiskOptions->SetString(TDiskOptions::NoWriteDrives, "dE");
    for (char drive : {'D', 'd', 'E', 'e'})
        EXPECT_FALSE(IsDriveWriteAllowed(drive)) << drive;
    for (char drive : {'C', 'c', 'F', '\0'})
        EXPECT_TRUE(IsDriveWriteAllowed(drive)) << drive;
}

TEST(DataFolder, IsMadeOnlyWhereTheProgramMayWrite)
{
    const std::string data = TestHostFolder() + "/Program/Data";
    struct Case
    {
        const char *name;
        const char *type;
        const char *noWriteDrives;
        bool made;
    };
    const Case cases[] = {
        {"writable drive", "fixed", "", true},
        {"read-only drive", "fixed,readonly", "", false},
        {"drive the user keeps from writes", "fixed", "P", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(data);
        WriteDriveMap(DriveMapLine("P:", TestHostFolder() + "/Program", c.type, "12345678", ""));
        GlobalsScope globals;
        DiskOptions->SetString(TDiskOptions::NoWriteDrives, c.noWriteDrives);
        fs::remove_all(data);   // what starting up may have made
        EXPECT_STREQ(DataFolder(), "P:\\Data");
        EXPECT_EQ(fs::is_directory(data), c.made);
    }
}

TEST_F(Globals, OpenDocumentUsesTheTextEditorForTxtFiles)
{
    FakeDesktop desktop;
    const std::string viewer = desktop.addApplication("viewer", "text/plain;");
    const std::string editorLog = TestHostFolder() + "/editor.log";
    const std::string editor = TestHostFolder() + "/my editor";
    FakeDesktop::writeLoggingProgram(editor, editorLog);
    fs::create_directories(TestHostFolder() + "/My Notes");
    for (const char *name : {"Notes.TXT", "Notes.text", "notes.txt"})
        WriteHostFile(TestHostFolder() + "/My Notes/" + name, "notes\n");
    const std::string notes = TestHostFolder() + "/My Notes/";
    const QString windowsNotes = TestWindowsPath("My Notes\\");

    SettingsStore->WriteString(ApplicationsSection, TextEditorValueName,
                               QString::fromStdString(WindowsPathFromHost(editor)));
    EXPECT_EQ(OpenDocument((windowsNotes + "Notes.TXT").toUtf8(), nullptr), -1);
    EXPECT_EQ(FakeDesktop::waitForFile(editorLog), QByteArray::fromStdString(notes + "Notes.TXT\n"));
    EXPECT_TRUE(desktop.openerLog().isEmpty());

    EXPECT_EQ(OpenDocument((windowsNotes + "Notes.text").toUtf8(), nullptr), -1);
    EXPECT_EQ(FakeDesktop::waitForFile(desktop.openerLogPath()), QByteArray::fromStdString(notes + "Notes.text\n"));

    // with no editor set a .txt file goes to the shell too
    fs::remove(desktop.openerLogPath());
    SettingsStore->WriteString(ApplicationsSection, TextEditorValueName, QString());
    EXPECT_EQ(OpenDocument((windowsNotes + "notes.txt").toUtf8(), nullptr), -1);
    EXPECT_EQ(FakeDesktop::waitForFile(desktop.openerLogPath()), QByteArray::fromStdString(notes + "notes.txt\n"));
}

TEST_F(Globals, OpenDocumentReportsAMissingTextEditorOnce)
{
    FakeDesktop desktop;
    desktop.addApplication("viewer", "text/plain;");
    WriteHostFile(TestHostFolder() + "/Notes.txt", "notes\n");
    SettingsStore->WriteString(ApplicationsSection, TextEditorValueName, TestWindowsPath("gone.exe"));
    MessageBoxScript boxes;
    EXPECT_EQ(OpenDocument(TestWindowsPath("Notes.txt").toUtf8(), nullptr), OpenDocumentReported);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Unable to run application for opening text files.\n\n"
                                     "Please check your preferences (Applications tab)");
    EXPECT_EQ(boxes.boxes()[0].type, WarningBoxFlags);
    EXPECT_TRUE(desktop.openerLog().isEmpty());   // and nothing else opened it
}

TEST_F(Globals, SoundEventsPlayTheirWaveFileOnlyWhenWanted)
{
    const QByteArray frames = CountingBytes(400);
    WriteHostFile(TestHostFolder() + "/loaded.wav", WaveFile({}, frames));
    WriteHostFile(TestHostFolder() + "/broken.wav", "not a sound");
    const QString eventKey = QStringLiteral("AppEvents\\Schemes\\Apps\\%1\\%2\\.Current").arg(ProductName);
    struct Case
    {
        const char *name;
        const char *event;
        std::optional<QString> value;   // the key's default value; none: no key
        int audioFeedback;
        bool played;
    };
    const Case cases[] = {
        {"a wave file", ThumbnailLoadedEvent, TestWindowsPath("loaded.wav"), 1, true},
        {"with audio feedback off", ThumbnailLoadedEvent, TestWindowsPath("loaded.wav"), 0, false},
        {"an empty value", ThumbnailFailedEvent, QString(), 1, false},
        {"no key", LoadCompleteEvent, std::nullopt, 1, false},
        {"a missing file", FolderScanCompleteEvent, TestWindowsPath("gone.wav"), 1, false},
        {"a file that is no sound", FolderScanCompleteEvent, TestWindowsPath("broken.wav"), 1, false},
    };
    SoundCapture capture;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        capture.forget();
        TRegistry registry;
        registry.DeleteKey(eventKey.arg(c.event));
        if (c.value)
            writeRegistryString(eventKey.arg(c.event), QString(), *c.value);
        GeneralOptions->SetInt(TGeneralOptions::AudioFeedback, c.audioFeedback);
        PlaySoundEvent(c.event);
        EXPECT_EQ(capture.played(), c.played ? frames : QByteArray());
    }

    // a default value that is no text names no file
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(eventKey.arg(LoadCompleteEvent), true));
    registry.WriteInteger(QString(), 1);
    GeneralOptions->SetInt(TGeneralOptions::AudioFeedback, 1);
    EXPECT_NO_THROW(PlaySoundEvent(LoadCompleteEvent));
    EXPECT_TRUE(capture.played().isEmpty());
}

TEST_F(Globals, SoundsOfSeveralThreadsNeverOverlap)
{
    const QByteArray first = CountingBytes(40000);
    const QByteArray second = QByteArray(40000, 'x');
    WriteHostFile(TestHostFolder() + "/first.wav", WaveFile({}, first));
    WriteHostFile(TestHostFolder() + "/second.wav", WaveFile({}, second));
    const QString eventKey = QStringLiteral("AppEvents\\Schemes\\Apps\\%1\\%2\\.Current").arg(ProductName);
    writeRegistryString(eventKey.arg(ThumbnailLoadedEvent), QString(), TestWindowsPath("first.wav"));
    writeRegistryString(eventKey.arg(ThumbnailFailedEvent), QString(), TestWindowsPath("second.wav"));
    SoundCapture capture(SoundCapture::Device::Appending);
    constexpr int Sounds = 6;
    std::vector<std::thread> threads;
    for (int i = 0; i < Sounds; ++i)
        threads.emplace_back([i] { PlaySoundEvent(i % 2 ? ThumbnailLoadedEvent : ThumbnailFailedEvent); });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_FALSE(capture.overlapped());
    const QByteArray played = capture.played();
    ASSERT_EQ(played.size(), Sounds * first.size());
    for (int i = 0; i < Sounds; ++i) {
        SCOPED_TRACE(i);
        const QByteArray sound = played.mid(i * first.size(), first.size());
        EXPECT_TRUE(sound == first || sound == second);
    }
}

TEST_F(Globals, MessagesAreShownOnTheWindowThreadWithTheProgramsTitle)
{
    const QString title = QGuiApplication::applicationName();
    QGuiApplication::setApplicationName(ProductName);
    MessageBoxScript boxes({IDNO, IDYES});
    EXPECT_EQ(ShowMessageBox("Here?", QuestionNoBoxFlags), IDNO);
    EXPECT_EQ(RunOnWorker([] { return ShowMessageBox("There?", QuestionBoxFlags); }), IDYES);
    RunOnWorker([] {
        InternalError("Source/engine/Thing.cpp", "Frob", 42);
        return 0;
    });
    QGuiApplication::setApplicationName(title);

    const std::vector<MessageBoxScript::Box> shown = boxes.boxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, "Here?");
    EXPECT_EQ(shown[0].type, MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2);
    EXPECT_EQ(shown[1].type, MB_ICONQUESTION | MB_YESNO);
    const QString fixedPart = "INTERNAL PROGRAM ERROR\n\nFile: Source/engine/Thing.cpp, Func: Frob, Line: 42\n\n";
    EXPECT_TRUE(shown[2].text.startsWith(fixedPart));
    const QString request = shown[2].text.mid(fixedPart.size());
    EXPECT_FALSE(request.isEmpty() || request.contains('\n'));   // one line asks to report it
    EXPECT_EQ(shown[2].type, MB_ICONWARNING | MB_OK);
    for (const MessageBoxScript::Box &box : shown) {
        EXPECT_EQ(box.caption, ProductName);
        EXPECT_TRUE(box.onWindowThread);
    }
}

TEST_F(Globals, ConfirmDragMoveAsksOnlyWhenConfirmMovesIsOn)
{
    MessageBoxScript boxes({IDYES, IDNO});
    EXPECT_TRUE(ConfirmDragMove("C:\\Photos"));
    EXPECT_FALSE(ConfirmDragMove("C:\\Photos"));
    GeneralOptions->SetInt(TGeneralOptions::ConfirmMoves, 0);
    EXPECT_TRUE(ConfirmDragMove("C:\\Photos"));
    const std::vector<MessageBoxScript::Box> shown = boxes.boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Do you want to move the dragged images to\n\nC:\\Photos?");
    EXPECT_EQ(shown[0].type, QuestionBoxFlags);
}

TEST_F(Globals, FolderSettingsSectionsNameTheVolume)
{
    const struct
    {
        const char *folder;
        const char *base;
        const char *section;
    } cases[] = {
        {"C:\\Photos", "Folders", "Folders\\0012ABCD\\Photos"},
        {"C:\\", "Folders", "Folders\\0012ABCD"},
        {"C:", "Memos", "Memos\\0012ABCD"},
        {"D:\\Pics\\2001", "Memos", "Memos\\5EED0001\\Pics\\2001"},
        {"\\\\server\\pics\\2001", "Folders", "Folders\\*Shared\\server\\pics\\2001"},
        {"F:\\pics", "Folders", "Folders\\*Mapped\\F\\pics"},
        {"F:\\", "Folders", "Folders\\*Mapped\\F"},
        {"", "Folders", ""},
        {"Photos", "Folders", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_STREQ(FolderSettingsSection(c.folder, c.base), c.section);
    }
}

TEST_F(Globals, BrowseFilesLieInTheirFolderUnlessTheSettingsSayElsewhere)
{
    DiskOptions->SetString(TDiskOptions::SpecialBrowseFolder, "C:\\Data");
    SettingsStore->WriteString("Folders\\0012ABCD\\Central", BrowseFileValueName, "C:\\Data\\0123abcd45.zilo");
    SettingsStore->WriteString("Folders\\0012ABCD\\Relative", BrowseFileValueName, "0123ABCD45.zilo");
    SettingsStore->WriteString("Folders\\0012ABCD\\Elsewhere", BrowseFileValueName, "C:\\Docs\\0123ABCD45.zilo");
    SettingsStore->WriteString("Folders\\5EED0001\\Away", BrowseFileValueName, "C:\\Data\\FEDCBA987.ZILO");
    SettingsStore->WriteString("Folders\\5EED0001\\Named", BrowseFileValueName, "C:\\Data\\away.zilo");
    const struct
    {
        const char *folder;
        const char *browseFile;
    } folders[] = {
        {"C:\\Photos", "C:\\Photos\\Thumbnail.zilo"},
        {"C:\\", "C:\\Thumbnail.zilo"},
        {"C:\\Central", "C:\\Data\\0123abcd45.zilo"},
        {"C:\\Relative", "C:\\Relative\\Thumbnail.zilo"},     // only an absolute path is taken
        {"C:\\Elsewhere", "C:\\Elsewhere\\Thumbnail.zilo"},   // and only in the central folder
        {"\\\\server\\pics", "\\\\server\\pics\\Thumbnail.zilo"},
        {"", ""},
    };
    for (const auto &c : folders) {
        SCOPED_TRACE(c.folder);
        EXPECT_STREQ(GetBrowseFilePath(c.folder), c.browseFile);
    }
    const struct
    {
        const char *key;
        const char *browseFile;
    } keys[] = {
        {"0012ABCD\\Photos", "C:\\Photos\\Thumbnail.zilo"},
        {"0012ABCD", "C:\\Thumbnail.zilo"},
        {"0012ABCD\\Central", "C:\\Data\\0123abcd45.zilo"},
        {"99999999\\Photos", ""},                            // volume not present
        {"5EED0001\\Away", "C:\\Data\\FEDCBA987.ZILO"},
        {"5EED0001\\Named", "D:\\Named\\Thumbnail.zilo"},   // not a name the program makes
        {"*Mapped\\F", "F:\\Thumbnail.zilo"},
        {"not a key", ""},
        {"", ""},
    };
    ScriptedDialogs dialogs;
    for (const auto &c : keys) {
        SCOPED_TRACE(c.key);
        EXPECT_STREQ(GetBrowseFilePathForKey(c.key), c.browseFile);
    }
    EXPECT_TRUE(dialogs.prompts().empty());
}

TEST_F(Globals, ShellDeleteFileDeletesBetweenTheCoordinatorsHooks)
{
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", TestHostFolder() + "/data");
    WriteHostFile(TestHostFolder() + "/doomed.jpg", "x");
    RecordingCoordinator coordinator;
    EXPECT_TRUE(ShellDeleteFile(TestWindowsPath("doomed.jpg").toUtf8().constData()));
    EXPECT_FALSE(HostFileExists(TestHostFolder() + "/doomed.jpg"));
    EXPECT_TRUE(HostFileExists(TestHostFolder() + "/data/Trash/files/doomed.jpg"));
    EXPECT_FALSE(ShellDeleteFile(TestWindowsPath("never.jpg").toUtf8().constData()));
    EXPECT_EQ(coordinator.calls(), (std::vector<std::string>{"begin", "end", "begin", "end"}));
}

TEST_F(Globals, ShowDriveInfoOpensTheDialogForTheDriveOrShare)
{
    ShowDriveInfo("C:\\Photos");   // no dialog yet: nothing happens
    ScriptedDialogs dialogs;
    ShowDriveInfo("C:\\Photos\\2001");
    ShowDriveInfo("d:\\");
    ShowDriveInfo("\\\\Server\\Pics\\2001");
    EXPECT_EQ(dialogs.driveInfo(), (std::vector<QString>{"C:", "D:", "\\\\Server\\Pics"}));
}

TEST(ShowDriveTypeImages, ShowsTheImageOfTheDrivesTypeWithItsText)
{
    QWidget box;
    QLabel floppy(&box), removable(&box), fixed(&box), network(&box), cdrom(&box), ramdisk(&box);
    QLabel *const images[] = {&floppy, &removable, &fixed, &network, &cdrom, &ramdisk};
    const auto drive = [](char letter, UINT type, uint32_t serial, bool available) {
        CDrive drive;
        drive.letter = letter;
        drive.type = type;
        drive.serialNumber = serial;
        drive.exists = drive.ready = available;
        return drive;
    };
    const struct
    {
        CDrive drive;
        QLabel *shown;
        const char *hint;
    } cases[] = {
        {drive('A', DRIVE_REMOVABLE, 0x1234, true), &floppy, "Drive A: (Volume 00001234)"},
        {drive('B', DRIVE_REMOVABLE, 0, false), &floppy, "Drive B: (Unavailable)"},
        {drive('D', DRIVE_REMOVABLE, 0x5EED0001, true), &removable, "Drive D: (Volume 5EED0001)"},
        {drive('C', DRIVE_FIXED, 0x0012ABCD, true), &fixed, "Drive C: (Volume 0012ABCD)"},
        {drive('F', DRIVE_REMOTE, 7, true), &network, "Drive F: (Mapped)"},
        {drive('G', DRIVE_REMOTE, 0, false), &network, "Drive G: (Unavailable)"},
        {drive('R', DRIVE_CDROM, 0xCD, true), &cdrom, "Drive R: (Volume 000000CD)"},
        {drive('M', DRIVE_RAMDISK, 0xAB, true), &ramdisk, "Drive M: (Volume 000000AB)"},
        {drive('Q', DRIVE_NO_ROOT_DIR, 0, false), nullptr, "Drive Q: (Unavailable)"},
        {drive('S', DRIVE_UNKNOWN, 0x99, true), nullptr, "Drive S: (Volume 00000099)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.hint);
        ShowDriveTypeImages(&floppy, &removable, &fixed, &network, &cdrom, &ramdisk, c.drive);
        for (QLabel *image : images) {
            EXPECT_EQ(!image->isHidden(), image == c.shown);
            EXPECT_EQ(image->toolTip(), c.hint);
        }
    }
    ShowDriveTypeImages(nullptr, nullptr, &fixed, nullptr, nullptr, nullptr, drive('C', DRIVE_FIXED, 1, true));
    EXPECT_FALSE(fixed.isHidden());
}

TEST(ToolWindows, HideAndRestoreKeepWhatWasShown)
{
    HideToolWindows();   // no coordinator yet: nothing to hide
    RestoreToolWindows();
    RecordingCoordinator coordinator;
    coordinator.visible[int(Tool::Animation)] = true;
    coordinator.visible[int(Tool::FindSimilar)] = true;
    HideToolWindows();
    EXPECT_FALSE(coordinator.visible[0] || coordinator.visible[1] || coordinator.visible[2]);
    RestoreToolWindows();
    EXPECT_TRUE(coordinator.visible[int(Tool::Animation)]);
    EXPECT_FALSE(coordinator.visible[int(Tool::Finder)]);
    EXPECT_TRUE(coordinator.visible[int(Tool::FindSimilar)]);
}

namespace {

// Counts what reaches it.
class CountingWidget : public QWidget
{
public:
    int paints = 0;
    int keys = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
    void keyPressEvent(QKeyEvent *) override { ++keys; }
};

} // namespace

TEST(ProcessMessages, PaintsAndLeavesEverythingElseQueued)
{
    CountingWidget window;
    window.resize(50, 50);
    window.show();
    QCoreApplication::processEvents();
    const int paintsBefore = window.paints;

    bool timerFired = false;
    QTimer::singleShot(0, &window, [&timerFired] { timerFired = true; });
    QCoreApplication::postEvent(&window, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
    window.update();
    ProcessMessages();
    EXPECT_GT(window.paints, paintsBefore);
    EXPECT_EQ(window.keys, 0);
    EXPECT_FALSE(timerFired);

    QCoreApplication::processEvents();
    EXPECT_EQ(window.keys, 1);
    EXPECT_TRUE(timerFired);
}

TEST(SpecialFolders, TheWallpaperLiesInTheWindowsFolder)
{
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", TestHostFolder() + "/data");
    const std::string windows = WindowsPathFromHost(TestHostFolder() + "/data/zilo");
    EXPECT_STREQ(WindowsFolder(), windows.c_str());
    EXPECT_STREQ(WallpaperPath(), (windows + "\\Zilo Wallpaper.bmp").c_str());
}

TEST(OSVersion, NamesNoWindowsLineForThisHost)
{
    const CString text = GetOSVersionString();
    EXPECT_TRUE(QString(text.ToAnsiString()).startsWith(" version ")) << text.c_str();
}
