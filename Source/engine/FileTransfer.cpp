#include "FileTransfer.h"

#include "FileHandler.h"
#include "Memo.h"
#include "ThumbBitmap.h"
#include "ThumbCache.h"
#include "WindowHooks.h"

#include <Source/Glob.h>
#include <lib/Drive.h>
#include <lib/Shell.h>
#include <lib/WaitCursor.h>
#include <platform/Clipboard.h>
#include <platform/Exception.h>
#include <platform/Files.h>
#include <platform/LastError.h>
#include <platform/StringList.h>

#include <vector>

// The shell's code of a delete; a copy or move has a target folder.
constexpr int DeleteOperation = 3;

UINT TZILOClipboardStringList::GetClipboardFormat() const
{
    return RegisterClipboardFormatA("ZILO data");
}

static CPath pathAt(const TStrings &files, int index)
{
    return CPath(CString(files[index]));
}

// The warning that forbids copying or moving into target; empty when it may take files.
static CString targetProblem(const CPath &target)
{
    CString text;
    if (target.GetIsShared()) {
        if (IsWriteProtected(target))
            text.Format("Path '%s' is write-protected", target.c_str());
        return text;
    }
    const char letter = target.GetDriveLetter();
    const CDrive drive = DriveTable->GetDrive(letter);
    if (!drive.exists || !drive.ready)
        text.Format("Drive %c is unavailable", letter);
    else if (IsWriteProtected(target))
        text.Format("Drive %c is write-protected", letter);
    return text;
}

// Asks about each file in turn. On Cancel answers false with files as they
// were; otherwise files keeps only those the user confirmed.
static bool ConfirmDeletes(TStrings &files)
{
    TStringList kept;
    const int count = files.Count();
    for (int i = 0; i < count; ++i) {
        TImageHandler file(pathAt(files, i), false);
        const int answer = Dialogs().ConfirmDeleteFiles(file, i + 1 < count);
        if (answer == IDYES)
            kept.Add(files[i]);
        else if (answer != IDNO)
            return false;
    }
    files.Assign(kept);
    return true;
}

// Whether copying source to destination would put a file onto itself: the
// same path in another case, or another name of the same file (a hard link,
// a linked folder).
static bool isSameFile(const CPath &source, const CPath &destination)
{
    return source.CompareNoCase(destination) == 0 || IsSameFile(source, destination);
}

// Offers the rename dialog for the source at index; the line takes the new
// path when the user renames it.
static void renameSource(TStrings &files, int index)
{
    TStringList renamed;
    renamed.Add(files[index]);
    RenameFiles(renamed);
    files.Put(index, renamed[0]);
}

enum class Resolution { Settled, IgnoreAll, Cancel };

// One entry's way into target: asks until the entry no longer meets another
// file there. A skipped or duplicated entry becomes empty.
static Resolution resolveCollision(const TTransferContext &context, TStrings &files, int index, const CPath &target)
{
    while (true) {
        const CPath source = pathAt(files, index);
        const CPath destination = target.AppendFileName(source.GetFilePart());
        if (isSameFile(source, destination)) {
            if (context.RemovesSource()) {
                ShowMessageBox("You cannot move a file on top of itself", ErrorBoxFlags);
                return Resolution::Cancel;
            }
            CString question;
            question.Format("Do you want to make a duplicate of '%s'?", source.GetFilePart().c_str());
            if (ShowMessageBox(question, QuestionBoxFlags) == IDYES)
                TFileHandler(source).DuplicateFile();
            // Either way the shell never sees it: it would copy the file onto itself.
            files.Put(index, QString());
            return Resolution::Settled;
        }
        if (!destination.GetFileExists())
            return Resolution::Settled;

        switch (Dialogs().ShowCollisionDialog(source, destination)) {
        case CollisionIgnoreAll:
            return Resolution::IgnoreAll;
        case CollisionRenameSource:
            renameSource(files, index);
            break;
        case CollisionSkip:
            files.Put(index, QString());
            return Resolution::Settled;
        case CollisionRenameDestination:
            RenameFileWithDialog(destination);
            break;
        case CollisionDeleteDestination:
            // Where there is no trash the shell asks before deleting for good.
            ShellDeleteFile(destination);
            break;
        default:
            return Resolution::Cancel;
        }
        // A rename or delete that did not happen leaves the collision, and
        // the dialog shows again.
    }
}

// False when the user cancelled; nothing may be transferred then.
static bool ResolveCollisions(const TTransferContext &context, TStrings &files, const CPath &target)
{
    for (int i = 0; i < files.Count(); ++i) {
        if (files[i].isEmpty())
            continue;
        switch (resolveCollision(context, files, i, target)) {
        case Resolution::Settled: break;
        case Resolution::IgnoreAll: return true;   // the shell asks about the rest
        case Resolution::Cancel: return false;
        }
    }
    return true;
}

static void removeEmptyEntries(TStrings &files)
{
    for (int i = files.Count() - 1; i >= 0; --i) {
        if (files[i].isEmpty())
            files.Delete(i);
    }
}

static bool sameLines(const TStrings &first, const TStrings &second)
{
    return first.ToStringList() == second.ToStringList();
}

bool ShouldReplaceMemo(const CPath &destination, const TStrings &destLines, const TStrings &sourceLines)
{
    if (destLines.Count() == 0 || sameLines(destLines, sourceLines))
        return true;
    return Dialogs().ConfirmMemoReplacement(destination, sourceLines, destLines);
}

