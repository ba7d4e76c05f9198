#include "AnimForm.h"

#include <Source/Glob.h>
#include <Source/engine/FileHandler.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/Helpers.h>
#include <lib/ProductInfo.h>
#include <platform/MessageBox.h>

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char AnimationSection[] = "Animation";
constexpr int DefaultWidth = 310;
constexpr int DefaultHeight = 252;

// A command: its object name, pop-up caption, hint and glyph; on the toolbar
// unless popupOnly.
struct TAnimCommand
{
    const char *name;
    const char *caption;
    const char *hint;
    QStyle::StandardPixmap glyph;
    void (TAnimForm1::*handler)();
    bool popupOnly = false;
};

} // namespace

TAnimForm1::TAnimForm1()
{
    setObjectName(QStringLiteral("AnimForm1"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Animation") + QString::fromUtf8(CaptionSuffix));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    Options.SetRegistryKey(SettingsRoot);
    DefineOptions(Options, QString::fromLatin1(AnimationSection),
                  {{"Window X", (screen.width() - DefaultWidth) >> 1},
                   {"Window Y", (screen.height() - DefaultHeight) >> 1},
                   {"Window Width", DefaultWidth},
                   {"Window Height", DefaultHeight}});
    Options.Load();
    createControls();
    createCommands();
    SetAnimationHooks(this);
    redraw();
}

TAnimForm1::~TAnimForm1()
{
    if (&Animation() == this)
        SetAnimationHooks(nullptr);
}

void TAnimForm1::createControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setIconSize(QSize(16, 16));
    layout->addWidget(Toolbar1);

    PaintBox = new QWidget(this);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    // The frame paints every pixel: nothing is erased beneath it, so play never flickers.
    PaintBox->setAttribute(Qt::WA_OpaquePaintEvent);
    PaintBox->setAcceptDrops(true);
    PaintBox->installEventFilter(this);
    layout->addWidget(PaintBox, 1);

    // The speed bar lies over the paint box's bottom edge, right above the status bar.
    TrackBar = new QSlider(Qt::Horizontal, PaintBox);
    TrackBar->setObjectName(QStringLiteral("TrackBar"));
    TrackBar->setRange(0, 100);
    TrackBar->setSingleStep(5);
    TrackBar->setPageStep(5);
    TrackBar->setValue(50);
    TrackBar->setToolTip(QStringLiteral("Speed"));

    auto *status = new QWidget(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    auto *panels = new QHBoxLayout(status);
    panels->setContentsMargins(0, 0, 0, 0);
    panels->setSpacing(2);
    for (int panel = 0; panel < 3; ++panel) {
        StatusPanels[panel] = new QLabel(status);
        StatusPanels[panel]->setObjectName(QStringLiteral("StatusPanel%1").arg(panel));
        StatusPanels[panel]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels->addWidget(StatusPanels[panel], panel == 2 ? 1 : 0);
    }
    StatusPanels[0]->setMinimumWidth(70);
    StatusPanels[1]->setMinimumWidth(90);
    layout->addWidget(status);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TAnimForm1::Timer1Timer);
    // 1 ms at the right end, 301 ms at the left; the first 100 ms until the bar moves.
    connect(TrackBar, &QSlider::valueChanged, this,
            [this](int position) { Timer1->setInterval((100 - position) * 3 + 1); });
}

void TAnimForm1::createCommands()
{
    static const TAnimCommand commands[] = {
        {"FrameBackTool", "Frame Bac&k", "Frame Back|Shows the frame before.", QStyle::SP_ArrowLeft,
         &TAnimForm1::FrameBack},
        {"FrameAdvanceTool", "Frame A&dvance", "Frame Advance|Shows the next frame.", QStyle::SP_ArrowRight,
         &TAnimForm1::FrameAdvance},
        {"ReversePlayTool", "Re&verse Play", "Reverse Play|Plays the frames backwards.", QStyle::SP_MediaSeekBackward,
         &TAnimForm1::ReversePlay},
        {"StopTool", "Sto&p", "Stop|Stops playing.", QStyle::SP_MediaStop, &TAnimForm1::StopPlaying},
        {"PlayTool", "Pla&y", "Play|Plays the frames.", QStyle::SP_MediaPlay, &TAnimForm1::Play},
        {"OpenImageTool", "&Open Image", "Open Image|Opens the frame's image.", QStyle::SP_DialogOpenButton,
         &TAnimForm1::openImage},
        {"RemoveFrameTool", "&Remove Frame", "Remove Frame|Takes the frame out of the animation.",
         QStyle::SP_DialogCancelButton, nullptr},
        {"RemoveAllFramesTool", "Remove &All Frames", "Remove All Frames|Takes every frame out of the animation.",
         QStyle::SP_TrashIcon, &TAnimForm1::removeAllFrames},
        {"SaveAsMovieTool", "Save As &Movie...", "Save As Movie|Saves the frames as a movie.",
         QStyle::SP_DialogSaveButton, &TAnimForm1::saveAsMovie},
        {"RewindTool", "Re&wind", "Rewind|Shows the first frame.", QStyle::SP_MediaSkipBackward, nullptr},
        {"SelectThumbnail", "&Select Thumbnail", "", QStyle::SP_CustomBase, &TAnimForm1::selectThumbnail, true},
    };
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    for (const TAnimCommand &command : commands) {
        const QString hint = QString::fromLatin1(command.hint);
        auto *action = new QAction(QString::fromLatin1(command.caption), this);
        action->setObjectName(QString::fromLatin1(command.name));
        if (!command.popupOnly) {
            action->setIcon(style()->standardIcon(command.glyph));
            action->setToolTip(hint.section(u'|', 0, 0));
            action->setStatusTip(hint.section(u'|', 1));
            Toolbar1->addAction(action);
        }
        PopupMenu->addAction(action);
        if (command.handler)
            connect(action, &QAction::triggered, this, command.handler);
    }
    connect(Command(QStringLiteral("RemoveFrameTool")), &QAction::triggered, this,
            [this] { RemoveThumbnail(Frame(m_frameIndex), false); });
    connect(Command(QStringLiteral("RewindTool")), &QAction::triggered, this, [this] { SetFrame(0); });
    for (const char *name : {"PlayTool", "StopTool", "ReversePlayTool"})
        Command(QString::fromLatin1(name))->setCheckable(true);
    Command(QStringLiteral("StopTool"))->setChecked(true);

    // Tight buttons, so that the whole bar, Loop included, fits the small window.
    Toolbar1->layout()->setSpacing(0);
    for (QAction *action : Toolbar1->actions())
        Toolbar1->widgetForAction(action)->setFixedSize(22, 22);
    LoopCheck = new QCheckBox(QStringLiteral("&Loop"), this);
    LoopCheck->setObjectName(QStringLiteral("LoopCheck"));
    LoopCheck->setChecked(true);
    Toolbar1->addWidget(LoopCheck);
}

// ---- Frames --------------------------------------------------------------

void TAnimForm1::Animate(const std::vector<TThumbnail *> &thumbnails)
{
    SetFrames(thumbnails);
    Play();
    show();
    raise();
    activateWindow();
}

void TAnimForm1::SetFrames(const std::vector<TThumbnail *> &thumbnails)
{
    m_frames.clear();
    for (TThumbnail *thumbnail : thumbnails)
        m_frames.push_back(thumbnail->Observer());
    SetFrame(0);
}

TThumbnail *TAnimForm1::Frame(int index) const
{
    return index >= 0 && index < FrameCount() ? m_frames[size_t(index)]->Thumbnail() : nullptr;
}

void TAnimForm1::SetFrame(int index)
{
    m_frameIndex = std::min(index, FrameCount() - 1);
    redraw();
}

void TAnimForm1::RemoveThumbnail(TThumbnail *thumbnail, bool all)
{
    if (!thumbnail)
        return;
    for (auto frame = m_frames.begin(); frame != m_frames.end();) {
        if ((*frame)->Thumbnail() != thumbnail) {
            ++frame;
            continue;
        }
        frame = m_frames.erase(frame);
        SetFrame(m_frameIndex);
        if (!all)
            break;
    }
}

void TAnimForm1::dropThumbnails(const std::vector<TThumbnail *> &thumbnails)
{
    // An empty window has no current frame: the drop starts the list.
    const int index = std::max(m_frameIndex, 0);
    for (TThumbnail *thumbnail : thumbnails) {
        m_frames.insert(m_frames.begin() + index, thumbnail->Observer());
        SetFrame(index);
    }
    activateWindow();
    setFocus();
}

void TAnimForm1::removeAllFrames()
{
    if (ShowMessageBox("Are you sure you want to remove all frames?", QuestionBoxFlags) == IDYES)
        SetFrames({});
}

// ---- Playing -------------------------------------------------------------

void TAnimForm1::Play()
{
    m_playReverse = false;
    Timer1->start();
    Command(QStringLiteral("PlayTool"))->setChecked(true);
    Command(QStringLiteral("ReversePlayTool"))->setChecked(false);
    Command(QStringLiteral("StopTool"))->setChecked(false);
}

void TAnimForm1::ReversePlay()
{
    m_playReverse = true;
    Timer1->start();
    Command(QStringLiteral("PlayTool"))->setChecked(false);
    Command(QStringLiteral("ReversePlayTool"))->setChecked(true);
    Command(QStringLiteral("StopTool"))->setChecked(false);
}

void TAnimForm1::StopPlaying()
{
    Timer1->stop();
    Command(QStringLiteral("PlayTool"))->setChecked(false);
    Command(QStringLiteral("ReversePlayTool"))->setChecked(false);
    Command(QStringLiteral("StopTool"))->setChecked(true);
}

bool TAnimForm1::Playing() const
{
    return Timer1->isActive();
}

int TAnimForm1::TimerInterval() const
{
    return Timer1->interval();
}

void TAnimForm1::Timer1Timer()
{
    if (FrameCount() < 2)
        StopPlaying();
    else if (m_playReverse)
        FrameBack();
    else
        FrameAdvance();
}

void TAnimForm1::FrameAdvance()
{
    if (m_frameIndex < 0)
        return;
    if (m_frameIndex + 1 < FrameCount()) {
        SetFrame(m_frameIndex + 1);
    } else if (LoopCheck->isChecked()) {
        SetFrame(0);
    } else {
        StopPlaying();
        SetFrame(FrameCount() - 1);
    }
}

void TAnimForm1::FrameBack()
{
    if (m_frameIndex < 0)
        return;
    if (m_frameIndex > 0) {
        SetFrame(m_frameIndex - 1);
    } else if (LoopCheck->isChecked()) {
        SetFrame(FrameCount() - 1);
    } else {
        StopPlaying();
        SetFrame(0);
    }
}

// ---- Commands ------------------------------------------------------------

QAction *TAnimForm1::Command(const QString &name) const
{
    return findChild<QAction *>(name);
}

void TAnimForm1::UpdateCommandStates()
{
    enableCommands();
    if (isVisible() && Shell().BrowseWindows().empty())
        hide();
}

void TAnimForm1::enableCommands()
{
    const bool frames = !m_frames.empty();
    for (QAction *action : findChildren<QAction *>())
        action->setEnabled(frames);
    // The movie maker takes the frames once it is there.
    Command(QStringLiteral("SaveAsMovieTool"))->setEnabled(frames && ToolAvailable(Tool::Movie));
    LoopCheck->setEnabled(frames);
}

void TAnimForm1::openImage()
{
    if (TThumbnail *thumbnail = Frame(m_frameIndex)) {
        if (CThumbBitmap *record = thumbnail->GetThumbBitmap())
            record->GetHandler().Open(OpenWith().firstApplication());
    }
}

void TAnimForm1::saveAsMovie()
{
    std::vector<TThumbnail *> frames;
    for (int index = 0; index < FrameCount(); ++index)
        frames.push_back(Frame(index));
    RunToolOn(Tool::Movie, frames);
}

void TAnimForm1::selectThumbnail()
{
    if (TThumbnail *thumbnail = Frame(m_frameIndex))
        thumbnail->SetSelected(true);
}

// ---- Showing -------------------------------------------------------------

void TAnimForm1::redraw()
{
    enableCommands();
    updateStatus();
    PaintBox->update();
}

void TAnimForm1::updateStatus()
{
    TThumbnail *thumbnail = Frame(m_frameIndex);
    CThumbBitmap *record = thumbnail ? thumbnail->GetThumbBitmap() : nullptr;
    if (!thumbnail) {
        StatusPanels[0]->setText(QStringLiteral("Empty"));
        StatusPanels[1]->clear();
        StatusPanels[2]->clear();
        return;
    }
    StatusPanels[0]->setText(QStringLiteral("%1 of %2").arg(unsigned(m_frameIndex + 1)).arg(unsigned(FrameCount())));
    StatusPanels[1]->setText(record ? record->GetHandler().GetDimensionString().ToAnsiString() : QString());
    StatusPanels[2]->setText(record ? record->GetFullPath().GetFilePart().ToAnsiString() : QString());
}

void TAnimForm1::paintFrame()
{
    QPainter painter(PaintBox);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().window());
    const CRect whole(0, 0, PaintBox->width(), PaintBox->height());
    TThumbnail *thumbnail = Frame(m_frameIndex);
    CThumbBitmap *record = thumbnail ? thumbnail->GetThumbBitmap() : nullptr;
    if (!record) {
        painter.drawRect(QRect(0, 0, PaintBox->width(), PaintBox->height()));
        return;
    }
    const CSize size = record->GetThumbnailSize();
    const int x = (PaintBox->width() - size.cx) / 2;
    const int y = (PaintBox->height() - size.cy - TrackBar->height() - 2) / 2;
    FillAround(&painter, whole, CRect(x, y, x + size.cx, y + size.cy));
    record->Draw(&painter, x, y);
}

void TAnimForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    setGeometry(Options.GetInt(WindowX), Options.GetInt(WindowY), Options.GetInt(WindowWidth),
                Options.GetInt(WindowHeight));
    setFocus();
}

void TAnimForm1::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    StopPlaying();
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        Options.SetInt(WindowX, x());
        Options.SetInt(WindowY, y());
        Options.SetInt(WindowWidth, width());
        Options.SetInt(WindowHeight, height());
    }
    Options.Save();
}

void TAnimForm1::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TAnimForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != PaintBox)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        paintFrame();
        return true;
    case QEvent::Resize: {
        const int height = TrackBar->sizeHint().height();
        TrackBar->setGeometry(0, PaintBox->height() - height, PaintBox->width(), height);
        return false;
    }
    case QEvent::ContextMenu:
        UpdateCommandStates();
        PopupMenu->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const TThumbnailDragObject *drag = TThumbnailDragObject::From(drop->mimeData());
        if (!drag)
            return false;
        drop->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            dropThumbnails(drag->Thumbnails());
        return true;
    }
    default:
        return false;
    }
}
