#pragma once

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/CriticalSection.h>
#include <platform/MessageBox.h>
#include <platform/Types.h>

#include <QString>

#include <memory>

class CDrive;
class CDriveAll;
class QWidget;
class StdPalette;
class TCacheOptions;
class TDiskOptions;
class TGeneralOptions;
class TJpegOptions;
class TMovieOptions;
class TPanelOptions;
class TProgramOptions;
class TSafeRegIniFile;

// What the whole organiser shares. Window thread unless a function says otherwise.

// Made by InitGlobals in this order. FreeGlobals saves and frees the option
// groups in the same order, then frees the settings store and the drive
// table. Null outside that span.
extern std::unique_ptr<CDriveAll> DriveTable;
extern QString SettingsRoot;   // "Software\<company>\<product>": every option set's registry key
extern std::unique_ptr<TSafeRegIniFile> SettingsStore;
extern std::unique_ptr<TProgramOptions> ProgramOptions;
extern std::unique_ptr<TMovieOptions> MovieOptions;
extern std::unique_ptr<TGeneralOptions> GeneralOptions;
extern std::unique_ptr<TPanelOptions> PanelOptions;
extern std::unique_ptr<TJpegOptions> JpegOptions;
extern std::unique_ptr<TDiskOptions> DiskOptions;
extern std::unique_ptr<TCacheOptions> CacheOptions;

// Made before the program starts; the windows answer the palette query with it.
extern const StdPalette SharedPalette;

// The markers of stored folder forms and the first components of the
// per-folder settings sections.
extern const CPath SharedPathMarker;   // "*Shared"
extern const CPath MappedPathMarker;   // "*Mapped"
extern const CPath FoldersSection;     // "Folders"
extern const CPath MemosSection;       // "Memos"

// Serialises the sound events: held for a whole lookup and play. Taken before
// the registry's and the sound device's own locks, with no other lock held.
extern CCriticalSection SoundLock;

inline constexpr char WallpaperHint[] = "If the wallpaper has not changed, click on the desktop and press F5";
inline constexpr char VolumeNotMountedText[] = "Volume is not mounted";
inline constexpr char DefaultBrowseFileName[] = "Thumbnail.zilo";
inline constexpr char BrowseFileValueName[] = "Browse File";
inline constexpr char ApplicationsSection[] = "Applications";
inline constexpr char TextEditorValueName[] = "Text Editor";

// The sound events that the program plays.
inline constexpr char ThumbnailLoadedEvent[] = "Thumbnail Loaded";
inline constexpr char ThumbnailFailedEvent[] = "Thumbnail Failed";
inline constexpr char LoadCompleteEvent[] = "Load Complete";
inline constexpr char FolderScanCompleteEvent[] = "Folder Scan Complete";

// The four kinds of message the program shows.
constexpr UINT ErrorBoxFlags = MB_ICONSTOP | MB_OK;
constexpr UINT WarningBoxFlags = MB_ICONWARNING | MB_OK;
constexpr UINT QuestionBoxFlags = MB_ICONQUESTION | MB_YESNO;
constexpr UINT QuestionNoBoxFlags = MB_ICONQUESTION | MB_YESNO | MB_DEFBUTTON2;

// Once at start-up, before any window exists: the drive table, the settings
// store and the seven option groups, loaded from the settings. Reports nothing:
// settings that cannot be read keep their defaults.
void InitGlobals();
// Saves the option groups in the order they were made and frees nothing: at
// exit, in place of FreeGlobals while a worker that may still use them runs.
void SaveGlobals();
// Once at the end, after every window and worker is gone: saves the option
// groups (SaveGlobals) and frees them, then frees the settings store and the
// drive table.
void FreeGlobals();

// Prepares the imaging library for the calling thread. Any thread: start-up
// calls it after InitGlobals, and every worker that decodes images first.
void InitImageLibrary();

// The program's message box, captioned with the application's display name;
// flags as MessageBoxA's (usually one of the four kinds above). Answers the
// button pressed. Any thread: a worker waits while the window thread shows it.
int ShowMessageBox(const CString &text, UINT flags);

// Reports an internal consistency failure to the user as a warning, then
// returns: the caller decides how to go on. Any thread.
void InternalError(const char *file, const char *function, unsigned line);

