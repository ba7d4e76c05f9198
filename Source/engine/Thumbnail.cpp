#include "Thumbnail.h"

#include "FolderOptions.h"
#include "ThumbBox.h"
#include "ZiloOptions.h"
#include "WindowHooks.h"

#include <Source/Glob.h>

#include <lib/controls/Edge.h>
#include <platform/StringList.h>

#include "FileTransfer.h"

#include <lib/WaitCursor.h>
#include <lib/controls/DropFile.h>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QUrl>

#include <platform/HostPath.h>

#include <algorithm>

// The label under a picture, when the folder labels its thumbnails.
constexpr int LabelHeight = 8;

void TThumbSkeleton::SetImageSize(int labelHeight, int imageWidth, int imageHeight)
{
    const int width = std::max(imageWidth, imageHeight) * 116 / 100 + 6;
    m_bounds.setSize(QSize(width, width + labelHeight));
}

QRect TThumbSkeleton::GetImageRect(int labelHeight, int imageWidth, int imageHeight) const
{
    const int left = (Width() - imageWidth) / 2;
    const int top = (Height() - imageHeight) / 2 - labelHeight;
    return QRect(left, top, imageWidth, imageHeight);
}

void TThumbnailObserver::Notify(uint8_t what)
{
    // The message holds the observer, so lParam stays valid until it is
    // handled; one whose thumbnail went meanwhile is dropped.
    std::shared_ptr<TThumbnailObserver> self = shared_from_this();
    TThumbnailObserver *observer = self.get();
    PostMessageIf(m_window, UM_THUMBNAIL_NOTIFIED, what, reinterpret_cast<LPARAM>(observer),
                  [self = std::move(self)] { return self->Thumbnail() != nullptr; });
}

TThumbnail::TThumbnail(CThumbBitmap *record, TThumbBox *box)
    : m_box(box), m_client(std::make_shared<TThumbnailObserver>(box->WindowHandle(), this))
{
    m_client->SetBitmap(record);
    m_box->joinList(this);
    UpdateSizeAndHint();
}

TThumbnail::~TThumbnail()
{
    Animation().RemoveThumbnail(this);
    SetSelected(false);
    m_box->leaveList(this);
    // Waits for a Notify under way on another thread, which only posts.
    m_client->SetBitmap(nullptr);
    m_client->Forget();
}

void TThumbnail::SetThumbBitmap(CThumbBitmap *record)
{
    m_client->SetBitmap(record);
    UpdateSizeAndHint();
}

int TThumbnail::labelHeight() const
{
    const CThumbBitmap *record = GetThumbBitmap();
    if (!record || !FolderOptionInt(record->GetFolder(), TFolderOptions::LabelThumbnails))
        return 0;
    return LabelHeight;
}

void TThumbnail::UpdateSizeAndHint()
{
    const CThumbBitmap *record = GetThumbBitmap();
    const CSize size = record ? record->GetThumbnailSize() : CSize(0, 0);
    SetImageSize(labelHeight(), size.cx, size.cy);
}

QString TThumbnail::Hint() const
{
    const CThumbBitmap *record = GetThumbBitmap();
    return record ? record->GetInfoText().ToAnsiString() : QString();
}

void TThumbnail::SetSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    m_box->InvalidateThumbnail(this);
    m_box->adjustSelectedCount(selected ? 1 : -1);
}

void TThumbnail::SetCutMark(bool cutMark)
{
    if (cutMark == m_cutMark)
        return;
    m_cutMark = cutMark;
    m_box->InvalidateThumbnail(this);
}

