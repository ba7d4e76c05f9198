#pragma once

#include "ThumbBitmap.h"

#include <lib/String.h>
#include <platform/Messages.h>

#include <QMimeData>
#include <QPointer>
#include <QRect>

#include <cstdint>
#include <memory>
#include <vector>

class CPath;
class QPainter;
class TThumbBox;
class TThumbnail;

// The place and size of a thumbnail: the width from the image's longer side,
// the height that plus the label under it. Coordinates are the owner's.
class TThumbSkeleton
{
public:
    // Sizes the item for an image of that size with a label of labelHeight
    // pixels under it; the place stays.
    void SetImageSize(int labelHeight, int imageWidth, int imageHeight);
    // Where an image of that size lies in the item's own coordinates: centred,
    // then raised by the label height.
    QRect GetImageRect(int labelHeight, int imageWidth, int imageHeight) const;

    const QRect &BoundsRect() const { return m_bounds; }
    int Width() const { return m_bounds.width(); }
    int Height() const { return m_bounds.height(); }
    void SetPlace(int left, int top) { m_bounds.moveTo(left, top); }

private:
    QRect m_bounds;
};

// The observer of one thumbnail's record. Shared by the thumbnail and by every
// message its Notify posted, so that a message arriving after the thumbnail has
// gone finds no thumbnail and is dropped.
class TThumbnailObserver : public CThumbBitmapClient, public std::enable_shared_from_this<TThumbnailObserver>
{
public:
    // window: the box's message window, which resolves the posts.
    TThumbnailObserver(HWND window, TThumbnail *thumbnail) : m_window(window), m_thumbnail(thumbnail) {}

    // Any thread: posts the notification to the box's window and returns; it
    // waits for nothing, so the window thread may detach this meanwhile.
    void Notify(uint8_t what) override;
    // Window thread: the thumbnail, or null once it has gone.
    TThumbnail *Thumbnail() const { return m_thumbnail; }
    // Window thread, from the thumbnail's destructor.
    void Forget() { m_thumbnail = nullptr; }

private:
    const HWND m_window;
    TThumbnail *m_thumbnail;   // written and read on the window thread only
};

// The message that TThumbnailObserver posts: wParam the notification, lParam
// the observer, alive while the message is handled.
constexpr UINT UM_THUMBNAIL_NOTIFIED = WM_APP;

// One record shown in a thumbnail box: a painted item of the box's inner
// panel, not a widget. The box owns it; it joins the box's list when made and
// leaves it when deleted. Window thread only, except for its observer.
class TThumbnail : public TThumbSkeleton
{
public:
    // Shows record (which may be null) in box, sized for it.
    TThumbnail(CThumbBitmap *record, TThumbBox *box);
    // Leaves the animation, then deselects itself, so the box's selected
    // count stays right.
    ~TThumbnail();
    TThumbnail(const TThumbnail &) = delete;
    TThumbnail &operator=(const TThumbnail &) = delete;

    CThumbBitmap *GetThumbBitmap() const { return m_client->GetBitmap(); }
    void SetThumbBitmap(CThumbBitmap *record);
    TThumbBox *Box() const { return m_box; }

    // The size for the record's thumbnail and the folder's label option.
    void UpdateSizeAndHint();
    // The record's information text, made when asked: a box of many
    // thumbnails keeps no copy of each.
    QString Hint() const;

    bool Selected() const { return m_selected; }
    // A change repaints and adjusts the box's selected count.
    void SetSelected(bool selected);
    bool CutMark() const { return m_cutMark; }
    void SetCutMark(bool cutMark);

    // Paints the item at its place in canvas's coordinates, with options of
    // its record's folder. Decodes the record's thumbnail on first use.
    void Paint(QPainter &canvas, const TThumbDrawOptions &options);

    // A pointer button went down on the item at point (its own coordinates):
    // Ctrl toggles or, with Shift, selects the range from the box's focus;
    // Shift alone selects only that range; a plain click selects the item
    // alone unless it is selected, when a left click beside its picture
    // shows its information.
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, const QPoint &point);

    // Its observer, which outlives it while a message or a drag holds it.
    const std::shared_ptr<TThumbnailObserver> &Observer() const { return m_client; }

private:
    int labelHeight() const;
    void paintPicture(QPainter &canvas, CThumbBitmap &record, const TThumbDrawOptions &options);
    void paintInformation(QPainter &canvas, CThumbBitmap &record, bool loaded);

    TThumbBox *m_box;
    std::shared_ptr<TThumbnailObserver> m_client;
    bool m_selected = false;
    bool m_cutMark = false;
};

// The data of a drag of thumbnails: the box's selection when it began. It
// holds them through their observers, so that one deleted during the drag
// (its file went) drops out. Other programs see the files as local URLs and
// as the program's own list of Windows paths.
class TThumbnailDragObject : public QMimeData
{
    Q_OBJECT

public:
    // thumbnails: of one box, in display order.
    explicit TThumbnailDragObject(const std::vector<TThumbnail *> &thumbnails);

    // data as a drag of this program's thumbnails, or null.
    static const TThumbnailDragObject *From(const QMimeData *data);

    // The box the drag began in; null once it has gone.
    TThumbBox *SourceBox() const;
    // The dragged thumbnails that are still there, in drag order.
    std::vector<TThumbnail *> Thumbnails() const;
    // After ConfirmDragMove, moves the dragged files into folder.
    void MoveToFolder(const CPath &folder) const;

private:
    QPointer<TThumbBox> m_box;
    std::vector<std::shared_ptr<TThumbnailObserver>> m_thumbnails;
};
