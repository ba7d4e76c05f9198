#include "ThumbBox.h"

#include "FileHandler.h"
#include "FolderOptions.h"
#include "ThumbBuild.h"
#include "ThumbSort.h"
#include "Thumbnail.h"
#include "ZiloOptions.h"

#include <Source/Glob.h>

#include <lib/WaitCursor.h>
#include <platform/StringList.h>

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

// The inner panel: paints the thumbnails that the paint event exposes and
// hands its pointer and drag events to the box.
class TThumbBoxClient : public TNewScrollClient
{
public:
    explicit TThumbBoxClient(TThumbBox *box) : TNewScrollClient(box), m_box(box)
    {
        setAcceptDrops(true);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        m_exposed = event->rect();
        TNewScrollClient::paintEvent(event);
    }
    void Paint(QPainter &canvas) override { m_box->paintThumbnails(canvas, m_exposed); }
    void resizeEvent(QResizeEvent *event) override
    {
        TNewScrollClient::resizeEvent(event);
        m_box->clientResized();
    }
    void mousePressEvent(QMouseEvent *event) override { m_box->clientMouseDown(event); }
    void mouseMoveEvent(QMouseEvent *event) override { m_box->clientMouseMove(event); }
    void mouseReleaseEvent(QMouseEvent *event) override { m_box->clientMouseUp(event); }
    void mouseDoubleClickEvent(QMouseEvent *event) override { m_box->clientDoubleClick(event); }
    void dragEnterEvent(QDragEnterEvent *event) override { m_box->clientDragEnter(event); }
    void dragMoveEvent(QDragMoveEvent *event) override { m_box->clientDragMove(event); }
    void dragLeaveEvent(QDragLeaveEvent *) override { m_box->clientDragLeave(); }
    void dropEvent(QDropEvent *event) override { m_box->clientDrop(event); }
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip) {
            if (!m_box->clientToolTip(static_cast<QHelpEvent *>(event)->pos()))
                QToolTip::hideText();
            return true;
        }
        return TNewScrollClient::event(event);
    }

private:
    TThumbBox *m_box;   // the parent
    QRect m_exposed;    // of the paint under way
};

// Answers the safe way for a box made without an owner.
static ThumbBoxOwner NoOwner;

// The edge zone of auto-scroll and its step, in pixels.
constexpr int AutoScrollZone = 16;
constexpr int AutoScrollStep = 25;

TThumbBox::TThumbBox(ThumbBoxOwner *owner, QWidget *parent)
    : TNewScrollBox(parent),
      m_owner(owner ? owner : &NoOwner),
      m_window(std::make_unique<CMessageWindow>(
          [this](UINT message, WPARAM wParam, LPARAM lParam) { return handleMessage(message, wParam, lParam); }))
{
    SetClient(new TThumbBoxClient(this));
    const TButtonType buttons =
        GeneralOptions->GetInt(TGeneralOptions::ScrollButtonsTogether) ? btTogether : btSeparate;
    for (TMyNewScrollBar *bar : {HorzScrollBar(), VertScrollBar()}) {
        bar->SetButtonType(buttons);
        connect(bar, &TNewScrollBar::OnChange, this, [this] {
            HideInfoWindow();
            Invalidate();
        });
    }
    ReloadPanelLook();
    ResetLayout();
}

TThumbBox::~TThumbBox()
{
    DeleteAllThumbnails();
}

void TThumbBox::joinList(TThumbnail *thumbnail)
{
    m_thumbnails.Add(thumbnail);
}

void TThumbBox::leaveList(TThumbnail *thumbnail)
{
    // Deleting all goes from the end: take the last without a search.
    if (Count() > 0 && m_thumbnails.Last() == thumbnail)
        m_thumbnails.Delete(Count() - 1);
    else
        m_thumbnails.Remove(thumbnail);
    InvalidateThumbnail(thumbnail);
    if (m_focus == thumbnail)
        m_focus = nullptr;
    if (m_rangeEnd == thumbnail)
        m_rangeEnd = nullptr;
    if (m_pressed == thumbnail)
        m_pressed = nullptr;
}

