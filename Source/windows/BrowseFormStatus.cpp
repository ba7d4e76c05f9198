// The browse window's side of its workers' messages, and what it shows of
// the folder's state: the status line, the selection, the progress and the
// information page.

#include "BrowseForm.h"

#include "MainForm.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ProductInfo.h>
#include <Source/engine/ShortcutListView.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Drive.h>
#include <lib/WaitCursor.h>
#include <lib/controls/DirectoryTreeView.h>
#include <lib/imaging/ImgLib.h>
#include <platform/SystemMetrics.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

CString CopyFitDrives(const std::vector<uint64_t> &fileSizes, const std::vector<CDrive> &drives)
{
    CString letters;
    for (const CDrive &drive : drives) {
        const uint64_t clusterSize = uint64_t(drive.bytesPerSector) * drive.sectorsPerCluster;
        // A drive that gave no geometry cannot be judged.
        if (!drive.exists || clusterSize == 0)
            continue;
        uint64_t clusters = 0;
        for (uint64_t size : fileSizes)
            clusters += (size + clusterSize - 1) / clusterSize;
        if (clusters > drive.freeClusters)
            continue;
        if (!letters.IsEmpty())
            letters += ", ";
        letters += CString(std::string(1, drive.letter).c_str());
    }
    return letters;
}

LRESULT TBrowseForm1::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    const CString path = lParam && (message == UM_BROWSE_LOAD_BEGIN || message == UM_BROWSE_LOAD_END
                                    || message == UM_BROWSE_SAVE_BEGIN || message == UM_BROWSE_SAVE_END)
                             ? CString(reinterpret_cast<const char *>(lParam))
                             : CString();
    CString text;
    switch (message) {
    case UM_QUERY_AUDIO_FEEDBACK:
        return 1;
    case UM_QUERY_IGNORE_BROWSE_FILES:
        return 0;
    case UM_FOLDER_CHANGED:
        UMFolderChanged();
        return 0;
    case UM_GET_THUMBNAIL_LIST:
        UMGetThumbnailList(lParam);
        return 1;
    case UM_BROWSE_LOAD_BEGIN:
        text.Format("Loading browse file '%s'...", path.c_str());
        SetStatus(text);
        return 0;
    case UM_BROWSE_LOAD_END:
        UMBrowseLoadEnd(wParam != 0, path);
        return 0;
    case UM_BROWSE_SAVE_BEGIN:
        text.Format("Saving browse file '%s'...", path.c_str());
        SetStatus(text);
        return 0;
    case UM_BROWSE_SAVE_END:
        UMBrowseSaveEnd(wParam != 0, path);
        return 0;
    case UM_BROWSE_READ_COUNT:
        SetProgress(ProgressMaximum, int(lParam));
        return 0;
    case UM_BROWSE_WRITE_COUNT:
    case UM_LOAD_BEGIN:
        SetProgress(ProgressMaximum, int(lParam));
        return 0;
    case UM_BROWSE_RECORD_WRITTEN:
    case UM_RECORD_LOADED:
        SetProgress(ProgressStep, 1);
        return 0;
    case UM_BROWSE_RECORD_READ:
        ThumbBox->AddThumbnail(reinterpret_cast<CThumbBitmap *>(lParam));
        SetProgress(ProgressStep, 1);
        return 0;
    case UM_LOADER_END:
        UMLoaderEnd();
        return 0;
    case UM_COUNT_BEGIN:
        SetStatus("Counting image files...");
        return 0;
    case UM_COUNT_PROGRESS:
        text.Format("%s %d", "Counting image files...", int(lParam));
        SetStatus(text);
        return 0;
    case UM_CREATE_BEGIN:
        UMCreateBegin(int(lParam));
        return 0;
    case UM_CREATE_END:
        SetProgress(ProgressPosition, 0);
        return 0;
    case UM_RECORD_ADDED:
        UMRecordAdded(reinterpret_cast<CThumbBitmap *>(lParam));
        return 0;
    case UM_LOAD_PROGRESS:
        UMLoadProgress(int(wParam), int(lParam));
        return 0;
    case WM_CLOSE:
        close();
        return 0;
    case WM_DEVICECHANGE:
        WMDeviceChange();
        return 0;
    default:
        return 0;
    }
}

void TBrowseForm1::UMFolderChanged()
{
    if (SequentialRenameCount.load() > 0)
        return;
    FileSystemUpdateTimer->stop();
    FileSystemUpdateTimer->start();
}

void TBrowseForm1::UMGetThumbnailList(LPARAM list)
{
    auto *records = reinterpret_cast<std::vector<CThumbBitmap *> *>(list);
    records->reserve(records->size() + size_t(ThumbBox->Count()));
    for (int index = 0; index < ThumbBox->Count(); ++index) {
        CThumbBitmap *record = ThumbBox->Thumbnail(index)->GetThumbBitmap();
        record->AddRef();
        records->push_back(record);
    }
}

