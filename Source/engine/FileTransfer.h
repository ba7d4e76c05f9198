#pragma once

#include <lib/ClipboardStringList.h>
#include <lib/Path.h>
#include <platform/Types.h>

class TStrings;

// Copies, moves and deletes of the user's files, and the program's file list
// on the clipboard. Window thread only.

// The kind of a file operation.
class TTransferContext
{
public:
    virtual ~TTransferContext() = default;

    // No target folder to check; deletions are confirmed.
    virtual bool IsDelete() const = 0;
    // The source files go away.
    virtual bool RemovesSource() const = 0;
    // The shell's file operation: 1 move, 2 copy, 3 delete.
    virtual int GetOperation() const = 0;
    // Name collisions in the target are checked.
    virtual bool HasTarget() const = 0;
};

class TDeleteContext : public TTransferContext
{
public:
    bool IsDelete() const override { return true; }
    bool RemovesSource() const override { return true; }
    int GetOperation() const override { return 3; }
    bool HasTarget() const override { return false; }
};

class TMoveContext : public TTransferContext
{
public:
    bool IsDelete() const override { return false; }
    bool RemovesSource() const override { return true; }
    int GetOperation() const override { return 1; }
    bool HasTarget() const override { return true; }
};

class TCopyContext : public TTransferContext
{
public:
    bool IsDelete() const override { return false; }
    bool RemovesSource() const override { return false; }
    int GetOperation() const override { return 2; }
    bool HasTarget() const override { return true; }
};

// The program's clipboard list of file paths, in the format "ZILO data":
// the first line "ZILO X" for a cut or "ZILO C" for a copy, then one full
// path a line.
class TZILOClipboardStringList : public TClipboardStringList
{
public:
    UINT GetClipboardFormat() const override;
};

// Asks for the target folder of a copy or move of files (full paths), then
// TransferFiles into it. Nothing happens when the user cancels.
void ChooseFolderAndTransfer(const TTransferContext &context, TStrings &files);

// Copies or moves files (full paths) into the folder target, or deletes them
// (target empty). Asks about deletions and name collisions first; nothing is
// transferred when the target cannot be written or the user cancels. files
// is left holding the paths handed to the shell (skipped ones removed,
// renamed sources under their new names). Then memos follow the files that
// arrived, cached records of files that are gone are marked stale, the basket
// drops missing items and the windows showing target are refreshed. Files the
// shell could not transfer are reported in one error box.
void TransferFiles(const TTransferContext &context, TStrings &files, const CPath &target);

// TransferFiles with a TDeleteContext: deletes go to the trash.
void DeleteFiles(TStrings &files);

// Replaces what the clipboard holds by the program's list of files, marked
// cut or copied.
void PutFilesOnClipboard(bool cut, const TStrings &files);

// Copies or moves the files of the program's clipboard list into target, as
// the list was marked; a move then empties the clipboard. False, with nothing
// done, when the clipboard holds no such list or it is marked neither way.
bool PasteFilesFromClipboard(const CPath &target);

// Empties the clipboard when it holds the program's file list.
void ClearFileClipboard();

// Whether a file's memo may take the place of the memo of the file it lands
// on: at once when the destination has none or the two are equal, else the
// user decides.
bool ShouldReplaceMemo(const CPath &destination, const TStrings &destLines, const TStrings &sourceLines);
