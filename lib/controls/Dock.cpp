#include "Dock.h"

#include "AlignLayout.h"
#include "Edge.h"
#include "ToolbarButton.h"
#include <platform/Exception.h>
#include <platform/SystemMetrics.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <climits>
#include <map>
#include <optional>

// The handle and margins of a toolbar's contents, along its length.
static constexpr int FloatingLeadingMargin = 4;
static constexpr int DragLeadingMargin = 11;   // room for the drag handle
static constexpr int DockedLeadingMargin = 2;
static constexpr int FloatingTrailingMargin = 4;
static constexpr int DockedTrailingMargin = 2;
static constexpr int MinLineThickness = 8;
// Within this many pixels of a row's starting edge a drop opens a new row.
static constexpr int NewRowZone = 5;
// How far beyond a dock, across and along it, a pointer still drops into it.
static constexpr int DockToleranceAcross = 32;
static constexpr int DockToleranceAlong = 20;
static constexpr int ResizeDeadZone = 12;   // around a floating toolbar's size while resizing
static constexpr int EndOfRow = -1;   // DockPos: place after the row's last toolbar

static int mulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return 0;
    return int((int64_t(number) * numerator + denominator / 2) / denominator);
}

TDropRow DropRowAt(const std::vector<int> &rowSizes, int edge)
{
    int start = 0;
    for (size_t row = 0; row < rowSizes.size(); ++row) {
        if (edge - start <= NewRowZone)
            return {int(row), true};
        if (edge < start + rowSizes[row] - NewRowZone)
            return {int(row), false};
        start += rowSizes[row];
    }
    return {int(rowSizes.size()), true};
}

