#pragma once

#include <QString>

class TBatchWorkList;
class TStrings;

// The batch engine's state files (".zile"), which keep a work list, and the
// recent list of them, "Engine.txt" in the program folder. Window thread only.

// Writes the work list to path by a temporary file renamed over it, so that
// a failed save leaves the old file as it was. Answers false after showing
// "Unable to open file '%s' for writing" or "Error while writing file '%s'".
bool SaveStateFile(const TBatchWorkList &list, const QString &path);
// Reads path into the work list, which the caller has emptied. A file of
// another kind shows "Not a batch engine state file", an older one "Old state
// files cannot be loaded", a missing one "Unable to open file '%s'" and a
// damaged one "Error while reading file '%s'"; what was read before the
// damage stays in the list. Answers whether the whole file was read.
bool LoadStateFile(TBatchWorkList &list, const QString &path);

// The longest recent list.
inline constexpr int MaxRecentStateFiles = 8;
// "Engine.txt" in the program folder.
QString RecentListPath();
// Reads the recent list; empty when it is missing or cannot be read. Lines
// that are no absolute path are dropped, and only the first few are kept.
void ReadRecentList(TStrings &files);
// Writes the recent list by a temporary file; a failure is left unreported,
// the list being only a convenience.
void WriteRecentList(const TStrings &files);
