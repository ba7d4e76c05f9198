#include "DriveInfoForm.h"

#include <Source/Glob.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Drive.h>
#include <lib/Shell.h>
#include <lib/WaitCursor.h>
#include <platform/Drives.h>
#include <platform/SystemMetrics.h>

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <optional>

static constexpr int MemoLineCount = 13;
static constexpr int MemoLineChars = 34;      // "Volume serial #: 1234ABCD" with room to spare
static constexpr int PieSide = 120;
static constexpr int PieShadowOffset = 4;
static constexpr COLORREF PieShadowColour = 0x808080;
static constexpr COLORREF DefaultUsedColour = 0xFF0000;
static constexpr COLORREF DefaultFreeColour = 0xFF00FF;
static constexpr int ColourPanelSide = 14;
static constexpr int DriveIconSide = 32;

static QString formatted(const char *format, ...) __attribute__((format(printf, 1, 2)));
static QString formatted(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    CString text;
    text.FormatV(format, arguments);
    va_end(arguments);
    return text.ToAnsiString();
}

static CString fileSize(uint64_t bytes)
{
    CString text;
    text.FormatFileSize(bytes);
    return text;
}

static bool isAvailable(const CDrive &drive)
{
    return drive.exists && drive.ready;
}

// What the drive's user has filled; 0 when the figures disagree.
static uint64_t usedBytes(const CDrive &drive)
{
    return drive.totalBytes > drive.freeBytes ? drive.totalBytes - drive.freeBytes : 0;
}

// The letter of the drive that path lies on; for a share, the letter of the
// drive mapped to it, or none.
static char driveLetterOf(const CPath &path)
{
    if (!path.GetIsShared())
        return char(std::toupper(static_cast<unsigned char>(path.GetDriveLetter())));
    const CString root = path.GetDrivePart() + "\\";
    DWORD serial = 0;
    if (!DriveTable || !GetVolumeInformationA(root, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0))
        return '\0';
    const std::optional<CDrive> drive = DriveTable->DriveFromSerial(serial);
    return drive ? drive->letter : '\0';
}

