#include "FileHandler.h"

#include "Memo.h"
#include "WindowHooks.h"
#include "ZiloOptions.h"

#include <Source/Glob.h>
#include <lib/ProgressContext.h>
#include <lib/Shell.h>
#include <lib/WaitCursor.h>
#include <lib/imaging/Bitmap.h>
#include <lib/imaging/Picture.h>
#include <platform/Exception.h>
#include <platform/FileFind.h>
#include <platform/FileIO.h>
#include <platform/Files.h>
#include <platform/StringList.h>

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

// The longest full path a duplicate may have.
constexpr int MaxDuplicatePathLength = 228;
// The user's date and time formats fill fixed buffers of 32 characters.
constexpr int MaxDateTimePartLength = 31;

// The user's time format without its seconds and the separator before them.
static QString timeFormatWithoutSeconds(const QLocale &locale)
{
    static const QRegularExpression seconds(QStringLiteral("[^\\w\\s']*s+"));
    return locale.timeFormat(QLocale::ShortFormat).remove(seconds);
}

static FILETIME toLocalFileTime(const FILETIME &utc)
{
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    UnixFromFileTime(utc, seconds, nanoseconds);
    const int offset = QDateTime::fromSecsSinceEpoch(seconds).offsetFromUtc();
    return FileTimeFromUnix(seconds + offset, nanoseconds);
}

bool IsPlainFileName(const CString &name)
{
    if (name.IsEmpty() || name == "." || name == "..")
        return false;
    for (int i = 0; i < name.GetLength(); ++i) {
        const unsigned char c = name.GetAt(i);
        if (c < ' ' || std::strchr("\\/:*?\"<>|", c))
            return false;
    }
    return true;
}

static char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

static QStringList memoLines(const CPath &file)
{
    return CMemo(file).GetLines()->ToStringList();
}

TFileHandler::TFileHandler(const CPath &fullPath)
{
    SetPath(fullPath);
    UpdateFileInfo();
}

TFileHandler::TFileHandler(const CPath &fullPath, PathOnly)
{
    SetPath(fullPath);
}

TFileHandler::TFileHandler(const CPath &fullPath, const WIN32_FIND_DATAA &found)
{
    SetPath(fullPath);
    takeFindData(found);
}

TFileHandler::~TFileHandler() = default;

CPath TFileHandler::GetFullPath() const
{
    return m_folder.AppendFileName(m_name);
}

void TFileHandler::SetPath(const CPath &fullPath)
{
    m_folder = fullPath.GetDirPart();
    m_name = fullPath.GetFilePart();
}

bool TFileHandler::Exists() const
{
    return GetFullPath().GetFileExists();
}

