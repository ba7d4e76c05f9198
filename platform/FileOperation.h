#pragma once

#include "Types.h"

#include <string>
#include <vector>

// The shell's copy, move, delete and rename over a list of files. Moves and
// copies never replace a file unless the responder says so, and never put a
// file onto itself. Deletes with FOF_ALLOWUNDO go to the desktop's trash.

constexpr UINT FO_MOVE = 1;
constexpr UINT FO_COPY = 2;
constexpr UINT FO_DELETE = 3;
constexpr UINT FO_RENAME = 4;

using FILEOP_FLAGS = WORD;
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x40;   // deletes go to the trash

struct SHFILEOPSTRUCTA
{
    void *hwnd = nullptr;           // no effect: the responder owns the questions
    UINT wFunc = 0;
    // Windows paths, each ended by a NUL, the list ended by a further NUL.
    const char *pFrom = nullptr;
    // FO_MOVE and FO_COPY: the target folder, in the same form. FO_RENAME: the
    // new names, one for each source in order; a bare name stays in the
    // source's folder.
    const char *pTo = nullptr;
    FILEOP_FLAGS fFlags = 0;
    // Out: TRUE when any file was not done, because the user cancelled or
    // skipped it or because it failed.
    BOOL fAnyOperationsAborted = FALSE;
    // Not in the Windows record. When set, receives one code per source, in
    // order: ERROR_SUCCESS, ERROR_CANCELLED for a file the user skipped or that
    // was never reached after a cancel, else the failure.
    std::vector<DWORD> *pResults = nullptr;
};

// Window thread. Answers 0 when every file was done, else the first file's
// code that is not ERROR_SUCCESS (ERROR_INVALID_PARAMETER without sources or
// for an unknown operation).
int SHFileOperationA(SHFILEOPSTRUCTA *operation);

enum class CollisionAnswer { Replace, Skip, Cancel };
enum class PermanentDeleteAnswer { Delete, Keep, Cancel };

// The questions of a file operation, answered by a window that registers
// itself. This base answers safely: nothing is replaced and nothing is deleted
// for good. Paths are Windows paths. Called on the window thread.
class FileOperationResponder
{
public:
    virtual ~FileOperationResponder() = default;

    // target exists where source is to go. Replace puts source in its place;
    // target is only removed once source has safely arrived beside it.
    virtual CollisionAnswer answerCollision(const std::string &source, const std::string &target);
    // path is about to be deleted for good: noTrash when it was to go to the
    // trash but its file system has none, else the caller asked for no undo.
    virtual PermanentDeleteAnswer confirmPermanentDelete(const std::string &path, bool noTrash);
    // Before each file: done files of total so far, current the next one.
    // False stops the operation before current.
    virtual bool progress(int done, int total, const std::string &current);
};

// Window thread. The responder stays its caller's, who must unregister it
// (null restores the safe answers) before it goes.
void SetFileOperationResponder(FileOperationResponder *responder);