QRect KeepOnWorkArea(const QRect &window)
{
    QScreen *screen = QGuiApplication::screenAt(window.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return window;
    const QRect area = screen->availableGeometry();
    QRect placed = window;
    if (placed.right() > area.right())
        placed.moveRight(area.right());
    if (placed.bottom() > area.bottom())
        placed.moveBottom(area.bottom());
    if (placed.left() < area.left())
        placed.moveLeft(area.left());
    if (placed.top() < area.top())
        placed.moveTop(area.top());
    return placed;
}

// ---- the drag

// The outline a drag shows where the toolbar would go: a frame of a half-tone
// pattern in a window of its own above everything, which the pointer passes
// through.
class TDragOutline : public QWidget
{
public:
    TDragOutline()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

    void showAt(const QRect &globalRect, int thickness)
    {
        setGeometry(globalRect);
        const QRect frame(QPoint(0, 0), globalRect.size());
        setMask(QRegion(frame).subtracted(QRegion(frame.adjusted(thickness, thickness, -thickness, -thickness))));
        show();
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter canvas(this);
        canvas.fillRect(rect(), SysColour(COLOR_BTNHIGHLIGHT));
        canvas.fillRect(rect(), QBrush(SysColour(COLOR_BTNTEXT), Qt::Dense4Pattern));
    }
};

// One drag of a toolbar, from the press to the release.
class TToolbarDrag
{
public:
    QPoint grab;          // the press, in the dragged frame (the floating window's when floating)
    QSize grabFrom;       // the size of that frame
    QPoint lastPointer;   // in screen coordinates
    bool ctrl = false;    // docking is off while Ctrl is held
    bool moved = false;
    std::vector<std::pair<TDock *, QSize>> dockSizes;   // the toolbar's size in each dock it may enter
    QSize floatSize;      // the floating window's size
    TDock *target = nullptr;   // null: floating
    QRect outline;        // in screen coordinates
    TDragOutline outlineWindow;

    // Resizing a floating toolbar by its frame rather than moving it.
    Qt::Edges resizeEdge;
    std::vector<TFloatShape> shapes;
    size_t shape = 0;     // the one the outline shows
    QRect start;          // the floating window when the resize began

    // The rectangle of size that keeps the grab point at its proportional place.
    QRect placedAt(const QSize &size, const QPoint &pointer) const
    {
        return {pointer - QPoint(mulDiv(grab.x(), size.width(), grabFrom.width()),
                                 mulDiv(grab.y(), size.height(), grabFrom.height())),
                size};
    }

    bool dockUnderPointer(const TDock *dock, const QSize &size, const QPoint &pointer) const
    {
        QRect dockRect(dock->mapToGlobal(QPoint(0, 0)), dock->size());
        if (dock->isVertical())
            dockRect.setWidth(std::max(dockRect.width(), 1));
        else
            dockRect.setHeight(std::max(dockRect.height(), 1));
        if (!placedAt(size, pointer).intersects(dockRect))
            return false;
        // The tolerance on each side split in proportion to where the toolbar was grabbed.
        const int across = dock->isVertical() ? DockToleranceAcross : DockToleranceAlong;
        const int down = dock->isVertical() ? DockToleranceAlong : DockToleranceAcross;
        const int before = mulDiv(across, grab.x(), grabFrom.width());
        const int above = mulDiv(down, grab.y(), grabFrom.height());
        const QRect reach = dockRect.adjusted(-before, -above, across - before, down - above);
        if (!reach.contains(pointer))
            return false;
        return !dock->isVertical() || (pointer.x() >= dockRect.left() && pointer.x() <= dockRect.right());
    }
};

// ---- TDock

static TAlign alignFor(TDockPosition position)
{
    switch (position) {
    case dpTop: return alTop;
    case dpBottom: return alBottom;
    case dpLeft: return alLeft;
    case dpRight: return alRight;
    }
    return alNone;
}

TDock::TDock(QWidget *form, TDockPosition position)
    : QWidget(form)
    , m_position(position)
{
    if (!form || !form->isWindow())
        throw Exception("TDock must be owned by a form");
    if (qobject_cast<TFloatParent *>(form))
        throw Exception("A TDock control cannot be placed inside a TDockToolbar or another TDock");
    setAutoFillBackground(false);
    resize(isVertical() ? 0 : form->width(), isVertical() ? form->height() : 0);
    if (TAlignLayout *layout = formLayout())
        layout->addWidget(this, alignFor(m_position));
}

TDock::~TDock()
{
    // The toolbars go with the dock as its children; they must not come back to it.
    for (TDockToolbar *bar : m_toolbars)
        bar->m_dockedTo = nullptr;
}

TAlignLayout *TDock::formLayout() const
{
    return parentWidget() ? dynamic_cast<TAlignLayout *>(parentWidget()->layout()) : nullptr;
}

void TDock::SetAllowDrag(bool value)
{
    m_allowDrag = value;
    for (TDockToolbar *bar : m_toolbars)
        bar->update();
    ArrangeToolbars();
}

void TDock::SetBackground(const QImage &value)
{
    m_background = value;
    prepareBackground();
}

void TDock::SetBackgroundTransparent(bool value)
{
    m_backgroundTransparent = value;
    prepareBackground();
}

// Made once here rather than in every paint.
void TDock::prepareBackground()
{
    if (m_background.isNull())
        m_backgroundTile = QPixmap();
    else if (m_backgroundTransparent)
        m_backgroundTile = QPixmap::fromImage(ClearedOfKeyColour(m_background, KeyColourOf(m_background)));
    else
        m_backgroundTile = QPixmap::fromImage(m_background);
    update();
}

void TDock::setVisible(bool visible)
{
    if (!visible)
        throw Exception("Cannot hide a TDock");
    QWidget::setVisible(visible);
}

void TDock::SetBoundLines(TDockBoundLines value)
{
    m_boundLines = value;
    update();
}

void TDock::SetFixAlign(bool value)
{
    m_fixAlign = value;
    ArrangeToolbars();
}

void TDock::SetLimitToOneRow(bool value)
{
    m_limitToOneRow = value;
    ArrangeToolbars();
}

void TDock::SetPosition(TDockPosition value)
{
    if (value == m_position)
        return;
    if (!m_toolbars.empty())
        throw Exception("Cannot change Position of a TDock if it already contains controls");
    m_position = value;
    if (TAlignLayout *layout = formLayout())
        layout->setAlign(this, alignFor(m_position));
    ArrangeToolbars();
}

void TDock::EndArrange()
{
    if (m_arrangeLock > 0 && --m_arrangeLock == 0)
        ArrangeToolbars();
}

void TDock::insertBar(TDockToolbar *bar)
{
    m_toolbars.push_back(bar);
    ArrangeToolbars();
    emit OnInsertRemoveBar(this, true, bar);
}

void TDock::removeBar(TDockToolbar *bar)
{
    const auto found = std::find(m_toolbars.begin(), m_toolbars.end(), bar);
    if (found == m_toolbars.end())
        return;
    m_toolbars.erase(found);
    ArrangeToolbars();
    emit OnInsertRemoveBar(this, false, bar);
}

int TDock::alongLength() const
{
    return isVertical() ? height() : width();
}

void TDock::setThickness(int thickness)
{
    const int current = isVertical() ? width() : height();
    if (thickness == current)
        return;
    if (isVertical())
        resize(thickness, height());
    else
        resize(width(), thickness);
    if (TAlignLayout *layout = formLayout())
        layout->Realign();
    emit OnResize(this);
}

// Stored rows are any numbers: they keep their order but become 0, 1, 2...,
// which also removes the empty rows.
static void renumberRowsByRank(const std::vector<TDockToolbar *> &bars, std::vector<int> &rows)
{
    std::vector<int> distinct(rows);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    for (size_t i = 0; i < bars.size(); ++i)
        rows[i] = int(std::lower_bound(distinct.begin(), distinct.end(), rows[i]) - distinct.begin());
}

void TDock::ArrangeToolbars()
{
    if (m_arrangeLock > 0)
        return;
    if (m_toolbars.empty()) {
        m_rowSizes.clear();
        setThickness(m_fixAlign ? 1 : 0);
        return;
    }
    std::vector<int> rows;
    for (TDockToolbar *bar : m_toolbars)
        rows.push_back(m_limitToOneRow ? 0 : bar->m_dockRow);
    renumberRowsByRank(m_toolbars, rows);
    for (size_t i = 0; i < m_toolbars.size(); ++i)
        m_toolbars[i]->m_dockRow = rows[i];

    // By row, then by position; "at the end" after every placed toolbar of its row.
    std::vector<TDockToolbar *> order;
    for (TDockToolbar *bar : m_toolbars) {
        if (!bar->isHidden())
            order.push_back(bar);
    }
    auto sortKey = [](const TDockToolbar *bar) { return std::pair(bar->m_dockRow, bar->m_dockPos == EndOfRow ? INT_MAX : bar->m_dockPos); };
    std::stable_sort(order.begin(), order.end(), [&](const TDockToolbar *a, const TDockToolbar *b) { return sortKey(a) < sortKey(b); });

    const TToolbarOrientation orientation = isVertical() ? toVertical : toHorizontal;
    const int rowCount = rows.empty() ? 0 : *std::max_element(rows.begin(), rows.end()) + 1;
    m_rowSizes.assign(size_t(rowCount), 0);
    std::map<const TDockToolbar *, QSize> sizes;
    for (TDockToolbar *bar : order) {
        bar->ArrangeControls();
        const QSize size = bar->LayoutSize(orientation, this, 0);
        sizes[bar] = size;
        int &rowSize = m_rowSizes[size_t(bar->m_dockRow)];
        rowSize = std::max(rowSize, isVertical() ? size.width() : size.height());
    }
    auto lengthOf = [&](const TDockToolbar *bar) { return isVertical() ? sizes[bar].height() : sizes[bar].width(); };

    // No overlap along each row, then the row pulled back to fit the dock.
    for (size_t first = 0; first < order.size();) {
        size_t end = first;
        int running = 0;
        for (; end < order.size() && order[end]->m_dockRow == order[first]->m_dockRow; ++end) {
            TDockToolbar *bar = order[end];
            if (bar->m_dockPos == EndOfRow || bar->m_dockPos <= running)
                bar->m_dockPos = running;
            else
                running = bar->m_dockPos;
            running += lengthOf(bar);
        }
        const int excess = running - alongLength();
        for (size_t i = first; excess > 0 && i < end; ++i)
            order[i]->m_dockPos -= excess;
        first = end;
    }

    std::vector<int> rowStarts(m_rowSizes.size(), 0);
    for (size_t row = 1; row < m_rowSizes.size(); ++row)
        rowStarts[row] = rowStarts[row - 1] + m_rowSizes[row - 1];
    for (TDockToolbar *bar : order) {
        const int start = rowStarts[size_t(bar->m_dockRow)];
        const int thickness = m_rowSizes[size_t(bar->m_dockRow)];
        if (isVertical())
            bar->setGeometry(start, bar->m_dockPos, thickness, lengthOf(bar));
        else
            bar->setGeometry(bar->m_dockPos, start, lengthOf(bar), thickness);
    }
    int total = 0;
    for (int rowSize : m_rowSizes)
        total += rowSize;
    setThickness(total);
}

void TDock::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QSize old = event->oldSize();
    const int oldLength = isVertical() ? old.height() : old.width();
    if (oldLength != alongLength())
        ArrangeToolbars();
}