bool TFileHandler::GetIsReadOnly() const
{
    const DWORD attributes = GetFileAttributesA(GetFullPath());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool TFileHandler::UpdateFileInfo()
{
    m_size = 0;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA(GetFullPath(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    takeFindData(found);
    return true;
}

void TFileHandler::takeFindData(const WIN32_FIND_DATAA &found)
{
    m_size = found.nFileSizeLow;
    m_modified = toLocalFileTime(found.ftLastWriteTime);
}

CString TFileHandler::GetDateTimeString() const
{
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    UnixFromFileTime(m_modified, seconds, nanoseconds);
    // Already local: read as it stands, with no zone's offset.
    const QDateTime local = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(local.date(), QLocale::ShortFormat).left(MaxDateTimePartLength);
    const QString time = locale.toString(local.time(), timeFormatWithoutSeconds(locale)).left(MaxDateTimePartLength);
    return CString(date + u' ' + time);
}

bool TFileHandler::Delete() const
{
    return DeleteFileA(GetFullPath()) != FALSE;
}

bool TFileHandler::RenameFile(const CString &newName) const
{
    const CPath oldPath = GetFullPath();
    const CPath newPath = m_folder.AppendFileName(newName);
    if (IsPlainFileName(newName) && MoveFileA(oldPath, newPath))
        return true;
    CString text;
    text.Format("Failed to rename '%s' to '%s'", oldPath.c_str(), newPath.c_str());
    ShowMessageBox(text, ErrorBoxFlags);
    return false;
}

bool TFileHandler::Rename(const CString &newName)
{
    const CPath oldPath = GetFullPath();
    if (!RenameFile(newName))
        return false;
    SetPath(m_folder.AppendFileName(newName));
    const CPath newPath = GetFullPath();
    try {
        FollowMovedFile(oldPath, newPath);
    } catch (const Exception &error) {
        // The file has its new name whatever became of the memo, so the
        // thumbnail and the basket still follow it.
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
    }
    Coordinator().FileRenamed(oldPath, newPath);
    return true;
}

void TFileHandler::DuplicateFile() const
{
    CString name = m_name;
    CPath target;
    do {
        name = CString("Copy of ") + name;
        target = m_folder.AppendFileName(name);
        if (target.GetLength() > MaxDuplicatePathLength) {
            ShowMessageBox("The file name is too long", ErrorBoxFlags);
            return;
        }
    } while (target.GetFileExists());

    const CPath source = GetFullPath();
    if (!CopyFileA(source, target, TRUE)) {
        CString text;
        text.Format("Failed to duplicate file '%s'", source.c_str());
        ShowMessageBox(text, ErrorBoxFlags);
    }
}

void TFileHandler::Open(const CString &application) const
{
    const CString command = application.IsEmpty() ? OpenWith().firstApplication() : application;
    const CPath path = GetFullPath();
    if (command == InternalViewerApplication) {
        Viewer().openViewer(path);
        return;
    }
    int result = 0;
    if (command == RegisteredApplication) {
        result = OpenDocument(path, nullptr);
    } else {
        result = OpenWithProgram(command, path);
    }
    if (result >= 0)   // a shell error code; OpenDocumentReported has been shown already
        ShowMessageBox(CString(TShell::GetErrorMessage(result)), WarningBoxFlags);
}

TImageHandler::TImageHandler(const CPath &fullPath, bool readDimensions)
    : TFileHandler(fullPath)
{
    if (readDimensions) {
        const std::unique_ptr<CPicture> picture(CPicture::New(fullPath));
        if (picture && picture->GetDimensions(fullPath))
            SetDimensions(int32_t(picture->width), int32_t(picture->height), int16_t(picture->bits));
    }
    UpdateHasMemo();
}

TImageHandler::TImageHandler(const CPath &fullPath, PathOnly pathOnly)
    : TFileHandler(fullPath, pathOnly)
{
}

void TImageHandler::SetDimensions(int32_t width, int32_t height, int16_t bits)
{
    m_width = width;
    m_height = height;
    m_bits = bits;
}

void TImageHandler::UpdateHasMemo()
{
    m_hasMemo = !memoLines(GetFullPath()).isEmpty();
}

CString TImageHandler::GetDimensionString() const
{
    CString text;
    if (m_width < 1 || m_height < 1)
        text = "Unknown";
    else if (m_bits < 1)
        text.Format("%dx%d", m_width, m_height);
    else
        text.Format("%dx%d %d-bit", m_width, m_height, int(m_bits));
    return text;
}

double TImageHandler::GetAspectRatio() const
{
    return m_height == 0 ? 0.0 : double(m_width) / m_height;
}

void TImageHandler::AddSubItems(bool withMemo, TStrings &items) const
{
    const int count = withMemo ? 5 : 4;
    for (int i = 0; i < count; ++i)
        items.Add(QString());
    SetSubItems(withMemo, items);
}

void TImageHandler::SetSubItems(bool withMemo, TStrings &items) const
{
    CString size;
    size.FormatFileSize(GetSize());
    items.Put(0, GetFolder().ToAnsiString());
    items.Put(1, GetDimensionString().ToAnsiString());
    items.Put(2, size.ToAnsiString());
    items.Put(3, GetDateTimeString().ToAnsiString());
    if (!withMemo)
        return;
    // One row line: line breaks and other control characters become blanks.
    QString memo = memoLines(GetFullPath()).join(QStringLiteral("\r\n"));
    for (QChar &c : memo) {
        if (c < u' ')
            c = u' ';
    }
    items.Put(4, memo);
}

CString TImageHandler::ExpandPattern(const CString &pattern, int *counter, const int *total) const
{
    CString text;
    const int length = pattern.GetLength();
    for (int i = 0; i < length; ++i) {
        if (pattern.GetAt(i) != '%')
            text += pattern.GetAt(i);
        else if (++i < length)   // a '%' at the end stands for nothing
            text += expandCode(lowerAscii(pattern.GetAt(i)), counter, total);
    }
    return text;
}

CString TImageHandler::expandCode(char code, int *counter, const int *total) const
{
    CString part;
    switch (code) {
    case 'f':
        part = GetName();
        break;
    case 'g':
        part = GetName().Left(GetName().GetLength() - GetName().GetExtPart().GetLength());
        break;
    case 's':
        part.FormatFileSize(GetSize());
        break;
    case 'p':
        part.Format("%d x %d", m_width, m_height);
        break;
    case 'b':
        if (m_bits < 1)
            part = "?";
        else
            part.Format("%d", int(m_bits));
        break;
    case 'd':
        part = GetDateTimeString();
        break;
    case 'n':
        if (counter)
            part.Format("%d", (*counter)++);
        else
            part = code;
        break;
    case 't':
        if (total)
            part.Format("%d", *total);
        else
            part = code;
        break;
    case 'm':
        part = CString(memoLines(GetFullPath()).join(QString()));
        break;
    default:
        part = code;
        break;
    }
    return part;
}

bool TImageHandler::SaveImageAsBMP(const CPath &bmpPath) const
{
    const CPath path = GetFullPath();
    const std::unique_ptr<CPicture> picture(CPicture::New(path));
    TProgressContext progress;
    if (!picture || !picture->LoadFromFile(path, progress) || !picture->buffer)
        return false;
    const CBitmap bitmap(picture->buffer, CSize(int32_t(picture->width), int32_t(picture->height)));
    return bitmap.WriteBMP(bmpPath);
}

bool OpenFiles(const TStrings &files, const CString &application)
{
    const int count = files.Count();
    if (GeneralOptions->GetInt(TGeneralOptions::WarnLevelAsk) != 0
        && count > GeneralOptions->GetInt(TGeneralOptions::WarnLevel)) {
        CString question;
        question.Format("Are you sure you want to open %d images at the same time?", count);
        if (ShowMessageBox(question, QuestionNoBoxFlags) != IDYES)
            return false;
    }
    CWaitCursor wait;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(OpenFilesPauseMs));
        TImageHandler(CPath(CString(files[i])), false).Open(application);
    }
    return true;
}

// The rename dialog for path; on confirmation newPath is the file's new path.
static bool renameWithDialog(const CPath &path, CPath &newPath)
{
    TImageHandler file(path, false);
    if (!Dialogs().ShowRenameDialog(file))
        return false;
    newPath = file.GetFullPath();
    return true;
}

bool RenameFileWithDialog(const CPath &path)
{
    CPath newPath;
    return renameWithDialog(path, newPath);
}

void RenameFiles(TStrings &files)
{
    for (int i = 0; i < files.Count(); ++i) {
        CPath newPath;
        if (!renameWithDialog(CPath(CString(files[i])), newPath))
            return;
        files.Put(i, newPath.ToAnsiString());
    }
}
