#include "Glob.h"

#include "engine/VolumePath.h"
#include "engine/WindowHooks.h"
#include "engine/BrowseFile.h"
#include "engine/ZiloOptions.h"

#include <lib/Application.h>
#include <lib/Drive.h>
#include <lib/Palette.h>
#include <lib/ProductInfo.h>
#include <lib/SafeRegIniFile.h>
#include <lib/Shell.h>
#include <lib/WaitCursor.h>
#include <platform/Drives.h>
#include <platform/Files.h>
#include <platform/MemoryStatus.h>
#include <platform/Registry.h>
#include <platform/Sound.h>
#include <platform/StringList.h>
#include <platform/SystemInfo.h>

#include <QApplication>
#include <QEvent>
#include <QRandomGenerator>
#include <QThread>
#include <QWidget>

#include <array>

// Made by the static initialiser in this order, and destroyed in the reverse.
QString SettingsRoot;
const StdPalette SharedPalette;
const CPath SharedPathMarker("*Shared");
const CPath MappedPathMarker("*Mapped");
const CPath FoldersSection("Folders");
const CPath MemosSection("Memos");
CCriticalSection SoundLock;

std::unique_ptr<CDriveAll> DriveTable;
std::unique_ptr<TSafeRegIniFile> SettingsStore;
std::unique_ptr<TProgramOptions> ProgramOptions;
std::unique_ptr<TMovieOptions> MovieOptions;
std::unique_ptr<TGeneralOptions> GeneralOptions;
std::unique_ptr<TPanelOptions> PanelOptions;
std::unique_ptr<TJpegOptions> JpegOptions;
std::unique_ptr<TDiskOptions> DiskOptions;
std::unique_ptr<TCacheOptions> CacheOptions;

