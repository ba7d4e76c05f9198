#pragma once

#include <Source/engine/WindowHooks.h>

#include <vector>

// The open-with list that the preferences keep: the programs, and the two
// built-in entries, with which the Open With menus and "Open" open files.
//
// Section "Applications" of the settings store:
//   "Count"         the number of entries (read as at most MaxApplicationCount)
//   "Name%d"        entry i's menu caption, i = 1..Count
//   "App%d"         entry i's command: a program's Windows path, or a built-in
//                   entry ("#Registered", "#Internal")
//   "Text Editor"   the program for ".txt" files; empty: the desktop's own

// More entries than a menu can usefully show; a damaged or hostile count
// never makes the list read on past this.
constexpr int MaxApplicationCount = 256;

// The stored entries in their order, without those whose command is missing.
// Unless exactly two of them are built-in entries, "&Registered Association"
// and then "Internal &Viewer" are appended. Any thread that may read the
// settings store; with no store, the two built-in entries.
std::vector<OpenWithApplication> LoadApplicationList();

// Replaces the stored list, in one transaction: erases the section, then
// writes "Text Editor", "Count" and each entry from 1. Raises
// ERegistryException when the store refuses; then the old list stays. Window
// thread; nothing without a store.
void SaveApplicationList(const std::vector<OpenWithApplication> &applications, const CString &textEditor);
// The stored "Text Editor"; empty without a store.
CString LoadTextEditor();
// Whether both lists hold the same names and commands in the same order.
bool SameApplications(const std::vector<OpenWithApplication> &a, const std::vector<OpenWithApplication> &b);
// Whether command names a built-in entry (it begins with '#').
bool IsBuiltInCommand(const CString &command);

// The list above as the engine's hooks, for "Open" and the Open With menus.
class TOpenWithList : public OpenWithHooks
{
public:
    CString firstApplication() const override;
    std::vector<OpenWithApplication> applications() const override;
};