TThumbnail *TThumbBox::AddThumbnail(CThumbBitmap *record)
{
    auto *thumbnail = new TThumbnail(record, this);   // the list owns it
    placeThumbnail(thumbnail);
    setScrollRanges();
    InvalidateThumbnail(thumbnail);
    m_owner->ShowThumbnail(thumbnail);
    return thumbnail;
}

void TThumbBox::ResetLayout()
{
    m_spacing = FolderOptionInt(m_owner->Folder(), TFolderOptions::ThumbnailSpacing);
    m_x = m_spacing;
    m_y = m_spacing;
    m_column = 0;
    m_maxColumns = 0;
    m_rowCount = 0;
    m_rowHeight = 0;
    m_right = 0;
    m_usableWidth = Client()->width();
}

void TThumbBox::Relayout()
{
    ResetLayout();
    HideInfoWindow();
    for (int index = 0; index < Count(); ++index)
        placeThumbnail(Thumbnail(index));
    if (Count() > 0)
        setScrollRanges();
    Invalidate();
}

void TThumbBox::ResetScrollBars()
{
    for (TMyNewScrollBar *bar : {HorzScrollBar(), VertScrollBar()}) {
        bar->SetRange(0);
        bar->update();
    }
}

void TThumbBox::DeleteAllThumbnails()
{
    HideInfoWindow();
    while (Count() > 0)
        delete Thumbnail(Count() - 1);   // leaves the list
}

void TThumbBox::BeginUpdate()
{
    ++m_updateDepth;
}

void TThumbBox::EndUpdate()
{
    if (--m_updateDepth > 0)
        return;
    if (!m_pendingRepaint.isEmpty())
        Client()->update(m_pendingRepaint);
    m_pendingRepaint = QRect();
    m_owner->SelectionChanged();
}

// The next place in the rows. A row advances by its tallest thumbnail, so that
// thumbnails of different sizes never overlap; the very first never wraps.
void TThumbBox::placeThumbnail(TThumbnail *thumbnail)
{
    const int step = m_spacing + thumbnail->Width();
    if (m_rowCount == 0)
        m_rowCount = 1;
    if (m_x + step > m_usableWidth && m_maxColumns > 0) {
        m_x = m_spacing;
        m_y += m_spacing + m_rowHeight;
        m_rowHeight = 0;
        m_column = 0;
        ++m_rowCount;
    }
    thumbnail->SetPlace(m_x, m_y);
    ++m_column;
    m_maxColumns = std::max(m_maxColumns, m_column);
    m_rowHeight = std::max(m_rowHeight, thumbnail->Height());
    m_right = std::max(m_right, m_x + thumbnail->Width());
    m_x += step;
}

// The content reaches from the origin to the far edges of the thumbnails
// placed, plus the spacing.
void TThumbBox::setScrollRanges()
{
    HorzScrollBar()->SetRange(m_right + m_spacing);
    VertScrollBar()->SetRange(m_y + m_rowHeight + m_spacing);
    updatePages();
}

void TThumbBox::updatePages()
{
    HorzScrollBar()->SetPage(Client()->width());
    VertScrollBar()->SetPage(Client()->height());
}

QPoint TThumbBox::scrollOffset() const
{
    return QPoint(HorzScrollBar()->Position(), VertScrollBar()->Position());
}

QRect TThumbBox::ThumbnailRect(const TThumbnail *thumbnail) const
{
    return thumbnail->BoundsRect().translated(-scrollOffset());
}

// Inside an update bracket the visible changes gather into one rectangle,
// repainted at its end: a selection of thousands is one paint, not one a
// thumbnail.
void TThumbBox::InvalidateThumbnail(TThumbnail *thumbnail)
{
    const QRect rect = ThumbnailRect(thumbnail) & Client()->rect();
    if (rect.isEmpty())
        return;
    if (m_updateDepth > 0)
        m_pendingRepaint |= rect;
    else
        Client()->update(rect);
}