void TBrowseForm1::UMBrowseLoadEnd(bool success, const CString &path)
{
    PauseKeepingPaint(200);
    SetStatus(CString());
    SetProgress(ProgressPosition, 0);
    SetTitleProgress(CString());
    if (!success) {
        CString text;
        text.Format("Failed to load browse file '%s'", path.c_str());
        SetStatus(text);
        showErrorAfterHandler(text);
    }
    if (m_folderOptions && m_scanContext) {
        const int property = m_folderOptions->GetInt(TFolderOptions::SortProperty);
        if (property != m_scanContext->GetFileSortProperty()
            || m_folderOptions->GetInt(TFolderOptions::SortDirection) != m_scanContext->GetFileSortDirection()
            || property == CThumbSort::CustomOrder)
            ApplySortOrder();
    }
    if (m_scanContext && !m_scanContext->ShouldStop() && m_folderOptions
        && m_folderOptions->GetInt(TFolderOptions::AutoUpdate) != 0)
        Update(false);
}

void TBrowseForm1::UMBrowseSaveEnd(bool success, const CString &path)
{
    SetStatus(CString());
    SetProgress(ProgressPosition, 0);
    if (success)
        return;
    // The thumbnails still differ from the file: the next switch asks again.
    SetModified(true);
    CString text;
    text.Format("Failed to save browse file '%s'", path.c_str());
    showErrorAfterHandler(text);
}

void TBrowseForm1::UMLoaderEnd()
{
    PauseKeepingPaint(200);
    SetStatus(CString());
    SetProgress(ProgressPosition, 0);
    SetTitleProgress(CString());
    ApplySortOrder();
}

void TBrowseForm1::UMCreateBegin(int count)
{
    SetProgress(ProgressPosition, 0);
    if (count <= 0) {
        SetStatus(CString());
        return;
    }
    CString text;
    text.Format("Creating thumbnails for %d image%s...", count, count == 1 ? "" : "s");
    SetStatus(text);
}

void TBrowseForm1::UMRecordAdded(CThumbBitmap *record)
{
    if (!ThumbBox->ShowsRecord(record)) {
        ThumbBox->AddThumbnail(record);
        SetModified(true);
    }
    SetProgress(ProgressStep, 1);
}

void TBrowseForm1::UMLoadProgress(int index, int count)
{
    if (count <= 0)
        return;
    const int percent = int(int64_t(index) * 100 / count);
    CString text;
    text.Format("Loading image %d of %d (%d%%)...", index + 1, count, percent);
    SetStatus(text);
    text.Format("%d%% - %s - %d of %d%s", percent, m_folder.c_str(), index + 1, count, CaptionSuffix);
    SetTitleProgress(text);
}

void TBrowseForm1::WMDeviceChange()
{
    rebuildTree();
    ShortcutList->Reload();
}

void TBrowseForm1::showErrorAfterHandler(const CString &text)
{
    QTimer::singleShot(0, this, [text] { ShowMessageBox(text, ErrorBoxFlags); });
}

void TBrowseForm1::ShowThumbnail(TThumbnail *thumbnail)
{
    thumbnail->UpdateSizeAndHint();
    if (GeneralOptions->GetInt(TGeneralOptions::AutoScroll) != 0)
        ThumbBox->ScrollThumbnailInView(thumbnail);
}

void TBrowseForm1::ThumbnailChanged(TThumbnail *thumbnail)
{
    // A change that comes after the folder was left belongs to nobody here.
    if (!m_scanContext || m_scanContext->IsTerminated())
        return;
    ShowThumbnail(thumbnail);
    SetModified(true);
}

void TBrowseForm1::UpdateSimilarReference()
{
    // The find-similar window takes the reference when it exists.
}

// ---- Status -------------------------------------------------------------------

void TBrowseForm1::SetStatus(const CString &text)
{
    m_statusText = text;
    if (text.IsEmpty()) {
        const int count = ThumbBox->Count();
        CString sorted;
        const int property = m_folderOptions ? m_folderOptions->GetInt(TFolderOptions::SortProperty) : -1;
        if (property == CThumbSort::CustomOrder) {
            sorted = "custom-sorted";
        } else if (!m_folder.IsEmpty()) {
            CString words;
            CString direction;
            CThumbSort(m_folder).GetDescription(words, direction);
            if (!words.IsEmpty())
                sorted.Format("sorted by %s %s", words.c_str(), direction.c_str());
        }
        CString size;
        size.FormatFileSize(uint64_t(ThumbBox->GetTotalFileSize()));
        m_statusText.Format("%d image%s %s - %s - %s", count, count == 1 ? "" : "s", sorted.c_str(), size.c_str(),
                            FormatDuration(ThumbBox->GetTotalBuildTime()).c_str());
    }
    updateStatusPanel();
}

void TBrowseForm1::SetStatusHint(const CString &text)
{
    m_hintText = text;
    updateStatusPanel();
}

void TBrowseForm1::updateStatusPanel()
{
    if (!m_hintText.IsEmpty()) {
        StatusPanel->setText(m_hintText.ToAnsiString());
    } else {
        CString text;
        text.Format("%s%s - %s", m_folder.c_str(), m_writeProtected ? " (RO)" : "", m_statusText.c_str());
        StatusPanel->setText(text.ToAnsiString());
    }
    StatusPanel->repaint();
}

