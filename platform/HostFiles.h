#pragma once

#include <string>

// Changes to host files that the Windows file functions are made of, for the
// platform's own units and their tests; code above the platform uses Files.h.
// Host paths; the copy and the move set the last error when they fail.

// Renames without ever replacing what is at to (EEXIST when something is).
// Where the file system has no such rename, a file is linked under the new
// name and its old name removed; a folder is renamed only after the target
// was found missing. Answers 0, or -1 with errno set.
int RenameNoReplace(const std::string &from, const std::string &to);

// Copies a regular file with its permissions and times. The copy is written
// under a temporary name beside to, flushed to disk, and only then given its
// name, so a failed copy leaves nothing and an existing file at to is never
// replaced (ERROR_FILE_EXISTS). A source that is no regular file answers
// ERROR_ACCESS_DENIED.
bool CopyHostFile(const std::string &from, const std::string &to);
// CopyHostFile that renames the finished copy over an existing file at to:
// the old file stays whole until the new one is on disk.
bool ReplaceHostFileByCopy(const std::string &from, const std::string &to);

// Moves a regular file as a copy and a delete, as a move to another device
// must: the source goes only once the copy is on disk under its new name, and
// should the delete fail, the copy goes again, so the file is never lost nor
// in both places. Refuses an existing to (ERROR_ALREADY_EXISTS) and a folder
// (ERROR_NOT_SAME_DEVICE).
bool MoveHostFileByCopy(const std::string &from, const std::string &to);
