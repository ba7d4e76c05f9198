#pragma once

#include <lib/Path.h>
#include <platform/CriticalSection.h>
#include <platform/StringList.h>

#include <memory>
#include <vector>

// Memo file of a folder, in the data folder as eight lower-case letters and
// ".dat" (the name stored as "DataFile" in the folder's memo section).
// UTF-8 text, one line per memo, lines ended by CR LF:
//     key "=" packed
// key     the file name with every "=" written as "|", or "*" and a name for
//         a memo of the folder itself ("*Folder", "*HTML")
// packed  the memo's lines as comma text
// A memo file whose last memo is removed is deleted; its name is kept.

// One folder's memo file in memory. Every TMemoList lives in the process-wide
// memo lists until FreeAll. All of them, and the memo lists, are guarded by
// MemoLock, which callers hold while they use a list (CMemo does).
class TMemoList : public TStringList
{
public:
    // The folder's list, made and loaded on first use. Hold MemoLock.
    static TMemoList *GetForFolder(const CPath &folder);
    // Deletes every list; the next use reads the memo files again.
    static void FreeAll();
    // The number of memos in all loaded lists.
    static int GetTotals();
    // Eight random lower-case letters naming no memo file of the data folder.
    static CString MakeMemoFileName();

    ~TMemoList() override;

    // The packed text stored under key; empty when there is none.
    CString GetMemoText(const CString &key) const;
    // Stores packed under key (an empty text removes the memo) and writes the
    // memo file at once, by temporary file and rename, or deletes it when no
    // memo is left. Raises the stream exceptions when the file cannot be
    // written, and EFOpenError when the existing file could not be read, so
    // that memos never seen are never overwritten.
    void SetMemoText(const CString &key, const CString &packed);

    const CPath &Folder() const { return m_folder; }

    static CCriticalSection MemoLock;

private:
    explicit TMemoList(const CPath &folder);
    CPath memoFilePath() const;
    void load();

    CPath m_folder;
    CString m_dataFile;       // the memo file's name without ".dat"; empty until chosen
    bool m_loadFailed = false;
};

// One file's or folder's memo. Short-lived: made, used and deleted by one
// caller. Any thread: a memo file that cannot be read reads as no memo.
class CMemo
{
public:
    // The memo of a file, by its full path.
    explicit CMemo(const CPath &file);
    // The memo of a folder itself, under "*" + name.
    CMemo(const CPath &folder, const CString &name);
    ~CMemo();

    // Loaded on first use; owned by the memo. No memo gives an empty list.
    TStrings *GetLines();
    // Stores the lines and saves the memo file at once; raises the stream
    // exceptions when it cannot.
    void SetLines(const TStrings &lines);
    void Delete();
    void FreeLines();

    const CString &Key() const { return m_key; }

private:
    CPath m_folder;
    CString m_key;
    std::unique_ptr<TStringList> m_lines;
};

// Moves a file's memo to its new path (a rename or a move); the old path's
// memo is deleted. Nothing happens when the old path has no memo, or when the
// two differ only in case.
void FollowMovedFile(const CPath &oldPath, const CPath &newPath);

struct TMemoExportResult
{
    int created = 0;   // text files written
    int ignored = 0;   // files without a memo
    int errors = 0;    // text files that were there already or could not be written
};

// Writes each file's memo as the file's name with its extension replaced by
// ".txt" in the folder target: its lines ended by CR LF, by temporary file and
// rename. A text file that is there already, one written earlier in the same
// export included, is never overwritten: it counts as an error, as does one
// that cannot be written. Raises nothing.
TMemoExportResult ExportMemos(const std::vector<CPath> &files, const CPath &target);

// Deletes every memo of every folder: the memo files that the folders' memo
// sections name, then the whole "Memos" section, so that every memo reads as
// none. Raises EFCreateError when a memo file cannot be deleted; the section
// is kept then, and the memo files not yet deleted still read.
void DeleteAllMemos();
