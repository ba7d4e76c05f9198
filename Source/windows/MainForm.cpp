#include "MainForm.h"

#include "BrowseForm.h"
#include "ModalForm.h"
#include "StartFolder.h"

#include <Source/Glob.h>
#include <Source/engine/FileTransfer.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Drive.h>
#include <lib/WaitCursor.h>
#include <platform/CommandLine.h>
#include <platform/Debug.h>
#include <platform/Exception.h>
#include <platform/Instance.h>

#include <QApplication>
#include <QCloseEvent>
#include <QStatusTipEvent>
#include <QTimer>

#include <algorithm>

TMainForm1 *MainForm1 = nullptr;
CPath StartFolder;

namespace {

unsigned s_purgeTicks = 0;   // always below 10

// The order in which the coordinator makes the tool windows, and the reverse
// of the order in which it deletes them.
constexpr Tool CreationOrder[] = {Tool::Finder, Tool::FindSimilar, Tool::Animation, Tool::Batch, Tool::Basket};
constexpr Tool DeletionOrder[] = {Tool::FindSimilar, Tool::Finder, Tool::Batch, Tool::Basket, Tool::Animation};

} // namespace

void TMainForm1::SetPurgeTicks(unsigned ticks)
{
    s_purgeTicks = ticks % 10;
}

TMainForm1::TMainForm1()
    : m_window([this](UINT message, WPARAM wParam, LPARAM lParam) { return Dispatch(message, wParam, lParam); })
{
    // FormCreate
    hide();
    setWindowTitle(QCoreApplication::applicationName());
    move(-1000, 0);
    MainForm1 = this;
    SetCoordinatorHooks(this);
    SetToolShell(this);

    for (Tool tool : CreationOrder)
        m_toolForms[size_t(tool)] = MakeToolWindow(tool);
    const std::pair<Tool, TProgramOptions::Option> shownAtStart[] = {
        {Tool::Batch, TProgramOptions::ShowBatch}, {Tool::Basket, TProgramOptions::ShowBasket}};
    for (auto [kind, option] : shownAtStart) {
        if (ProgramOptions->GetInt(option) != 0)
            setToolWindowVisible(kind, true);
    }

    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (m_hooksInstalled && state == Qt::ApplicationActive)
            FormActivate();
    });
    m_hooksInstalled = true;

    try {
        m_instance = std::make_unique<CInstanceWindow>(MainFormClassName, qPrintable(windowTitle()), Handle());
    } catch (const Exception &error) {
        // Another instance is starting at this moment: this one runs on its own.
        OutputDebugStringA(qPrintable(QStringLiteral("Zilo: no single instance: %1").arg(error.Message())));
    }

    StartFolder = startFolderOf(GetCommandLineA());

    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TMainForm1::Timer1Timer);
    Timer1->start();
}

TMainForm1::~TMainForm1()
{
    // FormDestroy
    Timer1->stop();
    removeApplicationHooks();
    for (Tool tool : DeletionOrder)
        m_toolForms[size_t(tool)].reset();
    // A tool registered after the start made its window on first use.
    for (std::unique_ptr<TToolForm> &window : m_toolForms)
        window.reset();
    for (QWidget *viewer : std::vector<QWidget *>(m_viewers))
        delete viewer;
    m_viewers.clear();
    TMemoList::FreeAll();
    ThumbBitmapCache.Purge(true);
    ClearFileClipboard();
    TFolderSpecificOptionsCache::SaveAll();
    m_browseForms.clear();
    SetToolShell(nullptr);
    SetCoordinatorHooks(nullptr);
    if (MainForm1 == this)
        MainForm1 = nullptr;
}

// A damaged start file is reported, and leaves the start folder empty.
CPath TMainForm1::startFolderOf(const CString &commandLine)
{
    try {
        return StartFolderFromCommandLine(commandLine);
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        return CPath();
    }
}

LRESULT TMainForm1::Dispatch(UINT message, WPARAM, LPARAM lParam)
{
    if (message == UM_ACTIVATE_INSTANCE)
        RestoreFirstWindow();
    if (message == WM_COPYDATA)
        return takeSecondStart(*reinterpret_cast<const COPYDATASTRUCT *>(lParam));
    return 0;
}

// The second start waits for this answer: the folder opens once the window
// thread is free, so that no box it may show holds that start up.
LRESULT TMainForm1::takeSecondStart(const COPYDATASTRUCT &copy)
{
    if (copy.dwData != UM_ACTIVATE_INSTANCE)
        return 0;
    const CString argument(QByteArray(static_cast<const char *>(copy.lpData), qsizetype(copy.cbData)).constData());
    QTimer::singleShot(0, this, [this, argument] { ShowSecondStart(argument); });
    return 1;
}

