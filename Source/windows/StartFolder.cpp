#include "StartFolder.h"

#include <Source/Glob.h>
#include <Source/engine/BrowseFile.h>
#include <platform/HostPath.h>

#include <QString>

#include <cstring>

static const char BrowseFileKeyword[] = "browsefile=";
static const char BrowseFileExtension[] = ".zilo";

// Where the program's own name ends: a quoted name at its closing quote,
// another at the first blank.
static int programNameEnd(const CString &line)
{
    const char *text = line.c_str();
    if (text[0] == '"') {
        const char *close = std::strchr(text + 1, '"');
        return close ? int(close - text) + 1 : line.GetLength();
    }
    const char *blank = std::strpbrk(text, " \t");
    return blank ? int(blank - text) : line.GetLength();
}

// The first keyword after the program's name that starts an argument (after
// a blank, or the quote that opens the argument); -1 when there is none. A
// line that starts with it is the argument alone, as a second start hands it on.
static int keywordPosition(const CString &line)
{
    const char *text = line.c_str();
    if (std::strncmp(text, BrowseFileKeyword, std::strlen(BrowseFileKeyword)) == 0)
        return 0;
    for (const char *at = std::strstr(text + programNameEnd(line), BrowseFileKeyword); at;
         at = std::strstr(at + 1, BrowseFileKeyword)) {
        if (at > text && std::strchr(" \t\"", at[-1]))
            return int(at - text);
    }
    return -1;
}

CString BrowseFileArgument(const CString &commandLine)
{
    CString line(commandLine);
    line.TrimLeft();
    line.TrimRight();
    const int keyword = keywordPosition(line);
    if (keyword < 0)
        return CString();
    const CString path = line.Mid(keyword + int(std::strlen(BrowseFileKeyword)));
    // A desktop's start of a file hands over its host path.
    if (path.GetLength() > 0 && path.GetAt(0) == '/') {
        CString mapped(WindowsPathFromHost(path.c_str()).c_str());
        if (path.GetAt(path.GetLength() - 1) == '/' && mapped.GetLength() > 0
            && mapped.GetAt(mapped.GetLength() - 1) != '\\')
            mapped += '\\';   // a folder given as one stays one
        return CString(BrowseFileKeyword) + mapped;
    }
    return line.Mid(keyword);
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