void TDock::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    canvas.fillRect(rect(), SysColour(COLOR_BTNFACE));
    if (!m_backgroundTile.isNull())
        canvas.drawTiledPixmap(rect(), m_backgroundTile);
    const QColor shadow = SysColour(COLOR_BTNSHADOW);
    const QColor light = SysColour(COLOR_BTNHIGHLIGHT);
    if (m_boundLines & blTop)
        canvas.fillRect(0, 0, width(), 1, shadow);
    if (m_boundLines & blLeft)
        canvas.fillRect(0, 0, 1, height(), shadow);
    if (m_boundLines & blBottom)
        canvas.fillRect(0, height() - 1, width(), 1, light);
    if (m_boundLines & blRight)
        canvas.fillRect(width() - 1, 0, 1, height(), light);
}

// ---- TDockToolbar

static quint64 nextCreationOrder = 0;

TDockToolbar::TDockToolbar(QWidget *form)
    : QWidget(nullptr)
    , m_form(form)
    , m_creationOrder(nextCreationOrder++)
{
    if (!form || !form->isWindow())
        throw Exception("TDockToolbar must be owned by a form");
    m_floatParent = new TFloatParent(this);
    setParent(m_floatParent);
    move(TFloatParent::FrameWidth(), TFloatParent::FrameWidth() + TFloatParent::CaptionHeight());
    m_floatPos = form->mapToGlobal(QPoint(40, 40));
    form->installEventFilter(this);
    ArrangeControls();
}