void TThumbBox::ScrollThumbnailInView(TThumbnail *thumbnail)
{
    ScrollInView(ThumbnailRect(thumbnail));
}

// The band is drawn over the thumbnails by inverting a dotted outline.
void TThumbBox::paintThumbnails(QPainter &canvas, const QRect &exposed)
{
    const QRect content = exposed.translated(scrollOffset());
    canvas.save();
    canvas.translate(-scrollOffset());
    // The options of the last folder met: a box shows one folder, mostly.
    CPath folder;
    TThumbDrawOptions options;
    bool looked = false;
    for (int index = 0; index < Count(); ++index) {
        TThumbnail *thumbnail = Thumbnail(index);
        if (!thumbnail->BoundsRect().intersects(content))
            continue;
        if (const CThumbBitmap *record = thumbnail->GetThumbBitmap()) {
            CPath recordFolder = record->GetFolder();
            if (!looked || recordFolder != folder) {
                options = TThumbDrawOptions::ForFolder(recordFolder);
                folder = std::move(recordFolder);
                looked = true;
            }
        }
        thumbnail->Paint(canvas, options);
    }
    if (m_bandActive) {
        canvas.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        canvas.setPen(QPen(Qt::white, 1, Qt::DotLine));
        canvas.setBrush(Qt::NoBrush);
        const QRect band = QRect(m_bandStart, m_bandEnd).normalized();
        canvas.drawRect(band.adjusted(0, 0, -1, -1));
    }
    canvas.restore();
}

void TThumbBox::invalidateBand()
{
    const QRect band = QRect(m_bandStart, m_bandEnd).normalized().translated(-scrollOffset());
    QRegion outline(band);
    outline -= band.adjusted(1, 1, -1, -1);
    Client()->update(outline);
}

void TThumbBox::deleteThumbnail(TThumbnail *thumbnail)
{
    const bool selected = thumbnail->Selected();
    if (selected)
        BeginUpdate();
    delete thumbnail;   // leaves the list
    if (selected)
        EndUpdate();
    if (GeneralOptions->GetInt(TGeneralOptions::AutoLayout) & TGeneralOptions::RelayWhenDeleted)
        requestRelayout();
}

// Many thumbnails leave at once when many files go: one layout serves them all.
void TThumbBox::requestRelayout()
{
    if (m_relayoutPending)
        return;
    m_relayoutPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_relayoutPending = false;
            Relayout();
        },
        Qt::QueuedConnection);
}

// At once, not on the owner's timer: a window resized while it loads would
// otherwise place the thumbnails still to come across the old width.
void TThumbBox::clientResized()
{
    updatePages();
    if (Client()->width() != m_usableWidth
        && (GeneralOptions->GetInt(TGeneralOptions::AutoLayout) & TGeneralOptions::RelayWhenResized))
        Relayout();
}

std::vector<TThumbnail *> TThumbBox::GetSelected() const
{
    std::vector<TThumbnail *> selected;
    selected.reserve(size_t(m_selectedCount));
    for (int index = 0; index < Count(); ++index)
        if (Thumbnail(index)->Selected())
            selected.push_back(Thumbnail(index));
    return selected;
}

std::vector<TThumbnail *> TThumbBox::GetSelectedPingPong() const
{
    std::vector<TThumbnail *> sequence = GetSelected();
    if (sequence.size() >= 3)
        sequence.insert(sequence.end(), sequence.rbegin() + 1, sequence.rend() - 1);
    return sequence;
}

void TThumbBox::ChangeSelection(TSelectionChange mode)
{
    HideInfoWindow();
    BeginUpdate();
    for (int index = 0; index < Count(); ++index) {
        TThumbnail *thumbnail = Thumbnail(index);
        thumbnail->SetSelected(mode == SelectAll || (mode == InvertSelection && !thumbnail->Selected()));
    }
    EndUpdate();
    m_owner->UpdateSimilarReference();
}

