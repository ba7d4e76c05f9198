#pragma once

#include <QString>

class TMenuItem;
class TStrings;

// Recent-file menus. The marker is an item placed where the list belongs in
// its parent menu, followed there by a separator ("-"); it stands for the
// empty list. Window thread only.

// Deletes the items between the marker and the next separator, then puts one
// item per line after the marker: caption "&1 name" (the line's file name;
// an '&' in it shows as itself), hint the whole line, the marker's click
// handler. The marker shows only while files is empty. A marker without a
// parent gets no items.
void BuildRecentFileMenu(TMenuItem *marker, TStrings *files);

// A non-empty file moves to the top of files, or is put there, the last lines
// going while there are more than maximum; lines match without case. Then the
// menu is rebuilt (for an empty file too).
void AddToRecentFiles(const QString &file, TMenuItem *marker, TStrings *files, int maximum);
