#include "NewScrollBar.h"

#include "Edge.h"

#include <platform/SystemMetrics.h>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <qdrawutil.h>

#include <algorithm>
#include <climits>
#include <cstdint>

// A thumb is never drawn shorter than this; a track that cannot hold it shows none.
static constexpr int MinThumbLength = 8;
static constexpr int RaisedTrackBy = 32;
static constexpr int DarkerTrackBy = 80;

// number x numerator / denominator, rounded half away from zero, as Windows'
// MulDiv, and held within int. The denominator must be positive.
static int mulDiv(int number, int numerator, int denominator)
{
    const int64_t product = int64_t(number) * numerator;
    const int64_t half = denominator / 2;
    const int64_t quotient = (product >= 0 ? product + half : product - half) / denominator;
    return int(std::clamp<int64_t>(quotient, INT_MIN, INT_MAX));
}

static QColor shifted(const QColor &colour, int by)
{
    return QColor(std::clamp(colour.red() + by, 0, 255), std::clamp(colour.green() + by, 0, 255),
                  std::clamp(colour.blue() + by, 0, 255));
}

static void paintRaised(QPainter &canvas, const QRect &rect)
{
    canvas.fillRect(rect, SysColour(COLOR_BTNFACE));
    PaintEdge(canvas, rect, true);
}

// A pressed arrow button: flat, in a one-pixel shadow frame.
static void paintPressed(QPainter &canvas, const QRect &rect)
{
    canvas.fillRect(rect, SysColour(COLOR_BTNFACE));
    qDrawPlainRect(&canvas, rect, SysColour(COLOR_BTNSHADOW));
}

// A solid triangle centred in rect, pointing at arrow. Its rows grow by two
// pixels from a tip as wide as needed (one or two pixels) to share rect's
// parity across, so it sits exactly in the middle.
static void paintArrow(QPainter &canvas, const QRect &rect, Qt::ArrowType arrow, const QColor &colour)
{
    const bool pointsAlongY = arrow == Qt::UpArrow || arrow == Qt::DownArrow;
    const int across = pointsAlongY ? rect.width() : rect.height();
    const int alongLength = pointsAlongY ? rect.height() : rect.width();
    const int rowCount = std::max(1, std::min(across, alongLength) / 4);
    const int tipWidth = across % 2 == 0 ? 2 : 1;
    const int baseWidth = tipWidth + 2 * (rowCount - 1);
    const int acrossStart = (across - baseWidth) / 2;
    const int alongStart = (alongLength - rowCount) / 2;
    const bool pointsBack = arrow == Qt::UpArrow || arrow == Qt::LeftArrow;
    for (int row = 0; row < rowCount; ++row) {
        const int rowAlong = alongStart + (pointsBack ? row : rowCount - 1 - row);
        const int rowAcross = acrossStart + rowCount - 1 - row;
        const int rowWidth = tipWidth + 2 * row;
        if (pointsAlongY)
            canvas.fillRect(rect.left() + rowAcross, rect.top() + rowAlong, rowWidth, 1, colour);
        else
            canvas.fillRect(rect.left() + rowAlong, rect.top() + rowAcross, 1, rowWidth, colour);
    }
}

TNewScrollBar::TNewScrollBar(QWidget *parent)
    : QWidget(parent)
    , m_buttonSize(GetSystemMetrics(SM_CXHSCROLL))
    , m_repeatTimer(new QTimer(this))
{
    m_repeatTimer->setObjectName(QStringLiteral("RepeatTimer"));
    connect(m_repeatTimer, &QTimer::timeout, this, &TNewScrollBar::TimerTick);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(128, GetSystemMetrics(SM_CYHSCROLL));
}

void TNewScrollBar::SetPage(int value)
{
    value = std::max(value, 0);
    if (value == m_page)
        return;
    m_page = value;
    UpdateAfterChange();
}

void TNewScrollBar::SetRange(int value)
{
    value = std::max(value, 1);
    if (value == m_range)
        return;
    m_range = value;
    UpdateAfterChange();
}

void TNewScrollBar::SetPosition(int value)
{
    value = ClampPos(value);
    if (value == m_position)
        return;
    m_position = value;
    update(ContainerRect());
    emit OnChange(this);
}

