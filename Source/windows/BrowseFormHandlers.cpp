// The browse window's command handlers: each does what its menu item says,
// mostly by calling a dialog or an operation of the engine.

#include "BrowseForm.h"

#include "DeleteForm.h"
#include "DriveInfoForm.h"
#include "EggForm.h"
#include "FolderBrowserForm.h"
#include "FolderPropertiesForm.h"
#include "MainForm.h"
#include "MoveBrowseForm.h"
#include "NewFolderForm.h"
#include "PropertiesForm.h"
#include "TargetForm.h"

#include <Source/Glob.h>
#include <Source/engine/FileHandler.h>
#include <Source/engine/FileTransfer.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ScanThread.h>
#include <Source/engine/ShortcutListView.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Application.h>
#include <lib/Drive.h>
#include <lib/Shell.h>
#include <lib/WaitCursor.h>
#include <lib/controls/DirectoryTreeView.h>
#include <lib/controls/Dock.h>
#include <lib/controls/ToolbarButton.h>
#include <platform/Files.h>
#include <platform/KeyState.h>
#include <platform/MessageBox.h>
#include <platform/ProgramFolder.h>
#include <platform/Shell.h>
#include <platform/StringList.h>
#include <platform/Wallpaper.h>

#include <QLabel>
#include <QMenu>
#include <QTimer>

namespace {

void ShowInformation(const CString &text)
{
    ShowMessageBox(text, MB_ICONINFORMATION | MB_OK);
}

} // namespace

void TBrowseForm1::selectedPaths(TStrings &paths) const
{
    for (TThumbnail *thumbnail : ThumbBox->GetSelected())
        paths.Add(thumbnail->GetThumbBitmap()->GetFullPath().ToAnsiString());
}

CString TBrowseForm1::buildDuration() const
{
    return FormatDuration(ThumbBox->GetTotalBuildTime());
}

void TBrowseForm1::rebuildTree()
{
    CWaitCursor wait;
    DriveTable->Update();
    TreeGuard guard(*this);
    DirTreeView->Rebuild();
    // During a switch the tree already shows where the window is going.
    DirTreeView->SetDirectory((WantedFolder().IsEmpty() ? ShownFolder() : WantedFolder()).ToAnsiString());
}

// ---- File --------------------------------------------------------------------

void TBrowseForm1::NewFolder2Click()
{
    if (TNewFolderForm1::Ask(ShownFolder()).IsEmpty())
        return;
    if (MainForm1)
        MainForm1->RefreshWindows(nullptr, false);
    else
        RefreshAfterSettings(false);
}

void TBrowseForm1::OpenFolderToolClick()
{
    CPath folder = ShownFolder();
    if (TFolderBrowserForm1::Browse(folder))
        GoToFolder(folder);
}

void TBrowseForm1::ReleaseFolder()
{
    SaveTimer->stop();
    TakeModified(false);
    StopLoading();
}

void TBrowseForm1::DeleteFolder2Click()
{
    const CPath folder = ShownFolder();
    // Every memo and central browse file would go with it, and the program
    // would run on without them.
    if (HoldsProgramData(folder)) {
        CString text;
        text.Format("Folder '%s' holds Zilo's own data and cannot be deleted", folder.c_str());
        ShowMessageBox(text, ErrorBoxFlags);
        return;
    }
    if (ConfirmDeleteFolder(folder) != IDYES)
        return;
    // Nothing may still work in the folder, or save into it, while it goes;
    // and no window may stay on it.
    std::vector<TBrowseForm1 *> inside{this};
    if (MainForm1) {
        inside.clear();
        for (TBrowseForm1 *form : MainForm1->BrowseForms()) {
            if (IsInFolder(form->ShownFolder(), folder))
                inside.push_back(form);
        }
    }
    const CPath parent(folder.GetDirPart());
    if (MainForm1)
        MainForm1->DisableAllWindows();
    for (TBrowseForm1 *form : inside)
        form->ReleaseFolder();
    for (TBrowseForm1 *form : inside)
        form->GoToFolder(parent);
    ShellDeleteFile(folder);
    rebuildTree();
    if (MainForm1)
        MainForm1->EnableAllWindows();
}

