#pragma once

#include "FileIO.h"
#include "LastError.h"
#include "Types.h"

#include <string_view>

// Listing of a folder in the Windows manner. Only regular files and folders
// are listed (links followed), never FIFOs, devices, sockets or dangling
// links; of names that differ only in case, the first in byte order; names
// too long for cFileName are left out. "." and ".." come first, except in a
// drive root. The rest follow in byte order. The listing is taken whole at
// FindFirstFileA, so later changes to the folder do not show.

struct WIN32_FIND_DATAA
{
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;     // the host's change time: it keeps no creation time
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    DWORD dwReserved0 = 0;
    DWORD dwReserved1 = 0;
    char cFileName[MAX_PATH] = {};
    char cAlternateFileName[14] = {};   // always empty: there are no short names
};

// fileName is a folder and a pattern ("C:\Pics\*.jpg"). Answers
// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches and
// ERROR_PATH_NOT_FOUND when the folder is not there.
HANDLE FindFirstFileA(const char *fileName, WIN32_FIND_DATAA *findFileData);
// FALSE with ERROR_NO_MORE_FILES after the last name.
BOOL FindNextFileA(HANDLE findFile, WIN32_FIND_DATAA *findFileData);
BOOL FindClose(HANDLE findFile);

// Whether a name matches a Windows wildcard pattern: without case (ASCII);
// '*' any run of characters, '?' any one; "*.*" and a pattern ending in ".*"
// also match names without a dot, and a pattern ending in '.' matches only
// names without one.
bool MatchesWildcard(std::string_view name, std::string_view pattern);