void TMainForm1::ShowSecondStart(const CString &argument)
{
    const CPath folder = startFolderOf(argument);
    if (folder.IsEmpty() || !CheckFolderExists(folder)) {
        RestoreFirstWindow();
        return;
    }
    // Names match without case, as the drives' names do.
    const auto showing = std::find_if(m_browseForms.begin(), m_browseForms.end(),
                                      [&](TBrowseForm1 *form) { return form->ShownFolder().CompareNoCase(folder) == 0; });
    if (showing != m_browseForms.end()) {
        bringToFront(*showing);
        return;
    }
    bringToFront(new TBrowseForm1(folder));   // frees itself when closed
}

void TMainForm1::removeApplicationHooks()
{
    if (!m_hooksInstalled)
        return;
    m_hooksInstalled = false;
    qApp->removeEventFilter(this);
}

bool TMainForm1::eventFilter(QObject *watched, QEvent *event)
{
    const bool hint = event->type() == QEvent::StatusTip || event->type() == QEvent::ToolTip;
    // Hints are off while every window is disabled.
    if (hint && m_disableDepth > 0)
        return true;
    // The hint of whatever the pointer rests on reaches every status line.
    if (event->type() == QEvent::StatusTip && watched->isWidgetType())
        ApplicationHint(static_cast<QStatusTipEvent *>(event)->tip());
    return QWidget::eventFilter(watched, event);
}

void TMainForm1::ApplicationHint(const QString &hint)
{
    for (TBrowseForm1 *form : m_browseForms)
        form->SetStatusHint(CString(hint));
}

void TMainForm1::FormActivate()
{
    BringModalFormsToTop();
}

void TMainForm1::AddBrowseForm(TBrowseForm1 *form)
{
    m_browseForms.push_back(form);
}

void TMainForm1::RemoveBrowseForm(TBrowseForm1 *form)
{
    std::erase(m_browseForms, form);
}

void TMainForm1::AddViewer(QWidget *viewer)
{
    m_viewers.push_back(viewer);
}

void TMainForm1::RemoveViewer(QWidget *viewer)
{
    std::erase(m_viewers, viewer);
    // Once the viewer has gone: it may have been the last window. Not while
    // the coordinator itself goes, which cancels the call.
    QTimer::singleShot(0, this, &TMainForm1::QuitIfNoWindows);
}

std::vector<ToolBrowser *> TMainForm1::BrowseWindows() const
{
    return std::vector<ToolBrowser *>(m_browseForms.begin(), m_browseForms.end());
}

void TMainForm1::OpenBrowser(const CPath &folder)
{
    new TBrowseForm1(folder);   // frees itself when closed
}

TToolForm *TMainForm1::madeToolWindow(Tool tool) const
{
    return m_toolForms[size_t(tool)].get();
}

TToolForm *TMainForm1::ToolWindow(Tool tool)
{
    std::unique_ptr<TToolForm> &window = m_toolForms[size_t(tool)];
    if (!window)
        window = MakeToolWindow(tool);
    return window.get();
}

bool TMainForm1::isToolWindowVisible(Tool tool) const
{
    TToolForm *window = madeToolWindow(tool);
    return window && window->Window()->isVisible();
}

void TMainForm1::setToolWindowVisible(Tool tool, bool visible)
{
    if (TToolForm *window = madeToolWindow(tool))
        window->Window()->setVisible(visible);
}

void TMainForm1::Timer1Timer()
{
    Timer1->stop();
    DriveTable->SetEnableFloppies(DiskOptions->GetInt(TDiskOptions::EnableFloppyA) != 0,
                                  DiskOptions->GetInt(TDiskOptions::EnableFloppyB) != 0);
    // A window may leave the list during its tick.
    for (size_t index = 0; index < m_browseForms.size(); ++index)
        m_browseForms[index]->BrowseTimerTick();
    for (Tool kind : {Tool::Animation, Tool::Basket, Tool::Batch, Tool::FindSimilar}) {
        if (TToolForm *tool = madeToolWindow(kind))
            tool->Tick();
    }
    PurgeCacheByPolicy();
    Timer1->start();
}

void TMainForm1::PurgeCacheByPolicy()
{
    const unsigned tick = s_purgeTicks;
    s_purgeTicks = (s_purgeTicks + 1) % 10;
    if (tick == 0)
        ThumbBitmapCache.PurgeByPolicy();
}

void TMainForm1::RefreshWindows(QWidget *skip, bool keepTree)
{
    for (TBrowseForm1 *form : std::vector<TBrowseForm1 *>(m_browseForms)) {
        if (form != skip)
            form->RefreshAfterSettings(keepTree);
    }
}

void TMainForm1::UpdateCaptionBars()
{
    const TGradEnabled mode = GeneralOptions->GetInt(TGeneralOptions::ShadedCaptions) != 0 ? geAlways : geNever;
    for (TBrowseForm1 *form : m_browseForms)
        form->SetCaptionGradient(mode);
    for (Tool kind : {Tool::Basket, Tool::Batch}) {
        if (TToolForm *tool = madeToolWindow(kind))
            tool->SetCaptionGradient(mode);
    }
}

