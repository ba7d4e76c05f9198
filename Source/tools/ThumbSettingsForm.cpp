#include "ThumbSettingsForm.h"

#include <Source/Glob.h>
#include <Source/engine/FileHandler.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBuild.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Application.h>
#include <lib/Options.h>
#include <lib/ProgressContext.h>
#include <lib/SafeRegIniFile.h>
#include <lib/WaitCursor.h>
#include <lib/controls/Edge.h>
#include <lib/controls/HistoryComboBox.h>
#include <lib/controls/NewScrollBox.h>
#include <lib/imaging/Bitmap.h>
#include <lib/imaging/Picture.h>
#include <platform/MessageBox.h>
#include <platform/SystemMetrics.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr char PreviewFileName[] = "Preview.jpg";
constexpr char SettingsSection[] = "Thumbnail Settings";
constexpr char LabelsSection[] = "Preferences";
constexpr char LabelsName[] = "Recent Labels";
constexpr char InvalidSettingsText[] =
    "There is an error in one of the thumbnail settings which must be corrected.";
constexpr int DefaultWidth = 600;
constexpr int DefaultHeight = 430;
constexpr int ColumnCount = 4;
// Room under the picture for one line of label, inside the sunken edge.
constexpr int LabelLineHeight = 14;

enum WindowOption { WindowX, WindowY, WindowWidth, WindowHeight };

} // namespace

// What every preview shows: made with the first TPreviewThumb, freed with the
// last. Window thread only.
struct PreviewState
{
    PreviewState() : handler(CPath::ExeFolder().AppendFileName(PreviewFileName), true) {}

    // The picture at the current settings, from the sample decoded once.
    void Rebuild();
    int LabelHeight() const { return label ? LabelLineHeight : 0; }

    TImageHandler handler;
    std::unique_ptr<CPicture> picture;   // the sample, decoded; null when it cannot be
    bool pictureRead = false;
    CSize previewSize;   // the picture's, fitted into the thumbnail size
    int thumbnailSize = TThumbSettingsForm1::MinSize;
    int sharpness = 0;
    bool draft = false;
    bool label = false;
    QString pattern;
    QString labelText;   // the pattern expanded for the sample
    CBitmap bitmap;
};

void PreviewState::Rebuild()
{
    if (!pictureRead) {
        pictureRead = true;
        const CPath path = handler.GetFullPath();
        picture.reset(CPicture::New(path));
        TProgressContext progress;
        if (picture && (!picture->LoadFromFile(path, progress) || !picture->buffer))
            picture.reset();
    }
    labelText = handler.ExpandPattern(CString(pattern), nullptr, nullptr).ToAnsiString();
    if (!picture) {
        previewSize = CSize(thumbnailSize, thumbnailSize);   // empty thumbnails, at their size
        bitmap.DeleteBuffers();
        return;
    }
    previewSize = CThumbBitmap::FitThumbnailSize(picture->width, picture->height, thumbnailSize);
    const std::vector<uint8_t> rgb = ShrinkPicture(*picture, previewSize, draft, sharpness);
    bitmap.BitmapFromRGB(rgb.data(), previewSize);
}

static std::weak_ptr<PreviewState> s_previewState;

static std::shared_ptr<PreviewState> sharedPreviewState()
{
    std::shared_ptr<PreviewState> state = s_previewState.lock();
    if (!state) {
        state = std::make_shared<PreviewState>();
        s_previewState = state;
    }
    return state;
}

TUpDown::TUpDown(QWidget *parent, QLineEdit *buddy, int minimum, int maximum)
    : QWidget(parent), m_buddy(buddy), m_minimum(minimum), m_maximum(maximum), m_position(minimum)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    UpButton = new QToolButton(this);
    UpButton->setArrowType(Qt::UpArrow);
    DownButton = new QToolButton(this);
    DownButton->setArrowType(Qt::DownArrow);
    for (QToolButton *button : {UpButton, DownButton}) {
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(UpButton, &QToolButton::clicked, this, [this] { step(1); });
    connect(DownButton, &QToolButton::clicked, this, [this] { step(-1); });
}

