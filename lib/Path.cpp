#include "Path.h"

#include "WaitCursor.h"

#include <platform/FileIO.h>
#include <platform/Files.h>
#include <platform/ProgramFolder.h>

#include <string>

static bool isDelimiter(char c)
{
    return c == '\\' || c == ':';
}

static bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

CPath::CPath(char drive)
{
    const char root[4] = {drive, ':', '\\', '\0'};
    SetPath(root);
}

void CPath::SetPath(const CString &path)
{
    CString::operator=(path);
}

int CPath::lastDelimiter() const
{
    for (int i = GetLength() - 1; i >= 0; --i) {
        if (isDelimiter(GetAt(i)))
            return i;
    }
    return -1;
}

CString CPath::GetDrivePart() const
{
    const int length = GetLength();
    if (length >= 2 && isLetter(GetAt(0)) && GetAt(1) == ':')
        return Left(2).AsUpper();
    if (!GetIsShared())
        return CString();
    // \\server\share: up to the fourth backslash.
    int backslashes = 2;
    for (int i = 2; i < length; ++i) {
        if (GetAt(i) == '\\' && ++backslashes == 4)
            return Left(i).AsUpper();
    }
    return AsUpper();
}

char CPath::GetDriveLetter() const
{
    const CString drive = GetDrivePart();
    return drive.IsEmpty() ? '\0' : drive.GetAt(0);
}

CString CPath::GetDirPart() const
{
    const int last = lastDelimiter();
    if (last < 0)
        return CString();
    if (GetAt(last) == '\\' && last > 0 && isDelimiter(GetAt(last - 1)))
        return Left(last + 1);
    return Left(last);
}

CString CPath::GetFilePart() const
{
    return Mid(lastDelimiter() + 1);
}

CString CPath::GetExtPart() const
{
    const int dot = ReverseFind('.');
    return dot > lastDelimiter() ? Mid(dot) : CString();
}

CPath CPath::AppendFileName(const char *name) const
{
    return CPath(MakeFullPath(*this, name));
}

CString CPath::GetUnixPath() const
{
    CString path(*this);
    for (int i = 0; i < path.GetLength(); ++i) {
        if (path.GetAt(i) == '\\')
            path.GetAt(i) = '/';
    }
    return path;
}

static char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

CPath CPath::TraceTo(const CPath &target) const
{
    const CString from = *this + '\\';
    const CString to = target + '\\';
    int rootLength = -1;
    for (int i = 0; from.GetAt(i) && to.GetAt(i) && asciiLower(from.GetAt(i)) == asciiLower(to.GetAt(i)); ++i) {
        if (from.GetAt(i) == '\\')
            rootLength = i;
    }
    if (rootLength < 0)
        return target;

    CString root = Left(rootLength);
    const CString rest = target.GetLength() > rootLength ? target.Mid(rootLength + 1) : CString();
    if (root.GetLength() < 3)
        root += '\\';

    CString up;
    CPath folder(*this);
    while (folder.GetLength() > root.GetLength()) {
        up += "..\\";
        const CPath parent(folder.GetDirPart());
        if (parent.GetLength() >= folder.GetLength())
            break;   // a share's "\\" never shortens: stop rather than climb for ever
        folder = parent;
    }
    if (up.IsEmpty())
        return CPath(rest);
    return CPath(up).AppendFileName(rest);
}

bool CPath::GetIsShared() const
{
    return GetLength() >= 2 && GetAt(0) == '\\' && GetAt(1) == '\\';
}

bool CPath::GetIsAbsolute() const
{
    const int length = GetLength();
    if (length <= 1)
        return false;
    if (GetIsShared())
        return true;
    return length > 2 && isLetter(GetAt(0)) && GetAt(1) == ':' && GetAt(2) == '\\';
}

bool CPath::GetDirectoryExists() const
{
    const DWORD attributes = GetFileAttributesA(c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CPath::GetFileExists() const
{
    const DWORD attributes = GetFileAttributesA(c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CPath::GetCanWrite() const
{
    CWaitCursor wait;
    constexpr int MaxProbes = 100;
    for (int probe = 0; probe < MaxProbes; ++probe) {
        CString name(*this);
        if (probe > 0)
            name += std::to_string(probe).c_str();
        const HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, 0);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            DeleteFileA(name);
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool CPath::CreateDirectoryA() const
{
    const CPath parent(GetDirPart());
    if (parent == c_str() || parent.IsEmpty())
        return false;
    if (!parent.GetDirectoryExists() && !parent.CreateDirectoryA())
        return false;
    return ::CreateDirectoryA(c_str(), nullptr) != FALSE;
}

CPath CPath::ExeFolder()
{
    return CPath(ProgramFolder().c_str());
}
