#pragma once

#include <QString>

class QWidget;

// Shortcuts of Setup and Deviva: desktop entries in the shell's special
// folders (platform/DesktopEntry.h: CSIDL_DESKTOP, CSIDL_PROGRAMS).

// Finds the shortcut (an entry that menus show) named linkName in specialFolder and answers its path,
// leaving it unchanged. Otherwise, with create set, makes one that starts
// target with arguments in target's folder, with iconFile as its picture,
// and answers its path (an existing file of another name is never written
// over); without create, answers empty. Raises Exception "Error while
// processing shortcut" when the folder is unknown or the entry cannot be
// written. owner and iconIndex have no effect here.
QString FindOrCreateShortcut(QWidget *owner, const QString &target, const QString &arguments, bool create,
                             int specialFolder, const QString &linkName, int iconIndex, const QString &iconFile);

// The entries of specialFolder named linkName that start target: those the
// installer made, never a user's entry of the same name that starts
// something else.
QStringList FindShortcutsTo(int specialFolder, const QString &linkName, const QString &target);