// What OpenDocument answers when it has told the user itself that the
// configured text editor is missing: neither success (-1) nor a shell code.
constexpr int OpenDocumentReported = -2;
// Opens document with the shell (TShell::Open: -1 when started, else the
// shell's error code, below 32, for the caller to show). A ".txt" document,
// in any case, opens in the text editor of the preferences when one is set.
int OpenDocument(const char *document, const char *parameters);
// Starts program, one the user chose to open files with, on document, as a
// program whatever its name; answers as OpenDocument.
int OpenWithProgram(const char *program, const char *document);

// Plays the wave file of a sound event when the General option "Audio
// Feedback" is on; silent for a missing key, an empty value or a file that
// cannot be played. Any thread; returns when the sound has ended, and sounds
// of several threads play one after another.
void PlaySoundEvent(const char *event);
// Whether PlaySoundEvent(event) would play a file: "Audio Feedback" is on and
// the event names one. Any thread.
bool SoundEventWouldPlay(const char *event);

// The Windows folder, without a trailing backslash; empty when the platform
// has none.
CPath WindowsFolder();
// The program folder's "Data", created when missing unless the program
// folder's drive is write-protected. Answered whether or not it exists; empty
// when the program folder lies on no drive.
CPath DataFolder();
// The file written before it is made the desktop wallpaper; empty when there
// is no Windows folder.
CPath WallpaperPath();

// The folder's browse file: the path its settings name as "Browse File" when
// that is a central browse file (IsCentralBrowseFile), else the folder's own
// "Thumbnail.zilo". Empty for an empty folder.
CPath GetBrowseFilePath(const CPath &folder);
// The same for a folder given by its stored form (the key below "Folders");
// empty when that volume is not present. Never asks for a volume.
CPath GetBrowseFilePathForKey(const CString &key);

// Paints every window that waits to be painted, so that windows repaint
// during a long task on the window thread. Nothing else runs: input, timers
// and other messages stay queued.
void ProcessMessages();

// "1 second", "9 minutes 59 seconds", "10 minutes", "1 hour 2 minutes"; the
// seconds from 10 minutes on and the minutes' seconds from an hour on are
// dropped. Empty for a negative number.
CString FormatDuration(int seconds);

// The Disk option "Special Browse Folder", the one folder whose browse files
// a folder's settings may name; empty before the option groups exist.
CPath CentralBrowseFolder();
// Whether path is folder or lies below it, without regard to case or to a
// trailing backslash. An empty folder holds nothing.
bool IsInFolder(const CPath &path, const CPath &folder);
// Whether deleting folder would take the program's own data with it: it is,
// or holds, the program folder, the data folder (every memo) or the central
// browse-file folder.
bool HoldsProgramData(const CPath &folder);

// Deletes one file or folder with the shell, to the trash, with the hourglass
// shown and every window disabled meanwhile. Answers whether it was deleted.
bool ShellDeleteFile(const CPath &path);

// Whether thumbnails dragged in the program may be moved into folder: asks
// the user when the General option "Confirm Moves" is on.
bool ConfirmDragMove(const CPath &folder);

// False when the drive's letter (either case) is listed in the Disk option
// "No Write Drives". True before the option groups exist.
bool IsDriveWriteAllowed(char drive);
// Whether the program must not write in folder: a share that refuses a new
// file in the folder itself; a drive listed in "No Write Drives"; a drive that
// is write-protected or refuses a new file in its root; a folder that is
// read-only (one the user may not write). A drive that is not available (or
// any folder before the drive table exists) is not.
bool IsWriteProtected(const CPath &folder);

// The drive information dialog for the folder's share or drive letter.
void ShowDriveInfo(const CPath &folder);
// Of six images, shows the one for the drive's type and hides the others
// (none for a drive of unknown type or without a root); each gets the hint
// "Drive C: (Volume 1234ABCD)", "(Mapped)" for a network drive,
// "(Unavailable)" when the drive is not available. Null images are skipped.
void ShowDriveTypeImages(QWidget *floppy, QWidget *removable, QWidget *fixed, QWidget *network, QWidget *cdrom,
                         QWidget *ramdisk, const CDrive &drive);

// "<platform> version <major>.<minor>.<build> <service pack>"; the platform
// name is empty for a system that is none of the Windows lines.
CString GetOSVersionString();

// Around modal work: remembers whether the animation, finder and find-similar
// windows are shown and hides them; then shows again those that were.
void HideToolWindows();
void RestoreToolWindows();

// The settings section of a folder: base ("Folders" or "Memos"), a backslash
// and the folder's stored form without its trailing backslash. Empty for an
// empty folder or one that has no stored form.
CString FolderSettingsSection(const CPath &folder, const char *base);