void TBrowseForm1::Close1Click()
{
    close();
}

void TBrowseForm1::Save1Click()
{
    RequestSave();
    SetModified(false);
}

void TBrowseForm1::MoveBrowseFile1Click()
{
    TMoveBrowseForm1::ShowFor(ShownFolder());
}

void TBrowseForm1::DeleteBrowseFile1Click()
{
    const CPath browseFile = GetBrowseFilePath(ShownFolder());
    if (!browseFile.GetFileExists()) {
        ShowInformation("There is no browse file for this folder");
        return;
    }
    CString question;
    question.Format("The thumbnails for this folder previously took %s to create.\n"
                    "Are you sure you want to delete the browse file?",
                    buildDuration().c_str());
    if (ShowMessageBox(question, QuestionNoBoxFlags) != IDYES)
        return;
    // A save still asked for would bring the file back.
    SaveTimer->stop();
    if (ScanContext())
        ScanContext()->SetSaveRequest(false);
    if (!DeleteFileA(browseFile)) {
        CString error;
        error.Format("Unable to delete the browse file\n\n%s", browseFile.c_str());
        ShowMessageBox(error, ErrorBoxFlags);
        return;
    }
    SetModified(false);
}

void TBrowseForm1::DriveInfo1Click()
{
    TDriveInfoForm1::ShowFor(CPath(ShownFolder().GetDrivePart()));
}

void TBrowseForm1::FolderManager1Click()
{
    RunTool(Tool::FolderManager, *this);
}

void TBrowseForm1::FolderProperties1Click()
{
    TFolderPropertiesForm1::ShowFolderProperties(ShownFolder(), 0);
}

void TBrowseForm1::ClearFolderHistory1Click()
{
    if (ShowMessageBox("Are you sure you want to clear the folder history?", QuestionBoxFlags) != IDYES)
        return;
    if (MainForm1)
        MainForm1->ClearFolderHistories();
    else
        ClearFolderHistory();
}

void TBrowseForm1::Exit1Click()
{
    if (MainForm1)
        MainForm1->close();
}

// ---- Edit --------------------------------------------------------------------

void TBrowseForm1::Cut1Click()
{
    if (MainForm1)
        MainForm1->ClearCutMarks();
    if (TToolForm *basket = Shell().ToolWindow(Tool::Basket))
        basket->ClearCutMarks();
    TStringList paths;
    selectedPaths(paths);
    for (TThumbnail *thumbnail : ThumbBox->GetSelected())
        thumbnail->SetCutMark(true);
    PutFilesOnClipboard(true, paths);
}

void TBrowseForm1::Copy1Click()
{
    TStringList paths;
    selectedPaths(paths);
    PutFilesOnClipboard(false, paths);
}

void TBrowseForm1::Paste1Click()
{
    const CPath folder = ShownFolder();
    if (PasteFilesFromClipboard(folder))
        Coordinator().UpdateFolderWindows(folder);
}

void TBrowseForm1::SelectAll1Click()
{
    ThumbBox->ChangeSelection(TThumbBox::SelectAll);
}

void TBrowseForm1::SelectNone1Click()
{
    ThumbBox->ChangeSelection(TThumbBox::SelectNone);
}

void TBrowseForm1::InvertSelection1Click()
{
    ThumbBox->ChangeSelection(TThumbBox::InvertSelection);
}

// ---- Image -------------------------------------------------------------------

void TBrowseForm1::Open1Click()
{
    ThumbBox->OpenSelected();
}

