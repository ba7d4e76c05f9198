#pragma once

class CPath;
class THistoryComboBox;

// What the target folder and new folder dialogs share: making the folder the
// user chose, and the recent folders,
// kept in the settings store's section "Recent Targets" as "History 1",
// "History 2", ... (the newest first) with, when kept, "History Index".
// Window thread.

inline constexpr char RecentTargetsSection[] = "Recent Targets";

// Fills combo from the section; withSelection selects the stored index.
void LoadRecentTargets(THistoryComboBox &combo, bool withSelection);
// Saves combo's entries into the section in one transaction; with
// eraseFirst whatever else the section held goes too. A store that refuses
// is reported to the user in an error box and keeps what it held.
void SaveRecentTargets(THistoryComboBox &combo, bool withSelection, bool eraseFirst);

// Makes folder (with the folders above it) under a wait cursor; a failure is
// reported to the user. Answers whether it was made.
bool CreateTargetFolder(const CPath &folder);
