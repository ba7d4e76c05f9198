// The browse window's refreshes: checking the thumbnails against their
// files, reloading them, and showing new settings, the preferences' among them.

#include "BrowseForm.h"

#include "MainForm.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/WaitCursor.h>
#include <lib/controls/DirectoryTreeView.h>
#include <platform/MessageBox.h>

#include <QTimer>

void TBrowseForm1::Update(bool rebuild)
{
    CWaitCursor wait;
    SaveTimer->stop();
    // The scan thread checks the records against their files, then makes
    // what is missing; its messages take the status on from here.
    SetStatus(ScanContext() ? CString("Updating thumbnails...") : CString());
    if (rebuild)
        ThumbBox->ResetLayout();
    if (ScanContext()) {
        ScanContext()->SetCheckRequest(rebuild);
        ScanContext()->SetRescanRequest(true);
    }
    UpdateSelectionStatus();
}
void TBrowseForm1::RefreshAfterSettings(bool keepTree)
{
    CWaitCursor wait;
    if (!keepTree) {
        TreeGuard guard(*this);
        DirTreeView->Rebuild();
        DirTreeView->SetDirectory(ShownFolder().ToAnsiString());
    }
    for (int index = 0; index < ThumbBox->Count(); ++index)
        ThumbBox->Thumbnail(index)->UpdateSizeAndHint();
    UpdateSelectionStatus();
    ThumbBox->Invalidate();
    SetCaptionGradient(GeneralOptions->GetInt(TGeneralOptions::ShadedCaptions) != 0 ? geAlways : geNever);
}

void TBrowseForm1::RepaintThumbnails()
{
    ThumbBox->Invalidate();
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
    TFolderSpecificOptions &options = *FolderOptions();
    const int32_t size = options.GetInt(TFolderOptions::ThumbnailSize);
    const int32_t sharpness = options.GetInt(TFolderOptions::ThumbnailSharpness);
    const int32_t draft = options.GetInt(TFolderOptions::DraftThumbnails);
    const int32_t spacing = options.GetInt(TFolderOptions::ThumbnailSpacing);
    const int32_t property = options.GetInt(TFolderOptions::SortProperty);
    const int32_t direction = options.GetInt(TFolderOptions::SortDirection);
    const CString duration = buildDuration();
    if (RunTool(Tool::Preferences, *this) && FolderOptions() == &options) {
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
    m_writeProtected = ::IsWriteProtected(ShownFolder());
    SetCaptionGradient(GeneralOptions->GetInt(TGeneralOptions::ShadedCaptions) != 0 ? geAlways : geNever);
    updateStatusPanel();
}