void TThumbBox::deselectAll()
{
    if (m_selectedCount == 0)
        return;
    for (int index = 0; index < Count(); ++index)
        Thumbnail(index)->SetSelected(false);
}

void TThumbBox::SetAllCutMarks(bool cutMark)
{
    for (int index = 0; index < Count(); ++index)
        Thumbnail(index)->SetCutMark(cutMark);
}

void TThumbBox::OpenSelected()
{
    TStringList files;
    for (TThumbnail *thumbnail : GetSelected())
        if (CThumbBitmap *record = thumbnail->GetThumbBitmap())
            files.Add(record->GetFullPath().ToAnsiString());
    OpenFiles(files, RegisteredApplication);
}

bool TThumbBox::ShowsRecord(CThumbBitmap *record) const
{
    TClientList &clients = record->Clients();
    CSingleLock lock(clients.criticalSection());
    for (int index = 0; index < clients.Count(); ++index) {
        const auto *observer = dynamic_cast<const TThumbnailObserver *>(static_cast<CClient *>(clients[index]));
        if (observer && observer->Thumbnail() && observer->Thumbnail()->Box() == this)
            return true;
    }
    return false;
}

std::vector<TThumbnail *> TThumbBox::FindMatching(const std::function<bool(const TThumbnail &)> &accepts) const
{
    std::vector<TThumbnail *> matching;
    for (int index = 0; index < Count(); ++index)
        if (accepts(*Thumbnail(index)))
            matching.push_back(Thumbnail(index));
    return matching;
}

void TThumbBox::selectRange(int from, int to)
{
    if (from > to)
        std::swap(from, to);
    for (int index = from; index <= to; ++index)
        Thumbnail(index)->SetSelected(true);
}

void TThumbBox::SelectRange(TThumbnail *target)
{
    if (Count() == 0)
        return;
    if (!m_focus)
        setFocusThumbnail(Thumbnail(0));
    BeginUpdate();
    selectRange(IndexOfThumbnail(m_focus), IndexOfThumbnail(target));
    EndUpdate();
}

static int keyStep(int direction, int columns)
{
    switch (direction) {
    case TThumbBox::KeyUp: return -columns;
    case TThumbBox::KeyDown: return columns;
    case TThumbBox::KeyLeft: return -1;
    case TThumbBox::KeyRight: return 1;
    case TThumbBox::KeyPageUp: return -4 * columns;
    case TThumbBox::KeyPageDown: return 4 * columns;
    case TThumbBox::KeyFirst: return -999999999;
    case TThumbBox::KeyLast: return 999999999;
    default: return 0;
    }
}

void TThumbBox::HandleKeyDown(int direction, bool extend)
{
    if (Count() == 0)
        return;
    int step = keyStep(direction, m_maxColumns);
    if (!m_focus) {
        m_focus = Thumbnail(0);
        step = 0;
    }
    const auto stepped = [&](TThumbnail *from) {
        const int64_t index = int64_t(IndexOfThumbnail(from)) + step;
        return Thumbnail(int(std::clamp<int64_t>(index, 0, Count() - 1)));
    };
    BeginUpdate();
    if (!extend) {
        m_rangeEnd = nullptr;
        TThumbnail *focus = stepped(m_focus);
        if (step != 0)
            deselectAll();
        m_focus = focus;
        focus->SetSelected(true);
        Client()->setFocus();
        ScrollThumbnailInView(focus);
    } else {
        if (!m_rangeEnd)
            m_rangeEnd = m_focus;
        deselectAll();
        m_rangeEnd = stepped(m_rangeEnd);
        selectRange(IndexOfThumbnail(m_focus), IndexOfThumbnail(m_rangeEnd));
        ScrollThumbnailInView(m_rangeEnd);
    }
    EndUpdate();
    Invalidate();
}