// The memo of source goes to destination, a file the shell has just written.
static void followToDestination(const CPath &source, const CPath &destination)
{
    CMemo sourceMemo(source);
    CMemo destinationMemo(destination);
    const TStrings &sourceLines = *sourceMemo.GetLines();
    const TStrings &destinationLines = *destinationMemo.GetLines();
    if (sameLines(sourceLines, destinationLines))
        return;
    if (ShouldReplaceMemo(destination, destinationLines, sourceLines))
        destinationMemo.SetLines(sourceLines);
}

// results holds the shell's code for each line of files.
static void FollowMemos(const TTransferContext &context, const TStrings &files, const CPath &target,
                        const std::vector<DWORD> &results)
{
    CWaitCursor wait;
    for (int i = 0; i < files.Count(); ++i) {
        const CPath source = pathAt(files, i);
        try {
            if (context.GetOperation() != DeleteOperation && results[size_t(i)] == ERROR_SUCCESS)
                followToDestination(source, target.AppendFileName(source.GetFilePart()));
            CMemo sourceMemo(source);
            if (!source.GetFileExists() && sourceMemo.GetLines()->Count() > 0)
                sourceMemo.Delete();
        } catch (const Exception &error) {
            // A memo file that cannot be written; the files themselves are done.
            ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        }
    }
}

// The cached records of files that are no longer there leave every window.
static void markGoneRecordsStale(const TStrings &files)
{
    for (int i = 0; i < files.Count(); ++i) {
        const CPath path = pathAt(files, i);
        CThumbBitmap *record = FindThumbBitmap(path);
        if (!record)
            continue;
        if (!path.GetFileExists())
            record->MarkStale();
        record->Release();
    }
}

// One error box naming the first file that the shell failed on (a file the
// user skipped is no failure).
static void reportFailures(const TTransferContext &context, const TStrings &files, const std::vector<DWORD> &results)
{
    int failed = 0;
    int first = -1;
    for (int i = 0; i < files.Count(); ++i) {
        if (results[size_t(i)] == ERROR_SUCCESS || results[size_t(i)] == ERROR_CANCELLED)
            continue;
        if (failed++ == 0)
            first = i;
    }
    if (failed == 0)
        return;
    static const char *const verbs[] = {"", "move", "copy", "delete"};
    CString text;
    if (failed == 1)
        text.Format("Failed to %s '%s'", verbs[context.GetOperation()], pathAt(files, first).c_str());
    else
        text.Format("Failed to %s '%s' and %d other files", verbs[context.GetOperation()],
                    pathAt(files, first).c_str(), failed - 1);
    ShowMessageBox(text, ErrorBoxFlags);
}

void TransferFiles(const TTransferContext &context, TStrings &files, const CPath &target)
{
    if (!context.IsDelete()) {
        const CString problem = targetProblem(target);
        if (!problem.IsEmpty()) {
            ShowMessageBox(problem, WarningBoxFlags);
            return;
        }
    } else if (!ConfirmDeletes(files)) {
        return;
    }
    if (context.HasTarget() && !ResolveCollisions(context, files, target))
        return;
    removeEmptyEntries(files);
    if (files.Count() == 0)
        return;

    CWaitCursor wait;
    std::vector<DWORD> results;
    Coordinator().BeginFileOperation();
    TShell::FileOperation(&files, context.GetOperation(), context.IsDelete() ? nullptr : target.c_str(), &results);
    Coordinator().EndFileOperation();
    FollowMemos(context, files, target, results);
    if (context.RemovesSource())
        markGoneRecordsStale(files);
    Basket().RemoveMissingItems();
    if (!target.IsEmpty())
        Coordinator().UpdateFolderWindows(target);
    reportFailures(context, files, results);
}

void DeleteFiles(TStrings &files)
{
    TransferFiles(TDeleteContext(), files, CPath());
}

void ChooseFolderAndTransfer(const TTransferContext &context, TStrings &files)
{
    const bool move = context.GetOperation() == 1;
    TargetFolderRequest request;
    request.files = &files;
    request.copy = !move;
    request.caption = move ? "Move To Folder" : "Copy To Folder";
    request.actionCaption = move ? "&Move" : "&Copy";
    request.folderLabel = move ? " Folder to move to: " : " Folder to copy to: ";
    request.helpContext = move ? 604 : 603;
    CPath folder;
    if (Dialogs().ChooseTargetFolder(request, folder))
        TransferFiles(context, files, folder);
}

void PutFilesOnClipboard(bool cut, const TStrings &files)
{
    CWaitCursor wait;
    TZILOClipboardStringList list;
    CString first;
    first.Format("ZILO %c", cut ? 'X' : 'C');
    list.Add(first.ToAnsiString());
    list.AddStrings(files);
    list.SetToClipboard();
}

bool PasteFilesFromClipboard(const CPath &target)
{
    CWaitCursor wait;
    TZILOClipboardStringList list;
    if (!list.GetFromClipboard() || list.Count() == 0)
        return false;
    const QString first = list[0];
    list.Delete(0);
    // The operation's letter is the sixth character of "ZILO C" or "ZILO X".
    const QChar operation = first.size() > 5 ? first[5] : QChar();
    if (operation == u'C') {
        TransferFiles(TCopyContext(), list, target);
        return true;
    }
    if (operation == u'X') {
        TransferFiles(TMoveContext(), list, target);
        list.ClearClipboard();
        return true;
    }
    return false;
}

void ClearFileClipboard()
{
    const TZILOClipboardStringList list;
    if (list.IsDataAvailable())
        list.ClearClipboard();
}