TDockToolbar::~TDockToolbar()
{
    if (m_dockedTo)
        m_dockedTo->removeBar(this);
    if (!m_floatParent)
        return;
    m_floatParent->m_toolbar = nullptr;
    if (parentWidget() == m_floatParent)
        m_floatParent->deleteLater();   // it may be what is deleting this toolbar
    else
        delete m_floatParent;
}

void TDockToolbar::SetCaption(const QString &value)
{
    m_caption = value;
    if (m_floatParent) {
        m_floatParent->setWindowTitle(value);
        m_floatParent->update();
    }
}

void TDockToolbar::SetCloseButton(bool value)
{
    m_closeButton = value;
    if (m_floatParent)
        m_floatParent->update();
}

void TDockToolbar::SetDockRow(int value)
{
    m_dockRow = value;
    if (m_dockedTo)
        m_dockedTo->ArrangeToolbars();
}

void TDockToolbar::SetDockPos(int value)
{
    m_dockPos = value;
    if (m_dockedTo)
        m_dockedTo->ArrangeToolbars();
}

void TDockToolbar::SetFloatPos(const QPoint &value)
{
    m_floatPos = value;
    if (m_floatParent && !m_dockedTo)
        m_floatParent->move(value);
}

void TDockToolbar::SetFloatRightX(int value)
{
    m_floatRightX = std::max(value, 0);
    if (!m_dockedTo)
        ControlsChanged();
}

TToolbarOrientation TDockToolbar::Orientation() const
{
    if (!m_dockedTo)
        return toFloating;
    return m_dockedTo->isVertical() ? toVertical : toHorizontal;
}

bool TDockToolbar::draggable() const
{
    return !m_dockedTo || m_dockedTo->AllowDrag();
}

void TDockToolbar::SetDockedTo(TDock *dock)
{
    if (dock == m_dockedTo)
        return;
    emit OnDockChanging(this);
    const bool shown = !isHidden();
    if (TDock *old = m_dockedTo) {
        m_dockedTo = nullptr;
        old->removeBar(this);
    }
    if (dock) {
        setParent(dock);
        m_dockedTo = dock;
        if (shown)
            QWidget::setVisible(true);
        dock->insertBar(this);
    } else if (m_floatParent) {
        setParent(m_floatParent);
        move(TFloatParent::FrameWidth(), TFloatParent::FrameWidth() + TFloatParent::CaptionHeight());
        if (shown)
            QWidget::setVisible(true);
        ControlsChanged();
        m_floatParent->move(m_floatPos);
    }
    updateFloatVisibility();
    emit OnDockChanged(this);
}

void TDockToolbar::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    if (m_dockedTo)
        m_dockedTo->ArrangeToolbars();
    updateFloatVisibility();
}

// Floating windows show only while their form is on the screen and not
// minimised. They wait until the window system shows the form itself: a window
// over another that is not yet mapped is stacked below it once it is.
void TDockToolbar::updateFloatVisibility()
{
    if (!m_floatParent)
        return;
    const QWindow *formWindow = m_form->windowHandle();
    const bool formShown = m_form->isVisible() && !m_form->isMinimized() && formWindow && formWindow->isExposed();
    m_floatParent->setVisible(!m_dockedTo && !isHidden() && formShown);
}

bool TDockToolbar::eventFilter(QObject *watched, QEvent *event)
{
    if (m_drag && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto *key = static_cast<const QKeyEvent *>(event);
        if (key->key() == Qt::Key_Control && !key->isAutoRepeat())
            setCtrl(event->type() == QEvent::KeyPress);
        return false;
    }
    if (watched == m_form->windowHandle() && event->type() == QEvent::Expose) {
        updateFloatVisibility();
        return false;
    }
    if (watched != m_form)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        m_form->windowHandle()->removeEventFilter(this);
        m_form->windowHandle()->installEventFilter(this);
        updateFloatVisibility();
        break;
    case QEvent::Hide:
    case QEvent::WindowStateChange:
        updateFloatVisibility();
        break;
    case QEvent::ActivationChange:
        // Floating titles look active with their form, and the windows stay
        // above it.
        if (!m_floatParent)
            break;
        if (m_floatParent->isVisible() && m_form->isActiveWindow())
            m_floatParent->raise();
        m_floatParent->update();
        break;
    default:
        break;
    }
    return false;
}

// The toolbar's controls laid out in their order, and the toolbar's size.
struct TControlLayout
{
    QSize size;
    std::vector<std::pair<QWidget *, QRect>> places;   // a hidden separator where a line wraps: an empty rect
};

