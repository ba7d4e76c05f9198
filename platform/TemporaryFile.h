#pragma once

#include <string>

// Files on their way to a name of the user's are made under a hidden name of
// fixed length in the folder they go to: a name as long as the file system
// takes still leaves room for it, and the rename into place stays in one
// file system. Host paths.

// The bare name: ".zilo-" and random letters, never derived from the target.
std::string TemporaryFileName();

// Creates a new, empty file for reading and writing (mode 0666 less the umask)
// under a temporary name in the folder of hostTarget and sets hostTemporary to
// its path. Answers the descriptor, or -1 with errno set.
int CreateTemporaryFileBeside(const std::string &hostTarget, std::string &hostTemporary);

// Flushes the folder that holds hostPath, so that a rename into it survives a
// crash. False with errno set when that fails.
bool SyncFolderOf(const std::string &hostPath);
