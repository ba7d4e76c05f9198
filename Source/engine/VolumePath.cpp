#include "VolumePath.h"

#include "WindowHooks.h"

#include <Source/Glob.h>
#include <lib/Drive.h>
#include <platform/Drives.h>
#include <platform/WindowThread.h>

#include <cstring>
#include <optional>

namespace {

constexpr int SerialDigits = 8;

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// "C:" or "C:\...": a drive path that the serial and mapped forms can hold.
bool isAbsoluteDrivePath(const CString &path)
{
    const int length = path.GetLength();
    return length >= 2 && isLetter(path.GetAt(0)) && path.GetAt(1) == ':' && (length == 2 || path.GetAt(2) == '\\');
}

// The text after position start, or empty when the text is no longer.
CString after(const CString &text, int start)
{
    return text.GetLength() > start ? text.Mid(start) : CString();
}

// The marker, a backslash and at least a server name: "\\server\...".
CPath sharedDrivePath(const CString &stored)
{
    const int markerLength = SharedPathMarker.GetLength();
    if (stored.GetLength() < markerLength + 2 || stored.GetAt(markerLength) != '\\'
        || stored.GetAt(markerLength + 1) == '\\')
        return CPath();
    return CPath(CString('\\') + after(stored, markerLength));
}

// The marker, a backslash, a letter and then nothing or the path from its
// backslash: "F:\...".
CPath mappedDrivePath(const CString &stored)
{
    const int markerLength = MappedPathMarker.GetLength();
    const int letterAt = markerLength + 1;
    const int length = stored.GetLength();
    if (length <= letterAt || stored.GetAt(markerLength) != '\\' || !isLetter(stored.GetAt(letterAt)))
        return CPath();
    if (length > letterAt + 1 && stored.GetAt(letterAt + 1) != '\\')
        return CPath();
    CString path(upper(stored.GetAt(letterAt)));
    path += ':';
    path += after(stored, letterAt + 1);
    if (path.GetLength() == 2)
        path += '\\';
    return CPath(path);
}

bool isSerialForm(const CString &stored)
{
    const int length = stored.GetLength();
    if (length < SerialDigits)
        return false;
    for (int i = 0; i < SerialDigits; ++i) {
        if (!isHexDigit(stored.GetAt(i)))
            return false;
    }
    return length == SerialDigits || stored.GetAt(SerialDigits) == '\\';
}

// Undoes DisableAllWindows however the prompt ends.
class DisabledWindows
{
public:
    DisabledWindows() { Coordinator().DisableAllWindows(); }
    ~DisabledWindows() { Coordinator().EnableAllWindows(); }
    DisabledWindows(const DisabledWindows &) = delete;
    DisabledWindows &operator=(const DisabledWindows &) = delete;
};

enum class PromptOutcome { GiveUp, TryAgain };

// One round of the insert-volume prompt, on the window thread: the windows
// disabled around it, the serial sought replaced after Force, the drive table
// refreshed after OK.
PromptOutcome askForVolume(uint32_t &serial, bool allowForce)
{
    PromptOutcome outcome = PromptOutcome::TryAgain;
    CallOnWindowThread([&] {
        DisabledWindows disabled;
        const int answer = PromptForVolume(serial, allowForce);
        if (answer == IDCANCEL)
            outcome = PromptOutcome::GiveUp;
        else if (answer == VolumeForce && allowForce)
            serial = ReplaceSerialNumber();
        else if (answer == IDOK && DriveTable)
            DriveTable->Update();
    });
    return outcome;
}

CPath serialDrivePath(const CString &stored, bool ask, bool allowForce)
{
    if (!isSerialForm(stored))
        return CPath();
    uint32_t serial = ParseHex(stored.Left(SerialDigits));
    if (serial == 0) {
        InternalError(__FILE__, "DrivePathFromVolumePath", __LINE__);
        return CPath();
    }
    const CString rest = after(stored, SerialDigits);
    for (;;) {
        if (!DriveTable)
            return CPath();
        if (const std::optional<CDrive> drive = DriveTable->DriveFromSerial(serial)) {
            CString path;
            path.Format("%c:%s", drive->letter, rest.c_str());
            return CPath(path);
        }
        if (!ask || askForVolume(serial, allowForce) == PromptOutcome::GiveUp)
            return CPath();
    }
}

} // namespace

CPath VolumePathFromDrivePath(const CPath &path)
{
    if (path.GetIsShared())
        return CPath(SharedPathMarker + after(path, 1));
    if (!isAbsoluteDrivePath(path) || !DriveTable)
        return CPath();
    const char letter = upper(path.GetAt(0));
    const CDrive drive = DriveTable->GetDrive(letter);
    CString stored;
    if (drive.type == DRIVE_REMOTE)
        stored.Format("%s\\%c\\%s", MappedPathMarker.c_str(), letter, after(path, 3).c_str());
    else
        stored.Format("%08X%s", drive.serialNumber, after(path, 2).c_str());
    return CPath(stored);
}

CPath VolumePathFromDrivePathNoSlash(const CPath &path)
{
    CPath stored = VolumePathFromDrivePath(path);
    const int length = stored.GetLength();
    if (length > 0 && stored.GetAt(length - 1) == '\\')
        stored = stored.Left(length - 1);
    return stored;
}

CPath DrivePathFromVolumePath(const CString &volumePath, bool ask, bool allowForce)
{
    if (volumePath.GetLength() > MaxVolumePathLength)
        return CPath();
    if (CPath(volumePath).GetIsShared())
        return CPath(volumePath);
    if (IsMappedPath(volumePath))
        return mappedDrivePath(volumePath);
    if (IsSharedPath(volumePath))
        return sharedDrivePath(volumePath);
    return serialDrivePath(volumePath, ask, allowForce);
}

CPath DriveFolderFromVolumePath(const CString &volumePath, bool ask, bool allowForce)
{
    CPath path = DrivePathFromVolumePath(volumePath, ask, allowForce);
    if (path.GetLength() == 2 && path.GetAt(1) == ':')
        path = path + '\\';
    return path;
}

static bool startsWith(const char *text, const CString &prefix)
{
    return text && std::strncmp(text, prefix.c_str(), size_t(prefix.GetLength())) == 0;
}

bool IsSharedPath(const char *text)
{
    return startsWith(text, SharedPathMarker);
}

bool IsMappedPath(const char *text)
{
    return startsWith(text, MappedPathMarker);
}

uint32_t ReplaceSerialNumber()
{
    const CString letters = DriveTable ? DriveTable->GetDriveLetters(DRIVE_FIXED) : CString();
    for (int i = 0; i < letters.GetLength(); ++i) {
        const uint32_t serial = DriveTable->GetDrive(letters.GetAt(i)).serialNumber;
        if (serial != 0)
            return serial;
    }
    InternalError(__FILE__, __func__, __LINE__);
    return 0;
}

int PromptForVolume(uint32_t serial, bool allowForce)
{
    CString text;
    text.Format("Please insert the volume with serial number %08X into any drive", serial);
    int answer = IDCANCEL;
    CallOnWindowThread([&] { answer = Dialogs().promptForVolume(text, allowForce); });
    return answer;
}

uint32_t ParseHex(const char *text)
{
    uint32_t value = 0;
    for (const char *at = text ? text : ""; *at; ++at) {
        const char c = upper(*at);
        const uint32_t digit = c <= '9' ? uint32_t(c - '0') : uint32_t(c - 'A') + 10u;
        value = value * 16u + digit;
    }
    return value;
}