static TControlLayout layOutControls(const TDockToolbar *toolbar, TToolbarOrientation orientation, const TDock *dock, int wrapWidth)
{
    const int frame = TDockToolbar::FrameMargin;
    const bool floating = orientation == toFloating;
    const bool vertical = orientation == toVertical;
    const int leading = floating ? FloatingLeadingMargin : (dock && dock->AllowDrag() ? DragLeadingMargin : DockedLeadingMargin);
    const int trailing = floating ? FloatingTrailingMargin : DockedTrailingMargin;

    std::vector<QWidget *> controls;
    int thickness = MinLineThickness;
    for (QWidget *control : toolbar->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (control->isHidden())
            continue;
        controls.push_back(control);
        if (!qobject_cast<TToolbarSep *>(control))
            thickness = std::max(thickness, vertical ? control->width() : control->height());
    }

    TControlLayout layout;
    int position = leading;
    int longest = 0;
    int line = 0;
    for (QWidget *control : controls) {
        auto *sep = qobject_cast<TToolbarSep *>(control);
        const int length = sep ? (vertical ? sep->SizeVert() : sep->SizeHorz()) : (vertical ? control->height() : control->width());
        if (floating && wrapWidth > 0 && position > leading && frame + position + length > wrapWidth) {
            longest = std::max(longest, position);
            position = leading;
            ++line;
            if (sep) {
                layout.places.push_back({control, QRect()});   // a separator where a line wraps is not shown
                continue;
            }
        }
        const int across = frame + line * thickness;
        QRect place;
        if (vertical)
            place = sep ? QRect(across, frame + position, thickness, length)
                        : QRect(across + (thickness - control->width()) / 2, frame + position, control->width(), length);
        else
            place = sep ? QRect(frame + position, across, length, thickness)
                        : QRect(frame + position, across + (thickness - control->height()) / 2, length, control->height());
        layout.places.push_back({control, place});
        position += length;
    }
    longest = std::max(longest, position) + trailing;
    layout.size = vertical ? QSize(2 * frame + thickness, 2 * frame + longest)
                           : QSize(2 * frame + longest, 2 * frame + (line + 1) * thickness);
    return layout;
}

QSize TDockToolbar::LayoutSize(TToolbarOrientation orientation, const TDock *dock, int wrapWidth) const
{
    return layOutControls(this, orientation, dock, wrapWidth).size;
}

std::vector<TFloatShape> TDockToolbar::FloatShapes() const
{
    // A layout's width to its controls' right edge, which is what wraps.
    auto controlsRight = [](const QSize &size) { return size.width() - FrameMargin - FloatingTrailingMargin; };
    std::vector<TFloatShape> shapes{{0, LayoutSize(toFloating, nullptr, 0)}};
    for (int wrap = controlsRight(shapes.front().size) - 1; wrap > 0; --wrap) {
        const QSize size = LayoutSize(toFloating, nullptr, wrap);
        if (controlsRight(size) != wrap)
            continue;
        if (size.height() == shapes.back().size.height())
            shapes.back() = {wrap, size};
        else
            shapes.push_back({wrap, size});
    }
    return shapes;
}

size_t ChooseFloatShape(const std::vector<int> &extents, size_t current, int wanted)
{
    const int now = extents[current];
    int nearest = INT_MAX;
    for (size_t i = 0; i < extents.size(); ++i) {
        if (i != current)
            nearest = std::min(nearest, std::abs(extents[i] - now));
    }
    const int deadZone = std::max(0, std::min(ResizeDeadZone, nearest == INT_MAX ? ResizeDeadZone : nearest - 1));
    if (std::abs(wanted - now) <= deadZone)
        return current;
    // The edge covers the pointer: the smallest extent reaching it, growing
    // at once and shrinking only once the pointer passes the next shape.
    std::optional<size_t> best;
    size_t largest = 0;
    for (size_t i = 0; i < extents.size(); ++i) {
        if (extents[i] >= wanted && (!best || extents[i] < extents[*best]))
            best = i;
        if (extents[i] > extents[largest])
            largest = i;
    }
    return best ? *best : largest;
}

void TDockToolbar::ArrangeControls()
{
    if (m_arranging)
        return;
    m_arranging = true;
    const TControlLayout layout = layOutControls(this, Orientation(), m_dockedTo, m_dockedTo ? 0 : m_floatRightX);
    for (const auto &[control, place] : layout.places)
        control->setGeometry(place);
    resize(layout.size);
    m_arranging = false;
}

void TDockToolbar::ControlsChanged()
{
    if (m_arranging)
        return;
    if (m_dockedTo) {
        m_dockedTo->ArrangeToolbars();
        return;
    }
    ArrangeControls();
    if (m_floatParent)
        m_floatParent->resize(TFloatParent::SizeFor(size()));
}