void TUpDown::SetPosition(int position)
{
    m_position = std::clamp(position, m_minimum, m_maximum);
}

void TUpDown::step(int delta)
{
    SetPosition(m_position + delta);
    m_buddy->setText(QString::number(m_position));
}

TPreviewThumb::TPreviewThumb(QWidget *parent) : QWidget(parent), m_state(sharedPreviewState())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TPreviewThumb::~TPreviewThumb() = default;

void TPreviewThumb::Place(int left, int top)
{
    SetImageSize(m_state->LabelHeight(), m_state->previewSize.cx, m_state->previewSize.cy);
    SetPlace(left, top);
    setGeometry(BoundsRect());
}

void TPreviewThumb::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    canvas.fillRect(rect(), SysColour(COLOR_BTNFACE));
    const CSize size = m_state->previewSize;
    const int labelHeight = m_state->LabelHeight();
    const QRect image = GetImageRect(labelHeight, size.cx, size.cy);
    if (!m_state->bitmap.IsEmpty()) {
        m_state->bitmap.Paint(&canvas, image.left(), image.top(), false, nullptr);
        PaintEdge(canvas, image.adjusted(-2, -2, 2, 2), true);
    }
    if (m_state->label) {
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(8);
        canvas.setFont(font);
        canvas.setPen(SysColour(COLOR_BTNTEXT));
        const QRect line(4, image.bottom() + 4, width() - 8, labelHeight);
        const QString text = canvas.fontMetrics().elidedText(m_state->labelText, Qt::ElideRight, line.width());
        canvas.drawText(line, Qt::AlignHCenter | Qt::AlignVCenter, text);
    }
    PaintEdge(canvas, QRect(0, 0, width(), height()).adjusted(2, 2, -2, -2), false);
}

// A track bar, its edit and up-down, in one row of grid under the caption.
static void addField(QGridLayout *grid, int row, QLabel *caption, QSlider *trackBar, QLineEdit *edit,
                     TUpDown *upDown)
{
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0);
    grid->addWidget(trackBar, row, 1);
    auto *pair = new QHBoxLayout;
    pair->setSpacing(0);
    pair->addWidget(edit);
    pair->addWidget(upDown);
    grid->addLayout(pair, row, 2);
}