TDriveInfoForm1::TDriveInfoForm1(QWidget *owner, const CPath &path)
    : TModalForm1(owner)
    , DriveCombo(new QComboBox(this))
    , Memo(new QPlainTextEdit(this))
    , PiePaintBox(new QWidget(this))
    , PercentLabel(new QLabel(this))
    , UsedSpaceLabel(new QLabel(this))
    , FreeSpaceLabel(new QLabel(this))
    , CapacityLabel(new QLabel(this))
    , UsedPanel(makeColourPanel("UsedPanel"))
    , FreePanel(makeColourPanel("FreePanel"))
    , CopyBtn(new QToolButton(this))
    , OpenFolderBtn(new QToolButton(this))
    , UpdateBtn(new QToolButton(this))
    , IconLocal(makeDriveIcon("IconLocal", "drive-harddisk", QStyle::SP_DriveHDIcon))
    , IconRemote(makeDriveIcon("IconRemote", "network-server", QStyle::SP_DriveNetIcon))
    , IconRemovable(makeDriveIcon("IconRemovable", "drive-removable-media", QStyle::SP_DriveFDIcon))
    , IconCDROM(makeDriveIcon("IconCDROM", "media-optical", QStyle::SP_DriveCDIcon))
    , IconRAM(makeDriveIcon("IconRAM", "media-flash", QStyle::SP_DriveHDIcon))
    , IconFloppy(makeDriveIcon("IconFloppy", "media-floppy", QStyle::SP_DriveFDIcon))
    , CloseBtn(new QPushButton("Close", this))
{
    CWaitCursor waitCursor;
    setObjectName("DriveInfoForm1");
    setWindowTitle("Drive Information");
    DriveCombo->setObjectName("DriveCombo");
    Memo->setObjectName("Memo");
    PiePaintBox->setObjectName("PiePaintBox");
    PercentLabel->setObjectName("PercentLabel");
    UsedSpaceLabel->setObjectName("UsedSpaceLabel");
    FreeSpaceLabel->setObjectName("FreeSpaceLabel");
    CapacityLabel->setObjectName("CapacityLabel");
    CloseBtn->setObjectName("CloseBtn");
    CloseBtn->setDefault(true);
    SetButtonResult(CloseBtn, mrOk);

    const struct
    {
        QToolButton *button;
        const char *name;
        const char *text;
        const char *hint;
        const char *themeIcon;
        QStyle::StandardPixmap standardIcon;
    } tools[] = {
        {CopyBtn, "CopyBtn", "Copy", "Copies all the displayed information to the clipboard", "edit-copy",
         QStyle::SP_FileDialogDetailedView},
        {OpenFolderBtn, "OpenFolderBtn", "Open Folder", "Opens an explorer window on this drive.", "folder-open",
         QStyle::SP_DirOpenIcon},
        {UpdateBtn, "UpdateBtn", "Update", "Updates the drive information", "view-refresh", QStyle::SP_BrowserReload},
    };
    for (const auto &tool : tools) {
        tool.button->setObjectName(tool.name);
        tool.button->setText(tool.text);
        tool.button->setToolTip(tool.hint);
        tool.button->setIcon(QIcon::fromTheme(tool.themeIcon, style()->standardIcon(tool.standardIcon)));
        tool.button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        tool.button->setAutoRaise(true);
    }

    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QFontMetrics metrics = Memo->fontMetrics();
    const int memoMargins = 2 * (Memo->frameWidth() + int(Memo->document()->documentMargin()));
    Memo->setFixedSize(metrics.averageCharWidth() * MemoLineChars + memoMargins,
                       metrics.lineSpacing() * MemoLineCount + memoMargins);
    Memo->setPlainText(QString(MemoLineCount - 1, u'\n'));
    PiePaintBox->setFixedSize(PieSide, PieSide);
    PiePaintBox->installEventFilter(this);
    PercentLabel->setAlignment(Qt::AlignCenter);

    auto *updateAction = new QAction("&Update", this);
    updateAction->setShortcut(Qt::Key_F5);
    addAction(updateAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    const CString letters = DriveTable ? DriveTable->GetDriveLetters(-2) : CString();
    for (int index = 0; index < letters.GetLength(); ++index)
        DriveCombo->addItem(QString(QChar::fromLatin1(letters.GetAt(index))) + ':');
    if (!path.IsEmpty())
        DriveCombo->setCurrentIndex(DriveCombo->findText(QString(QChar::fromLatin1(driveLetterOf(path))) + ':'));

    connect(DriveCombo, &QComboBox::currentIndexChanged, this, &TDriveInfoForm1::DriveComboChange);
    connect(UpdateBtn, &QToolButton::clicked, this, &TDriveInfoForm1::UpdateBtnClick);
    connect(updateAction, &QAction::triggered, this, &TDriveInfoForm1::UpdateBtnClick);
    connect(CopyBtn, &QToolButton::clicked, this, &TDriveInfoForm1::CopyBtnClick);
    connect(OpenFolderBtn, &QToolButton::clicked, this, &TDriveInfoForm1::OpenFolderBtnClick);

    auto *top = new QHBoxLayout;
    top->addWidget(DriveCombo);
    for (QLabel *icon : {IconLocal, IconRemote, IconRemovable, IconCDROM, IconRAM, IconFloppy})
        top->addWidget(icon);
    top->addStretch();
    for (QToolButton *tool : {CopyBtn, OpenFolderBtn, UpdateBtn})
        top->addWidget(tool);

    auto *legend = new QGridLayout;
    const struct
    {
        QFrame *panel;
        const char *caption;
        QLabel *size;
    } rows[] = {{UsedPanel, "Used space:", UsedSpaceLabel}, {FreePanel, "Free space:", FreeSpaceLabel},
                {nullptr, "Capacity:", CapacityLabel}};
    for (int row = 0; row < 3; ++row) {
        if (rows[row].panel)
            legend->addWidget(rows[row].panel, row, 0);
        legend->addWidget(new QLabel(rows[row].caption, this), row, 1);
        rows[row].size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        legend->addWidget(rows[row].size, row, 2);
    }
    auto *space = new QVBoxLayout;
    space->addWidget(PiePaintBox, 0, Qt::AlignHCenter);
    space->addWidget(PercentLabel);
    space->addLayout(legend);
    space->addStretch();

    auto *middle = new QHBoxLayout;
    middle->addWidget(Memo);
    middle->addLayout(space);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(CloseBtn);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QFrame *TDriveInfoForm1::makeColourPanel(const char *name)
{
    auto *panel = new QFrame(this);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel->setFixedSize(ColourPanelSide, ColourPanelSide);
    panel->setAutoFillBackground(true);
    panel->setCursor(Qt::PointingHandCursor);
    panel->setToolTip("Change Colour");
    panel->installEventFilter(this);
    auto *choose = new QAction("&Choose Colour...", panel);
    auto *byDefault = new QAction("&Default Colour", panel);
    connect(choose, &QAction::triggered, this, [this, panel] { ChooseColour(panel); });
    connect(byDefault, &QAction::triggered, this, [this, panel] { DefaultColour(panel); });
    panel->addActions({choose, byDefault});
    panel->setContextMenuPolicy(Qt::ActionsContextMenu);
    return panel;
}

QLabel *TDriveInfoForm1::makeDriveIcon(const char *name, const char *themeName, int standardPixmap)
{
    auto *icon = new QLabel(this);
    icon->setObjectName(name);
    const QIcon fallback = style()->standardIcon(QStyle::StandardPixmap(standardPixmap));
    icon->setPixmap(QIcon::fromTheme(themeName, fallback).pixmap(DriveIconSide, DriveIconSide));
    icon->hide();
    return icon;
}

void TDriveInfoForm1::ShowFor(const CPath &driveOrShare)
{
    TDriveInfoForm1 form(nullptr, driveOrShare);
    form.ShowModal();
}

CString TDriveInfoForm1::PercentText(uint64_t used, uint64_t capacity)
{
    if (capacity == 0)
        return CString();
    if (used == 0)
        return "Empty";
    if (used >= capacity)
        return "Full";
    // Neither end may be shown for a drive that is not there yet.
    const long double share = static_cast<long double>(used) * 100 / static_cast<long double>(capacity);
    const int percent = std::clamp(int(std::lround(share)), 1, 99);
    CString text;
    text.Format("%d%% full", percent);
    return text;
}

QStringList TDriveInfoForm1::InfoLines(const CDrive &drive, bool writeProtected)
{
    QStringList lines;
    lines << formatted("Type: %s", drive.GetTypeString().c_str());
    if (!isAvailable(drive))
        lines << "Status: Unavailable";
    else
        lines << (writeProtected ? "Status: Write-protected" : "Status: Available");
    if (!isAvailable(drive)) {
        while (lines.size() < MemoLineCount)
            lines << QString();
        return lines;
    }
    const uint64_t used = usedBytes(drive);
    const CString label = drive.volumeLabel.IsEmpty() ? CString("(empty)") : drive.volumeLabel;
    lines << formatted("Label: %s", label.c_str());
    lines << formatted("File System: %s", drive.fileSystemName.c_str());
    lines << formatted("Volume serial #: %08X", drive.serialNumber);
    lines << formatted("Used space: %s (%s)", fileSize(used).c_str(), PercentText(used, drive.totalBytes).c_str());
    lines << formatted("Free space: %s", fileSize(drive.freeBytes).c_str());
    lines << formatted("Capacity: %s", fileSize(drive.totalBytes).c_str());
    // Counts are unsigned: a large drive has 2^31 clusters and more.
    lines << formatted("Free clusters: %u", drive.freeClusters);
    lines << formatted("Total clusters: %u", drive.totalClusters);
    lines << formatted("Bytes per sector: %u", drive.bytesPerSector);
    lines << formatted("Sectors per cluster: %u", drive.sectorsPerCluster);
    const unsigned long long clusterBytes = 1ull * drive.bytesPerSector * drive.sectorsPerCluster;
    lines << formatted("Bytes per cluster: %llu", clusterBytes);
    return lines;
}

char TDriveInfoForm1::selectedLetter() const
{
    const QString entry = DriveCombo->currentText();
    return entry.isEmpty() ? '\0' : entry.at(0).toLatin1();
}

void TDriveInfoForm1::fillInfo()
{
    const CDrive drive = DriveTable ? DriveTable->GetDrive(selectedLetter()) : CDrive();
    const bool writeProtected = isAvailable(drive) && IsDriveWriteProtected(CPath(drive.letter));
    m_capacity = drive.totalBytes;
    m_used = usedBytes(drive);
    PercentLabel->setText(PercentText(m_used, m_capacity).ToAnsiString());
    UsedSpaceLabel->setText(fileSize(m_used).ToAnsiString());
    FreeSpaceLabel->setText(fileSize(drive.freeBytes).ToAnsiString());
    CapacityLabel->setText(fileSize(m_capacity).ToAnsiString());
    Memo->setPlainText(InfoLines(drive, writeProtected).join(u'\n'));
    Memo->moveCursor(QTextCursor::Start);
    ShowDriveTypeImages(IconFloppy, IconRemovable, IconLocal, IconRemote, IconCDROM, IconRAM, drive);
    PiePaintBox->update();
}

void TDriveInfoForm1::DriveComboChange()
{
    fillInfo();
}

void TDriveInfoForm1::UpdateBtnClick()
{
    {
        CWaitCursor waitCursor;
        if (DriveTable)
            DriveTable->Update();
        fillInfo();
    }
    DriveCombo->setFocus();
}

void TDriveInfoForm1::CopyBtnClick()
{
    Memo->selectAll();
    Memo->copy();
    Memo->moveCursor(QTextCursor::Start);
}

void TDriveInfoForm1::OpenFolderBtnClick()
{
    const CPath root(selectedLetter());
    const int result = OpenDocument(root, "");
    if (result == -1 || result == OpenDocumentReported)
        return;
    ShowMessageBox(CString(TShell::GetErrorMessage(result)), ErrorBoxFlags);
}

void TDriveInfoForm1::setPanelColour(QFrame *panel, const QColor &colour)
{
    (panel == UsedPanel ? m_usedColour : m_freeColour) = colour;
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    PiePaintBox->update();
}

void TDriveInfoForm1::ChooseColour(QFrame *panel)
{
    const QColor colour = QColorDialog::getColor(panel->palette().color(QPalette::Window), this);
    if (colour.isValid())
        setPanelColour(panel, colour);
}

void TDriveInfoForm1::DefaultColour(QFrame *panel)
{
    setPanelColour(panel, ColourFromColorRef(panel == UsedPanel ? DefaultUsedColour : DefaultFreeColour));
}

void TDriveInfoForm1::showEvent(QShowEvent *event)
{
    TModalForm1::showEvent(event);
    if (ProgramOptions) {
        setPanelColour(UsedPanel, ColourFromColorRef(COLORREF(ProgramOptions->GetInt(TProgramOptions::UsedDiskColour))));
        setPanelColour(FreePanel, ColourFromColorRef(COLORREF(ProgramOptions->GetInt(TProgramOptions::FreeDiskColour))));
    }
    fillInfo();
}

void TDriveInfoForm1::hideEvent(QHideEvent *event)
{
    TModalForm1::hideEvent(event);
    if (!ProgramOptions)
        return;
    ProgramOptions->SetInt(TProgramOptions::UsedDiskColour, int32_t(ColorRefFromColour(m_usedColour)));
    ProgramOptions->SetInt(TProgramOptions::FreeDiskColour, int32_t(ColorRefFromColour(m_freeColour)));
    ProgramOptions->Save();
}

bool TDriveInfoForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PiePaintBox && event->type() == QEvent::Paint) {
        paintPie();
        return true;
    }
    const bool panelClicked = (watched == UsedPanel || watched == FreePanel) &&
                              event->type() == QEvent::MouseButtonRelease &&
                              static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    if (panelClicked) {
        ChooseColour(static_cast<QFrame *>(watched));
        return true;
    }
    return TModalForm1::eventFilter(watched, event);
}

void TDriveInfoForm1::paintPie()
{
    QPainter painter(PiePaintBox);
    painter.setRenderHint(QPainter::Antialiasing);
    // Odd sides give the circle a centre pixel.
    const int width = PiePaintBox->width() * 95 / 100 | 1;
    const int height = PiePaintBox->height() * 95 / 100 | 1;
    const QRect circle((PiePaintBox->width() - width) / 2, (PiePaintBox->height() - height) / 2, width, height);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ColourFromColorRef(PieShadowColour));
    painter.drawEllipse(circle.translated(PieShadowOffset, PieShadowOffset));
    painter.setPen(SysColour(COLOR_BTNTEXT));
    painter.setBrush(m_freeColour);
    painter.drawEllipse(circle);
    if (m_capacity == 0 || m_used == 0)
        return;
    painter.setBrush(m_usedColour);
    if (m_used >= m_capacity) {
        painter.drawEllipse(circle);
        return;
    }
    // Qt counts sixteenths of a degree, anticlockwise from three o'clock.
    const int span = int(std::lround(static_cast<long double>(m_used) * 360 * 16 / static_cast<long double>(m_capacity)));
    painter.drawPie(circle, 0, span);
}