void TNewScrollBar::SetTimerMs(int value)
{
    m_timerMs = value;
    m_repeatTimer->setInterval(value);
}

void TNewScrollBar::SetKind(TScrollBarKind value)
{
    m_kind = value;
    m_buttonSize = GetSystemMetrics(value == sbVertical ? SM_CYVSCROLL : SM_CXHSCROLL);
    update();
}

void TNewScrollBar::SetButtonType(TButtonType value)
{
    if (value == m_buttonType)
        return;
    m_buttonType = value;
    update();
}

void TNewScrollBar::SetFocusType(TFocusType value)
{
    if (value == m_focusType)
        return;
    m_focusType = value;
    update();
}

void TNewScrollBar::ShowScrollBar(bool show)
{
    setVisible(show);
}

void TNewScrollBar::AutoSize()
{
    if (m_kind == sbVertical)
        resize(GetSystemMetrics(SM_CXVSCROLL), height());
    else
        resize(width(), GetSystemMetrics(SM_CYHSCROLL));
}

int TNewScrollBar::ClampPos(int value) const
{
    return std::clamp(value, 0, maxPosition());
}

int TNewScrollBar::maxPosition() const
{
    return std::max(m_range - m_page, 0);
}

int TNewScrollBar::length() const
{
    return m_kind == sbVertical ? height() : width();
}

// A bar shorter than its two buttons shares its length between them.
int TNewScrollBar::buttonLength() const
{
    return std::min(m_buttonSize, length() / 2);
}

int TNewScrollBar::trackLength() const
{
    return length() - 2 * buttonLength();
}

int TNewScrollBar::trackStart() const
{
    return m_buttonType == btSeparate ? buttonLength() : 0;
}

int TNewScrollBar::along(const QPoint &point) const
{
    return m_kind == sbVertical ? point.y() : point.x();
}

void TNewScrollBar::GetThumbParams(int &start, int &size) const
{
    const int track = trackLength();
    if (track < MinThumbLength) {
        size = 0;
        start = trackStart() + mulDiv(m_position, track, m_range);
        return;
    }
    size = m_page <= m_range ? std::max(mulDiv(m_page, track, m_range), MinThumbLength) : track;
    // The thumb's travel maps onto the positions, so that a thumb held at its
    // 8-pixel minimum still reaches both ends when dragged.
    const int travel = track - size;
    const int span = m_range - m_page;
    start = trackStart() + (travel > 0 && span > 0 ? mulDiv(m_position, travel, span) : 0);
}

int TNewScrollBar::ThumbPosition(int thumbStart) const
{
    int start;
    int size;
    GetThumbParams(start, size);
    const int travel = trackLength() - size;
    const int span = m_range - m_page;
    if (size == 0 || travel <= 0 || span <= 0)
        return m_position;
    return mulDiv(thumbStart - trackStart(), span, travel);
}

QRect TNewScrollBar::partRect(int start, int end) const
{
    if (end <= start)
        return {};
    if (m_kind == sbVertical)
        return QRect(0, start, width(), end - start);
    return QRect(start, 0, end - start, height());
}

QRect TNewScrollBar::RectFromHit(int part) const
{
    int start;
    int size;
    GetThumbParams(start, size);
    const int end = start + size;
    const int total = length();
    const int button = buttonLength();
    if (m_buttonType == btSeparate) {
        switch (part) {
        case htFirstButton: return partRect(0, button);
        case htTrackBefore: return partRect(button, start);
        case htThumb: return partRect(start, end);
        case htTrackAfter: return partRect(end, total - button);
        case htSecondButton: return partRect(total - button, total);
        }
        return {};
    }
    switch (part) {
    case htTrackBefore: return partRect(0, start);
    case htThumb: return partRect(start, end);
    case htTrackAfter: return partRect(end, total - 2 * button);
    case htFirstButton: return partRect(total - 2 * button, total - button);
    case htSecondButton: return partRect(total - button, total);
    }
    return {};
}

QRect TNewScrollBar::ContainerRect() const
{
    return partRect(trackStart(), trackStart() + trackLength());
}

