// The browse window's longer commands: sorting and the custom order, search,
// checking against the files and reloading, the preferences round trip and
// the memo commands.

#include "BrowseForm.h"

#include "MainForm.h"
#include "TargetForm.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/SearchContext.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Helpers.h>
#include <lib/WaitCursor.h>
#include <lib/controls/DirectoryTreeView.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>

#include <QTimer>

#include <unordered_set>

namespace {

// The thumbnails' records in box order.
std::vector<CThumbBitmap *> BoxRecords(const TThumbBox &box)
{
    std::vector<CThumbBitmap *> records;
    records.reserve(size_t(box.Count()));
    for (int index = 0; index < box.Count(); ++index)
        records.push_back(box.Thumbnail(index)->GetThumbBitmap());
    return records;
}

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

// ---- Sorting -----------------------------------------------------------------

void TBrowseForm1::checkCustomOrder()
{
    if (!m_folderOptions || m_folderOptions->GetInt(TFolderOptions::SortProperty) != CThumbSort::CustomOrder)
        return;
    CThumbSort(m_folder).SaveCustomOrder(BoxRecords(*ThumbBox));
}

void TBrowseForm1::Update(bool rebuild)
{
    CWaitCursor wait;
    SaveTimer->stop();
    // The scan thread checks the records against their files, then makes
    // what is missing; its messages take the status on from here.
    SetStatus(m_scanContext ? CString("Updating thumbnails...") : CString());
    if (rebuild)
        ThumbBox->ResetLayout();
    if (m_scanContext) {
        m_scanContext->SetCheckRequest(rebuild);
        m_scanContext->SetRescanRequest(true);
    }
    UpdateSelectionStatus();
}

void TBrowseForm1::ApplySortOrder()
{
    CWaitCursor wait;
    SetStatus("Sorting...");
    std::vector<CThumbBitmap *> records;
    std::unordered_set<CThumbBitmap *> selected;
    records.reserve(size_t(ThumbBox->Count()));
    for (int index = 0; index < ThumbBox->Count(); ++index) {
        TThumbnail *thumbnail = ThumbBox->Thumbnail(index);
        records.push_back(thumbnail->GetThumbBitmap());
        if (thumbnail->Selected())
            selected.insert(thumbnail->GetThumbBitmap());
    }
    const CThumbSort sort(m_folder);
    sort.RelocateCustomSortFile();
    int result = CThumbSort::Sorted;
    try {
        result = sort.Sort(records);
    } catch (const Exception &) {
        result = -1;
    }
    if (result == CThumbSort::Sorted || result == CThumbSort::NamesOtherRecord) {
        bool moved = false;
        ThumbBox->BeginUpdate();
        for (int index = 0; index < ThumbBox->Count(); ++index) {
            TThumbnail *thumbnail = ThumbBox->Thumbnail(index);
            CThumbBitmap *record = records[size_t(index)];
            if (thumbnail->GetThumbBitmap() != record) {
                thumbnail->SetThumbBitmap(record);
                moved = true;
            }
            thumbnail->SetSelected(selected.count(record) > 0);
        }
        ThumbBox->EndUpdate();
        ThumbBox->Invalidate();
        if (moved)
            SetModified(true);
    } else if (result == CThumbSort::NoCustomOrder) {
        sort.SaveCustomOrder(records);
    } else {
        ShowMessageBox("Error while loading custom sort-order", WarningBoxFlags);
    }
    SetStatus(CString());
}

void TBrowseForm1::SortOrderChanged()
{
    SetStatus(CString());
}

void TBrowseForm1::RefreshAfterSettings(bool keepTree)
{
    CWaitCursor wait;
    if (!keepTree) {
        TreeGuard guard(*this);
        DirTreeView->Rebuild();
        DirTreeView->SetDirectory(m_folder.ToAnsiString());
    }
    for (int index = 0; index < ThumbBox->Count(); ++index)
        ThumbBox->Thumbnail(index)->UpdateSizeAndHint();
    UpdateSelectionStatus();
    ThumbBox->Invalidate();
    SetCaptionGradient(GeneralOptions->GetInt(TGeneralOptions::ShadedCaptions) != 0 ? geAlways : geNever);
}


// ---- Search and Move To Top --------------------------------------------------

int TBrowseForm1::ApplySearch(CSearchContext &criterion)
{
    if (criterion.clearSelection)
        ThumbBox->ChangeSelection(TThumbBox::SelectNone);
    const std::vector<TThumbnail *> matches =
        ThumbBox->FindMatching([&criterion](const TThumbnail &thumbnail) { return criterion.MatchesThumbnail(thumbnail); });
    if (matches.empty())
        return 0;
    if (isMinimized())
        showNormal();
    ThumbBox->BeginUpdate();
    for (TThumbnail *thumbnail : matches)
        thumbnail->SetSelected(true);
    ThumbBox->EndUpdate();
    if (criterion.moveToTop) {
        ThumbBox->MoveSelectedToFront();
        ThumbBox->ScrollThumbnailInView(ThumbBox->Thumbnail(0));
    } else {
        // Each match in turn, so that the last one found is the one in view.
        ThumbBox->ScrollThumbnailInView(matches.back());
    }
    return int(matches.size());
}

std::vector<TThumbnail *> TBrowseForm1::Selection() const
{
    return ThumbBox->GetSelected();
}

void TBrowseForm1::RepaintThumbnails()
{
    ThumbBox->Invalidate();
}

void TBrowseForm1::MoveToTop1Click()
{
    ThumbBox->MoveSelectedToFront();
    m_folderOptions->SetInt(TFolderOptions::SortProperty, CThumbSort::CustomOrder);
    m_folderOptions->Save();
    CThumbSort(m_folder).SaveCustomOrder(BoxRecords(*ThumbBox));
    SetStatus(CString());
}

void TBrowseForm1::Reload1Click()
{
    const int seconds = ThumbBox->GetTotalBuildTime();
    if (seconds > 5) {
        CString question;
        question.Format("The thumbnails for this folder previously took %s to create.\n\n"
                        "Are you sure you want to reload them?",
                        FormatDuration(seconds).c_str());
        if (ShowMessageBox(question, QuestionBoxFlags) != IDYES)
            return;
    }
    Reload();
}

// ---- Preferences -------------------------------------------------------------

void TBrowseForm1::Preferences1Click()
{
    HideToolWindows();
    TFolderSpecificOptions &options = *m_folderOptions;
    const int32_t size = options.GetInt(TFolderOptions::ThumbnailSize);
    const int32_t sharpness = options.GetInt(TFolderOptions::ThumbnailSharpness);
    const int32_t draft = options.GetInt(TFolderOptions::DraftThumbnails);
    const int32_t spacing = options.GetInt(TFolderOptions::ThumbnailSpacing);
    const int32_t property = options.GetInt(TFolderOptions::SortProperty);
    const int32_t direction = options.GetInt(TFolderOptions::SortDirection);
    const CString duration = buildDuration();
    if (RunTool(Tool::Preferences, *this) && m_folderOptions == &options) {
        const int32_t newSize = options.GetInt(TFolderOptions::ThumbnailSize);
        const int32_t newSharpness = options.GetInt(TFolderOptions::ThumbnailSharpness);
        const int32_t newDraft = options.GetInt(TFolderOptions::DraftThumbnails);
        if (newSize != size || newSharpness != sharpness || newDraft != draft) {
            CString question;
            question.Format("You have changed the thumbnail appearance as follows:\n\n"
                            "    Size: %d\tSharpness: %d\t%s Quality\n\n"
                            "The thumbnails for this folder previously took %s to create.\n"
                            "Do you want to reload the thumbnails using the new settings?",
                            int(newSize), int(newSharpness), newDraft != 0 ? "Draft" : "High", duration.c_str());
            if (ShowMessageBox(question, QuestionBoxFlags) == IDYES) {
                Reload();
            } else {
                options.SetInt(TFolderOptions::ThumbnailSize, size);
                options.SetInt(TFolderOptions::ThumbnailSharpness, sharpness);
                options.SetInt(TFolderOptions::DraftThumbnails, draft);
                options.Save();
                ShowMessageBox("The thumbnail size, quality and sharpness\nhave been restored to their original settings",
                               WarningBoxFlags);
            }
        }
        if (options.GetInt(TFolderOptions::ThumbnailSpacing) != spacing)
            ThumbBox->Relayout();
        if (MainForm1) {
            MainForm1->UpdateCaptionBars();
            MainForm1->ReloadOpenWithMenus();
            MainForm1->RefreshWindows(nullptr, false);
        }
        if (options.GetInt(TFolderOptions::SortProperty) != property
            || options.GetInt(TFolderOptions::SortDirection) != direction)
            ApplySortOrder();
        if (options.GetInt(TFolderOptions::AutoUpdate) != 0)
            Update(false);
    }
    RestoreToolWindows();
    m_writeProtected = ::IsWriteProtected(m_folder);
    SetCaptionGradient(GeneralOptions->GetInt(TGeneralOptions::ShadedCaptions) != 0 ? geAlways : geNever);
    updateStatusPanel();
}

// ---- Memos -------------------------------------------------------------------

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
    CPath target = m_folder;
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
