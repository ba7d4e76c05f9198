#pragma once

#include "String.h"

// A Windows path: backslash separators, an optional drive letter and colon, or
// a share (\\server\share\...). A folder has no trailing backslash except at a
// drive root (C:\). Paths compare without case. Missing files and folders
// answer false; nothing here raises.
class CPath : public CString
{
public:
    CPath() = default;
    explicit CPath(char drive);
    CPath(const CPath &other) : CString(other) {}
    CPath(const CString &path) : CString(path) {}
    CPath(const char *path) : CString(path) {}
    ~CPath() override = default;

    CPath &operator=(const CPath &path) { SetPath(path); return *this; }
    CPath &operator=(const CString &path) { SetPath(path); return *this; }
    CPath &operator=(const char *path) { SetPath(path); return *this; }

    void SetPath(const CString &path);
    CString GetPath() const { return *this; }

    CString GetDrivePart() const;
    char GetDriveLetter() const;
    CString GetDirPart() const;
    CString GetFilePart() const;
    CString GetExtPart() const;
    CPath AppendFileName(const char *name) const;
    CString GetUnixPath() const;
    // This path (a folder) to target, as a relative path where they share a
    // root; target unchanged where they do not.
    CPath TraceTo(const CPath &target) const;

    bool GetIsShared() const;
    bool GetIsAbsolute() const;
    bool GetIsRelative() const { return !GetIsAbsolute(); }
    bool GetDirectoryExists() const;
    bool GetFileExists() const;
    // Whether a file of this path can be created. Probes with a new file that
    // it then deletes; an existing file of the name is never touched.
    bool GetCanWrite() const;

    // Creates this folder and every missing one above it. False for a root and
    // for a folder that already exists.
    bool CreateDirectoryA() const;

    static CPath ExeFolder();

private:
    int lastDelimiter() const;
};