namespace {

template <typename Group>
void createGroup(std::unique_ptr<Group> &group)
{
    group = std::make_unique<Group>();
    group->SetRegistryKey(SettingsRoot);
    group->Load();
}

template <typename Group>
void saveGroup(const std::unique_ptr<Group> &group)
{
    if (group)
        group->Save();
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool isAvailable(const CDrive &drive)
{
    return drive.exists && drive.ready;
}

// A folder the user may not write: read-only, as the file services see it.
bool isReadOnlyFolder(const CPath &folder)
{
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
           && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Whether a new file can be made in folder: a probe of a name that no file
// has, which is deleted again at once.
bool canCreateFileIn(const CPath &folder)
{
    CString name;
    name.Format("~zilo%08X.tmp", QRandomGenerator::global()->generate());
    return folder.AppendFileName(name).GetCanWrite();
}

} // namespace

void InitGlobals()
{
    ShareOneHeap();
    DriveTable = std::make_unique<CDriveAll>();
    SettingsRoot =
        QStringLiteral("Software\\%1\\%2").arg(QString::fromUtf8(CompanyName), QString::fromUtf8(ProductName));
    SettingsStore = std::make_unique<TSafeRegIniFile>(SettingsRoot);
    createGroup(ProgramOptions);
    createGroup(MovieOptions);
    createGroup(GeneralOptions);
    createGroup(PanelOptions);
    createGroup(JpegOptions);
    createGroup(DiskOptions);
    createGroup(CacheOptions);
    DriveTable->SetEnableFloppies(DiskOptions->GetInt(TDiskOptions::EnableFloppyA) != 0,
                                  DiskOptions->GetInt(TDiskOptions::EnableFloppyB) != 0);
    DriveTable->Update();
}

void SaveGlobals()
{
    saveGroup(ProgramOptions);
    saveGroup(MovieOptions);
    saveGroup(GeneralOptions);
    saveGroup(PanelOptions);
    saveGroup(JpegOptions);
    saveGroup(DiskOptions);
    saveGroup(CacheOptions);
}

void FreeGlobals()
{
    SaveGlobals();
    ProgramOptions.reset();
    MovieOptions.reset();
    GeneralOptions.reset();
    PanelOptions.reset();
    JpegOptions.reset();
    DiskOptions.reset();
    CacheOptions.reset();
    SettingsStore.reset();
    DriveTable.reset();
}

void InitImageLibrary()
{
    // Empty until the imaging library needs a per-thread set-up of its own.
}

int ShowMessageBox(const CString &text, UINT flags)
{
    return ApplicationMessageBox(text.c_str(), flags);
}

void InternalError(const char *file, const char *function, unsigned line)
{
    CString text;
    text.Format("INTERNAL PROGRAM ERROR\n\nFile: %s, Func: %s, Line: %u\n\n"
                "Please report this fault to the program's support address.",
                file ? file : "", function ? function : "", line);
    ShowMessageBox(text, WarningBoxFlags);
}

// The text editor of the preferences, or empty when none is set.
static CPath textEditor()
{
    if (!SettingsStore)
        return CPath();
    return CPath(CString(SettingsStore->ReadString(ApplicationsSection, TextEditorValueName, QString())));
}

int OpenDocument(const char *document, const char *parameters)
{
    const CPath path(document);
    const CPath editor = path.GetExtPart().AsLower() == ".txt" ? textEditor() : CPath();
    if (editor.IsEmpty())
        return TShell::Open(document, parameters);
    if (!editor.GetFileExists()) {
        ShowMessageBox("Unable to run application for opening text files.\n\n"
                       "Please check your preferences (Applications tab)",
                       WarningBoxFlags);
        return OpenDocumentReported;
    }
    return OpenWithProgram(editor, document);
}

int OpenWithProgram(const char *program, const char *document)
{
    // Quoted, so that a path with spaces stays one parameter.
    const CString quoted = CString('"') + document + "\"";
    return TShell::OpenProgram(program, quoted);
}

// The event's wave file; empty with "Audio Feedback" off or no file named.
static QString soundEventFile(const char *event)
{
    if (!GeneralOptions || GeneralOptions->GetInt(TGeneralOptions::AudioFeedback) == 0)
        return QString();
    const QString key = QStringLiteral("AppEvents\\Schemes\\Apps\\%1\\%2\\.Current")
                            .arg(QString::fromUtf8(ProductName), QString::fromUtf8(event ? event : ""));
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(key))
        return QString();
    try {
        return registry.ReadString(QString());
    } catch (const ERegistryException &) {
        return QString();   // a default value that is not text names no file
    }
}

void PlaySoundEvent(const char *event)
{
    CSingleLock lock(SoundLock);
    const QString file = soundEventFile(event);
    if (!file.isEmpty())
        PlaySound(file.toUtf8().constData(), nullptr, SND_FILENAME | SND_SYNC);
}

bool SoundEventWouldPlay(const char *event)
{
    return !soundEventFile(event).isEmpty();
}

CPath WindowsFolder()
{
    char buffer[256] = {};
    const UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return CPath();
    return CPath(buffer);
}

CPath DataFolder()
{
    const CPath programFolder = CPath::ExeFolder();
    if (programFolder.IsEmpty())
        return CPath();
    const CPath folder = programFolder.AppendFileName("Data");
    if (!folder.GetDirectoryExists() && !IsWriteProtected(programFolder))
        folder.CreateDirectoryA();
    return folder;
}

CPath WallpaperPath()
{
    const CPath folder = WindowsFolder();
    return folder.IsEmpty() ? CPath() : folder.AppendFileName("Zilo Wallpaper.bmp");
}

// The "Browse File" of a settings section when it names a central browse
// file. Any other value, a relative one or one edited to name another file,
// counts as none: saves would overwrite or delete that file, relocations move it.
static CPath storedBrowseFile(const CString &section)
{
    if (section.IsEmpty() || !SettingsStore)
        return CPath();
    const CPath stored(CString(SettingsStore->ReadString(section.ToAnsiString(), BrowseFileValueName, QString())));
    return stored.GetIsAbsolute() && IsCentralBrowseFile(stored) ? stored : CPath();
}

CPath GetBrowseFilePath(const CPath &folder)
{
    if (folder.IsEmpty())
        return CPath();
    const CPath stored = storedBrowseFile(FolderSettingsSection(folder, FoldersSection));
    return stored.IsEmpty() ? folder.AppendFileName(DefaultBrowseFileName) : stored;
}

CPath GetBrowseFilePathForKey(const CString &key)
{
    if (key.IsEmpty())
        return CPath();
    const CPath stored = storedBrowseFile(FoldersSection + "\\" + key);
    if (!stored.IsEmpty())
        return stored;
    const CPath folder = DriveFolderFromVolumePath(key, false, false);
    return folder.IsEmpty() ? CPath() : folder.AppendFileName(DefaultBrowseFileName);
}

void ProcessMessages()
{
    // Each top-level window paints what waits to be painted, right now; the
    // queued update requests then find nothing left to do.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())
        || QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        QEvent updateRequest(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(window, &updateRequest);
    }
}

static const char *plural(int n)
{
    return n == 1 ? "" : "s";
}

CString FormatDuration(int seconds)
{
    CString text;
    if (seconds < 0)
        return text;
    if (seconds < 60) {
        text.Format("%d %s%s", seconds, "second", plural(seconds));
        return text;
    }
    const int minutes = seconds / 60;
    if (minutes < 10) {
        const int rest = seconds - 60 * minutes;
        if (rest > 0)
            text.Format("%d %s%s %d %s%s", minutes, "minute", plural(minutes), rest, "second", plural(rest));
        else
            text.Format("%d %s%s", minutes, "minute", plural(minutes));
        return text;
    }
    if (minutes < 60) {
        text.Format("%d %s%s", minutes, "minute", plural(minutes));
        return text;
    }
    const int hours = minutes / 60;
    const int rest = minutes - 60 * hours;
    if (rest > 0)
        text.Format("%d %s%s %d %s%s", hours, "hour", plural(hours), rest, "minute", plural(rest));
    else
        text.Format("%d %s%s", hours, "hour", plural(hours));
    return text;
}

namespace {

// Brackets a file operation with the coordinator's hooks, however it ends.
class FileOperationScope
{
public:
    FileOperationScope() { Coordinator().BeginFileOperation(); }
    ~FileOperationScope() { Coordinator().EndFileOperation(); }
    FileOperationScope(const FileOperationScope &) = delete;
    FileOperationScope &operator=(const FileOperationScope &) = delete;
};

} // namespace

CPath CentralBrowseFolder()
{
    return DiskOptions ? CPath(CString(DiskOptions->GetString(TDiskOptions::SpecialBrowseFolder))) : CPath();
}

// The folder without its trailing backslashes, a drive root's kept.
static CString withoutTrailingBackslash(const CPath &folder)
{
    CString text = folder;
    while (text.GetLength() > 3 && text.GetAt(text.GetLength() - 1) == '\\')
        text = text.Left(text.GetLength() - 1);
    return text;
}

bool IsInFolder(const CPath &path, const CPath &folder)
{
    if (folder.IsEmpty())
        return false;
    const CString inner = withoutTrailingBackslash(path);
    const CString outer = withoutTrailingBackslash(folder);
    if (inner.CompareNoCase(outer) == 0)
        return true;
    const CString prefix = outer.GetAt(outer.GetLength() - 1) == '\\' ? outer : outer + "\\";
    return inner.GetLength() > prefix.GetLength() && inner.Left(prefix.GetLength()).CompareNoCase(prefix) == 0;
}

bool HoldsProgramData(const CPath &folder)
{
    for (const CPath &own : {CPath::ExeFolder(), DataFolder(), CentralBrowseFolder()}) {
        if (IsInFolder(own, folder))
            return true;
    }
    return false;
}

bool ShellDeleteFile(const CPath &path)
{
    CWaitCursor wait;
    TStringList files;
    files.Add(path.ToAnsiString());
    FileOperationScope operation;
    return !TShell::FileOperation(&files, 3, nullptr);
}

bool ConfirmDragMove(const CPath &folder)
{
    if (GeneralOptions && GeneralOptions->GetInt(TGeneralOptions::ConfirmMoves) == 0)
        return true;
    CString text;
    text.Format("Do you want to move the dragged images to\n\n%s?", folder.c_str());
    return ShowMessageBox(text, QuestionBoxFlags) == IDYES;
}

bool IsDriveWriteAllowed(char drive)
{
    if (!DiskOptions)
        return true;
    const QString noWriteDrives = DiskOptions->GetString(TDiskOptions::NoWriteDrives).toUpper();
    return !noWriteDrives.contains(QChar::fromLatin1(upper(drive)));
}

bool IsWriteProtected(const CPath &folder)
{
    if (folder.GetIsShared())
        return IsDriveWriteProtected(folder) || !canCreateFileIn(folder);
    if (!DriveTable)
        return false;
    const CDrive drive = DriveTable->GetDrive(folder.GetDriveLetter());
    if (!isAvailable(drive))
        return false;
    if (!IsDriveWriteAllowed(drive.letter))
        return true;
    const CPath root(drive.letter);
    return IsDriveWriteProtected(root) || !canCreateFileIn(root) || isReadOnlyFolder(folder);
}

void ShowDriveInfo(const CPath &folder)
{
    const CString drivePart = folder.GetDrivePart();
    // A share keeps the case it was given in; GetDrivePart upper-cases it.
    const CPath driveOrShare(folder.GetIsShared() ? folder.Left(drivePart.GetLength()) : drivePart);
    Dialogs().showDriveInfo(driveOrShare);
}

// "Volume 1234ABCD", "Mapped" or "Unavailable".
static CString driveText(const CDrive &drive)
{
    CString text;
    if (!isAvailable(drive))
        text = "Unavailable";
    else if (drive.type == DRIVE_REMOTE)
        text = "Mapped";
    else
        text.Format("Volume %08X", drive.serialNumber);
    return text;
}

void ShowDriveTypeImages(QWidget *floppy, QWidget *removable, QWidget *fixed, QWidget *network, QWidget *cdrom,
                         QWidget *ramdisk, const CDrive &drive)
{
    QWidget *shown = nullptr;
    switch (drive.type) {
    case DRIVE_REMOVABLE: shown = drive.letter == 'A' || drive.letter == 'B' ? floppy : removable; break;
    case DRIVE_FIXED: shown = fixed; break;
    case DRIVE_REMOTE: shown = network; break;
    case DRIVE_CDROM: shown = cdrom; break;
    case DRIVE_RAMDISK: shown = ramdisk; break;
    default: break;
    }
    CString hint;
    hint.Format("Drive %c: (%s)", drive.letter, driveText(drive).c_str());
    for (QWidget *image : {floppy, removable, fixed, network, cdrom, ramdisk}) {
        if (!image)
            continue;
        image->setVisible(image == shown);
        image->setToolTip(hint.ToAnsiString());
    }
}

static const char *platformName(DWORD platformId)
{
    switch (platformId) {
    case VER_PLATFORM_WIN32s: return "Win32s";
    case VER_PLATFORM_WIN32_WINDOWS: return "Win32";
    case VER_PLATFORM_WIN32_NT: return "Windows NT";
    default: return "";
    }
}

CString GetOSVersionString()
{
    OSVERSIONINFOA info;
    CString text;
    if (!GetVersionExA(&info))
        return text;
    text.Format("%s version %u.%u.%u %s", platformName(info.dwPlatformId), info.dwMajorVersion,
                info.dwMinorVersion, info.dwBuildNumber & 0xFFFFu, info.szCSDVersion);
    return text;
}

namespace {

constexpr std::array<Tool, 3> HiddenToolWindows = {Tool::Animation, Tool::Finder, Tool::FindSimilar};
std::array<bool, 3> s_toolWindowWasVisible = {};   // window thread only

} // namespace

void HideToolWindows()
{
    for (size_t i = 0; i < HiddenToolWindows.size(); ++i) {
        s_toolWindowWasVisible[i] = Coordinator().isToolWindowVisible(HiddenToolWindows[i]);
        Coordinator().setToolWindowVisible(HiddenToolWindows[i], false);
    }
}

void RestoreToolWindows()
{
    for (size_t i = 0; i < HiddenToolWindows.size(); ++i)
        Coordinator().setToolWindowVisible(HiddenToolWindows[i], s_toolWindowWasVisible[i]);
}

CString FolderSettingsSection(const CPath &folder, const char *base)
{
    if (folder.IsEmpty())
        return CString();
    const CPath stored = VolumePathFromDrivePathNoSlash(folder);
    if (stored.IsEmpty())
        return CString();
    return CString(base) + "\\" + stored;
}
