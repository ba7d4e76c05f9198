#pragma once

#include <QString>

class TStrings;

// What Setup and Deviva share: the look-ups in "Setup.dat" and "Install.log"
// (lines "Name=Value", names without case, the first line wins, an absent
// name reads empty) and the registry keys made from the product's names.
//
// "Setup.dat" names, beyond the product's own: Srce%d/Dest%d (the files),
// Dir%d, SoundFile%d/SoundKey%d, FilterExt%d/FileTypeId%d/FileTypeName%d/
// ShellNew%d, and FileTypeMagic%d, the first bytes that the desktop knows a
// type's files by; FileTypeExe and OpenParam ("%1" for the file).
//
// "Install.log", CR LF lines:
//   "Installation log for <AppName> - Do not edit or delete this file", ""
//   DestFolder=, AppName=, ShortAppName=, CompanyName=
//   ShortcutExe=   the program the shortcuts start, which Deviva matches them by
//   Dir%d=         folders, full paths
//   File%d=        installed files, full paths (Deviva's own never)
//   FilterExt%d=, FileTypeId%d=, ShellNew%d=, and FilterDefault%d= when the
//                  extension had another default before, so that it comes back
//   File%d=        the log itself, last

// The uninstaller's file in the destination.
inline constexpr char UninstallerName[] = "Deviva";

// folder and name joined by one backslash (CString::MakeFullPath).
QString FullPath(const QString &folder, const QString &name);

// Value of Format("%s%d", name, number).
QString NumberedValue(const TStrings &data, const char *name, int number);

QString SettingsKey(const TStrings &data);   // "Software\<CompanyName>\<AppName>"
QString UninstallKey(const QString &appName);
QString SoundEventsKey(const QString &appName);
QString SoundEventKey(const QString &appName, const QString &event);

// Why the names of data would write into keys or files shared with other
// programs: an empty or nested (backslash) AppName or CompanyName, a type
// whose FilterExt has no leading point or whose FileTypeId is no plain name.
// Empty when none.
QString SharedKeyProblem(const TStrings &data);

// The name of the applications menu's entry that starts Deviva.
QString UninstallEntryName(const QString &appName);

// Whether path names file, compared as Windows paths (case-blind).
bool SameWindowsPath(const QString &path, const QString &file);