// A thin raised frame, and when it can be dragged in its dock, a grip of two
// raised bars at its leading end.
void TDockToolbar::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    canvas.fillRect(rect(), SysColour(COLOR_BTNFACE));
    if (!m_dockedTo)
        return;
    const QColor light = SysColour(COLOR_BTNHIGHLIGHT);
    const QColor dark = SysColour(COLOR_BTNSHADOW);
    auto raisedFrame = [&](const QRect &r) {
        canvas.fillRect(r.left(), r.top(), r.width() - 1, 1, light);
        canvas.fillRect(r.left(), r.top(), 1, r.height() - 1, light);
        canvas.fillRect(r.left(), r.bottom(), r.width(), 1, dark);
        canvas.fillRect(r.right(), r.top(), 1, r.height(), dark);
    };
    raisedFrame(rect());
    if (!m_dockedTo->AllowDrag())
        return;
    for (int bar = 0; bar < 2; ++bar) {
        const int offset = FrameMargin + 1 + bar * 3;
        if (m_dockedTo->isVertical())
            raisedFrame(QRect(FrameMargin + 1, offset, width() - 2 * FrameMargin - 2, 3));
        else
            raisedFrame(QRect(offset, FrameMargin + 1, 3, height() - 2 * FrameMargin - 2));
    }
}

// ---- dragging: a state machine on the toolbar's mouse and key events, with
// the mouse grabbed; it never runs an event loop of its own.

QRect TDockToolbar::frameOnScreen() const
{
    if (!m_dockedTo && m_floatParent)
        return m_floatParent->geometry();
    return {mapToGlobal(QPoint(0, 0)), size()};
}

void TDockToolbar::beginDrag(const QPoint &globalPos, bool ctrl)
{
    auto drag = std::make_unique<TToolbarDrag>();
    const QRect frame = frameOnScreen();
    drag->grab = globalPos - frame.topLeft();
    drag->grabFrom = frame.size();
    drag->lastPointer = globalPos;
    drag->ctrl = ctrl;
    for (TDock *dock : m_form->findChildren<TDock *>()) {
        if (!dock->AllowDrag() || (dock->isVertical() && !m_canDockLeftRight))
            continue;
        const QSize size = dock == m_dockedTo ? this->size() : LayoutSize(dock->isVertical() ? toVertical : toHorizontal, dock, 0);
        drag->dockSizes.push_back({dock, size});
    }
    drag->floatSize = TFloatParent::SizeFor(LayoutSize(toFloating, nullptr, m_floatRightX));
    m_drag = std::move(drag);
    grabMouse();
    // Ctrl is watched wherever the keyboard focus is: grabbing the keyboard
    // would take the activation from the form.
    qApp->installEventFilter(this);
}

