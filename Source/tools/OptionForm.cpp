#include "OptionForm.h"

#include "OpenWith.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBuild.h>
#include <Source/engine/ThumbSort.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/windows/FolderBrowserForm.h>
#include <Source/windows/ToolHost.h>
#include <lib/Drive.h>
#include <lib/Helpers.h>
#include <lib/ProgressContext.h>
#include <lib/SafeRegIniFile.h>
#include <lib/Shell.h>
#include <lib/WaitCursor.h>
#include <lib/controls/HistoryComboBox.h>
#include <lib/controls/NewScrollBar.h>
#include <lib/imaging/ImgLib.h>
#include <lib/imaging/Picture.h>
#include <platform/Drives.h>
#include <platform/FileDialog.h>
#include <platform/GlobalMemory.h>
#include <platform/ModalDialog.h>
#include <platform/Shell.h>
#include <platform/SystemMetrics.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTime>
#include <QGuiApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

// A panel that paints a picture from its top left, tiled when asked, on the
// panel's colour.
class TPicturePanel : public QFrame
{
public:
    explicit TPicturePanel(QWidget *parent, const char *name) : QFrame(parent)
    {
        setObjectName(name);
        setFrameStyle(QFrame::Sunken | QFrame::Panel);
        setAutoFillBackground(true);
    }
    void setPicture(const QImage &picture, bool tiled)
    {
        m_picture = picture;
        m_tiled = tiled;
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QFrame::paintEvent(event);
        if (m_picture.isNull())
            return;
        QPainter painter(this);
        const QRect inside = contentsRect();
        painter.setClipRect(inside);
        if (m_tiled) {
            painter.drawTiledPixmap(inside, QPixmap::fromImage(m_picture));
            return;
        }
        // The middle of the picture at twice its size, where the loss of each
        // quality step shows.
        const QSize shown = inside.size() / 2;
        const QPoint offset((m_picture.width() - shown.width()) / 2, (m_picture.height() - shown.height()) / 2);
        painter.drawImage(inside, m_picture, QRect(offset, shown));
    }

private:
    QImage m_picture;
    bool m_tiled = false;
};

namespace {

constexpr const char *PageNames[TOptionForm1::PageCount] = {"General",      "Folder",   "Panel", "JPEG",
                                                            "Applications", "Advanced", "Disk",  "Cache"};
constexpr int HelpContexts[TOptionForm1::PageCount] = {700, 701, 707, 702, 703, 706, 704, 705};
constexpr int PreviewDelayMs = 250;
constexpr int AskLeast = 1;
constexpr int AskMost = 1000;
constexpr char QualityPictureName[] = "Quality.bmp";
constexpr char WindowXName[] = "Window X";
constexpr char WindowYName[] = "Window Y";
constexpr char ActivePageName[] = "Active Page Tag";
constexpr char TextureHistorySection[] = "Preferences\\Texture";
constexpr char TextureHistoryName[] = "History";

enum GridColumn { NumberColumn, NameColumn, ProgramColumn };

QPoint centredOn(const QSize &size)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->size() : QSize(1024, 768);
    return QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
}

void setEditColour(QWidget *edit, const QColor &colour)
{
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, colour);
    edit->setPalette(palette);
}

QString textWithoutBuiltInMark(const QString &text)
{
    return text.startsWith(u'#') ? text.mid(1) : text;
}

} // namespace

CString CacheStatisticsText(const TThumbStatistics &statistics)
{
    static constexpr char CacheName[] = "The thumbnail cache";
    CString text;
    if (statistics.all < 1) {
        text.Format("%s is empty", CacheName);
        return text;
    }
    CString size;
    size.FormatFileSize(uint64_t(std::max<int64_t>(statistics.allMemory, 0)));
    text.Format("%s currently contains %u thumbnail%s of which %u %s in use.\nIt is using approximately %s of memory",
                CacheName, unsigned(statistics.all), statistics.all == 1 ? "" : "s", unsigned(statistics.inUse),
                statistics.inUse == 1 ? "is" : "are", size.c_str());
    const int64_t share = statistics.allMemory < 1
                              ? 0
                              : (statistics.allMemory - statistics.inUseMemory) * 100 / statistics.allMemory;
    if (share > 0) {
        CString recovery;
        recovery.Format(", %u%% of which could be recovered by purging unused thumbnails.", unsigned(share));
        text += recovery;
    }
    return text;
}

CString MemoStatisticsText(int memoCount)
{
    CString text;
    if (memoCount < 1) {
        text = "The memo cache is empty.";
        return text;
    }
    text.Format("The memo cache currently contains %u memo%s.", unsigned(memoCount), memoCount == 1 ? "" : "s");
    return text;
}

int JpegPercentFromPosition(int position, int maximum)
{
    return maximum < 1 ? 0 : position * 100 / maximum;
}

int JpegPositionFromPercent(int percent, int maximum)
{
    return std::clamp(percent, 0, 100) * maximum / 100;
}

bool MaskDriveLetter(QString &letters, char drive)
{
    const QChar letter = QChar::fromLatin1(drive).toUpper();
    if (letter < u'A' || letter > u'Z')
        return false;
    bool found = false;
    for (QChar &c : letters) {
        if (c.toUpper() != letter)
            continue;
        c = u'?';
        found = true;
    }
    return found;
}

// ---- Construction -------------------------------------------------------------

TOptionForm1::TOptionForm1(QWidget *owner, int page, const CPath &folder, ToolBrowser *browser)
    : TModalForm1(owner)
    , m_requestedPage(page)
    , m_folder(folder)
    , m_browser(browser)
{
    setObjectName("OptionForm1");
    m_stores = {GeneralOptions.get(), TFolderSpecificOptionsCache::GetFolderOptions(folder),
                PanelOptions.get(),   JpegOptions.get(),
                nullptr,              nullptr,
                DiskOptions.get(),    CacheOptions.get()};
    for (int i = 0; i < PageCount; ++i) {
        if (m_stores[size_t(i)])
            m_probes[size_t(i)] = m_stores[size_t(i)]->Clone();
    }
    if (!m_folder.IsEmpty())
        m_writeProtected = ::IsWriteProtected(m_folder);

    TreeView = new QTreeWidget(this);
    TreeView->setObjectName("TreeView");
    TreeView->setHeaderHidden(true);
    TreeView->setRootIsDecorated(false);
    TreeView->setFixedWidth(120);
    PageControl = new QStackedWidget(this);
    PageControl->setObjectName("PageControl");
    for (int i = 0; i < PageCount; ++i) {
        Pages[size_t(i)] = new QWidget(PageControl);
        Pages[size_t(i)]->setObjectName(QStringLiteral("%1Page").arg(PageNames[i]));
        PageControl->addWidget(Pages[size_t(i)]);
        m_treeItems[i] = new QTreeWidgetItem(TreeView, QStringList{PageNames[i]});
        m_treeItems[i]->setData(0, Qt::UserRole, i);
    }
    buildGeneralPage(Pages[GeneralPage]);
    buildFolderPage(Pages[FolderPage]);
    buildPanelPage(Pages[PanelPage]);
    buildJpegPage(Pages[JpegPage]);
    buildApplicationsPage(Pages[ApplicationsPage]);
    buildAdvancedPage(Pages[AdvancedPage]);
    buildDiskPage(Pages[DiskPage]);
    buildCachePage(Pages[CachePage]);

    auto button = [this](const char *name, const char *caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    OkButton = button("OkButton", "OK");
    OkButton->setDefault(true);
    CancelButton = button("CancelButton", "Cancel");
    ApplyButton = button("ApplyButton", "&Apply");
    RevertButton = button("RevertButton", "&Revert");
    UseDefaultsButton = button("UseDefaultsButton", "Use &Defaults");
    SetDefaultsButton = button("SetDefaultsButton", "Set As De&faults");
    HelpButton = NewHelpButton("HelpButton");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(RevertButton);
    buttons->addWidget(UseDefaultsButton);
    buttons->addWidget(SetDefaultsButton);
    buttons->addStretch();
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(ApplyButton);
    buttons->addWidget(HelpButton);

    auto *top = new QHBoxLayout;
    top->addWidget(TreeView);
    top->addWidget(PageControl, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(PreviewDelayMs);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(TickMs);
    Timer3 = new QTimer(this);
    Timer3->setObjectName("Timer3");
    Timer3->setSingleShot(true);
    Timer3->setInterval(PreviewDelayMs);

    connect(OkButton, &QPushButton::clicked, this, &TOptionForm1::OkButtonClick);
    SetButtonResult(CancelButton, mrCancel);
    connect(ApplyButton, &QPushButton::clicked, this, &TOptionForm1::ApplyButtonClick);
    connect(RevertButton, &QPushButton::clicked, this, &TOptionForm1::RevertButtonClick);
    connect(UseDefaultsButton, &QPushButton::clicked, this, &TOptionForm1::UseDefaultsButtonClick);
    connect(SetDefaultsButton, &QPushButton::clicked, this, &TOptionForm1::SetDefaultsButtonClick);
    connect(TreeView, &QTreeWidget::currentItemChanged, this, &TOptionForm1::TreeViewChange);
    connect(PageControl, &QStackedWidget::currentChanged, this, &TOptionForm1::PageControlChange);
    connect(Timer1, &QTimer::timeout, this, &TOptionForm1::RenderJpegPreview);
    connect(Timer2, &QTimer::timeout, this, &TOptionForm1::Timer2Timer);
    connect(Timer3, &QTimer::timeout, this, &TOptionForm1::Timer3Timer);

    FormCreate();
}

TOptionForm1::~TOptionForm1()
{
    FormDestroy();
}

bool TOptionForm1::ShowPreferences(ToolBrowser &browser)
{
    TOptionForm1 dialog(nullptr, -1, browser.ShownFolder(), &browser);
    dialog.SetThumbnailAppearanceAllowed(!browser.IsLoading());
    bool applied = false;
    dialog.SetApplyCallback([&applied] {
        applied = true;
        Shell().ReloadOpenWithMenus();
    });
    // Applied and then closed counts as confirmed: the browse window then
    // takes the new settings as it does after OK.
    return dialog.ShowModal() == mrOk || applied;
}

bool TOptionForm1::ShowPage(QWidget *owner, int page)
{
    TOptionForm1 dialog(owner, page, CPath());
    return dialog.ShowModal() == mrOk;
}

QCheckBox *TOptionForm1::addCheck(QWidget *parent, const char *name, const char *caption, OptionControl control)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    m_controls[size_t(control)] = box;
    connect(box, &QCheckBox::toggled, this, &TOptionForm1::markChanged);
    return box;
}

QLineEdit *TOptionForm1::addEdit(QWidget *parent, const char *name, OptionControl control)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    m_controls[size_t(control)] = edit;
    connect(edit, &QLineEdit::textChanged, this, &TOptionForm1::markChanged);
    return edit;
}

