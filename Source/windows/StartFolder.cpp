#include "StartFolder.h"

#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <platform/HostPath.h>

#include <QString>

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

bool CheckFolderExists(const CPath &folder)
{
    if (folder.GetDirectoryExists())
        return true;
    if (folder.IsEmpty())
        return false;
    CString text;
    text.Format("Folder '%s' does not exist", folder.c_str());
    ShowMessageBox(text, WarningBoxFlags);
    return false;
}

CPath TypedFolder(const QString &text)
{
    CPath path(CString(QString::fromStdString(WindowsPathFromTyped(text.toStdString()))));
    if (path.GetLength() > 3 && path.GetAt(path.GetLength() - 1) == '\\')
        path = CPath(path.Left(path.GetLength() - 1));
    return path;
}
