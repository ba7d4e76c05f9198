#include "StartFolder.h"

#include <Source/engine/BrowseFile.h>

#include <cstring>

static const char BrowseFileKeyword[] = "browsefile=";
static const char BrowseFileExtension[] = ".zilo";

CPath StartFolderFromCommandLine(const CString &commandLine)
{
    CString line(commandLine);
    line.TrimLeft();
    line.TrimRight();
    const int keyword = line.Find(BrowseFileKeyword);
    if (keyword < 0)
        return CPath();
    const CPath path(line.Mid(keyword + int(std::strlen(BrowseFileKeyword))));
    if (path.GetExtPart() == BrowseFileExtension)
        return ReadBrowseFileFolder(path);
    return CPath(path.GetDirPart());
}