int TNewScrollBar::HitTest(const QPoint &point) const
{
    for (int part : {htThumb, htTrackBefore, htTrackAfter, htFirstButton, htSecondButton}) {
        if (RectFromHit(part).contains(point))
            return part;
    }
    return htNone;
}

TScrollCode TNewScrollBar::ScrollCodeFromHit(int part)
{
    switch (part) {
    case htFirstButton: return scLineUp;
    case htTrackBefore: return scPageUp;
    case htThumb: return scTrack;
    case htTrackAfter: return scPageDown;
    case htSecondButton: return scLineDown;
    }
    return scEndScroll;
}

void TNewScrollBar::ScrollAction(TScrollCode code, bool notify)
{
    // In 64 bits, so that a step near the ends of int cannot overflow.
    int64_t target = m_position;
    switch (code) {
    case scLineUp: target -= m_line; break;
    case scLineDown: target += m_line; break;
    case scPageUp: target -= m_page; break;
    case scPageDown: target += m_page; break;
    case scTop: target = 0; break;
    case scBottom: target = m_range; break;
    case scPosition:
    case scTrack:
    case scEndScroll: break;
    }
    int position = int(std::clamp<int64_t>(target, 0, maxPosition()));
    if (notify)
        emit OnScroll(this, code, position);
    SetPosition(position);
}

void TNewScrollBar::UpdateAfterChange()
{
    SetPosition(m_position);
    ShowScrollBar(m_range > m_page);
    update(ContainerRect());
}

void TNewScrollBar::ComputeColours()
{
    const COLORREF scrollBar = GetSysColor(COLOR_SCROLLBAR);
    m_lightColour = SysColour(COLOR_SCROLLBAR);
    // A track the colour of the buttons would not stand out from them.
    if (scrollBar == GetSysColor(COLOR_BTNFACE))
        m_lightColour = shifted(m_lightColour, RaisedTrackBy);
    m_darkColour = shifted(m_lightColour, -DarkerTrackBy);
}

void TNewScrollBar::setHotPart(int part)
{
    if (part == m_hotPart)
        return;
    const QRect before = RectFromHit(m_hotPart);
    m_hotPart = part;
    update(before);
    update(RectFromHit(part));
}

// Repeating pauses while the pointer is off the pressed part and resumes on return.
void TNewScrollBar::followPointer()
{
    setHotPart(HitTest(m_pointer) == m_pressedPart ? m_pressedPart : htNone);
}

// The step a key asks for; end scroll for a key that does not scroll.
static TScrollCode scrollCodeOfKey(int key)
{
    switch (key) {
    case Qt::Key_PageUp: return scPageUp;
    case Qt::Key_PageDown: return scPageDown;
    case Qt::Key_End: return scBottom;
    case Qt::Key_Home: return scTop;
    case Qt::Key_Left:
    case Qt::Key_Up: return scLineUp;
    case Qt::Key_Right:
    case Qt::Key_Down: return scLineDown;
    }
    return scEndScroll;
}

void TNewScrollBar::KeyDown(int key)
{
    const TScrollCode code = scrollCodeOfKey(key);
    // A line or page step shows the part that a click would have pressed.
    for (int part : {htFirstButton, htTrackBefore, htTrackAfter, htSecondButton}) {
        if (ScrollCodeFromHit(part) == code)
            setHotPart(part);
    }
    ScrollAction(code, true);
}

void TNewScrollBar::KeyUp(int)
{
    setHotPart(htNone);
}