TThumbSettingsForm1::TThumbSettingsForm1(QWidget *owner, const QString &caption)
    : QWidget(owner, Qt::Dialog), m_store(std::make_unique<TOptionsReg>())
{
    setObjectName(QStringLiteral("ThumbSettingsForm1"));
    setWindowTitle(caption);
    const auto makeField = [this](const char *name, int maximum, QSlider *&trackBar, QLineEdit *&edit,
                                  TUpDown *&upDown, int minimum) {
        trackBar = new QSlider(Qt::Horizontal, this);
        trackBar->setObjectName(QString::fromLatin1(name) + "TrackBar");
        trackBar->setRange(minimum, maximum);
        edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name) + "Edit");
        edit->setMaxLength(3);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        upDown = new TUpDown(this, edit, minimum, maximum);
        upDown->setObjectName(QString::fromLatin1(name) + "UpDown");
        connect(trackBar, &QSlider::valueChanged, this, [this, trackBar] { TrackBarChange(trackBar); });
        connect(edit, &QLineEdit::textChanged, this, [this] { EditChange(); });
    };
    makeField("Size", MaxSize, SizeTrackBar, SizeEdit, SizeUpDown, MinSize);
    makeField("Spacing", MaxSpacing, SpacingTrackBar, SpacingEdit, SpacingUpDown, 0);
    makeField("Sharpness", MaxSharpness, SharpnessTrackBar, SharpnessEdit, SharpnessUpDown, 0);
    SizeTrackBar->setPageStep(16);
    SharpnessLabel = new QLabel(QStringLiteral("S&harpness:"), this);
    SharpnessLabel->setObjectName(QStringLiteral("SharpnessLabel"));

    LabelCheckBox = new QCheckBox(QStringLiteral("&Label thumbnails using this format:"), this);
    LabelCheckBox->setObjectName(QStringLiteral("LabelCheckBox"));
    LabelCombo = new THistoryComboBox(this);
    LabelCombo->setObjectName(QStringLiteral("LabelCombo"));
    LabelCombo->setEditable(true);
    DraftCheckBox = new QCheckBox(QStringLiteral("Create &draft quality thumbnails"), this);
    DraftCheckBox->setObjectName(QStringLiteral("DraftCheckBox"));
    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setDefault(true);
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    ScrollBox = new TNewScrollBox(this);
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));

    auto *grid = new QGridLayout;
    addField(grid, 0, new QLabel(QStringLiteral("Si&ze:"), this), SizeTrackBar, SizeEdit, SizeUpDown);
    addField(grid, 1, new QLabel(QStringLiteral("S&pacing:"), this), SpacingTrackBar, SpacingEdit, SpacingUpDown);
    addField(grid, 2, SharpnessLabel, SharpnessTrackBar, SharpnessEdit, SharpnessUpDown);
    grid->setColumnStretch(1, 1);
    auto *labelRow = new QHBoxLayout;
    labelRow->addWidget(LabelCheckBox);
    labelRow->addWidget(LabelCombo, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(DraftCheckBox);
    bottom->addStretch(1);
    bottom->addWidget(CloseButton);
    bottom->addWidget(HelpButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(labelRow);
    layout->addWidget(ScrollBox, 1);
    layout->addLayout(bottom);

    Timer1.setInterval(PreviewDelayMs);
    Timer1.setSingleShot(false);
    connect(&Timer1, &QTimer::timeout, this, &TThumbSettingsForm1::Timer1Timer);
    connect(DraftCheckBox, &QCheckBox::clicked, this, &TThumbSettingsForm1::DraftCheckBoxClick);
    connect(LabelCheckBox, &QCheckBox::clicked, this, &TThumbSettingsForm1::LabelCheckBoxClick);
    connect(LabelCombo, &QComboBox::editTextChanged, this, &TThumbSettingsForm1::LabelComboChange);
    connect(CloseButton, &QPushButton::clicked, this, &TThumbSettingsForm1::CloseButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TThumbSettingsForm1::HelpButtonClick);
    for (TMyNewScrollBar *bar : {ScrollBox->HorzScrollBar(), ScrollBox->VertScrollBar()})
        connect(bar, &TNewScrollBar::OnChange, this, &TThumbSettingsForm1::layOutPreviews);
    FormCreate();
}

TThumbSettingsForm1::~TThumbSettingsForm1()
{
    FormDestroy();
}

void TThumbSettingsForm1::FormCreate()
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    m_store->SetRegistryKey(SettingsRoot);
    DefineOptions(*m_store, QString::fromLatin1(SettingsSection),
                  {{"Window X", (screen.width() - DefaultWidth) / 2},
                   {"Window Y", (screen.height() - DefaultHeight) / 2},
                   {"Width", DefaultWidth},
                   {"Height", DefaultHeight}});
    m_store->Load();
    if (SettingsStore)
        LabelCombo->LoadState(*SettingsStore, QString::fromLatin1(LabelsSection), QString::fromLatin1(LabelsName),
                              false);
    if (LabelCombo->count() == 0)
        for (const char *preset : {"%p x %b (%s)", "%d", "%g (%p)", "%f (%p)", "%f"})
            LabelCombo->AddToHistory(QString::fromLatin1(preset), false);
    const TButtonType buttons =
        GeneralOptions && GeneralOptions->GetInt(TGeneralOptions::ScrollButtonsTogether) ? btTogether : btSeparate;
    for (TMyNewScrollBar *bar : {ScrollBox->HorzScrollBar(), ScrollBox->VertScrollBar()})
        bar->SetButtonType(buttons);
    for (size_t index = 0; index < Previews.size(); ++index) {
        Previews[index] = new TPreviewThumb(ScrollBox->Client());
        Previews[index]->setObjectName(QStringLiteral("PreviewThumb%1").arg(index + 1));
    }
    HelpButton->setEnabled(!HelpFile().IsEmpty());
    resize(DefaultWidth, DefaultHeight);
}