bool TThumbBox::SelectInRect(const QRect &rect, bool add)
{
    bool changed = false;
    TThumbnail *first = nullptr;
    BeginUpdate();
    for (int index = 0; index < Count(); ++index) {
        TThumbnail *thumbnail = Thumbnail(index);
        const bool inside = thumbnail->BoundsRect().intersects(rect);
        if (inside && !first)
            first = thumbnail;
        if (inside == thumbnail->Selected() || (!inside && add))
            continue;
        thumbnail->SetSelected(inside);
        changed = true;
    }
    if (first)
        setFocusThumbnail(first);
    EndUpdate();
    return changed;
}

TThumbnail *TThumbBox::FindThumbnailAt(int x, int y, int spacing) const
{
    for (int index = 0; index < Count(); ++index) {
        const QRect &bounds = Thumbnail(index)->BoundsRect();
        if (std::abs(bounds.left() - x) <= spacing && bounds.top() <= y && y <= bounds.bottom())
            return Thumbnail(index);
    }
    return nullptr;
}

TThumbnail *TThumbBox::ThumbnailAtPoint(const QPoint &point) const
{
    for (int index = 0; index < Count(); ++index)
        if (Thumbnail(index)->BoundsRect().contains(point))
            return Thumbnail(index);
    return nullptr;
}

int64_t TThumbBox::GetTotalFileSize() const
{
    int64_t total = 0;
    for (int index = 0; index < Count(); ++index)
        if (CThumbBitmap *record = Thumbnail(index)->GetThumbBitmap())
            total += record->GetHandler().GetSize();
    return total;
}

int TThumbBox::GetTotalBuildTime() const
{
    int64_t milliseconds = 0;
    for (int index = 0; index < Count(); ++index)
        if (CThumbBitmap *record = Thumbnail(index)->GetThumbBitmap())
            milliseconds += record->GetBuildTime();
    return int(milliseconds / 1000);
}

void TThumbBox::TimerTick()
{
    ReloadPanelLook();
    AutoScroll();
}

void TThumbBox::ReloadPanelLook()
{
    const int32_t colour = PanelOptions->GetInt(TPanelOptions::Colour);
    const int32_t strength = PanelOptions->GetInt(TPanelOptions::ColourStrength);
    const QString texture = PanelOptions->GetString(TPanelOptions::Texture);
    const bool flipH = PanelOptions->GetInt(TPanelOptions::FlipH) != 0;
    const bool flipV = PanelOptions->GetInt(TPanelOptions::FlipV) != 0;
    const bool greyscale = PanelOptions->GetInt(TPanelOptions::Greyscale) != 0;
    const bool same = colour == m_colour && strength == m_strength && texture == m_texture && flipH == m_flipH
                      && flipV == m_flipV && greyscale == m_greyscale;
    if (same && !Bitmap().isNull())
        return;
    m_colour = colour;
    m_strength = strength;
    m_texture = texture;
    m_flipH = flipH;
    m_flipV = flipV;
    m_greyscale = greyscale;
    QImage image;
    LoadPanelTexture(CPath(CString(texture)), image, COLORREF(colour), 999999, 999999, greyscale, flipV, flipH,
                     strength);
    SetBitmap(QPixmap::fromImage(image));
    Invalidate();
}

void TThumbBox::AutoScroll()
{
    if (!m_dragOver)
        return;
    const auto edgeStep = [](int at, int extent) {
        if (at < AutoScrollZone)
            return -AutoScrollStep;
        if (at > extent - AutoScrollZone)
            return AutoScrollStep;
        return 0;
    };
    if (const int step = edgeStep(m_dragPoint.x(), Client()->width()))
        HorzScrollBar()->SetPosition(HorzScrollBar()->Position() + step);
    if (const int step = edgeStep(m_dragPoint.y(), Client()->height()))
        VertScrollBar()->SetPosition(VertScrollBar()->Position() + step);
}

void TThumbBox::HideInfoWindow()
{
    delete m_infoWindow.data();
}