// A colour as the options store it, 0x00BBGGRR.
static QColor colourOf(int32_t value)
{
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// A note outline with three lines of text in (1, 1)-(9, 10).
static void paintMemoMark(QPainter &canvas)
{
    canvas.fillRect(1, 1, 8, 9, Qt::white);
    canvas.setPen(Qt::black);
    canvas.drawRect(1, 1, 7, 8);
    for (int y = 3; y <= 7; y += 2)
        canvas.drawLine(3, y, 6, y);
}

static void paintStateGlyph(QPainter &canvas, TThumbState state)
{
    canvas.setPen(Qt::black);
    switch (state) {
    case TThumbState::Pending:
        canvas.drawPolygon(QPolygon({QPoint(5, 3), QPoint(11, 3), QPoint(14, 8), QPoint(11, 13), QPoint(5, 13),
                                     QPoint(2, 8)}));
        return;
    case TThumbState::Failed:
        canvas.drawLine(3, 3, 13, 13);
        canvas.drawLine(13, 3, 3, 13);
        return;
    case TThumbState::Loading:
        canvas.drawPolygon(QPolygon({QPoint(8, 2), QPoint(10, 6), QPoint(14, 6), QPoint(11, 9), QPoint(12, 14),
                                     QPoint(8, 11), QPoint(4, 14), QPoint(5, 9), QPoint(2, 6), QPoint(6, 6)}));
        return;
    case TThumbState::Loaded:
        // Its pictures are not shown.
        for (int x : {5, 10, 15})
            canvas.fillRect(x - 1, 9, 3, 3, colourOf(0x800000));
        return;
    }
}

void TThumbnail::paintPicture(QPainter &canvas, CThumbBitmap &record, const TThumbDrawOptions &options)
{
    const CSize size = record.GetThumbnailSize();
    const QRect image = GetImageRect(options.label ? LabelHeight : 0, size.cx, size.cy);
    // The label keeps within the sunken edge, whose inner side lies 4 pixels in.
    TThumbDrawOptions bounded = options;
    bounded.labelWidth = Width() - 8;
    record.Draw(&canvas, image.left(), image.top(), bounded);
    PaintEdge(canvas, image.adjusted(-2, -2, 2, 2), true);
    if (record.GetHandler().GetHasMemo())
        paintMemoMark(canvas);
}

void TThumbnail::paintInformation(QPainter &canvas, CThumbBitmap &record, bool loaded)
{
    paintStateGlyph(canvas, loaded ? TThumbState::Loaded : record.GetState());
    canvas.setPen(colourOf(PanelOptions->GetInt(TPanelOptions::TextColour)));
    const QFontMetrics metrics = canvas.fontMetrics();
    const int ascent = metrics.ascent();
    // Lines too long for the item end in an ellipsis, and a line that would
    // not fit above the sunken edge is left out, rather than cut.
    const auto write = [&](int x, int y, const QString &text) {
        if (y + metrics.height() > Height() - 2)
            return;
        canvas.drawText(x, y + ascent, metrics.elidedText(text, Qt::ElideRight, Width() - 3 - x));
    };
    write(20, 3, CThumbBitmap::GetStateText(record.GetState()).ToAnsiString());
    write(4, 18, record.GetHandler().GetName().ToAnsiString());
    TStringList lines;
    record.GetInfoLines(lines);
    const int pitch = metrics.height() * 120 / 100;
    for (int line = 1; line < lines.Count(); ++line)
        write(4, 18 + line * pitch, lines[line]);
}

// Every second pixel white: ORed over the item, it turns half of its pixels
// white and leaves the others as they were.
static const QImage &washPattern()
{
    static const QImage pattern = [] {
        QImage image(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                image.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000);
        return image;
    }();
    return pattern;
}

void TThumbnail::Paint(QPainter &canvas, const TThumbDrawOptions &options)
{
    canvas.save();
    canvas.translate(BoundsRect().topLeft());
    canvas.setClipRect(0, 0, Width(), Height(), Qt::IntersectClip);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    canvas.setFont(font);
    const QRect inner(2, 2, Width() - 4, Height() - 4);
    if (m_selected)
        canvas.fillRect(inner, colourOf(PanelOptions->GetInt(TPanelOptions::SelectionColour)));
    canvas.setPen(colourOf(PanelOptions->GetInt(TPanelOptions::TextColour)));
    if (CThumbBitmap *record = GetThumbBitmap()) {
        const bool loaded = record->GetState() == TThumbState::Loaded;
        if (loaded && m_box->Owner().ShowsPictures())
            paintPicture(canvas, *record, options);
        else
            paintInformation(canvas, *record, loaded);
    }
    if (m_cutMark) {
        canvas.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        canvas.drawTiledPixmap(QRect(0, 0, Width(), Height()), QPixmap::fromImage(washPattern()));
        canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    PaintEdge(canvas, inner, false);
    canvas.restore();
}

void TThumbnail::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &point)
{
    // The pointer keeps its shape while the selection changes.
    ++CWaitCursor::DisableCount;
    m_box->Client()->setFocus();
    m_box->BeginUpdate();
    if (shift & Qt::ControlModifier) {
        if (shift & Qt::ShiftModifier) {
            m_box->SelectRange(this);
        } else {
            SetSelected(!m_selected);
            if (m_selected)
                m_box->setFocusThumbnail(this);
        }
    } else if (shift & Qt::ShiftModifier) {
        m_box->deselectAll();
        m_box->SelectRange(this);
    } else if (!m_selected) {
        // The owner hears once, below.
        m_box->HideInfoWindow();
        m_box->deselectAll();
        m_box->setFocusThumbnail(this);
        SetSelected(true);
    } else if (button == Qt::LeftButton) {
        const CThumbBitmap *record = GetThumbBitmap();
        const CSize size = record ? record->GetThumbnailSize() : CSize(0, 0);
        if (!GetImageRect(labelHeight(), size.cx, size.cy).contains(point))
            m_box->ShowInfoWindow(this);
    }
    m_box->EndUpdate();
    m_box->Owner().UpdateSimilarReference();
    --CWaitCursor::DisableCount;
}

TThumbnailDragObject::TThumbnailDragObject(const std::vector<TThumbnail *> &thumbnails)
{
    QStringList paths;
    QList<QUrl> urls;
    for (TThumbnail *thumbnail : thumbnails) {
        m_box = thumbnail->Box();
        m_thumbnails.push_back(thumbnail->Observer());
        if (CThumbBitmap *record = thumbnail->GetThumbBitmap()) {
            const QString path = record->GetFullPath().ToAnsiString();
            paths << path;
            urls << QUrl::fromLocalFile(QString::fromStdString(HostPathFromWindows(path.toStdString())));
        }
    }
    setData(ZiloFilesMimeType, paths.join(QStringLiteral("\r\n")).toUtf8());
    setUrls(urls);
}

const TThumbnailDragObject *TThumbnailDragObject::From(const QMimeData *data)
{
    return qobject_cast<const TThumbnailDragObject *>(data);
}

TThumbBox *TThumbnailDragObject::SourceBox() const
{
    return m_box;
}

std::vector<TThumbnail *> TThumbnailDragObject::Thumbnails() const
{
    std::vector<TThumbnail *> thumbnails;
    for (const std::shared_ptr<TThumbnailObserver> &observer : m_thumbnails)
        if (TThumbnail *thumbnail = observer->Thumbnail())
            thumbnails.push_back(thumbnail);
    return thumbnails;
}

void TThumbnailDragObject::MoveToFolder(const CPath &folder) const
{
    if (!ConfirmDragMove(folder))
        return;
    TStringList files;
    for (TThumbnail *thumbnail : Thumbnails())
        if (CThumbBitmap *record = thumbnail->GetThumbBitmap())
            files.Add(record->GetFullPath().ToAnsiString());
    if (files.Count() > 0)
        TransferFiles(TMoveContext(), files, folder);
}
