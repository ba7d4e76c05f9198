#include "ThumbBox.h"

#include "FolderOptions.h"
#include "Thumbnail.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

// The inner panel: paints the thumbnails that the paint event exposes.
class TThumbBoxClient : public TNewScrollClient
{
public:
    explicit TThumbBoxClient(TThumbBox *box) : TNewScrollClient(box), m_box(box) {}

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
        m_box->updatePages();
    }

private:
    TThumbBox *m_box;   // the parent
    QRect m_exposed;    // of the paint under way
};

// Answers the safe way for a box made without an owner.
static ThumbBoxOwner NoOwner;

TThumbBox::TThumbBox(ThumbBoxOwner *owner, QWidget *parent)
    : TNewScrollBox(parent),
      m_owner(owner ? owner : &NoOwner),
      m_window(std::make_unique<CMessageWindow>(
          [this](UINT message, WPARAM wParam, LPARAM lParam) { return handleMessage(message, wParam, lParam); }))
{
    SetClient(new TThumbBoxClient(this));
    for (TMyNewScrollBar *bar : {HorzScrollBar(), VertScrollBar()})
        connect(bar, &TNewScrollBar::OnChange, this, [this] { Invalidate(); });
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
    m_thumbnails.Remove(thumbnail);
    InvalidateThumbnail(thumbnail);
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
    while (Count() > 0)
        delete Thumbnail(Count() - 1);   // leaves the list
}

void TThumbBox::BeginUpdate()
{
    ++m_updateDepth;
}

void TThumbBox::EndUpdate()
{
    if (--m_updateDepth == 0)
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

void TThumbBox::InvalidateThumbnail(TThumbnail *thumbnail)
{
    Client()->update(ThumbnailRect(thumbnail));
}

void TThumbBox::paintThumbnails(QPainter &canvas, const QRect &exposed)
{
    const QRect content = exposed.translated(scrollOffset());
    canvas.save();
    canvas.translate(-scrollOffset());
    for (int index = 0; index < Count(); ++index) {
        TThumbnail *thumbnail = Thumbnail(index);
        if (thumbnail->BoundsRect().intersects(content))
            thumbnail->Paint(canvas);
    }
    canvas.restore();
}

void TThumbBox::deleteThumbnail(TThumbnail *thumbnail)
{
    const bool selected = thumbnail->Selected();
    if (selected)
        BeginUpdate();
    delete thumbnail;   // leaves the list
    if (selected)
        EndUpdate();
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