void TMainForm1::ReloadShortcutLists(QWidget *skip)
{
    for (TBrowseForm1 *form : m_browseForms) {
        if (form != skip)
            form->ReloadShortcutList();
    }
}

void TMainForm1::UpdateFolderWindows(const CPath &folder)
{
    for (TBrowseForm1 *form : std::vector<TBrowseForm1 *>(m_browseForms)) {
        if (form->ShownFolder() == folder)
            form->Update(false);
    }
}

void TMainForm1::FileRenamed(const CPath &oldPath, const CPath &newPath)
{
    CWaitCursor wait;
    CoordinatorHooks::FileRenamed(oldPath, newPath);
    Basket().RenameItem(oldPath, newPath);
}

void TMainForm1::ClearCutMarks()
{
    for (TBrowseForm1 *form : m_browseForms)
        form->ThumbBox->SetAllCutMarks(false);
}

void TMainForm1::ReloadOpenWithMenus()
{
    for (TBrowseForm1 *form : m_browseForms)
        form->ReloadOpenWithMenu();
    if (TToolForm *basket = madeToolWindow(Tool::Basket))
        basket->ReloadOpenWithMenu();
}

void TMainForm1::SetFolderModified(const CPath &folder, bool modified)
{
    for (TBrowseForm1 *form : m_browseForms) {
        if (form->ShownFolder() == folder)
            form->TakeModified(modified);
    }
}

void TMainForm1::AddToFolderHistories(const CPath &folder)
{
    for (TBrowseForm1 *form : m_browseForms)
        form->AddToFolderHistory(folder);
}

void TMainForm1::ClearFolderHistories()
{
    for (TBrowseForm1 *form : m_browseForms)
        form->ClearFolderHistory();
}

void TMainForm1::setToolWindowsEnabled(bool enabled)
{
    for (Tool kind : {Tool::Animation, Tool::Batch, Tool::Basket}) {
        if (TToolForm *tool = madeToolWindow(kind))
            tool->Window()->setEnabled(enabled);
    }
}

void TMainForm1::DisableAllWindows()
{
    if (m_disableDepth++ > 0)
        return;
    m_activeWindow = QApplication::activeWindow();
    setToolWindowsEnabled(false);
    for (TBrowseForm1 *form : m_browseForms)
        form->setEnabled(false);
}

void TMainForm1::EnableAllWindows()
{
    if (m_disableDepth == 0 || --m_disableDepth > 0)
        return;
    // A window whose folder switch is pending stays disabled until the switch.
    for (TBrowseForm1 *form : m_browseForms)
        form->setEnabled(form->WantedFolder().IsEmpty());
    setToolWindowsEnabled(true);
    if (m_activeWindow)
        m_activeWindow->activateWindow();
    m_activeWindow = nullptr;
}

bool TMainForm1::CanCloseBatchWindow() const
{
    TToolForm *batch = madeToolWindow(Tool::Batch);
    return !m_browseForms.empty() || !batch || !batch->IsBusy();
}

void TMainForm1::SaveToolWindowVisibility()
{
    ProgramOptions->SetInt(TProgramOptions::ShowBatch, isToolWindowVisible(Tool::Batch));
    ProgramOptions->SetInt(TProgramOptions::ShowBasket, isToolWindowVisible(Tool::Basket));
    m_visibilitySaved = true;
}

void TMainForm1::QuitIfNoWindows()
{
    if (isToolWindowVisible(Tool::Basket) || isToolWindowVisible(Tool::Batch))
        return;
    if (std::ranges::any_of(m_viewers, [](const QWidget *viewer) { return viewer->isVisible(); }))
        return;
    if (!m_browseForms.empty())
        return;
    if (!m_visibilitySaved)
        SaveToolWindowVisibility();
    removeApplicationHooks();
    Terminate();
}

void TMainForm1::RestoreFirstWindow()
{
    QWidget *window = nullptr;
    if (!m_browseForms.empty())
        window = m_browseForms.front();
    else if (isToolWindowVisible(Tool::Basket))
        window = madeToolWindow(Tool::Basket)->Window();
    else if (isToolWindowVisible(Tool::Batch))
        window = madeToolWindow(Tool::Batch)->Window();
    if (window)
        bringToFront(window);
}

void TMainForm1::bringToFront(QWidget *window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

void TMainForm1::CloseAll()
{
    for (TBrowseForm1 *form : std::vector<TBrowseForm1 *>(m_browseForms)) {
        if (!form->QueryCloseFolder())
            return;
    }
    SaveToolWindowVisibility();
    for (Tool kind : {Tool::Animation, Tool::Basket, Tool::Batch, Tool::Finder, Tool::FindSimilar})
        setToolWindowVisible(kind, false);
    for (TBrowseForm1 *form : m_browseForms)
        PostMessage(form->Handle(), WM_CLOSE, 0, 0);
}

void TMainForm1::closeEvent(QCloseEvent *event)
{
    // FormClose: the coordinator stays.
    CloseAll();
    event->ignore();
}