void TDockToolbar::retarget(const QPoint &globalPos)
{
    TToolbarDrag &drag = *m_drag;
    drag.lastPointer = globalPos;
    drag.target = nullptr;
    if (!drag.ctrl) {
        // Horizontal docks first, then vertical ones.
        for (bool vertical : {false, true}) {
            for (const auto &[dock, size] : drag.dockSizes) {
                if (drag.target || dock->isVertical() != vertical || !drag.dockUnderPointer(dock, size, globalPos))
                    continue;
                drag.target = dock;
                drag.outline = drag.placedAt(size, globalPos);
            }
        }
    }
    if (drag.target) {
        drag.outlineWindow.showAt(drag.outline, 1);
        return;
    }
    // Floating: the pointer stays on the work area, and so does a margin of the window.
    QScreen *screen = QGuiApplication::screenAt(globalPos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(globalPos, QSize(1, 1));
    const QPoint pointer(std::clamp(globalPos.x(), area.left(), area.right()), std::clamp(globalPos.y(), area.top(), area.bottom()));
    QRect outline = drag.placedAt(drag.floatSize, pointer);
    const int keep = TFloatParent::FrameWidth() + 4;
    if (outline.right() < area.left() + keep)
        outline.moveRight(area.left() + keep);
    if (outline.left() > area.right() - keep)
        outline.moveLeft(area.right() - keep);
    if (outline.bottom() < area.top() + keep)
        outline.moveBottom(area.top() + keep);
    if (outline.top() > area.bottom() - keep)
        outline.moveTop(area.bottom() - keep);
    drag.outline = outline;
    drag.outlineWindow.showAt(outline, TFloatParent::FrameWidth());
}

void TDockToolbar::beginResize(Qt::Edge edge, const QPoint &globalPos)
{
    auto drag = std::make_unique<TToolbarDrag>();
    drag->resizeEdge = edge;
    drag->start = frameOnScreen();
    drag->lastPointer = globalPos;
    drag->shapes = FloatShapes();
    // The shape shown now: the one of its height, else the first.
    for (size_t i = 0; i < drag->shapes.size(); ++i) {
        if (drag->shapes[i].size.height() == height())
            drag->shape = i;
    }
    drag->outline = drag->start;
    m_drag = std::move(drag);
    grabMouse();
}

// The edge follows the pointer from where it was grabbed; the opposite edge stays.
void TDockToolbar::resizeTo(const QPoint &globalPos)
{
    TToolbarDrag &drag = *m_drag;
    const bool sideways = drag.resizeEdge & (Qt::LeftEdge | Qt::RightEdge);
    const bool growsBack = drag.resizeEdge & (Qt::LeftEdge | Qt::TopEdge);
    const QPoint moved = globalPos - drag.lastPointer;
    const int delta = (sideways ? moved.x() : moved.y()) * (growsBack ? -1 : 1);
    std::vector<int> extents;
    for (const TFloatShape &shape : drag.shapes) {
        const QSize window = TFloatParent::SizeFor(shape.size);
        extents.push_back(sideways ? window.width() : window.height());
    }
    const int startExtent = sideways ? drag.start.width() : drag.start.height();
    drag.shape = ChooseFloatShape(extents, drag.shape, startExtent + delta);
    const QSize size = TFloatParent::SizeFor(drag.shapes[drag.shape].size);
    QRect outline(drag.start.topLeft(), size);
    if (drag.resizeEdge & Qt::LeftEdge)
        outline.moveRight(drag.start.right());
    if (drag.resizeEdge & Qt::TopEdge)
        outline.moveBottom(drag.start.bottom());
    drag.outline = outline;
    drag.moved = true;
    drag.outlineWindow.showAt(outline, TFloatParent::FrameWidth());
}

void TDockToolbar::endDrag(bool apply)
{
    std::unique_ptr<TToolbarDrag> drag = std::move(m_drag);
    qApp->removeEventFilter(this);
    releaseMouse();
    if (!apply)
        return;
    if (drag->resizeEdge) {
        m_floatRightX = drag->shapes[drag->shape].wrapWidth;
        ControlsChanged();
        SetFloatPos(drag->outline.topLeft());
        return;
    }
    if (drag->target)
        dropInto(drag->target, drag->outline);
    else
        floatAt(drag->outline);
}

void TDockToolbar::dropInto(TDock *dock, const QRect &outline)
{
    const QRect local = outline.translated(-dock->mapToGlobal(QPoint(0, 0)));
    const TDropRow drop = DropRowAt(dock->RowSizes(), dock->isVertical() ? local.left() : local.top());
    if (drop.newRow) {
        for (TDockToolbar *bar : dock->Toolbars()) {
            if (bar != this && bar->m_dockRow >= drop.row)
                ++bar->m_dockRow;
        }
    }
    m_dockRow = drop.row;
    m_dockPos = dock->isVertical() ? local.top() : local.left();
    if (dock == m_dockedTo)
        dock->ArrangeToolbars();
    else
        SetDockedTo(dock);
}

void TDockToolbar::floatAt(const QRect &outline)
{
    m_floatPos = KeepOnWorkArea(outline).topLeft();
    if (m_dockedTo)
        SetDockedTo(nullptr);
    else
        SetFloatPos(m_floatPos);
}

void TDockToolbar::dockOrFloatOnDoubleClick()
{
    if (m_dockedTo) {
        const QRect window(mapToGlobal(QPoint(0, 0)), TFloatParent::SizeFor(LayoutSize(toFloating, nullptr, m_floatRightX)));
        floatAt(window);
        return;
    }
    if (!m_defaultDock)
        return;
    m_dockRow = 0;
    m_dockPos = -8;   // before every toolbar of the row
    SetDockedTo(m_defaultDock);
}

void TDockToolbar::mousePressEvent(QMouseEvent *event)
{
    if (m_drag) {
        if (event->button() == Qt::LeftButton)
            endDrag(false);
        return;   // other buttons are swallowed while dragging
    }
    if (event->button() == Qt::LeftButton && draggable())
        beginDrag(event->globalPosition().toPoint(), event->modifiers() & Qt::ControlModifier);
}

void TDockToolbar::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_drag)
        return;
    if (m_drag->resizeEdge) {
        resizeTo(event->globalPosition().toPoint());
        return;
    }
    m_drag->moved = true;
    m_drag->ctrl = event->modifiers() & Qt::ControlModifier;
    retarget(event->globalPosition().toPoint());
}

void TDockToolbar::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_drag || event->button() != Qt::LeftButton)
        return;
    // A press and release without a move leaves the toolbar where it is.
    if (m_drag->moved && m_drag->resizeEdge)
        resizeTo(event->globalPosition().toPoint());
    else if (m_drag->moved)
        retarget(event->globalPosition().toPoint());
    endDrag(m_drag->moved);
}

void TDockToolbar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_drag) {
        endDrag(false);
        return;
    }
    if (event->button() == Qt::LeftButton && draggable())
        dockOrFloatOnDoubleClick();
}

void TDockToolbar::setCtrl(bool held)
{
    if (held == m_drag->ctrl || m_drag->resizeEdge)
        return;
    m_drag->ctrl = held;
    retarget(m_drag->lastPointer);
}

// ---- TFloatParent