QButtonGroup *TOptionForm1::addChoice(OptionControl control, const std::vector<QRadioButton *> &buttons)
{
    auto *group = new QButtonGroup(this);
    for (size_t i = 0; i < buttons.size(); ++i)
        group->addButton(buttons[i], int(i));
    m_choices[size_t(control)] = group;
    connect(group, &QButtonGroup::idToggled, this, &TOptionForm1::markChanged);
    return group;
}

static QRadioButton *radio(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QRadioButton(caption, parent);
    button->setObjectName(name);
    return button;
}

static QPushButton *pushButton(QWidget *parent, const char *name, const char *caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

static QLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    auto *text = new QLabel(caption, parent);
    text->setObjectName(name);
    return text;
}

void TOptionForm1::buildGeneralPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *ask = new QHBoxLayout;
    QCheckBox *askCheck = addCheck(page, "AskCheckBox", "Ask before &opening more than", OptionControl::AskCheckBox);
    AskEdit = addEdit(page, "AskEdit", OptionControl::AskEdit);
    AskEdit->setMaxLength(4);
    AskEdit->setFixedWidth(AskEdit->fontMetrics().horizontalAdvance(u'0') * 6);
    AskUpDown = new QWidget(page);
    AskUpDown->setObjectName("AskUpDown");
    auto *arrows = new QVBoxLayout(AskUpDown);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    for (const int step : {1, -1}) {
        auto *arrow = new QToolButton(AskUpDown);
        arrow->setObjectName(step > 0 ? "AskUp" : "AskDown");
        arrow->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFixedSize(16, 11);
        arrows->addWidget(arrow);
        connect(arrow, &QToolButton::clicked, this, [this, step] {
            AskEdit->setText(QString::number(std::clamp(AskEdit->text().toInt() + step, AskLeast, AskMost)));
        });
    }
    ImagesLabel = label(page, "ImagesLabel", QString());
    connect(AskEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        ImagesLabel->setText(QStringLiteral("image%1 at the same time").arg(text.trimmed() == u"1" ? "" : "s"));
    });
    askCheck->setMinimumWidth(askCheck->sizeHint().width());
    ask->addWidget(askCheck);
    ask->addWidget(AskEdit);
    ask->addWidget(AskUpDown);
    ask->addWidget(ImagesLabel);
    ask->addStretch();
    layout->addLayout(ask);
    layout->addWidget(addCheck(page, "ConfirmMovesCheckBox", "Ask before &moving image files when thumbnails are dragged",
                               OptionControl::ConfirmMovesCheckBox));
    layout->addWidget(addCheck(page, "AutoScrollCheckBox", "Automatically &scroll to show new thumbnails",
                               OptionControl::AutoScrollCheckBox));
    layout->addWidget(
        addCheck(page, "TooltipsCheckBox", "Show &tooltips on thumbnails", OptionControl::TooltipsCheckBox));
    layout->addWidget(addCheck(page, "ConfirmDeletesCheckBox", "Confirm image file and folder &deletion",
                               OptionControl::ConfirmDeletesCheckBox));
    layout->addWidget(
        addCheck(page, "ShadedCaptionsCheckBox", "Draw s&haded captions", OptionControl::ShadedCaptionsCheckBox));
    layout->addWidget(
        addCheck(page, "AudioFeedbackCheckBox", "Give a&udio feedback", OptionControl::AudioFeedbackCheckBox));
    layout->addWidget(addCheck(page, "ThumbnailInfoCheckBox", "Show thumbnail &info when selection colour clicked",
                               OptionControl::ThumbnailInfoCheckBox));

    auto *relay = new QGroupBox(" Automatically re-lay thumbnails: ", page);
    relay->setObjectName("RelayGroupBox");
    auto *relayLayout = new QVBoxLayout(relay);
    relayLayout->addWidget(
        addCheck(relay, "RelayResizedCheckBox", "When the window is resi&zed", OptionControl::RelayResizedCheckBox));
    relayLayout->addWidget(
        addCheck(relay, "RelayDeletedCheckBox", "When a thum&bnail is deleted", OptionControl::RelayDeletedCheckBox));
    auto *scroll = new QGroupBox(" Browser scroll bars ", page);
    scroll->setObjectName("ScrollGroupBox");
    auto *scrollLayout = new QGridLayout(scroll);
    QRadioButton *normal = radio(scroll, "NormalRadio", "&Normal");
    QRadioButton *together = radio(scroll, "TogetherRadio", "Place arro&ws together");
    addChoice(OptionControl::ScrollButtonsChoice, {normal, together});
    ScrollBarSample = new TNewScrollBar(scroll);
    ScrollBarSample->setObjectName("ScrollBarSample");
    ScrollBarSample->SetKind(sbHorizontal);
    ScrollBarSample->SetRange(100);
    ScrollBarSample->SetPage(30);
    ScrollBarSample->setEnabled(false);
    ScrollBarSample->setFixedHeight(GetSystemMetrics(SM_CYHSCROLL));
    scrollLayout->addWidget(normal, 0, 0);
    scrollLayout->addWidget(together, 1, 0);
    scrollLayout->addWidget(ScrollBarSample, 2, 0);
    auto *groups = new QHBoxLayout;
    groups->addWidget(relay);
    groups->addWidget(scroll);
    layout->addLayout(groups);
    layout->addStretch();
}

