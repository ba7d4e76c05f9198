#include "FindSimilarForm.h"

#include <Source/Glob.h>
#include <Source/engine/FileHandler.h>
#include <Source/engine/HostPaintBox.h>
#include <Source/engine/ImageSignature.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/Thumbnail.h>
#include <lib/Application.h>
#include <lib/ProductInfo.h>
#include <lib/WaitCursor.h>

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString FindSimilarSection = QStringLiteral("Find Similar");
constexpr int DefaultWidth = 420;
constexpr int DefaultHeight = 250;
constexpr int MostThreshold = 100;
const QString NoSelection = QStringLiteral("No selection");

} // namespace

CFindSimilarContext::CFindSimilarContext(CThumbBitmap *reference, int threshold, bool clearSelection, bool moveToTop)
    : m_reference(reference ? reference->GetSignature() : nullptr), m_threshold(threshold)
{
    this->clearSelection = clearSelection;
    this->moveToTop = moveToTop;
}

bool CFindSimilarContext::MatchesThumbnail(const TThumbnail &thumbnail)
{
    CThumbBitmap *record = thumbnail.GetThumbBitmap();
    if (!m_reference || !record)
        return false;
    const std::shared_ptr<const CImageSignature> signature = record->GetSignature();
    return m_reference->IsSimilar(signature.get(), m_threshold);
}