// The file name, the information lines after the first, and the state.
static QString infoWindowText(CThumbBitmap &record)
{
    TStringList lines;
    record.GetInfoLines(lines);
    QStringList shown{record.GetHandler().GetName().ToAnsiString()};
    for (int line = 1; line < lines.Count(); ++line)
        shown << lines[line];
    shown << CThumbBitmap::GetStateText(record.GetState()).ToAnsiString();
    return shown.join(QLatin1Char('\n'));
}

void TThumbBox::ShowInfoWindow(TThumbnail *thumbnail)
{
    HideInfoWindow();
    CThumbBitmap *record = thumbnail->GetThumbBitmap();
    if (!record || !GeneralOptions->GetInt(TGeneralOptions::ShowThumbnailInfo))
        return;
    auto *window = new QLabel(infoWindowText(*record), Client(), Qt::ToolTip);
    window->setObjectName(QStringLiteral("InfoWindow"));
    window->setForegroundRole(QPalette::ToolTipText);
    window->setBackgroundRole(QPalette::ToolTipBase);
    window->setAutoFillBackground(true);
    window->setFrameStyle(QFrame::Box | QFrame::Plain);
    window->setMargin(3);
    window->adjustSize();
    const QRect place = ThumbnailRect(thumbnail);
    window->move(Client()->mapToGlobal(QPoint(place.right() + 1, place.top())));
    window->show();
    m_infoWindow = window;
}

void TThumbBox::MoveThumbnailsBefore(const std::vector<TThumbnail *> &dragged, TThumbnail *target)
{
    CWaitCursor hourglass;
    {
        CSingleLock lock(m_thumbnails.criticalSection());
        int at = IndexOfThumbnail(target);
        for (TThumbnail *thumbnail : dragged) {
            const int index = IndexOfThumbnail(thumbnail);
            if (index < 0 || at < 0)
                continue;
            if (index < at)
                --at;
            m_thumbnails.Move(index, at);
            ++at;
        }
    }
    const CPath folder = m_owner->Folder();
    if (TFolderSpecificOptions *options = TFolderSpecificOptionsCache::GetFolderOptions(folder)) {
        options->SetInt(TFolderOptions::SortProperty, CThumbSort::CustomOrder);
        options->Save();
        std::vector<CThumbBitmap *> records;
        records.reserve(size_t(Count()));
        for (int index = 0; index < Count(); ++index)
            if (CThumbBitmap *record = Thumbnail(index)->GetThumbBitmap())
                records.push_back(record);
        CThumbSort(folder).SaveCustomOrder(records);
    }
    m_owner->SortOrderChanged();
    Relayout();
    m_owner->SetModified(true);
}

void TThumbBox::MoveSelectedToFront()
{
    {
        CSingleLock lock(m_thumbnails.criticalSection());
        void **items = m_thumbnails.List();
        std::stable_partition(items, items + m_thumbnails.Count(),
                              [](void *item) { return static_cast<TThumbnail *>(item)->Selected(); });
    }
    Relayout();
}

// Pointer events of the inner panel.