void TOptionForm1::buildFolderPage(QWidget *page)
{
    auto *outer = new QVBoxLayout(page);
    FolderGroupBox = new QGroupBox(" Folder Preferences ", page);
    FolderGroupBox->setObjectName("FolderGroupBox");
    outer->addWidget(FolderGroupBox);
    auto *layout = new QVBoxLayout(FolderGroupBox);
    auto *head = new QHBoxLayout;
    DriveIcon = label(FolderGroupBox, "DriveIcon", QString());
    InfoLabel = label(FolderGroupBox, "InfoLabel", QString());
    InfoLabel->setWordWrap(true);
    WriteProtectedLabel = label(FolderGroupBox, "WriteProtectedLabel", "Write protected");
    WriteProtectedLabel->setVisible(false);
    head->addWidget(DriveIcon);
    head->addWidget(InfoLabel, 1);
    head->addWidget(WriteProtectedLabel);
    layout->addLayout(head);
    layout->addWidget(addCheck(FolderGroupBox, "DitheringCheckBox", "Use dithering on &256 colour displays",
                               OptionControl::DitheringCheckBox));
    layout->addWidget(addCheck(FolderGroupBox, "AutoUpdateCheckBox", "Automatically &update thumbnails",
                               OptionControl::AutoUpdateCheckBox));
    layout->addWidget(
        addCheck(FolderGroupBox, "AutoSaveCheckBox", "Automatically &save browse file", OptionControl::AutoSaveCheckBox));
    layout->addWidget(addCheck(FolderGroupBox, "FileTypesCheckBox", "Display the following additional &file types:",
                               OptionControl::FileTypesCheckBox));
    layout->addWidget(addEdit(FolderGroupBox, "TypeEdit", OptionControl::TypeEdit));
    auto *ignore = label(FolderGroupBox, "IgnoreLabel", "&Ignore files whose names begin with the following strings:");
    QLineEdit *ignoreEdit = addEdit(FolderGroupBox, "IgnoreEdit", OptionControl::IgnoreEdit);
    ignore->setBuddy(ignoreEdit);
    layout->addWidget(ignore);
    layout->addWidget(ignoreEdit);

    auto *sort = new QHBoxLayout;
    auto *sortLabel = label(FolderGroupBox, "SortLabel", "S&ort thumbnails by:");
    auto *property = new QComboBox(FolderGroupBox);
    property->setObjectName("SortPropertyCombo");
    property->addItems({"Image Width", "Image Height", "Image Depth", "Image Area", "File Name", "File Extension",
                        "File Date", "File Size", "Colour Temperature", "Average Hue", "Average Saturation",
                        "Average Brightness", "Aspect Ratio", "Custom Order"});
    sortLabel->setBuddy(property);
    auto *direction = new QComboBox(FolderGroupBox);
    direction->setObjectName("SortDirectionCombo");
    direction->addItems({"Ascending", "Descending"});
    for (auto [combo, control] : {std::pair{property, OptionControl::SortPropertyChoice},
                                  std::pair{direction, OptionControl::SortDirectionChoice}}) {
        m_controls[size_t(control)] = combo;
        connect(combo, &QComboBox::currentIndexChanged, this, &TOptionForm1::markChanged);
    }
    CustomSortTool = new QToolButton(FolderGroupBox);
    CustomSortTool->setObjectName("CustomSortTool");
    CustomSortTool->setText("...");
    CustomSortTool->setToolTip("Edit the custom sort order");
    sort->addWidget(sortLabel);
    sort->addWidget(property);
    sort->addWidget(direction);
    sort->addWidget(CustomSortTool);
    sort->addStretch();
    layout->addLayout(sort);
    layout->addWidget(addCheck(FolderGroupBox, "CustomSortWithImagesCheckBox",
                               "&Keep the custom sort-order file in the same folder as the images",
                               OptionControl::CustomSortWithImagesCheckBox));
    auto *tools = new QHBoxLayout;
    ThumbnailAppearanceButton = pushButton(FolderGroupBox, "ThumbnailAppearanceButton", "&Thumbnail Appearance");
    ThumbnailAppearanceButton->setCheckable(true);
    FolderManagerButton = pushButton(FolderGroupBox, "FolderManagerButton", "Folder Manager...");
    tools->addWidget(ThumbnailAppearanceButton);
    tools->addWidget(FolderManagerButton);
    tools->addStretch();
    layout->addLayout(tools);
    layout->addStretch();

    connect(CustomSortTool, &QToolButton::clicked, this, &TOptionForm1::CustomSortToolClick);
    connect(ThumbnailAppearanceButton, &QPushButton::clicked, this, &TOptionForm1::ThumbnailAppearanceButtonClick);
    connect(FolderManagerButton, &QPushButton::clicked, this, &TOptionForm1::FolderManagerButtonClick);
}

void TOptionForm1::buildPanelPage(QWidget *page)
{
    auto *layout = new QGridLayout(page);
    auto *textureLabel = label(page, "TextureLabel", "Te&xture file:");
    PanelTextureCombo = new THistoryComboBox(page);
    PanelTextureCombo->setObjectName("PanelTextureCombo");
    PanelTextureCombo->setEditable(true);
    PanelTextureCombo->setInsertPolicy(QComboBox::NoInsert);
    PanelTextureCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    PanelTextureCombo->setMinimumContentsLength(24);
    m_controls[size_t(OptionControl::PanelTextureCombo)] = PanelTextureCombo;
    textureLabel->setBuddy(PanelTextureCombo);
    TextureBrowseButton = pushButton(page, "TextureBrowseButton", "&Browse...");
    TextureFileErrorLabel = label(page, "TextureFileErrorLabel", QString());
    QPalette red = TextureFileErrorLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    TextureFileErrorLabel->setPalette(red);
    auto *intensityLabel = label(page, "IntensityLabel", "Colour &intensity:");
    IntensityTrackBar = new QSlider(Qt::Horizontal, page);
    IntensityTrackBar->setObjectName("IntensityTrackBar");
    IntensityTrackBar->setRange(0, 100);
    intensityLabel->setBuddy(IntensityTrackBar);
    TexturePreviewPanel = new TPicturePanel(page, "TexturePreviewPanel");
    TexturePreviewPanel->setMinimumSize(160, 120);

    auto *flips = new QHBoxLayout;
    flips->addWidget(addCheck(page, "CheckBoxH", "&H-Flip", OptionControl::CheckBoxH));
    flips->addWidget(addCheck(page, "CheckBoxV", "&V-Flip", OptionControl::CheckBoxV));
    flips->addWidget(addCheck(page, "CheckBoxG", "&Greyscale", OptionControl::CheckBoxG));
    flips->addStretch();

    auto *colours = new QGridLayout;
    auto colourRow = [&](int row, const char *buttonName, const char *caption, const char *panelName, QPushButton *&button,
                         QLabel *&panel) {
        button = pushButton(page, buttonName, caption);
        panel = label(page, panelName, QString());
        panel->setFrameStyle(QFrame::Sunken | QFrame::Panel);
        panel->setAutoFillBackground(true);
        panel->setFixedSize(40, button->sizeHint().height());
        colours->addWidget(button, row, 0);
        colours->addWidget(panel, row, 1);
    };
    colourRow(0, "TextureColourButton", "Texture &Colour...", "TextureColourPanel", TextureColourButton,
              TextureColourPanel);
    colourRow(1, "SelectionColourButton", "&Selection Colour...", "SelectionColourPanel", SelectionColourButton,
              SelectionColourPanel);
    colourRow(2, "TextColourButton", "T&ext Colour...", "TextColourPanel", TextColourButton, TextColourPanel);
    colours->setRowStretch(3, 1);

    layout->addWidget(textureLabel, 0, 0);
    layout->addWidget(PanelTextureCombo, 0, 1);
    layout->addWidget(TextureBrowseButton, 0, 2);
    layout->addWidget(TextureFileErrorLabel, 1, 1, 1, 2);
    layout->addWidget(intensityLabel, 2, 0);
    layout->addWidget(IntensityTrackBar, 2, 1, 1, 2);
    layout->addLayout(flips, 3, 1, 1, 2);
    layout->addWidget(TexturePreviewPanel, 4, 0, 1, 2);
    layout->addLayout(colours, 4, 2);
    layout->setRowStretch(4, 1);
    layout->setColumnStretch(1, 1);

    connect(PanelTextureCombo, &QComboBox::editTextChanged, this, [this](const QString &text) {
        SetTextureFile(CString(text));
        markChanged();
    });
    connect(TextureBrowseButton, &QPushButton::clicked, this, &TOptionForm1::TextureBrowseButtonClick);
    connect(IntensityTrackBar, &QSlider::valueChanged, this, [this](int value) {
        if (value != m_colourStrength)
            SetColourStrength(value);
    });
    for (const OptionControl control : {OptionControl::CheckBoxH, OptionControl::CheckBoxV, OptionControl::CheckBoxG})
        connect(static_cast<QCheckBox *>(m_controls[size_t(control)]), &QCheckBox::toggled, this,
                [this] { restartTimer(Timer3); });
    connect(TextureColourButton, &QPushButton::clicked, this,
            [this] { chooseColour(m_textureColour, &TOptionForm1::SetTextureColour); });
    connect(SelectionColourButton, &QPushButton::clicked, this,
            [this] { chooseColour(m_selectionColour, &TOptionForm1::SetSelectionColour); });
    connect(TextColourButton, &QPushButton::clicked, this,
            [this] { chooseColour(m_textColour, &TOptionForm1::SetTextColour); });
}

void TOptionForm1::buildJpegPage(QWidget *page)
{
    auto *layout = new QGridLayout(page);
    auto *compression = label(page, "CompressionLabel", "&Compression:");
    JpegTrackBar = new QSlider(Qt::Horizontal, page);
    JpegTrackBar->setObjectName("JpegTrackBar");
    JpegTrackBar->setRange(0, JpegTrackMaximum);
    JpegTrackBar->setTickPosition(QSlider::TicksBelow);
    JpegTrackBar->setTickInterval(5);
    compression->setBuddy(JpegTrackBar);
    JpegEdit = addEdit(page, "JpegEdit", OptionControl::JpegEdit);
    JpegEdit->setMaxLength(3);
    JpegEdit->setFixedWidth(JpegEdit->fontMetrics().horizontalAdvance(u'0') * 6);
    auto *percent = label(page, "PercentLabel", "%");
    auto *encoding = new QGroupBox(" Encoding ", page);
    encoding->setObjectName("EncodingGroupBox");
    auto *encodingLayout = new QHBoxLayout(encoding);
    QRadioButton *standard = radio(encoding, "StandardRadio", "&Standard");
    QRadioButton *progressive = radio(encoding, "ProgressiveRadio", "&Progressive");
    encodingLayout->addWidget(standard);
    encodingLayout->addWidget(progressive);
    encodingLayout->addStretch();
    QButtonGroup *encodingChoice = addChoice(OptionControl::EncodingChoice, {standard, progressive});

    SourcePreviewPanel = new TPicturePanel(page, "SourcePreviewPanel");
    CompressedPreviewPanel = new TPicturePanel(page, "CompressedPreviewPanel");
    for (TPicturePanel *panel : {SourcePreviewPanel, CompressedPreviewPanel})
        panel->setMinimumSize(180, 180);
    QualityErrorLabel = label(page, "QualityErrorLabel", QString());
    auto *previews = new QHBoxLayout;
    auto *original = new QVBoxLayout;
    original->addWidget(label(page, "SourceLabel", "Original:"));
    original->addWidget(SourcePreviewPanel, 1);
    auto *compressed = new QVBoxLayout;
    compressed->addWidget(label(page, "CompressedLabel", "Compressed:"));
    compressed->addWidget(CompressedPreviewPanel, 1);
    previews->addLayout(original, 1);
    previews->addLayout(compressed, 1);

    layout->addWidget(compression, 0, 0);
    layout->addWidget(JpegTrackBar, 0, 1);
    layout->addWidget(JpegEdit, 0, 2);
    layout->addWidget(percent, 0, 3);
    layout->addWidget(encoding, 1, 0, 1, 4);
    layout->addLayout(previews, 2, 0, 1, 4);
    layout->addWidget(QualityErrorLabel, 3, 0, 1, 4);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(1, 1);

    connect(JpegTrackBar, &QSlider::valueChanged, this, &TOptionForm1::JpegTrackBarChange);
    connect(JpegEdit, &QLineEdit::textChanged, this, &TOptionForm1::JpegEditChange);
    connect(encodingChoice, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            restartTimer(Timer1);
    });
}