void TThumbSettingsForm1::FormShow()
{
    setGeometry(m_store->GetInt(WindowX), m_store->GetInt(WindowY), m_store->GetInt(WindowWidth),
                m_store->GetInt(WindowHeight));
    Timer1Timer();
}

void TThumbSettingsForm1::FormHide()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    // The client area's place, as FormShow sets it: the frame's would creep
    // up and left by the frame's size at every showing.
    const QRect place = geometry();
    m_store->SetInt(WindowX, place.x());
    m_store->SetInt(WindowY, place.y());
    m_store->SetInt(WindowWidth, place.width());
    m_store->SetInt(WindowHeight, place.height());
    m_store->Save();
}

void TThumbSettingsForm1::FormDestroy()
{
    if (!SettingsStore)
        return;
    LabelCombo->AddToHistory(LabelCombo->currentText(), false);
    try {
        LabelCombo->SaveState(*SettingsStore, QString::fromLatin1(LabelsSection), QString::fromLatin1(LabelsName),
                              false);
    } catch (const std::exception &) {
        // The store refused: the list stays as it was stored, and the window goes anyway.
    }
}

bool TThumbSettingsForm1::FormCloseQuery()
{
    if (m_valid)
        return true;
    ShowMessageBox(InvalidSettingsText, WarningBoxFlags);
    return false;
}

void TThumbSettingsForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TThumbSettingsForm1::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

void TThumbSettingsForm1::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery())
        event->ignore();
    else
        event->accept();
}

void TThumbSettingsForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOutPreviews();
}

// The track bar clamps; the clamped value is shown in the edit and up-down.
static int showValue(int value, QSlider *trackBar, QLineEdit *edit, TUpDown *upDown)
{
    {
        const QSignalBlocker quiet(trackBar);
        trackBar->setValue(value);
    }
    const int clamped = trackBar->value();
    upDown->SetPosition(clamped);
    edit->setText(QString::number(clamped));
    return clamped;
}

void TThumbSettingsForm1::SetThumbnailSize(int size)
{
    if (size == m_size)
        return;
    m_size = showValue(size, SizeTrackBar, SizeEdit, SizeUpDown);
    restartPreview();
}

void TThumbSettingsForm1::SetThumbnailSpacing(int spacing)
{
    if (spacing == m_spacing)
        return;
    m_spacing = showValue(spacing, SpacingTrackBar, SpacingEdit, SpacingUpDown);
    restartPreview();
}

void TThumbSettingsForm1::SetThumbnailSharpness(int sharpness)
{
    if (sharpness == m_sharpness)
        return;
    m_sharpness = showValue(sharpness, SharpnessTrackBar, SharpnessEdit, SharpnessUpDown);
    restartPreview();
}

bool TThumbSettingsForm1::IsChecked(OptionControl control) const
{
    if (control == OptionControl::DraftCheckBox)
        return DraftCheckBox->isChecked();
    if (control == OptionControl::LabelCheckBox)
        return LabelCheckBox->isChecked();
    return false;
}

void TThumbSettingsForm1::SetChecked(OptionControl control, bool checked)
{
    if (control == OptionControl::DraftCheckBox) {
        DraftCheckBox->setChecked(checked);
        DraftCheckBoxClick();
    } else if (control == OptionControl::LabelCheckBox) {
        LabelCheckBox->setChecked(checked);
        LabelCheckBoxClick();
    }
}

QString TThumbSettingsForm1::GetText(OptionControl control) const
{
    return control == OptionControl::LabelCombo ? LabelCombo->currentText() : QString();
}

void TThumbSettingsForm1::SetText(OptionControl control, const QString &text)
{
    if (control == OptionControl::LabelCombo)
        LabelCombo->setEditText(text);
}

void TThumbSettingsForm1::DraftCheckBoxClick()
{
    const bool sharpen = !DraftCheckBox->isChecked();
    for (QWidget *control : std::initializer_list<QWidget *>{SharpnessLabel, SharpnessTrackBar, SharpnessEdit,
                                                             SharpnessUpDown})
        control->setEnabled(sharpen);
    restartPreview();
}