void TNewScrollBar::MouseDown(Qt::MouseButton button, const QPoint &point)
{
    if (button != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    const int part = HitTest(point);
    if (part == htNone)
        return;
    int thumbStart;
    int thumbSize;
    GetThumbParams(thumbStart, thumbSize);
    m_grabOffset = along(point) - thumbStart;
    m_pointer = point;
    m_pressedPart = part;
    setHotPart(part);
    if (part != htThumb)
        ScrollAction(ScrollCodeFromHit(part), true);
    if (m_timerId != 0)
        m_repeatTimer->start(m_timerMs);
}

void TNewScrollBar::MouseMove(const QPoint &point)
{
    if (m_pressedPart == htNone)
        return;
    m_pointer = point;
    if (m_pressedPart != htThumb) {
        followPointer();
        return;
    }
    int position = ClampPos(ThumbPosition(along(point) - m_grabOffset));
    if (position == m_position)
        return;
    if (m_tracking)
        emit OnScroll(this, scTrack, position);
    SetPosition(position);
    repaint(ContainerRect());
}

void TNewScrollBar::MouseUp(Qt::MouseButton button, const QPoint &)
{
    if (button != Qt::LeftButton)
        return;
    m_repeatTimer->stop();
    if (m_pressedPart == htNone)
        return;
    const bool wasThumb = m_pressedPart == htThumb;
    m_pressedPart = htNone;
    setHotPart(htNone);
    if (wasThumb)
        ScrollAction(scTrack, true);
    ScrollAction(scEndScroll, true);
}

void TNewScrollBar::TimerTick()
{
    if (m_pressedPart == htThumb || m_pressedPart == htNone)
        return;
    // The track moves under a pointer that stays put: paging stops once the
    // thumb reaches the pointer.
    followPointer();
    if (m_hotPart == htNone)
        return;
    ScrollAction(ScrollCodeFromHit(m_hotPart), true);
}

void TNewScrollBar::paintButton(QPainter &canvas, int part)
{
    const QRect rect = RectFromHit(part);
    if (rect.isEmpty())
        return;
    const bool pressed = part == m_hotPart;
    if (pressed)
        paintPressed(canvas, rect);
    else
        paintRaised(canvas, rect);
    const bool first = part == htFirstButton;
    const Qt::ArrowType arrow = m_kind == sbVertical ? (first ? Qt::UpArrow : Qt::DownArrow)
                                                      : (first ? Qt::LeftArrow : Qt::RightArrow);
    const QRect face = pressed ? rect.translated(1, 1) : rect;
    if (isEnabled()) {
        paintArrow(canvas, face, arrow, SysColour(COLOR_BTNTEXT));
        return;
    }
    // Greyed out: an arrow engraved in the button.
    paintArrow(canvas, face.translated(1, 1), arrow, SysColour(COLOR_BTNHIGHLIGHT));
    paintArrow(canvas, face, arrow, SysColour(COLOR_BTNSHADOW));
}

void TNewScrollBar::Paint(QPainter &canvas)
{
    ComputeColours();   // the desktop's theme may have changed since the last paint
    for (int part : {htTrackBefore, htTrackAfter})
        canvas.fillRect(RectFromHit(part), part == m_hotPart ? m_darkColour : m_lightColour);
    const QRect thumb = RectFromHit(htThumb);
    if (!thumb.isEmpty())
        paintRaised(canvas, thumb);
    paintButton(canvas, htFirstButton);
    paintButton(canvas, htSecondButton);
    if (m_focusType != ftRect || !hasFocus())
        return;
    const QRect around = thumb.isEmpty() ? ContainerRect() : thumb;
    if (around.width() < 6 || around.height() < 6)
        return;
    canvas.setPen(QPen(SysColour(COLOR_BTNTEXT), 1, Qt::DotLine));
    canvas.drawRect(around.adjusted(2, 2, -3, -3));
}

void TNewScrollBar::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    Paint(canvas);
}

void TNewScrollBar::keyPressEvent(QKeyEvent *event)
{
    KeyDown(event->key());
    // The parent may want the keys that do not scroll.
    event->setAccepted(scrollCodeOfKey(event->key()) != scEndScroll);
}

void TNewScrollBar::keyReleaseEvent(QKeyEvent *event)
{
    if (event->isAutoRepeat())
        return;   // a held key stays pressed between its repeats
    KeyUp(event->key());
}

void TNewScrollBar::mousePressEvent(QMouseEvent *event)
{
    MouseDown(event->button(), event->position().toPoint());
}

void TNewScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    MouseMove(event->position().toPoint());
}

void TNewScrollBar::mouseReleaseEvent(QMouseEvent *event)
{
    MouseUp(event->button(), event->position().toPoint());
}

void TNewScrollBar::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TNewScrollBar::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}