void TOptionForm1::buildApplicationsPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *explanation =
        label(page, "ExplanationLabel",
              "Add your own applications to this list and they will appear in the 'Open With' menus. The first "
              "application in the list will be the one that is launched by the 'Open' command or when you "
              "double-click on a thumbnail.");
    explanation->setWordWrap(true);
    layout->addWidget(explanation);

    ApplicationGrid = new QTableWidget(0, 3, page);
    ApplicationGrid->setObjectName("ApplicationGrid");
    ApplicationGrid->setHorizontalHeaderLabels({"#", "Name", "Program"});
    ApplicationGrid->verticalHeader()->hide();
    ApplicationGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    ApplicationGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ApplicationGrid->horizontalHeader()->setSectionResizeMode(NumberColumn, QHeaderView::ResizeToContents);
    ApplicationGrid->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Interactive);
    ApplicationGrid->horizontalHeader()->setStretchLastSection(true);
    ApplicationGrid->setColumnWidth(NameColumn, 160);
    auto *grid = new QHBoxLayout;
    grid->addWidget(ApplicationGrid, 1);
    auto *moves = new QVBoxLayout;
    UpTool = new QToolButton(page);
    UpTool->setObjectName("UpTool");
    UpTool->setArrowType(Qt::UpArrow);
    UpTool->setToolTip("Move up");
    DownTool = new QToolButton(page);
    DownTool->setObjectName("DownTool");
    DownTool->setArrowType(Qt::DownArrow);
    DownTool->setToolTip("Move down");
    moves->addStretch();
    moves->addWidget(UpTool);
    moves->addWidget(DownTool);
    moves->addStretch();
    grid->addLayout(moves);
    layout->addLayout(grid, 1);

    auto *rowButtons = new QHBoxLayout;
    AddButton = pushButton(page, "AddButton", "A&dd...");
    ModifyButton = pushButton(page, "ModifyButton", "M&odify...");
    RemoveButton = pushButton(page, "RemoveButton", "&Remove");
    LaunchButton = pushButton(page, "LaunchButton", "&Launch Now");
    for (QPushButton *button : {AddButton, ModifyButton, RemoveButton, LaunchButton})
        rowButtons->addWidget(button);
    rowButtons->addStretch();
    layout->addLayout(rowButtons);

    auto *text = new QGroupBox(" Use this application when opening text files (*.txt) ", page);
    text->setObjectName("TextFileGroupBox");
    auto *textLayout = new QHBoxLayout(text);
    TextFileAppEdit = new QLineEdit(text);
    TextFileAppEdit->setObjectName("TextFileAppEdit");
    TextFileBrowseButton = pushButton(text, "TextFileBrowseButton", "&Browse...");
    NotepadButton = pushButton(text, "NotepadButton", "Notepad");
    textLayout->addWidget(TextFileAppEdit, 1);
    textLayout->addWidget(TextFileBrowseButton);
    textLayout->addWidget(NotepadButton);
    layout->addWidget(text);

    connect(AddButton, &QPushButton::clicked, this, &TOptionForm1::AddButtonClick);
    connect(ModifyButton, &QPushButton::clicked, this, &TOptionForm1::ModifyButtonClick);
    connect(RemoveButton, &QPushButton::clicked, this, &TOptionForm1::RemoveButtonClick);
    connect(UpTool, &QToolButton::clicked, this, [this] { MoveRow(-1); });
    connect(DownTool, &QToolButton::clicked, this, [this] { MoveRow(1); });
    connect(LaunchButton, &QPushButton::clicked, this, &TOptionForm1::LaunchButtonClick);
    connect(ApplicationGrid, &QTableWidget::cellChanged, this, &TOptionForm1::ApplicationGridEdited);
    connect(ApplicationGrid, &QTableWidget::itemSelectionChanged, this, &TOptionForm1::markChanged);
    connect(TextFileBrowseButton, &QPushButton::clicked, this, &TOptionForm1::TextFileBrowseButtonClick);
    connect(NotepadButton, &QPushButton::clicked, this, &TOptionForm1::NotepadButtonClick);
    connect(TextFileAppEdit, &QLineEdit::textChanged, this, &TOptionForm1::markChanged);
}

void TOptionForm1::buildAdvancedPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *text = label(page, "AdvancedLabel",
                       "These preferences decide where browse files are kept and how much memory the "
                       "thumbnails may take. Most users never need to change them.");
    text->setWordWrap(true);
    layout->addWidget(text);
    DiskPreferencesButton = pushButton(page, "DiskPreferencesButton", "&Disk Preferences");
    CachePreferencesButton = pushButton(page, "CachePreferencesButton", "&Cache Preferences");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(DiskPreferencesButton);
    buttons->addWidget(CachePreferencesButton);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();
    connect(DiskPreferencesButton, &QPushButton::clicked, this, [this] { ShowPageOfTag(DiskPage); });
    connect(CachePreferencesButton, &QPushButton::clicked, this, [this] { ShowPageOfTag(CachePage); });
}

void TOptionForm1::buildDiskPage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *folderGroup = new QGroupBox(" Special browse-file folder ", page);
    folderGroup->setObjectName("SpecialFolderGroupBox");
    auto *folderLayout = new QVBoxLayout(folderGroup);
    auto *folderRow = new QHBoxLayout;
    SpecialBrowseFolderEdit = addEdit(folderGroup, "SpecialBrowseFolderEdit", OptionControl::SpecialBrowseFolderEdit);
    SpecialBrowseButton = pushButton(folderGroup, "SpecialBrowseButton", "&Browse...");
    folderRow->addWidget(SpecialBrowseFolderEdit, 1);
    folderRow->addWidget(SpecialBrowseButton);
    folderLayout->addLayout(folderRow);
    folderLayout->addWidget(label(folderGroup, "UseSpecialLabel", "Keep browse files in this folder:"));
    QRadioButton *always = radio(folderGroup, "AlwaysRadio", "Al&ways");
    QRadioButton *writeProtected =
        radio(folderGroup, "WriteProtectedRadio", "Only if the folder is on a write-protected &volume");
    QRadioButton *network =
        radio(folderGroup, "NetworkRadio", "If the folder is on the &network or a write-protected volume");
    for (QRadioButton *button : {always, writeProtected, network})
        folderLayout->addWidget(button);
    addChoice(OptionControl::SpecialBrowseFolderChoice, {always, writeProtected, network});
    layout->addWidget(folderGroup);

    auto *drives = new QGroupBox(" Drives ", page);
    drives->setObjectName("DrivesGroupBox");
    auto *drivesLayout = new QGridLayout(drives);
    auto *protectLabel = label(drives, "WriteProtectLabel", "Never wri&te to these drives:");
    WriteProtectEdit = addEdit(drives, "WriteProtectEdit", OptionControl::WriteProtectEdit);
    protectLabel->setBuddy(WriteProtectEdit);
    drivesLayout->addWidget(protectLabel, 0, 0);
    drivesLayout->addWidget(WriteProtectEdit, 0, 1);
    drivesLayout->addWidget(addCheck(drives, "FloppyACheckBox", "Enable floppy A:", OptionControl::FloppyACheckBox),
                            1, 0, 1, 2);
    drivesLayout->addWidget(addCheck(drives, "FloppyBCheckBox", "Enable floppy B:", OptionControl::FloppyBCheckBox),
                            2, 0, 1, 2);
    layout->addWidget(drives);
    layout->addStretch();

    connect(SpecialBrowseButton, &QPushButton::clicked, this, &TOptionForm1::SpecialBrowseButtonClick);
    connect(SpecialBrowseFolderEdit, &QLineEdit::textChanged, this, &TOptionForm1::DiskFolderChange);
    connect(WriteProtectEdit, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (text != text.toUpper()) {
            const int cursor = WriteProtectEdit->cursorPosition();
            WriteProtectEdit->setText(text.toUpper());
            WriteProtectEdit->setCursorPosition(cursor);
        }
    });
    connect(WriteProtectEdit, &QLineEdit::textChanged, this, &TOptionForm1::DiskFolderChange);
}