TFloatParent::TFloatParent(TDockToolbar *toolbar)
    : QWidget(toolbar->Form(), Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
    , m_toolbar(toolbar)
{
    // Its form stays the active window while the user works the toolbar.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);   // for the frame's sizing cursors
}

TFloatParent::~TFloatParent()
{
    if (m_toolbar)
        m_toolbar->m_floatParent = nullptr;
}

int TFloatParent::FrameWidth()
{
    return GetSystemMetrics(SM_CXFRAME);
}

int TFloatParent::CaptionHeight()
{
    return GetSystemMetrics(SM_CYSMCAPTION);
}

QSize TFloatParent::SizeFor(const QSize &toolbarSize)
{
    return toolbarSize + QSize(2 * FrameWidth(), 2 * FrameWidth() + CaptionHeight());
}

QRect TFloatParent::CloseButtonRect() const
{
    const int height = CaptionHeight() - 4;
    const int width = height + 2;
    return {this->width() - FrameWidth() - 2 - width, FrameWidth() + 1, width, height};
}

Qt::Edges TFloatParent::EdgeAt(const QPoint &point) const
{
    const int frame = FrameWidth();
    if (point.x() < frame)
        return Qt::LeftEdge;
    if (point.x() >= width() - frame)
        return Qt::RightEdge;
    if (point.y() < frame)
        return Qt::TopEdge;
    if (point.y() >= height() - frame)
        return Qt::BottomEdge;
    return {};
}

void TFloatParent::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    canvas.fillRect(rect(), SysColour(COLOR_BTNFACE));
    PaintEdge(canvas, rect(), true);
    if (!m_toolbar)
        return;
    const bool active = m_toolbar->Form()->isActiveWindow();
    const QRect title(FrameWidth(), FrameWidth(), width() - 2 * FrameWidth(), CaptionHeight() - 1);
    canvas.fillRect(title, SysColour(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    QFont font = canvas.font();
    font.setBold(true);
    font.setPixelSize(CaptionHeight() - 4);
    canvas.setFont(font);
    canvas.setPen(SysColour(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    QRect textRect = title.adjusted(3, 0, 0, 0);
    if (m_toolbar->CloseButton())
        textRect.setRight(CloseButtonRect().left() - 2);
    canvas.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                    canvas.fontMetrics().elidedText(m_toolbar->Caption(), Qt::ElideRight, textRect.width()));
    if (!m_toolbar->CloseButton())
        return;
    const QRect button = CloseButtonRect();
    canvas.fillRect(button, SysColour(COLOR_BTNFACE));
    PaintEdge(canvas, button, !m_closePushed);
    // A cross of two diagonals two pixels wide, 7 by 6, one pixel further while
    // pushed; drawn pixel by pixel so that it stays crisp at any scale.
    constexpr int CrossRows = 6;
    QPoint origin = button.center() - QPoint(3, 2);
    if (m_closePushed)
        origin += QPoint(1, 1);
    const QColor ink = SysColour(COLOR_BTNTEXT);
    for (int row = 0; row < CrossRows; ++row) {
        canvas.fillRect(origin.x() + row, origin.y() + row, 2, 1, ink);
        canvas.fillRect(origin.x() + CrossRows - 1 - row, origin.y() + row, 2, 1, ink);
    }
}

void TFloatParent::mousePressEvent(QMouseEvent *event)
{
    if (!m_toolbar || event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    if (m_toolbar->CloseButton() && CloseButtonRect().contains(point)) {
        m_closeHeld = true;
        m_closePushed = true;
        grabMouse();
        update();
        return;
    }
    if (const Qt::Edges edge = EdgeAt(point)) {
        m_toolbar->beginResize(Qt::Edge(edge.toInt()), event->globalPosition().toPoint());
        return;
    }
    m_toolbar->beginDrag(event->globalPosition().toPoint(), event->modifiers() & Qt::ControlModifier);
}

void TFloatParent::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_closeHeld) {
        const Qt::Edges edge = EdgeAt(event->position().toPoint());
        if (edge & (Qt::LeftEdge | Qt::RightEdge))
            setCursor(Qt::SizeHorCursor);
        else if (edge)
            setCursor(Qt::SizeVerCursor);
        else
            unsetCursor();
        return;
    }
    const bool over = CloseButtonRect().contains(event->position().toPoint());
    if (over == m_closePushed)
        return;
    m_closePushed = over;
    update();
}

// Releasing over the close button hides the toolbar, then tells its owner.
void TFloatParent::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_closeHeld || event->button() != Qt::LeftButton)
        return;
    m_closeHeld = false;
    releaseMouse();
    const bool close = CloseButtonRect().contains(event->position().toPoint());
    m_closePushed = false;
    update();
    if (!close || !m_toolbar)
        return;
    m_toolbar->hide();
    emit m_toolbar->OnClose(m_toolbar);
}

void TFloatParent::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_toolbar || event->button() != Qt::LeftButton)
        return;
    if (m_toolbar->CloseButton() && CloseButtonRect().contains(event->position().toPoint()))
        return;
    m_toolbar->dockOrFloatOnDoubleClick();
}
