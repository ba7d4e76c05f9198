// What the browse window shows of the folder's state: the status line, the
// selection, the progress and the information page; and its own messages.

#include "BrowseForm.h"

#include "MainForm.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ShortcutListView.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/UserMessages.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Drive.h>
#include <lib/ProductInfo.h>
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
    switch (message) {
    case WM_CLOSE:
        close();
        return 0;
    case WM_DEVICECHANGE:
        WMDeviceChange();
        return 0;
    default:
        return m_session.Dispatch(message, wParam, lParam);
    }
}

void TBrowseForm1::WMDeviceChange()
{
    rebuildTree();
    ShortcutList->Reload();
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
    if (!ScanContext() || ScanContext()->IsTerminated())
        return;
    ShowThumbnail(thumbnail);
    SetModified(true);
}

void TBrowseForm1::UpdateSimilarReference()
{
    if (ThumbBox->SelectedCount() != 1)
        return;
    TToolForm *similar = Shell().ToolWindow(Tool::FindSimilar);
    if (!similar)
        return;
    if (CThumbBitmap *record = ThumbBox->GetSelected().front()->GetThumbBitmap())
        similar->SetReferenceImage(record->GetFullPath());
}

// ---- Status -------------------------------------------------------------------

void TBrowseForm1::SetStatus(const CString &text)
{
    m_statusText = text;
    if (text.IsEmpty()) {
        const int count = ThumbBox->Count();
        CString sorted;
        const int property = FolderOptions() ? FolderOptions()->GetInt(TFolderOptions::SortProperty) : -1;
        if (property == CThumbSort::CustomOrder) {
            sorted = "custom-sorted";
        } else if (!ShownFolder().IsEmpty()) {
            CString words;
            CString direction;
            CThumbSort(ShownFolder()).GetDescription(words, direction);
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
        text.Format("%s%s - %s", ShownFolder().c_str(), m_writeProtected ? " (RO)" : "", m_statusText.c_str());
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
    return CString(ShownFolder() + CaptionSuffix).ToAnsiString();
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