void TBrowseForm1::SetTitleProgress(const CString &text)
{
    if (!(windowState() & Qt::WindowMinimized))
        return;
    setWindowTitle(text.IsEmpty() ? normalTitle() : text.ToAnsiString());
}

QString TBrowseForm1::normalTitle() const
{
    return CString(m_folder + CaptionSuffix).ToAnsiString();
}

void TBrowseForm1::SetProgress(ProgressMode mode, int value)
{
    switch (mode) {
    case ProgressPosition:
        ProgressBar->setValue(std::min(value, ProgressBar->maximum()));
        break;
    case ProgressStep:
        ProgressBar->setValue(std::min(ProgressBar->value() + value, ProgressBar->maximum()));
        break;
    case ProgressMaximum:
        // Nothing to count leaves the bar empty, as a Windows bar is; Qt's
        // range 0..0 would be its busy bar, which never stops.
        ProgressBar->setRange(0, std::max(1, value));
        break;
    }
}

void TBrowseForm1::UpdateSelectionStatus()
{
    std::vector<uint64_t> sizes;
    uint64_t total = 0;
    for (TThumbnail *thumbnail : ThumbBox->GetSelected()) {
        const uint64_t size = thumbnail->GetThumbBitmap()->GetHandler().GetSize();
        sizes.push_back(size);
        total += size;
    }
    CString formatted;
    formatted.FormatFileSize(total);
    CString text;
    text.Format("Selected: %d (%s) ", int(sizes.size()), formatted.c_str());
    if (!sizes.empty() && DriveTable) {
        std::vector<CDrive> drives;
        for (char letter = 'A'; letter <= 'Z'; ++letter)
            drives.push_back(DriveTable->GetDrive(letter));
        const CString letters = CopyFitDrives(sizes, drives);
        if (!letters.IsEmpty()) {
            CString fits;
            fits.Format("%s - Copy will fit on drive%s %s", text.c_str(), letters.Find(",") >= 0 ? "s" : "",
                        letters.c_str());
            text = fits;
        }
    }
    HintPanel->setText(text.ToAnsiString());
    HintPanel->setToolTip(text.ToAnsiString());
    // At least its own width, and never cut.
    const int needed = HintPanel->fontMetrics().horizontalAdvance(HintPanel->text()) + 2 * HintPanel->frameWidth() + 8;
    HintPanel->setFixedWidth(std::max(SelectionPanelWidth, needed));
}

// ---- Information page -------------------------------------------------------------

void TBrowseForm1::createInfoPage()
{
    m_infoPage = new QWidget(RightPanel);
    m_infoPage->setObjectName(QStringLiteral("InfoPage"));
    auto *column = new QVBoxLayout(m_infoPage);
    auto *image = new QLabel(m_infoPage);
    image->setObjectName(QStringLiteral("InfoImage"));
    image->setText(QString::fromUtf8(ProductName));
    image->setAlignment(Qt::AlignCenter);
    QFont title = image->font();
    title.setPointSize(title.pointSize() * 2);
    title.setBold(true);
    image->setFont(title);
    auto *memo = new QTextEdit(m_infoPage);
    memo->setObjectName(QStringLiteral("InfoMemo"));
    memo->setReadOnly(true);
    memo->setPlainText(QStringLiteral("%1 %2\n%3\n\nReleased %4")
                           .arg(QString::fromUtf8(ProductName), QString::fromUtf8(ProductVersion),
                                QString::fromUtf8(CompanyName), QString::fromUtf8(ReleaseDate)));
    memo->setFixedSize(360, 120);
    std::string version;
    ImgGetVersion(&version);
    auto *library = new QLabel(QStringLiteral("Using imaging library %1").arg(QString::fromStdString(version)), m_infoPage);
    library->setObjectName(QStringLiteral("InfoLabel"));
    library->setAlignment(Qt::AlignCenter);
    auto *back = new QPushButton(QStringLiteral("&Back"), m_infoPage);
    back->setObjectName(QStringLiteral("InfoBackButton"));
    connect(back, &QPushButton::clicked, this, &TBrowseForm1::InfoImageClick);
    column->addWidget(image);
    column->addWidget(memo, 0, Qt::AlignHCenter);
    column->addWidget(library);
    column->addWidget(back, 0, Qt::AlignHCenter);
    m_infoPage->adjustSize();
}

void TBrowseForm1::Info1Click()
{
    if (!m_infoPage)
        createInfoPage();
    ThumbBox->hide();
    QPalette palette = RightPanel->palette();
    palette.setColor(QPalette::Window, SysColour(COLOR_INFOBK));
    RightPanel->setPalette(palette);
    m_infoPage->move((RightPanel->width() - m_infoPage->width()) / 2, (RightPanel->height() - m_infoPage->height()) / 2);
    m_infoPage->show();
    m_infoPage->findChild<QPushButton *>(QStringLiteral("InfoBackButton"))->setFocus();
}

void TBrowseForm1::InfoImageClick()
{
    if (!m_infoPage || !m_infoPage->isVisible())
        return;
    m_infoPage->hide();
    RightPanel->setPalette(QPalette());
    ThumbBox->show();
}