void TOptionForm1::buildCachePage(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    auto *cleanup = new QGroupBox(" Delete unused thumbnails from memory ", page);
    cleanup->setObjectName("CleanupGroupBox");
    auto *cleanupLayout = new QGridLayout(cleanup);
    QRadioButton *soon = radio(cleanup, "CacheRadio1", "As &soon as they become unused");
    QRadioButton *many = radio(cleanup, "CacheRadio2", "As soon as there are more than this many in &memory:");
    QRadioButton *much = radio(cleanup, "CacheRadio3", "As soon as they use more than this m&uch memory:");
    addChoice(OptionControl::CleanupChoice, {soon, many, much});
    QLineEdit *edit2 = addEdit(cleanup, "CacheEdit2", OptionControl::CacheEdit2);
    QLineEdit *edit3 = addEdit(cleanup, "CacheEdit3", OptionControl::CacheEdit3);
    for (QLineEdit *edit : {edit2, edit3})
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(u'0') * 8);
    cleanupLayout->addWidget(soon, 0, 0);
    cleanupLayout->addWidget(many, 1, 0);
    cleanupLayout->addWidget(edit2, 1, 1);
    cleanupLayout->addWidget(much, 2, 0);
    cleanupLayout->addWidget(edit3, 2, 1);
    cleanupLayout->addWidget(label(cleanup, "MBLabel", "MB"), 2, 2);
    cleanupLayout->setColumnStretch(3, 1);
    layout->addWidget(cleanup);
    layout->addWidget(addCheck(page, "CacheBitmapsCheckBox",
                               "Cache uncompressed &bitmaps for extra speed (uses a lot of memory)",
                               OptionControl::CacheBitmapsCheckBox));

    auto *statistics = new QGroupBox(" Statistics ", page);
    statistics->setObjectName("StatisticsGroupBox");
    auto *statisticsLayout = new QGridLayout(statistics);
    ThumbnailStatisticsLabel = label(statistics, "ThumbnailStatisticsLabel", QString());
    MemoStatisticsLabel = label(statistics, "MemoStatisticsLabel", QString());
    for (QLabel *text : {ThumbnailStatisticsLabel, MemoStatisticsLabel})
        text->setWordWrap(true);
    PurgeThumbnailsButton = pushButton(statistics, "PurgeThumbnailsButton", "Purge Now");
    PurgeMemosButton = pushButton(statistics, "PurgeMemosButton", "Purge Now");
    statisticsLayout->addWidget(ThumbnailStatisticsLabel, 0, 0);
    statisticsLayout->addWidget(PurgeThumbnailsButton, 0, 1, Qt::AlignTop);
    statisticsLayout->addWidget(MemoStatisticsLabel, 1, 0);
    statisticsLayout->addWidget(PurgeMemosButton, 1, 1, Qt::AlignTop);
    statisticsLayout->setColumnStretch(0, 1);
    layout->addWidget(statistics);
    layout->addStretch();

    connect(PurgeThumbnailsButton, &QPushButton::clicked, this, &TOptionForm1::PurgeThumbnailsButtonClick);
    connect(PurgeMemosButton, &QPushButton::clicked, this, &TOptionForm1::PurgeMemosButtonClick);
}

// ---- Life cycle ---------------------------------------------------------------

void TOptionForm1::FormCreate()
{
    resize(sizeHint().expandedTo(QSize(600, 440)));
    const QPoint centre = centredOn(size());
    m_windowOptions.SetRegistryKey(SettingsRoot);
    DefineOptions(m_windowOptions, "Preferences",
                  {{WindowXName, centre.x()}, {WindowYName, centre.y()}, {ActivePageName, GeneralPage}});
    m_windowOptions.Load();
    move(m_windowOptions.GetInt(0), m_windowOptions.GetInt(1));
    setWindowTitle("User Preferences");

    int page = m_windowOptions.GetInt(2);
    if (m_requestedPage >= 0 && m_requestedPage < PageCount) {
        TreeView->hide();
        setWindowTitle(QStringLiteral("%1 Preferences").arg(PageNames[m_requestedPage]));
        page = m_requestedPage;
    }
    if (page < 0 || page >= PageCount)
        page = GeneralPage;
    TreeView->setCurrentItem(m_treeItems[page]);
    ShowPageOfTag(page);

    m_thumbSettings = MakeThumbSettings(this, QStringLiteral("Thumbnail Appearance for ") + m_folder.ToAnsiString());
    // A folder without options of its own (a drive without a serial number)
    // has nothing to edit either.
    Pages[FolderPage]->setEnabled(m_stores[FolderPage] != nullptr);
    if (m_folder.IsEmpty()) {
        InfoLabel->setText("No folder is shown: these preferences belong to a folder.");
    } else {
        FolderGroupBox->setTitle(QStringLiteral(" Folder Preferences for %1 ").arg(m_folder.ToAnsiString()));
        InfoLabel->setText(QStringLiteral("These preferences (including the Thumbnail Appearance) are only used "
                                          "for folder %1")
                               .arg(m_folder.ToAnsiString()));
        QStyle::StandardPixmap icon = QStyle::SP_DriveHDIcon;
        if (m_folder.GetIsShared()) {
            icon = QStyle::SP_DriveNetIcon;
            DriveIcon->setToolTip("Shared network folder");
        } else if (DriveTable) {
            switch (DriveTable->GetDrive(m_folder.GetDriveLetter()).type) {
            case DRIVE_REMOVABLE: icon = QStyle::SP_DriveFDIcon; break;
            case DRIVE_REMOTE: icon = QStyle::SP_DriveNetIcon; break;
            case DRIVE_CDROM: icon = QStyle::SP_DriveCDIcon; break;
            default: break;
            }
        }
        DriveIcon->setPixmap(style()->standardIcon(icon).pixmap(32, 32));
    }
    PanelTextureCombo->setToolTip(QString());
}

void TOptionForm1::showEvent(QShowEvent *event)
{
    TModalForm1::showEvent(event);
    if (!Timer2->isActive())
        FormShow();
}

void TOptionForm1::FormShow()
{
    CWaitCursor wait;
    if (SettingsStore)
        PanelTextureCombo->LoadState(*SettingsStore, TextureHistorySection, TextureHistoryName, false);
    for (TZiloOptions *store : m_stores) {
        if (store)
            store->ToDialog(*this);
    }
    ThumbBitmapCache.RefreshStatistics();
    showStatistics();
    loadApplicationsPage();
    m_changed = true;
    UpdateControls();
    restartTimer(Timer1);
    restartTimer(Timer3);
    Timer2->start();
}

void TOptionForm1::FormDestroy()
{
    Timer2->stop();
    if (QWidget *window = m_thumbSettings ? m_thumbSettings->Window() : nullptr)
        window->hide();
    m_thumbSettings.reset();
    m_windowOptions.SetInt(0, x());
    m_windowOptions.SetInt(1, y());
    if (m_requestedPage < 0)
        m_windowOptions.SetInt(2, ActivePage());
    try {
        m_windowOptions.Save();
    } catch (const Exception &) {
        // The place of a window is not worth a message while it closes.
    }
}

// ---- Pages ----------------------------------------------------------------------

int TOptionForm1::ActivePage() const
{
    return PageControl->currentIndex();
}

void TOptionForm1::ShowPageOfTag(int page)
{
    PageControl->setCurrentIndex(std::clamp(page, 0, PageCount - 1));
}

void TOptionForm1::TreeViewChange()
{
    const QTreeWidgetItem *item = TreeView->currentItem();
    if (!item)
        return;
    if (QWidget *window = m_thumbSettings ? m_thumbSettings->Window() : nullptr)
        window->hide();
    ShowPageOfTag(item->data(0, Qt::UserRole).toInt());
}

void TOptionForm1::PageControlChange(int page)
{
    if (page < 0 || page >= PageCount)
        return;
    if (TreeView->currentItem() != m_treeItems[page])
        TreeView->setCurrentItem(m_treeItems[page]);
    setProperty("helpContext", HelpContexts[page]);
    markChanged();
}

// ---- OptionDialog ------------------------------------------------------------

static bool isThumbSettingsControl(OptionControl control)
{
    return control == OptionControl::DraftCheckBox || control == OptionControl::LabelCheckBox
           || control == OptionControl::LabelCombo;
}

bool TOptionForm1::IsChecked(OptionControl control) const
{
    if (isThumbSettingsControl(control))
        return m_thumbSettings->IsChecked(control);
    const auto *box = qobject_cast<QAbstractButton *>(m_controls[size_t(control)]);
    return box && box->isChecked();
}

void TOptionForm1::SetChecked(OptionControl control, bool checked)
{
    if (isThumbSettingsControl(control)) {
        m_thumbSettings->SetChecked(control, checked);
        markChanged();
        return;
    }
    if (auto *box = qobject_cast<QAbstractButton *>(m_controls[size_t(control)]))
        box->setChecked(checked);
}

