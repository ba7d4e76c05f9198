#include "RecentTargets.h"

#include <Source/Glob.h>
#include <lib/Path.h>
#include <lib/SafeRegIniFile.h>
#include <lib/WaitCursor.h>
#include <lib/controls/HistoryComboBox.h>
#include <platform/Registry.h>

#include <QString>

// The name the entries are numbered under.
static const QString HistoryName = QStringLiteral("History");

void LoadRecentTargets(THistoryComboBox &combo, bool withSelection)
{
    combo.LoadState(*SettingsStore, RecentTargetsSection, HistoryName, withSelection);
}

void SaveRecentTargets(THistoryComboBox &combo, bool withSelection, bool eraseFirst)
{
    try {
        TSafeRegIniFile::Transaction transaction(*SettingsStore);
        if (eraseFirst)
            SettingsStore->EraseSection(RecentTargetsSection);
        combo.SaveState(*SettingsStore, RecentTargetsSection, HistoryName, withSelection);
        transaction.Commit();
    } catch (const ERegistryException &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
    }
}

bool CreateTargetFolder(const CPath &folder)
{
    CWaitCursor wait;
    if (folder.CreateDirectoryA())
        return true;
    CString text;
    text.Format("Failed to create folder '%s'", folder.c_str());
    ShowMessageBox(text, ErrorBoxFlags);
    return false;
}
