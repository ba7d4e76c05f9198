#pragma once

#include "ThumbCache.h"
#include "ThumbProgressContext.h"

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/Thread.h>
#include <platform/Types.h>

#include <memory>
#include <vector>

// The batch engine's context: texts that the engine's steps report go to the
// owner's run log as UM_REPORT_TEXT (wParam 0, lParam the text as a
// const char *, valid while the handler runs) instead of a message box.
class CBatchThumbProgressContext : public CThumbProgressContext
{
public:
    using CThumbProgressContext::CThumbProgressContext;

    void ReportText(const CString &text, UINT flags) override;
};

// Builds the browse files of a list of folders in the background. The owner
// gives it image files grouped folder by folder; the engine walks the list
// once, keeps what each folder's browse file already holds, builds the
// missing thumbnails on every core and writes the folder's browse file when
// it leaves the folder, if a record of the folder is loaded. Frees itself
// when the run ends; nobody waits for it or deletes it.
//
// What the owner window hears, in this order, by SendToOwner on the context
// (folder texts as const char *, valid while the handler runs):
//   UM_RUN_BEGIN                  wParam 0, lParam the number of files
//   for each folder, as its first file comes:
//     UM_FOLDER_BEGIN             wParam 0, lParam the folder
//     UM_QUERY_IGNORE_BROWSE_FILES  answer not 0: the old browse file is not read
//     the browse file's load messages, when it is read
//     for each file not in the folder's browse file, in list order:
//       UM_THUMBNAIL_STATUS       wParam 1 when this run built it, else 0;
//                                 lParam the CThumbBitmap *
//     the browse file's save messages, when the folder is written
//     UM_FOLDER_END               wParam the folder's loaded records that were
//                                 not read from its browse file, never
//                                 narrowed; lParam the folder
//   UM_RUN_END                    wParam 0, lParam the number of files
// A run of no files still sends UM_FOLDER_END with 0 and an empty folder.
// Sounds are asked for by UM_QUERY_AUDIO_FEEDBACK as the context plays them.
//
// The owner pauses the run with SetPaused (it rests after its next message),
// changes its priority with SetPriority (which its builders follow before
// their next thumbnail), and stops it with Terminate(true)
// followed by releasing its reference: the engine ends the files being
// built, still writes the folder in hand, and frees itself; nothing more
// reaches the window. A run stopped before its thread starts does nothing. Two folders whose texts differ only in case are two
// folders.
class TBatchEngine : public TThread
{
public:
    // files: full paths, those of one folder together. Takes a reference on
    // context, attaches itself to it and starts at priority (tpLowest to
    // tpHighest; the host may keep levels above normal at normal).
    TBatchEngine(std::vector<CPath> files, CBatchThumbProgressContext *context, TThreadPriority priority);
    ~TBatchEngine() override;

protected:
    void Execute() override;

private:
    // The files [first, end) of the list, all of folder.
    struct TFolderSpan
    {
        size_t first;
        size_t end;
        CPath folder;
    };
    // How many records the builders may take on ahead of the reports.
    static constexpr size_t MaxRecordsBuiltTogether = 4096;

    std::vector<TFolderSpan> folderSpans() const;
    // Ends the folder before when there was one, and makes span's current.
    void beginFolder(const TFolderSpan &span, bool afterAnother);
    // Makes folder the current one: its records come from its browse file
    // unless the owner ignores browse files.
    void LoadFolderRecords(const CPath &folder);
    void LoadBrowseFileRecords(const CPath &folder);
    // Writes the current folder's records, in its sort order.
    bool SaveFolderBrowseFile(const CPath &folder);
    size_t buildSpans(const std::vector<TFolderSpan> &spans, size_t first);
    bool isBuiltWhole(const CPath &folder) const;
    bool isInFolderRecords(const CPath &file);
    void report(CThumbBitmap *record, bool built);
    // Saves the current folder when a record of it was loaded anew, empties
    // the run's list and tells the owner that the folder ended.
    void endFolder();

    std::vector<CPath> m_files;
    CThumbBitmapHashedList m_records;          // the current folder's, one reference each
    CBatchThumbProgressContext *m_context;     // one reference
    CPath m_folder;                            // the current folder; empty before the first
    int64_t m_newCount = 0;                    // loaded records of m_folder not from its browse file
    bool m_ignoringBrowseFiles = false;        // the owner's last answer
};