void TThumbSettingsForm1::LabelCheckBoxClick()
{
    const bool labelled = LabelCheckBox->isChecked();
    LabelCombo->setEnabled(labelled);
    QPalette colours = LabelCombo->palette();
    colours.setColor(QPalette::Base, SysColour(labelled ? COLOR_WINDOW : COLOR_BTNFACE));
    LabelCombo->setPalette(colours);
    restartPreview();
}

void TThumbSettingsForm1::TrackBarChange(QSlider *trackBar)
{
    if (trackBar == SizeTrackBar)
        SetThumbnailSize(trackBar->value());
    else if (trackBar == SpacingTrackBar)
        SetThumbnailSpacing(trackBar->value());
    else
        SetThumbnailSharpness(trackBar->value());
}

// Whether edit holds only digits, making a number within upDown's range; the
// edit is coloured by the answer and, when valid, the up-down takes the number.
static bool validateField(QLineEdit *edit, TUpDown *upDown)
{
    const QString text = edit->text();
    const bool digits = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    const int value = digits ? text.toInt() : -1;
    const bool valid = digits && value >= upDown->Min() && value <= upDown->Max();
    QPalette colours = edit->palette();
    colours.setColor(QPalette::Base, valid ? SysColour(COLOR_WINDOW)
                                           : ColourFromColorRef(TThumbSettingsForm1::InvalidFieldColour));
    edit->setPalette(colours);
    if (valid)
        upDown->SetPosition(value);
    return valid;
}

bool TThumbSettingsForm1::EditChange()
{
    bool valid = true;
    for (const auto &[edit, upDown] : {std::pair{SizeEdit, SizeUpDown}, std::pair{SpacingEdit, SpacingUpDown},
                                       std::pair{SharpnessEdit, SharpnessUpDown}})
        valid = validateField(edit, upDown) && valid;
    m_valid = valid;
    CloseButton->setEnabled(valid);
    if (valid) {
        SetThumbnailSize(SizeUpDown->Position());
        SetThumbnailSpacing(SpacingUpDown->Position());
        SetThumbnailSharpness(SharpnessUpDown->Position());
    }
    return valid;
}

void TThumbSettingsForm1::LabelComboChange()
{
    restartPreview();
}

void TThumbSettingsForm1::CloseButtonClick()
{
    close();
}

void TThumbSettingsForm1::HelpButtonClick()
{
    OpenHelpFile();
}

void TThumbSettingsForm1::restartPreview()
{
    if (!isVisible())
        return;
    Timer1.stop();
    Timer1.start();
}

void TThumbSettingsForm1::Timer1Timer()
{
    CWaitCursor wait;
    Timer1.stop();
    PreviewState &state = *sharedPreviewState();
    state.sharpness = m_sharpness < 0 ? 0 : m_sharpness;
    state.thumbnailSize = m_size < 0 ? MinSize : m_size;
    state.draft = DraftCheckBox->isChecked();
    state.label = LabelCheckBox->isChecked();
    state.pattern = LabelCombo->currentText();
    state.Rebuild();
    layOutPreviews();
}

void TThumbSettingsForm1::layOutPreviews()
{
    const int spacing = std::max(m_spacing, 0);
    const int left = -ScrollBox->HorzScrollBar()->Position();
    const int top = -ScrollBox->VertScrollBar()->Position();
    // Every preview has the first one's size.
    Previews[0]->Place(0, 0);
    const int width = Previews[0]->Width();
    const int height = Previews[0]->Height();
    for (size_t index = 0; index < Previews.size(); ++index) {
        const int column = int(index) % ColumnCount;
        const int row = int(index) / ColumnCount;
        Previews[index]->Place(left + column * (width + spacing) + spacing, top + row * (height + spacing) + spacing);
        Previews[index]->update();
    }
    const int rowCount = int(Previews.size()) / ColumnCount;
    ScrollBox->HorzScrollBar()->SetRange(ColumnCount * (width + spacing) + spacing);
    ScrollBox->VertScrollBar()->SetRange(rowCount * (height + spacing) + spacing);
    ScrollBox->HorzScrollBar()->SetPage(ScrollBox->ClientRect().width());
    ScrollBox->VertScrollBar()->SetPage(ScrollBox->ClientRect().height());
    ScrollBox->SetClientShape();
}