void TBrowseForm1::ReloadOpenWithMenu()
{
    if (!ToolAvailable(Tool::OpenWith))
        return;
    for (QMenu *menu : {m_openWithMenu, m_openWithPopup}) {
        FillOpenWithMenu(menu, [this](const CString &command) {
            TStringList paths;
            selectedPaths(paths);
            OpenFiles(paths, command);
        });
    }
    // The Open button's arrow offers the same list.
    if (auto *openTool = findChild<TToolbarButton *>(QStringLiteral("OpenTool"))) {
        openTool->SetDropdownCombo(true);
        openTool->SetDropdownMenu(m_openWithMenu);
    }
}

void TBrowseForm1::Delete1Click()
{
    TStringList paths;
    selectedPaths(paths);
    DeleteFiles(paths);
    checkCustomOrder();
}

void TBrowseForm1::Rename1Click()
{
    TStringList paths;
    selectedPaths(paths);
    RenameFiles(paths);
    checkCustomOrder();
}

void TBrowseForm1::SeqRename1Click()
{
    RunTool(Tool::SequentialRename, *this);
    checkCustomOrder();
}

void TBrowseForm1::CopyTo1Click()
{
    TStringList paths;
    selectedPaths(paths);
    ChooseFolderAndTransfer(TCopyContext(), paths);
}

void TBrowseForm1::MoveTo1Click()
{
    TStringList paths;
    selectedPaths(paths);
    ChooseFolderAndTransfer(TMoveContext(), paths);
}

void TBrowseForm1::AddToBasket1Click()
{
    TToolForm *basket = Shell().ToolWindow(Tool::Basket);
    if (!basket)
        return;
    basket->Window()->show();
    basket->AddThumbnails(ThumbBox->GetSelected());
}

void TBrowseForm1::SetAsTexture1Click()
{
    const std::vector<TThumbnail *> selected = ThumbBox->GetSelected();
    if (selected.size() != 1)
        return;
    PanelOptions->SetString(TPanelOptions::Texture, selected.front()->GetThumbBitmap()->GetFullPath().ToAnsiString());
    if (PanelOptions->GetInt(TPanelOptions::ColourStrength) > 80)
        PanelOptions->SetInt(TPanelOptions::ColourStrength, 80);
    PanelOptions->Save();
}

void TBrowseForm1::SetAsWallpaperImage1Click()
{
    setWallpaper(true);
}

void TBrowseForm1::SetAsWallpaperThumbnail1Click()
{
    setWallpaper(false);
}

void TBrowseForm1::setWallpaper(bool fullImage)
{
    const std::vector<TThumbnail *> selected = ThumbBox->GetSelected();
    if (selected.size() != 1)
        return;
    CWaitCursor wait;
    const CPath path = WallpaperPath();
    const bool written = !path.IsEmpty() && selected.front()->GetThumbBitmap()->SaveAsBMP(path, fullImage);
    if (!written || !SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char *>(path.c_str()), SPIF_UPDATEINIFILE)) {
        ShowMessageBox(written ? "Unable to set the desktop wallpaper" : "Unable to write the wallpaper file",
                       ErrorBoxFlags);
        return;
    }
    const Qt::WindowStates state = windowState();
    showMinimized();
    ShowInformation("If the wallpaper has not changed, click on the desktop and press F5");
    setWindowState(state);
}

void TBrowseForm1::SaveAsMovie1Click()
{
    RunTool(Tool::Movie, *this);
}

void TBrowseForm1::Properties1Click()
{
    ThumbBox->HideInfoWindow();
    const std::vector<TThumbnail *> selected = ThumbBox->GetSelected();
    for (size_t index = 0; index < selected.size(); ++index) {
        TImageHandler file = selected[index]->GetThumbBitmap()->GetHandler();
        const int result = TPropertiesForm1::ShowProperties(file, index + 1 < selected.size());
        if (result == mrCancel)
            return;
        if (result == mrOk)
            selected[index]->UpdateSizeAndHint();
    }
}

// ---- Thumbnail ---------------------------------------------------------------

