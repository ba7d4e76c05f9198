// The browse window's memo commands: the export of the selection's memos and
// Delete All.

#include "BrowseForm.h"

#include "MainForm.h"
#include "TargetForm.h"

#include <Source/Glob.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/Thumbnail.h>
#include <lib/Helpers.h>
#include <lib/WaitCursor.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>

namespace {

// A count as the export report writes it: the number, or "No".
CString CountText(int count)
{
    char buffer[16];
    return CString(No(count, buffer));
}

const char *Plural(int count)
{
    return count == 1 ? "" : "s";
}

} // namespace

void TBrowseForm1::Export1Click()
{
    const std::vector<TThumbnail *> selected = ThumbBox->GetSelected();
    const int count = int(selected.size());
    if (count == 0)
        return;
    CString question;
    question.Format("Are you sure you want to export the memo%s of %d image%s?", Plural(count), count, Plural(count));
    if (ShowMessageBox(question, QuestionBoxFlags) != IDYES)
        return;
    CPath target = ShownFolder();
    if (m_writeProtected) {
        TargetFolderRequest request;
        request.caption = "Export Image Memos";
        request.folderLabel = " Folder to export to: ";
        if (!TTargetForm1::Choose(request, target))
            return;
    }
    std::vector<CPath> files;
    files.reserve(selected.size());
    for (TThumbnail *thumbnail : selected)
        files.push_back(thumbnail->GetThumbBitmap()->GetFullPath());
    TMemoExportResult result;
    {
        CWaitCursor wait;
        result = ExportMemos(files, target);
    }
    CString report;
    report.Format("Export results:\n\n Folder '%s'\n %s image%s selected\n %s text file%s created\n"
                  " %s empty memo%s ignored\n %s error%s",
                  target.c_str(), CountText(count).c_str(), Plural(count), CountText(result.created).c_str(),
                  Plural(result.created), CountText(result.ignored).c_str(), Plural(result.ignored),
                  CountText(result.errors).c_str(), Plural(result.errors));
    ShowMessageBox(report, MB_ICONINFORMATION | MB_OK);
}

void TBrowseForm1::DeleteAll1Click()
{
    if (ShowMessageBox("This will permanently delete ALL image memos across ALL known folders.\n\n"
                       "Are you sure you want to do this?",
                       QuestionBoxFlags) != IDYES)
        return;
    try {
        CWaitCursor wait;
        DeleteAllMemos();
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
    }
    // Every thumbnail reads its memo state again.
    if (MainForm1)
        MainForm1->RefreshWindows(nullptr, true);
    else
        RefreshAfterSettings(true);
}
