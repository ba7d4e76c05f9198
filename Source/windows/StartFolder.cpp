#include "StartFolder.h"

#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <platform/HostPath.h>

#include <QString>

#include <cstring>

static const char BrowseFileKeyword[] = "browsefile=";
static const char BrowseFileExtension[] = ".zilo";

CString BrowseFileArgument(const CString &commandLine)
{
    CString line(commandLine);
    line.TrimRight();
    const int keyword = line.Find(BrowseFileKeyword);
    return keyword < 0 ? CString() : line.Mid(keyword);
}

CPath StartFolderFromCommandLine(const CString &commandLine)
{
    const CString argument = BrowseFileArgument(commandLine);
    if (argument.IsEmpty())
        return CPath();
    const CPath path(argument.Mid(int(std::strlen(BrowseFileKeyword))));
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