void TBrowseForm1::SortPropertyClick(int tag)
{
    FolderOptions()->SetInt(TFolderOptions::SortProperty, tag);
    FolderOptions()->Save();
    ApplySortOrder();
}

void TBrowseForm1::SortDirectionClick(int tag)
{
    FolderOptions()->SetInt(TFolderOptions::SortDirection, tag);
    FolderOptions()->Save();
    ApplySortOrder();
}

void TBrowseForm1::PriorityMenuClick(int tag)
{
    m_session.SetScanPriority(5 - tag);
}

void TBrowseForm1::ReLayToolClick()
{
    CWaitCursor wait;
    ThumbBox->Relayout();
}

void TBrowseForm1::StopToolClick()
{
    CancelLoading();
}

void TBrowseForm1::ViewAsImage1Click()
{
    m_showAsImages = true;
    ThumbBox->Invalidate();
}

void TBrowseForm1::ViewAsText1Click()
{
    m_showAsImages = false;
    ThumbBox->Invalidate();
}

void TBrowseForm1::AnimateSelection1Click()
{
    if (TToolForm *animation = Shell().ToolWindow(Tool::Animation))
        animation->Animate(ThumbBox->GetSelected());
}

void TBrowseForm1::PingPongSelection1Click()
{
    if (TToolForm *animation = Shell().ToolWindow(Tool::Animation))
        animation->Animate(ThumbBox->GetSelectedPingPong());
}

void TBrowseForm1::ThumbnailWizard1Click()
{
    RunTool(Tool::ThumbnailWizard, *this);
}

// ---- View and Window ---------------------------------------------------------

void TBrowseForm1::UpdateToolClick()
{
    CWaitCursor wait;
    rebuildTree();
    ShortcutList->Reload();
    Update(false);
}

void TBrowseForm1::ShowToolbarClick(int tag)
{
    TDockToolbar *toolbar = tag == 1 ? ToolBar1 : tag == 2 ? ToolBar2 : ToolBar3;
    toolbar->setVisible(toolbar->isHidden());
    FormResize();
    updateChecks();
}

void TBrowseForm1::FolderPanel1Click()
{
    const bool show = LeftPanel->isHidden();
    LeftPanel->setVisible(show);
    HSplitter->setVisible(show);
    FormResize();
    updateChecks();
}

void TBrowseForm1::StatusBar1Click()
{
    BottomPanel->setVisible(BottomPanel->isHidden());
    updateChecks();
}

void TBrowseForm1::AutoScrollToolClick()
{
    GeneralOptions->SetInt(TGeneralOptions::AutoScroll, GeneralOptions->GetInt(TGeneralOptions::AutoScroll) != 0 ? 0 : 1);
    GeneralOptions->Save();
    updateChecks();
}

void TBrowseForm1::NewWindow1Click()
{
    CWaitCursor wait;
    new TBrowseForm1(CPath());
}

void TBrowseForm1::toggleToolWindow(Tool tool, bool restore)
{
    TToolForm *form = Shell().ToolWindow(tool);
    if (!form)
        return;
    QWidget *window = form->Window();
    const bool show = !window->isVisible();
    window->setVisible(show);
    if (show && restore)
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    updateChecks();
}

void TBrowseForm1::BasketWindow1Click()
{
    toggleToolWindow(Tool::Basket, true);
}

void TBrowseForm1::AnimationWindow1Click()
{
    toggleToolWindow(Tool::Animation, false);
}

void TBrowseForm1::BatchEngine1Click()
{
    toggleToolWindow(Tool::Batch, true);
}

void TBrowseForm1::Find1Click()
{
    toggleToolWindow(Tool::Finder, true);
}

void TBrowseForm1::FindSimilarImages1Click()
{
    toggleToolWindow(Tool::FindSimilar, true);
}

// ---- Help --------------------------------------------------------------------

void TBrowseForm1::Contents1Click()
{
    OpenHelpFile();
}

void TBrowseForm1::HelpToolClick()
{
    Contents1Click();
}