int TOptionForm1::GetItemIndex(OptionControl control) const
{
    if (const QButtonGroup *group = m_choices[size_t(control)])
        return group->checkedId();
    const auto *combo = qobject_cast<QComboBox *>(m_controls[size_t(control)]);
    return combo ? combo->currentIndex() : -1;
}

void TOptionForm1::SetItemIndex(OptionControl control, int index)
{
    if (QButtonGroup *group = m_choices[size_t(control)]) {
        if (QAbstractButton *button = group->button(index)) {
            button->setChecked(true);
            return;
        }
        // Exclusive groups keep one button checked; nothing chosen needs a pause.
        group->setExclusive(false);
        for (QAbstractButton *button : group->buttons())
            button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    if (auto *combo = qobject_cast<QComboBox *>(m_controls[size_t(control)]))
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

QString TOptionForm1::GetText(OptionControl control) const
{
    if (isThumbSettingsControl(control))
        return m_thumbSettings->GetText(control);
    if (const auto *edit = qobject_cast<QLineEdit *>(m_controls[size_t(control)]))
        return edit->text();
    if (const auto *combo = qobject_cast<QComboBox *>(m_controls[size_t(control)]))
        return combo->currentText();
    return QString();
}

void TOptionForm1::SetText(OptionControl control, const QString &text)
{
    if (isThumbSettingsControl(control)) {
        m_thumbSettings->SetText(control, text);
        markChanged();
        return;
    }
    if (control == OptionControl::PanelTextureCombo) {
        SetTextureFile(CString(text));
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(m_controls[size_t(control)]))
        edit->setText(text);
}

int TOptionForm1::GetThumbnailSize() const
{
    return m_thumbSettings->GetThumbnailSize();
}

void TOptionForm1::SetThumbnailSize(int size)
{
    m_thumbSettings->SetThumbnailSize(size);
    markChanged();
}

int TOptionForm1::GetThumbnailSpacing() const
{
    return m_thumbSettings->GetThumbnailSpacing();
}

void TOptionForm1::SetThumbnailSpacing(int spacing)
{
    m_thumbSettings->SetThumbnailSpacing(spacing);
    markChanged();
}

int TOptionForm1::GetThumbnailSharpness() const
{
    return m_thumbSettings->GetThumbnailSharpness();
}

void TOptionForm1::SetThumbnailSharpness(int sharpness)
{
    m_thumbSettings->SetThumbnailSharpness(sharpness);
    markChanged();
}

// ---- Panel page -------------------------------------------------------------------

void TOptionForm1::paintColourPanel(QLabel *panel, int32_t colour)
{
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, ColourFromColorRef(COLORREF(colour)));
    panel->setPalette(palette);
}

void TOptionForm1::SetTextureColour(int32_t colour)
{
    m_textureColour = colour;
    paintColourPanel(TextureColourPanel, colour);
    QPalette palette = TexturePreviewPanel->palette();
    palette.setColor(QPalette::Window, ColourFromColorRef(COLORREF(colour)));
    TexturePreviewPanel->setPalette(palette);
    markChanged();
    restartTimer(Timer3);
}

void TOptionForm1::SetColourStrength(int32_t strength)
{
    m_colourStrength = strength;
    IntensityTrackBar->setValue(strength);
    markChanged();
    restartTimer(Timer3);
}

void TOptionForm1::SetSelectionColour(int32_t colour)
{
    m_selectionColour = colour;
    paintColourPanel(SelectionColourPanel, colour);
    markChanged();
}

void TOptionForm1::SetTextColour(int32_t colour)
{
    m_textColour = colour;
    paintColourPanel(TextColourPanel, colour);
    markChanged();
}

CString TOptionForm1::GetTextureFile() const
{
    return CString(PanelTextureCombo->currentText());
}

void TOptionForm1::SetTextureFile(const CString &file)
{
    if (PanelTextureCombo->currentText() != file.ToAnsiString()) {
        const QSignalBlocker quiet(PanelTextureCombo);
        PanelTextureCombo->setEditText(file.ToAnsiString());
    }
    m_textureError = !file.IsEmpty() && !CPath(file).GetFileExists();
    TextureFileErrorLabel->setText(m_textureError ? "File does not exist" : "");
    markChanged();
    if (!m_textureError)
        restartTimer(Timer3);
}

void TOptionForm1::Timer3Timer()
{
    Timer3->stop();
    if (m_textureError)
        return;
    CWaitCursor wait;
    QImage texture;
    const QSize room = TexturePreviewPanel->contentsRect().size().expandedTo(QSize(1, 1));
    LoadPanelTexture(CPath(GetTextureFile()), texture, COLORREF(m_textureColour), room.width(), room.height(),
                     IsChecked(OptionControl::CheckBoxG), IsChecked(OptionControl::CheckBoxV),
                     IsChecked(OptionControl::CheckBoxH), m_colourStrength);
    TexturePreviewPanel->setPicture(texture, true);
}

void TOptionForm1::TextureBrowseButtonClick()
{
    TOpenDialog dialog;
    dialog.Title = "Choose texture file";
    dialog.Filter = CPicture::Filter(false).c_str();
    dialog.FileName = GetTextureFile().c_str();
    dialog.Options = ofPathMustExist | ofFileMustExist;
    if (!dialog.Execute(this))
        return;
    SetTextureFile(CString(dialog.FileName.c_str()));
    PanelTextureCombo->AddToHistory(QString::fromStdString(dialog.FileName), false);
    {
        const QSignalBlocker quiet(PanelTextureCombo);
        PanelTextureCombo->setEditText(QString::fromStdString(dialog.FileName));
    }
    if (!SettingsStore)
        return;
    try {
        PanelTextureCombo->SaveState(*SettingsStore, TextureHistorySection, TextureHistoryName, false);
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
    }
}

void TOptionForm1::chooseColour(int32_t colour, void (TOptionForm1::*setter)(int32_t))
{
    QColorDialog dialog(ColourFromColorRef(COLORREF(colour)), this);
    dialog.setObjectName("ColourDialog");
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (ExecModal(dialog) != QDialog::Accepted)
        return;
    (this->*setter)(int32_t(ColorRefFromColour(dialog.currentColor())));
}

// ---- JPEG page ------------------------------------------------------------------

void TOptionForm1::JpegTrackBarChange(int position)
{
    if (m_jpegChanging > 0)
        return;
    ++m_jpegChanging;
    JpegEdit->setText(QString::number(JpegPercentFromPosition(position, JpegTrackMaximum)));
    --m_jpegChanging;
    restartTimer(Timer1);
}

void TOptionForm1::JpegEditChange()
{
    if (m_jpegChanging > 0)
        return;
    ++m_jpegChanging;
    JpegTrackBar->setValue(JpegPositionFromPercent(JpegEdit->text().trimmed().toInt(), JpegTrackMaximum));
    --m_jpegChanging;
    restartTimer(Timer1);
}

bool TOptionForm1::loadQualityPicture()
{
    if (m_qualityLoaded)
        return !m_qualityPicture.isNull();
    m_qualityLoaded = true;
    const CPath path = CPath::ExeFolder().AppendFileName(QualityPictureName);
    const std::unique_ptr<CPicture> picture(CPicture::New(path));
    TProgressContext progress;
    if (!picture || !picture->LoadFromFile(path, progress))
        return false;
    m_qualityPicture = QImage(picture->buffer, int(picture->width), int(picture->height), int(picture->width) * 3,
                              QImage::Format_RGB888)
                           .copy();
    return !m_qualityPicture.isNull();
}

void TOptionForm1::RenderJpegPreview()
{
    Timer1->stop();
    if (!loadQualityPicture()) {
        QualityErrorLabel->setText(QStringLiteral("The sample picture %1 cannot be read.").arg(QualityPictureName));
        return;
    }
    CWaitCursor wait;
    const int compression = std::clamp(JpegEdit->text().trimmed().toInt(), 0, 100);
    const bool progressive = GetItemIndex(OptionControl::EncodingChoice) == 1;
    const QImage &source = m_qualityPicture;
    // Rows of a QImage are padded to 4 bytes; the encoder wants them packed.
    std::vector<uint8_t> rgb(size_t(source.width()) * size_t(source.height()) * 3);
    for (int y = 0; y < source.height(); ++y)
        std::copy_n(source.constScanLine(y), size_t(source.width()) * 3, rgb.data() + size_t(y) * source.width() * 3);
    const std::vector<uint8_t> jpeg =
        EncodeJpegToMemory(rgb.data(), CSize(source.width(), source.height()), 100 - compression, progressive);
    QImage compressed;
    if (!jpeg.empty()) {
        HIMGSRC input = ImgOpenMemorySource(jpeg.data(), uint32_t(jpeg.size()));
        uint32_t width = 0;
        uint32_t height = 0;
        HGLOBAL pixels = input ? ImgReadJPGToRGB(input, &width, &height) : nullptr;
        if (input)
            ImgCloseSource(input);
        if (pixels) {
            compressed = QImage(static_cast<const uchar *>(GlobalLock(pixels)), int(width), int(height),
                                int(width) * 3, QImage::Format_RGB888)
                             .copy();
            GlobalUnlock(pixels);
            GlobalFree(pixels);
        }
    }
    QualityErrorLabel->setText(
        compressed.isNull() ? QString("The sample picture cannot be compressed.")
                            : QStringLiteral("%1 bytes compressed from %2").arg(jpeg.size()).arg(rgb.size()));
    SourcePreviewPanel->setPicture(source, false);
    CompressedPreviewPanel->setPicture(compressed, false);
}

// ---- Disk page ---------------------------------------------------------------

CString TOptionForm1::GetSpecialBrowseFolder() const
{
    return CString(SpecialBrowseFolderEdit->text());
}

void TOptionForm1::SetSpecialBrowseFolder(const CString &folder)
{
    SpecialBrowseFolderEdit->setText(folder.ToAnsiString());
}

void TOptionForm1::SpecialBrowseButtonClick()
{
    CPath folder(GetSpecialBrowseFolder());
    if (TFolderBrowserForm1::Browse(folder))
        SetSpecialBrowseFolder(folder);
}

void TOptionForm1::DiskFolderChange()
{
    if (m_conflictShown)
        return;
    const CPath folder(CString(SpecialBrowseFolderEdit->text().trimmed()));
    m_specialFolderValid = folder.GetIsAbsolute();
    markChanged();
    if (!m_specialFolderValid)
        return;
    const char drive = folder.GetDriveLetter();
    QString letters = WriteProtectEdit->text();
    if (!MaskDriveLetter(letters, drive))
        return;
    m_conflictShown = true;
    CString message;
    message.Format("You cannot %s drive %c because it is used for storing browse files", "write-protect",
                   QChar::fromLatin1(drive).toUpper().toLatin1());
    ShowMessageBox(message, WarningBoxFlags);
    WriteProtectEdit->setText(letters);
    setEditColour(SpecialBrowseFolderEdit, palette().color(QPalette::Base));
    m_conflictShown = false;
}

// ---- Cache page ---------------------------------------------------------------

void TOptionForm1::showStatistics()
{
    ThumbnailStatisticsLabel->setText(CacheStatisticsText(ThumbBitmapCache.LastStatistics()).ToAnsiString());
    MemoStatisticsLabel->setText(MemoStatisticsText(TMemoList::GetTotals()).ToAnsiString());
}

void TOptionForm1::PurgeThumbnailsButtonClick()
{
    {
        CWaitCursor wait;
        ThumbBitmapCache.Purge(true);
        ThumbBitmapCache.RefreshStatistics();
    }
    showStatistics();
}

void TOptionForm1::PurgeMemosButtonClick()
{
    TMemoList::FreeAll();
    showStatistics();
}

// ---- Folder page ----------------------------------------------------------------

bool TOptionForm1::isThumbSettingsVisible() const
{
    const QWidget *window = m_thumbSettings->Window();
    return window && window->isVisible();
}

void TOptionForm1::ThumbnailAppearanceButtonClick()
{
    QWidget *window = m_thumbSettings->Window();
    if (!window)
        return;
    window->setVisible(!window->isVisible());
    markChanged();
}

void TOptionForm1::FolderManagerButtonClick()
{
    if (!m_browser || !ToolAvailable(Tool::FolderManager))
        return;
    RunTool(Tool::FolderManager, *m_browser);
    if (TZiloOptions *store = Store(FolderPage))
        store->ToDialog(*this);
}

void TOptionForm1::CustomSortToolClick()
{
    const CPath file = CThumbSort(m_folder).GetCustomSortFile();
    if (file.IsEmpty())
        return;
    const int result = TShell::Open(file, "");
    if (result != -1)
        ShowMessageBox(CString(TShell::GetErrorMessage(result)), ErrorBoxFlags);
}

// ---- Applications page ----------------------------------------------------------

void TOptionForm1::appendGridRow(const OpenWithApplication &application)
{
    const QSignalBlocker quiet(ApplicationGrid);
    const int row = ApplicationGrid->rowCount();
    ApplicationGrid->insertRow(row);
    auto *number = new QTableWidgetItem(QString::number(row + 1));
    number->setFlags(number->flags() & ~Qt::ItemIsEditable);
    ApplicationGrid->setItem(row, NumberColumn, number);
    ApplicationGrid->setItem(row, NameColumn, new QTableWidgetItem(application.caption.ToAnsiString()));
    auto *program = new QTableWidgetItem(application.command.ToAnsiString());
    if (IsBuiltInCommand(application.command))
        program->setFlags(program->flags() & ~Qt::ItemIsEditable);
    ApplicationGrid->setItem(row, ProgramColumn, program);
}

void TOptionForm1::setGridRows(const std::vector<OpenWithApplication> &applications)
{
    {
        const QSignalBlocker quiet(ApplicationGrid);
        ApplicationGrid->setRowCount(0);
    }
    for (const OpenWithApplication &application : applications)
        appendGridRow(application);
    markChanged();
}

std::vector<OpenWithApplication> TOptionForm1::GridApplications() const
{
    std::vector<OpenWithApplication> applications;
    for (int row = 0; row < ApplicationGrid->rowCount(); ++row) {
        const QTableWidgetItem *name = ApplicationGrid->item(row, NameColumn);
        const QTableWidgetItem *program = ApplicationGrid->item(row, ProgramColumn);
        applications.push_back({CString(name ? name->text() : QString()), CString(program ? program->text() : QString())});
    }
    return applications;
}

void TOptionForm1::loadApplicationsPage()
{
    m_storedTextEditor = LoadTextEditor();
    TextFileAppEdit->setText(m_storedTextEditor.ToAnsiString());
    m_storedApplications = LoadApplicationList();
    setGridRows(m_storedApplications);
}

void TOptionForm1::saveApplicationsPage()
{
    SaveApplicationList(GridApplications(), CString(TextFileAppEdit->text().trimmed()));
    m_storedApplications = LoadApplicationList();
    m_storedTextEditor = LoadTextEditor();
}

CString TOptionForm1::chooseProgram(const CString &current)
{
    TOpenDialog dialog;
    dialog.Title = "Choose application file";
    dialog.Filter = "All files (*.*)|*.*";
    dialog.FileName = current.c_str();
    dialog.Options = ofPathMustExist | ofFileMustExist;
    if (!dialog.Execute(this))
        return CString();
    if (!IsProgramFileA(dialog.FileName.c_str())) {
        CString message;
        message.Format("%s is not a program that can be run.", dialog.FileName.c_str());
        ShowMessageBox(message, WarningBoxFlags);
        return CString();
    }
    return CString(dialog.FileName.c_str());
}

void TOptionForm1::AddButtonClick()
{
    const CPath program(chooseProgram(CString()));
    if (program.IsEmpty())
        return;
    appendGridRow({program.GetFilePart(), program});
    ApplicationGrid->selectRow(ApplicationGrid->rowCount() - 1);
    ApplicationGrid->scrollToBottom();
    markChanged();
}

void TOptionForm1::ModifyButtonClick()
{
    const int row = ApplicationGrid->currentRow();
    if (ApplicationGrid->rowCount() == 0 || row < 0) {
        AddButtonClick();
        return;
    }
    QTableWidgetItem *command = ApplicationGrid->item(row, ProgramColumn);
    const CString program = chooseProgram(CString(command->text()));
    if (program.IsEmpty())
        return;
    const QSignalBlocker quiet(ApplicationGrid);
    command->setText(program.ToAnsiString());
    command->setFlags(command->flags() | Qt::ItemIsEditable);
    markChanged();
}

void TOptionForm1::MoveRow(int step)
{
    const int row = ApplicationGrid->currentRow();
    const int other = row + step;
    if (row < 0 || other < 0 || other >= ApplicationGrid->rowCount())
        return;
    {
        const QSignalBlocker quiet(ApplicationGrid);
        for (const int column : {NameColumn, ProgramColumn}) {
            QTableWidgetItem *mine = ApplicationGrid->takeItem(row, column);
            QTableWidgetItem *theirs = ApplicationGrid->takeItem(other, column);
            ApplicationGrid->setItem(row, column, theirs);
            ApplicationGrid->setItem(other, column, mine);
        }
    }
    ApplicationGrid->selectRow(other);
    markChanged();
}

void TOptionForm1::RemoveButtonClick()
{
    int row = ApplicationGrid->currentRow();
    if (row < 0)
        return;
    for (; row < ApplicationGrid->rowCount() - 1; ++row) {
        ApplicationGrid->selectRow(row);
        MoveRow(1);
    }
    ApplicationGrid->removeRow(ApplicationGrid->rowCount() - 1);
    markChanged();
}

void TOptionForm1::LaunchButtonClick()
{
    const int row = ApplicationGrid->currentRow();
    if (row < 0)
        return;
    const CString program(ApplicationGrid->item(row, ProgramColumn)->text());
    if (IsBuiltInCommand(program))
        return;
    const CPath splash = CPath::ExeFolder().AppendFileName("Splash.bmp");
    const int result = OpenWithProgram(program, splash);
    if (result >= 0)
        ShowMessageBox(CString(TShell::GetErrorMessage(result)), WarningBoxFlags);
}

void TOptionForm1::ApplicationGridEdited(int row, int column)
{
    QTableWidgetItem *item = ApplicationGrid->item(row, column);
    if (!item)
        return;
    const QString text = item->text();
    if (column != NumberColumn && text.startsWith(u'#')) {
        const QSignalBlocker quiet(ApplicationGrid);
        item->setText(textWithoutBuiltInMark(text));
    }
    markChanged();
}

void TOptionForm1::TextFileBrowseButtonClick()
{
    const CString program = chooseProgram(CString(TextFileAppEdit->text()));
    if (!program.IsEmpty())
        TextFileAppEdit->setText(program.ToAnsiString());
}

void TOptionForm1::NotepadButtonClick()
{
    TextFileAppEdit->setText(WindowsFolder().AppendFileName("Notepad.exe").ToAnsiString());
}

// ---- Buttons ----------------------------------------------------------------------

void TOptionForm1::applyStep()
{
    {
        CWaitCursor wait;
        for (TZiloOptions *store : m_stores) {
            if (!store)
                continue;
            store->FromDialog(*this);
            store->Save();
        }
        saveApplicationsPage();
    }
    if (m_applyCallback)
        m_applyCallback();
    if (!m_folder.IsEmpty())
        m_writeProtected = ::IsWriteProtected(m_folder);
    m_changed = true;
}

void TOptionForm1::ApplyButtonClick()
{
    CancelButton->setText("Close");
    try {
        applyStep();
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
    }
    UpdateControls();
}

void TOptionForm1::OkButtonClick()
{
    // Not hidden first: hiding a modal dialog can end its run before OK is
    // its result, and a store that refuses the save leaves it open to try again.
    try {
        applyStep();
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        return;
    }
    SetModalResult(mrOk);
}

void TOptionForm1::RevertButtonClick()
{
    if (ActivePage() == ApplicationsPage) {
        loadApplicationsPage();
        return;
    }
    if (TZiloOptions *store = Store(ActivePage()))
        store->ToDialog(*this);
    markChanged();
}

void TOptionForm1::UseDefaultsButtonClick()
{
    if (TZiloOptions *store = Store(ActivePage()))
        store->DefaultsToDialog(*this);
    markChanged();
}

void TOptionForm1::SetDefaultsButtonClick()
{
    TZiloOptions *store = Store(ActivePage());
    if (!store)
        return;
    try {
        store->DialogToDefaults(*this);
        store->Save();
    } catch (const Exception &error) {
        ShowMessageBox(CString(error.Message()), ErrorBoxFlags);
        return;
    }
    CancelButton->setText("Close");
    markChanged();
}

// ---- The tick -------------------------------------------------------------------

void TOptionForm1::restartTimer(QTimer *timer)
{
    timer->start();
}

void TOptionForm1::Timer2Timer()
{
    ++m_tickCount;
    // The enabled states that follow the machine rather than the dialog
    // (floppy drives, the custom sort file) are looked at once a second.
    if (m_tickCount % 50 == 0 || isThumbSettingsVisible())
        markChanged();
    UpdateControls();
    if (m_conflictShown) {
        const bool on = (QDateTime::currentMSecsSinceEpoch() & 0x400) != 0;
        setEditColour(SpecialBrowseFolderEdit, on ? QColor(Qt::red) : palette().color(QPalette::Base));
    }
    if (m_tickCount % StatisticsTicks == 0)
        showStatistics();
}

void TOptionForm1::compareStores()
{
    for (int page = 0; page < PageCount; ++page) {
        TZiloOptions *store = m_stores[size_t(page)];
        if (!store)
            continue;
        TZiloOptions &probe = *m_probes[size_t(page)];
        // The probe starts from the store, so values no control holds compare equal.
        probe.CopyFrom(store);
        probe.FromDialog(*this);
        // The dialog's values as the probe's defaults too: a group compares
        // its defaults with the other set's defaults.
        for (int id = 0; id < probe.Count(); ++id)
            probe.SetDefault(id);
        bool valuesEqual = true;
        bool defaultsEqual = true;
        store->CompareWith(&probe, valuesEqual, defaultsEqual);
        m_differsFromValues[size_t(page)] = !valuesEqual;
        m_differsFromDefaults[size_t(page)] = !defaultsEqual;
    }
    m_applicationsDiffer = !SameApplications(GridApplications(), m_storedApplications)
                           || TextFileAppEdit->text().trimmed() != m_storedTextEditor.ToAnsiString();
}

void TOptionForm1::updateEnabledStates()
{
    const int row = ApplicationGrid->currentRow();
    const int rows = ApplicationGrid->rowCount();
    const bool builtInRow =
        row >= 0 && ApplicationGrid->item(row, ProgramColumn)
        && IsBuiltInCommand(CString(ApplicationGrid->item(row, ProgramColumn)->text()));
    // More rows than the stored list can hold would be lost at the next load.
    const bool roomLeft = rows < MaxApplicationCount;
    AddButton->setEnabled(roomLeft);
    LaunchButton->setEnabled(row >= 0 && !builtInRow);
    ModifyButton->setEnabled(rows == 0 ? roomLeft : !builtInRow || rows == 1);
    RemoveButton->setEnabled(row >= 0 && !builtInRow);
    UpTool->setEnabled(row >= 1);
    DownTool->setEnabled(row >= 0 && row < rows - 1);

    const DWORD drives = GetLogicalDrives();
    m_controls[size_t(OptionControl::FloppyACheckBox)]->setEnabled((drives & 1) != 0);
    m_controls[size_t(OptionControl::FloppyBCheckBox)]->setEnabled((drives & 2) != 0);
    const bool ask = IsChecked(OptionControl::AskCheckBox);
    AskEdit->setEnabled(ask);
    AskUpDown->setEnabled(ask);
    ImagesLabel->setEnabled(ask);
    m_controls[size_t(OptionControl::TypeEdit)]->setEnabled(IsChecked(OptionControl::FileTypesCheckBox));
    const int cleanup = GetItemIndex(OptionControl::CleanupChoice);
    for (auto [control, choice] : {std::pair{OptionControl::CacheEdit2, 1}, std::pair{OptionControl::CacheEdit3, 2}}) {
        QWidget *edit = m_controls[size_t(control)];
        edit->setEnabled(cleanup == choice);
        setEditColour(edit, palette().color(cleanup == choice ? QPalette::Base : QPalette::Button));
    }
    m_controls[size_t(OptionControl::DitheringCheckBox)]->setEnabled(!HighColour());
    if (!m_folder.IsEmpty()) {
        const bool custom = GetItemIndex(OptionControl::SortPropertyChoice) == CThumbSort::CustomOrder;
        const bool fileExists = custom && CThumbSort(m_folder).GetCustomSortFile().GetFileExists();
        CustomSortTool->setEnabled(fileExists);
        m_controls[size_t(OptionControl::CustomSortWithImagesCheckBox)]->setEnabled(fileExists && !m_writeProtected);
        m_controls[size_t(OptionControl::SortDirectionChoice)]->setEnabled(!custom);
    }
    WriteProtectedLabel->setVisible(!m_folder.IsEmpty() && m_writeProtected);
    ScrollBarSample->SetButtonType(GetItemIndex(OptionControl::ScrollButtonsChoice) == 1 ? btTogether : btSeparate);
}

void TOptionForm1::UpdateControls()
{
    if (!m_changed)
        return;
    m_changed = false;
    compareStores();
    updateEnabledStates();

    const int page = ActivePage();
    if (page == ApplicationsPage) {
        RevertButton->setEnabled(m_applicationsDiffer);
        UseDefaultsButton->setEnabled(false);
        SetDefaultsButton->setEnabled(false);
    } else {
        const bool hasStore = Store(page) != nullptr;
        RevertButton->setEnabled(hasStore && m_differsFromValues[size_t(page)]);
        UseDefaultsButton->setEnabled(hasStore && m_differsFromDefaults[size_t(page)]);
        SetDefaultsButton->setEnabled(hasStore && page == FolderPage && m_differsFromDefaults[size_t(page)]);
    }
    const bool thumbSettingsValid = m_thumbSettings->IsValid();
    const bool anyDiffers = std::any_of(m_differsFromValues.begin(), m_differsFromValues.end(), [](bool d) { return d; });
    // A program added to the list is applied as any other change, so that
    // the Open With menus offer it at once.
    ApplyButton->setEnabled((anyDiffers || m_applicationsDiffer) && !m_textureError && thumbSettingsValid);
    FolderManagerButton->setEnabled(!ApplyButton->isEnabled() && !m_folder.IsEmpty() && m_browser
                                    && ToolAvailable(Tool::FolderManager));
    OkButton->setEnabled(m_specialFolderValid && !m_textureError && thumbSettingsValid);
    ThumbnailAppearanceButton->setEnabled(m_appearanceAllowed && thumbSettingsValid && m_thumbSettings->Window());
    ThumbnailAppearanceButton->setChecked(isThumbSettingsVisible());
}