TFindSimilarForm1::TFindSimilarForm1()
{
    setObjectName(QStringLiteral("FindSimilarForm1"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Find Similar Images") + QString::fromUtf8(CaptionSuffix));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    Options.SetRegistryKey(SettingsRoot);
    DefineOptions(Options, FindSimilarSection,
                  {{"Window X", (screen.width() - DefaultWidth) / 2},
                   {"Window Y", (screen.height() - DefaultHeight) / 2},
                   {"Clear Selection", 1},
                   {"Move Selection", 0},
                   {"Increase Threshold", 0},
                   {"Threshold", 5},
                   {"Minimum Matches", LowestMinimum}});
    Options.Load();
    createControls();
}

TFindSimilarForm1::~TFindSimilarForm1() = default;

int TFindSimilarForm1::ParseMinimumMatches(const QString &text)
{
    bool number = false;
    const int value = text.trimmed().toInt(&number);
    return number ? std::clamp(value, LowestMinimum, HighestMinimum) : LowestMinimum;
}

void TFindSimilarForm1::createControls()
{
    auto *grid = new QGridLayout(this);

    ReferencePanel = new QLabel(NoSelection, this);
    ReferencePanel->setObjectName(QStringLiteral("ReferencePanel"));
    ReferencePanel->setAlignment(Qt::AlignCenter);
    ReferencePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ReferencePanel->setMinimumSize(150, 150);
    auto *panelLayout = new QVBoxLayout(ReferencePanel);
    panelLayout->setContentsMargins(2, 2, 2, 2);
    grid->addWidget(ReferencePanel, 0, 0, 3, 1);

    auto *tools = new QHBoxLayout;
    LockTool = new QToolButton(this);
    LockTool->setObjectName(QStringLiteral("LockTool"));
    LockTool->setCheckable(true);
    LockTool->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    LockTool->setToolTip(QStringLiteral("Lock Thumbnail"));
    LockTool->setStatusTip(QStringLiteral("Locks the thumbnail so that it cannot be changed"));
    OpenTool = new QToolButton(this);
    OpenTool->setObjectName(QStringLiteral("OpenTool"));
    OpenTool->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    OpenTool->setToolTip(QStringLiteral("Open Image"));
    tools->addWidget(LockTool);
    tools->addWidget(OpenTool);
    tools->addStretch(1);
    grid->addLayout(tools, 3, 0);

    auto *options = new QVBoxLayout;
    auto *ends = new QHBoxLayout;
    ends->addWidget(new QLabel(QStringLiteral("Exact match"), this));
    ends->addStretch(1);
    ends->addWidget(new QLabel(QStringLiteral("Fuzzy match"), this));
    options->addLayout(ends);
    TrackBar = new QSlider(Qt::Horizontal, this);
    TrackBar->setObjectName(QStringLiteral("TrackBar"));
    TrackBar->setRange(0, MostThreshold);
    TrackBar->setPageStep(5);
    TrackBar->setTickInterval(5);
    TrackBar->setTickPosition(QSlider::TicksBelow);
    options->addWidget(TrackBar);

    CheckBox1 = new QCheckBox(QStringLiteral("Clear &selection before searching"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    options->addWidget(CheckBox1);
    auto *increase = new QHBoxLayout;
    CheckBox2 = new QCheckBox(QStringLiteral("&Increase threshold until at least"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    MinimumEdit = new QSpinBox(this);
    MinimumEdit->setObjectName(QStringLiteral("MinimumEdit"));
    MinimumEdit->setRange(LowestMinimum, HighestMinimum);
    MinimumEdit->findChild<QLineEdit *>()->setMaxLength(4);
    MatchesLabel = new QLabel(QStringLiteral("matches"), this);
    MatchesLabel->setObjectName(QStringLiteral("MatchesLabel"));
    increase->addWidget(CheckBox2);
    increase->addWidget(MinimumEdit);
    increase->addWidget(MatchesLabel);
    increase->addStretch(1);
    options->addLayout(increase);
    CheckBox3 = new QCheckBox(QStringLiteral("Move new selection to the &top"), this);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    options->addWidget(CheckBox3);
    grid->addLayout(options, 0, 1);

    ResultLabel = new QLabel(this);
    ResultLabel->setObjectName(QStringLiteral("ResultLabel"));
    ResultLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    grid->addWidget(ResultLabel, 1, 1);

    auto *buttons = new QHBoxLayout;
    const auto makeButton = [&](const char *name, const char *caption) {
        auto *button = new QPushButton(QString::fromUtf8(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(button);
        return button;
    };
    buttons->addStretch(1);
    FindButton = makeButton("FindButton", "&Find");
    CloseButton = makeButton("CloseButton", "&Close");
    HelpButton = makeButton("HelpButton", "&Help");
    FindButton->setDefault(true);
    grid->addLayout(buttons, 3, 1);
    grid->setRowStretch(2, 1);

    connect(FindButton, &QPushButton::clicked, this, &TFindSimilarForm1::FindButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &TFindSimilarForm1::CloseButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFindSimilarForm1::HelpButtonClick);
    connect(OpenTool, &QToolButton::clicked, this, &TFindSimilarForm1::OpenToolClick);
    connect(CheckBox2, &QCheckBox::toggled, this, &TFindSimilarForm1::CheckBox2Click);
    UpdateControls();
    CheckBox2Click();
}

CThumbBitmap *TFindSimilarForm1::ReferenceRecord() const
{
    return m_reference ? m_reference->GetThumbBitmap() : nullptr;
}

bool TFindSimilarForm1::Locked() const
{
    return LockTool->isChecked();
}

void TFindSimilarForm1::SetLocked(bool locked)
{
    LockTool->setChecked(locked);
}

void TFindSimilarForm1::SetReferenceImage(const CPath &path)
{
    if (Locked() && ReferenceRecord())
        return;
    m_referencePath = path;
    // The paint box stops its thread and lets go of its record as it goes.
    m_reference.reset();
    if (path.IsEmpty()) {
        ReferencePanel->setText(NoSelection);
        UpdateControls();
        return;
    }
    m_reference = std::make_unique<THostPaintBox>(ReferencePanel, path);
    m_reference->setObjectName(QStringLiteral("ReferenceImage"));
    ReferencePanel->layout()->addWidget(m_reference.get());
    ReferencePanel->setText(QString());
    m_reference->show();
    UpdateControls();
}

void TFindSimilarForm1::UpdateControls()
{
    if (!isVisible())
        return;
    const bool present = ReferenceRecord() != nullptr;
    FindButton->setEnabled(present);
    OpenTool->setEnabled(present);
}

void TFindSimilarForm1::CheckBox2Click()
{
    MinimumEdit->setEnabled(CheckBox2->isChecked());
    MatchesLabel->setEnabled(CheckBox2->isChecked());
}

int TFindSimilarForm1::searchOnce(CThumbBitmap *reference, bool clearSelection)
{
    CFindSimilarContext criterion(reference, TrackBar->value(), clearSelection, CheckBox3->isChecked());
    int total = 0;
    for (ToolBrowser *browser : Shell().BrowseWindows())
        total += browser->ApplySearch(criterion);
    criterion.ShowMatchCount(ResultLabel, total);
    return total;
}

void TFindSimilarForm1::FindButtonClick()
{
    CThumbBitmap *reference = ReferenceRecord();
    if (!reference)
        return;
    CWaitCursor wait;
    const bool increase = CheckBox2->isChecked();
    if (increase)
        TrackBar->setValue(0);
    const int minimum = ParseMinimumMatches(MinimumEdit->cleanText());
    // A later pass adds to the selection of the first.
    int total = searchOnce(reference, CheckBox1->isChecked());
    while (increase && total < minimum && TrackBar->value() < MostThreshold) {
        TrackBar->setValue(TrackBar->value() + 1);
        total = searchOnce(reference, false);
    }
}

void TFindSimilarForm1::OpenToolClick()
{
    if (CThumbBitmap *reference = ReferenceRecord())
        reference->GetHandler().Open(CString());
}

void TFindSimilarForm1::HelpButtonClick()
{
    OpenHelpFile();
}

void TFindSimilarForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    move(Options.GetInt(WindowX), Options.GetInt(WindowY));
    CheckBox1->setChecked(Options.GetInt(ClearSelection) != 0);
    CheckBox3->setChecked(Options.GetInt(MoveSelection) != 0);
    CheckBox2->setChecked(Options.GetInt(IncreaseThreshold) != 0);
    TrackBar->setValue(std::clamp(Options.GetInt(Threshold), 0, MostThreshold));
    MinimumEdit->setValue(ParseMinimumMatches(QString::number(Options.GetInt(MinimumMatches))));
    CheckBox2Click();
    UpdateControls();
}

void TFindSimilarForm1::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        Options.SetInt(WindowX, x());
        Options.SetInt(WindowY, y());
    }
    Options.SetInt(ClearSelection, CheckBox1->isChecked() ? 1 : 0);
    Options.SetInt(MoveSelection, CheckBox3->isChecked() ? 1 : 0);
    Options.SetInt(IncreaseThreshold, CheckBox2->isChecked() ? 1 : 0);
    Options.SetInt(Threshold, TrackBar->value());
    Options.SetInt(MinimumMatches, ParseMinimumMatches(MinimumEdit->cleanText()));
    Options.Save();
}

void TFindSimilarForm1::keyPressEvent(QKeyEvent *event)
{
    const bool closes = (event->key() == Qt::Key_F && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier))
                        || (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier);
    if (closes) {
        CloseButtonClick();
        return;
    }
    // Find is the default button: Enter wherever the focus is, as in a dialog.
    const bool finds = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
                       && event->modifiers() == Qt::NoModifier && FindButton->isEnabled();
    if (finds) {
        FindButtonClick();
        return;
    }
    QWidget::keyPressEvent(event);
}