// The launcher that shows the About box: the program folder's, or else the
// one installed beside the running organiser (the program folder may be
// pointed at a folder of data only).
static CPath launcherPath()
{
    const CPath inProgramFolder = CPath::ExeFolder().AppendFileName("Splash");
    if (inProgramFolder.GetFileExists())
        return inProgramFolder;
    return CPath(CString(RunningProgramFolder().c_str())).AppendFileName("Splash");
}

void TBrowseForm1::AboutToolClick()
{
    if (GetAsyncKeyState(VK_CONTROL) < 0 && GetAsyncKeyState(VK_SHIFT) < 0) {
        TEggForm1 credits(this);
        credits.ShowModal();
        return;
    }
    if (TShell::OpenProgram(launcherPath().c_str(), "about") != -1)
        ShowMessageBox("Unable to show About box", ErrorBoxFlags);
}

void TBrowseForm1::SystemInfo1Click()
{
    const QIcon icon = ProgramIcon();
    TShell::AboutSystem(this, &icon, GetOSVersionString().c_str());
}

void TBrowseForm1::Feedback1Click()
{
    RunTool(Tool::Feedback, *this);
}

// ---- The folder tree's and the shortcut list's pop-ups -----------------------

void TBrowseForm1::AddToShortcuts1Click()
{
    if (!ShortcutList->AddShortcut(ShownFolder()))
        return;
    if (MainForm1)
        MainForm1->ReloadShortcutLists(this);
}

void TBrowseForm1::Refresh1Click()
{
    rebuildTree();
}

void TBrowseForm1::ShowHidden1Click()
{
    TreeGuard guard(*this);
    DirTreeView->SetShowHidden(!DirTreeView->ShowHidden());
    DirTreeView->SetDirectory(ShownFolder().ToAnsiString());
    updateChecks();
}

void TBrowseForm1::Explore1Click()
{
    CWaitCursor wait;
    TShell::Execute(nullptr, "explore", ShownFolder().c_str(), nullptr, nullptr, SW_SHOWNORMAL, nullptr);
}

void TBrowseForm1::OpenShortcut1Click()
{
    ShortcutListDblClick();
}

void TBrowseForm1::OpenInNewBrowser1Click()
{
    const CPath folder = ShortcutList->GetSelectedFolder();
    if (folder.IsEmpty())
        return;
    CWaitCursor wait;
    new TBrowseForm1(folder);
}

void TBrowseForm1::NewShortcut1Click()
{
    TFolderBrowserForm1 dialog(this, ShownFolder());
    dialog.setWindowTitle(QStringLiteral("New Shortcut"));
    dialog.Label1->setText(QStringLiteral("Target folder for new shortcut "));
    if (dialog.ShowModal() != mrOk)
        return;
    if (ShortcutList->AddShortcut(dialog.Folder()) && MainForm1)
        MainForm1->ReloadShortcutLists(this);
}

void TBrowseForm1::DeleteShortcut1Click()
{
    ShortcutListKeyDown(Qt::Key_Delete);
}

void TBrowseForm1::RenameShortcut1Click()
{
    if (QTreeWidgetItem *row = ShortcutList->currentItem())
        ShortcutList->editItem(row, TShortcutListView::CaptionColumn);
}

void TBrowseForm1::PasteHere1Click()
{
    const CPath folder = ShortcutList->GetSelectedFolder();
    if (!folder.IsEmpty() && PasteFilesFromClipboard(folder))
        Coordinator().UpdateFolderWindows(folder);
}

void TBrowseForm1::ExploreShortcut1Click()
{
    const CPath folder = ShortcutList->GetSelectedFolder();
    if (folder.IsEmpty())
        return;
    CWaitCursor wait;
    TShell::Execute(nullptr, "explore", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL, nullptr);
}

void TBrowseForm1::ShortcutViewClick(int style)
{
    ShortcutList->SetViewStyle(TViewStyle(style));
}