void TThumbBox::clientMouseDown(QMouseEvent *event)
{
    const QPoint point = toContent(event->position().toPoint());
    if (TThumbnail *thumbnail = ThumbnailAtPoint(point)) {
        thumbnail->MouseDown(event->button(), event->modifiers(), point - thumbnail->BoundsRect().topLeft());
        if (event->button() == Qt::LeftButton) {
            m_pressed = thumbnail;
            m_pressPoint = event->position().toPoint();
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    HideInfoWindow();
    m_bandActive = true;
    m_owner->PauseLoading(true);
    ++CWaitCursor::DisableCount;
    m_bandChanged = false;
    m_bandStart = m_bandEnd = point;
    invalidateBand();
}

void TThumbBox::clientMouseMove(QMouseEvent *event)
{
    if (m_bandActive) {
        invalidateBand();
        m_bandEnd = toContent(event->position().toPoint());
        const bool add = event->modifiers() & Qt::ControlModifier;
        if (SelectInRect(QRect(m_bandStart, m_bandEnd).normalized(), add))
            m_bandChanged = true;
        invalidateBand();
        return;
    }
    if (m_pressed && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - m_pressPoint).manhattanLength() >= QApplication::startDragDistance())
        startDrag();
}

void TThumbBox::clientMouseUp(QMouseEvent *)
{
    m_pressed = nullptr;
    if (!m_bandActive)
        return;
    invalidateBand();
    m_bandActive = false;
    --CWaitCursor::DisableCount;
    m_owner->PauseLoading(false);
    if (m_bandChanged)
        m_owner->UpdateSimilarReference();
}

void TThumbBox::clientDoubleClick(QMouseEvent *event)
{
    if (ThumbnailAtPoint(toContent(event->position().toPoint())))
        OpenSelected();
}

bool TThumbBox::clientToolTip(const QPoint &point)
{
    TThumbnail *thumbnail = ThumbnailAtPoint(toContent(point));
    if (!thumbnail || !GeneralOptions->GetInt(TGeneralOptions::ShowTooltips))
        return false;
    QToolTip::showText(Client()->mapToGlobal(point), thumbnail->Hint(), Client(), ThumbnailRect(thumbnail));
    return true;
}

// The drag runs its own event loop: thumbnails deleted meanwhile drop out of
// the drag object, and the press is forgotten before it starts.
void TThumbBox::startDrag()
{
    m_pressed = nullptr;
    const std::vector<TThumbnail *> selected = GetSelected();
    if (selected.empty())
        return;
    auto *drag = new QDrag(Client());
    drag->setMimeData(new TThumbnailDragObject(selected));
    drag->exec(Qt::MoveAction);
}

bool TThumbBox::acceptsDrop(const QMimeData *data, const QPoint &point) const
{
    const TThumbnailDragObject *dragged = TThumbnailDragObject::From(data);
    if (!dragged)
        return false;
    if (dragged->SourceBox() != this)
        return !m_owner->Folder().IsEmpty();
    const QPoint content = point + scrollOffset();
    return FindThumbnailAt(content.x(), content.y(), m_spacing) != nullptr;
}

void TThumbBox::clientDragEnter(QDragEnterEvent *event)
{
    if (!TThumbnailDragObject::From(event->mimeData())) {
        event->ignore();
        return;
    }
    m_dragOver = true;
    m_dragPoint = event->position().toPoint();
    event->accept();
}

void TThumbBox::clientDragMove(QDragMoveEvent *event)
{
    m_dragPoint = event->position().toPoint();
    if (!acceptsDrop(event->mimeData(), m_dragPoint)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TThumbBox::clientDragLeave()
{
    m_dragOver = false;
}

void TThumbBox::clientDrop(QDropEvent *event)
{
    m_dragOver = false;
    const QPoint point = event->position().toPoint();
    if (!acceptsDrop(event->mimeData(), point)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    const TThumbnailDragObject *dragged = TThumbnailDragObject::From(event->mimeData());
    if (dragged->SourceBox() != this) {
        dragged->MoveToFolder(m_owner->Folder());
        return;
    }
    const QPoint content = point + scrollOffset();
    MoveThumbnailsBefore(dragged->Thumbnails(), FindThumbnailAt(content.x(), content.y(), m_spacing));
}

// A record's notification, resolved to its thumbnail or dropped when the
// thumbnail has gone. The message holds the observer while it runs.
LRESULT TThumbBox::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != UM_THUMBNAIL_NOTIFIED)
        return 0;
    const TThumbnailObserver *observer = reinterpret_cast<const TThumbnailObserver *>(lParam);
    if (!observer->Thumbnail())
        return 0;
    m_owner->ThumbnailChanged(observer->Thumbnail());
    // The owner may have deleted it meanwhile.
    TThumbnail *thumbnail = observer->Thumbnail();
    if (!thumbnail)
        return 0;
    if (wParam == CThumbBitmap::Stale)
        deleteThumbnail(thumbnail);
    else
        InvalidateThumbnail(thumbnail);
    return 0;
}
