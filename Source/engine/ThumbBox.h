#pragma once

#include "WindowHooks.h"

#include <lib/SafeList.h>
#include <lib/controls/NewScrollBox.h>
#include <platform/Messages.h>

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CThumbBitmap;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QMouseEvent;
class TThumbnail;

// The scrolling panel of a browse window: one painted TThumbnail per record,
// laid out in rows in display order. Only the thumbnails that meet the part of
// the inner panel being painted are painted. It keeps the selection (clicks,
// keys, a rubber band), takes drops of thumbnails (a reorder from itself, a
// move from another box) and scrolls while something is dragged near its
// edges. Coordinates named "content" are the inner panel's, unscrolled, as
// the thumbnails' bounds are. Window thread only.
class TThumbBox : public TNewScrollBox
{
    Q_OBJECT

public:
    // owner may be null: the box then reports to nobody. Not owned; it
    // outlives the box.
    explicit TThumbBox(ThumbBoxOwner *owner, QWidget *parent = nullptr);
    ~TThumbBox() override;

    ThumbBoxOwner &Owner() const { return *m_owner; }
    // The window that resolves the thumbnails' record notifications.
    HWND WindowHandle() const { return m_window->Handle(); }

    int Count() const { return m_thumbnails.Count(); }
    TThumbnail *Thumbnail(int index) const { return static_cast<TThumbnail *>(m_thumbnails[index]); }
    int IndexOfThumbnail(TThumbnail *thumbnail) const { return m_thumbnails.IndexOf(thumbnail); }
    int SelectedCount() const { return m_selectedCount; }
    // The last thumbnail clicked or moved to by a key: the anchor of ranges.
    TThumbnail *Focus() const { return m_focus; }

    enum TSelectionChange { SelectAll = 0, SelectNone = 1, InvertSelection = 2 };
    // HandleKeyDown's directions.
    enum TKeyDirection { KeyUp = 1, KeyDown, KeyLeft, KeyRight, KeyPageUp, KeyPageDown, KeyFirst, KeyLast };

    // A new thumbnail for record at the end, placed after the others; the
    // scroll ranges grow to hold it and the owner is told (ShowThumbnail).
    TThumbnail *AddThumbnail(CThumbBitmap *record);
    // The layout starts again: at (spacing, spacing) of the open folder's
    // spacing, across the inner panel's width.
    void ResetLayout();
    // Places every thumbnail again in list order and sets the scroll ranges.
    void Relayout();
    void ResetScrollBars();
    // Deletes every thumbnail.
    void DeleteAllThumbnails();

    // Selection changes inside one bracket reach the owner once, at the end.
    void BeginUpdate();
    void EndUpdate();

    // The selected thumbnails in display order.
    std::vector<TThumbnail *> GetSelected() const;
    // GetSelected, then the same way back without its last and first, for a
    // back-and-forth animation. Fewer than three have no way back.
    std::vector<TThumbnail *> GetSelectedPingPong() const;
    void ChangeSelection(TSelectionChange mode);
    void SetAllCutMarks(bool cutMark);
    // Opens the selected files with their default application.
    void OpenSelected();
    // Whether one of its thumbnails shows record. Asks the record's own
    // clients, so it costs the same in a box of any size. Window thread.
    bool ShowsRecord(CThumbBitmap *record) const;
    // The thumbnails that accepts takes, in display order.
    std::vector<TThumbnail *> FindMatching(const std::function<bool(const TThumbnail &)> &accepts) const;
    // Moves the focus a step in direction, selecting it alone; with extend
    // (Shift held) the range end moves instead, and the thumbnails from the
    // focus to it are selected.
    void HandleKeyDown(int direction, bool extend);
    // Selects every thumbnail from the focus (the first thumbnail when there
    // is none) to target, both included.
    void SelectRange(TThumbnail *target);
    // Selects the thumbnails that meet rect (content coordinates); with add
    // false the others are deselected. The first one met becomes the focus.
    // Answers whether any thumbnail changed.
    bool SelectInRect(const QRect &rect, bool add);
    // In content coordinates: the first thumbnail whose left edge lies within
    // spacing of x, either way, and whose top <= y < bottom. A drop there
    // lands just before it.
    TThumbnail *FindThumbnailAt(int x, int y, int spacing) const;
    // The thumbnail whose bounds hold point (content coordinates), or null.
    TThumbnail *ThumbnailAtPoint(const QPoint &point) const;
    // The same for a point of the inner panel, as scrolled.
    TThumbnail *ThumbnailAtClientPoint(const QPoint &point) const { return ThumbnailAtPoint(toContent(point)); }
    // Moves the bars the least that shows the whole thumbnail.
    void ScrollThumbnailInView(TThumbnail *thumbnail);

    // The sum of the files' sizes, and of the records' build times in whole seconds.
    int64_t GetTotalFileSize() const;
    int GetTotalBuildTime() const;

    // From the owner's timer: the panel look and the scrolling of a drag.
    void TimerTick();
    // Takes the Panel options' look when it differs from the box's copy.
    void ReloadPanelLook();
    // While something is dragged over the box: scrolls 25 pixels towards an
    // edge the pointer is within 16 pixels of.
    void AutoScroll();

    // A small window beside thumbnail with its file's information, when the
    // General options show thumbnail information.
    void ShowInfoWindow(TThumbnail *thumbnail);
    void HideInfoWindow();
    bool InfoWindowShown() const { return m_infoWindow != nullptr; }

    // Reorders the box: the dragged thumbnails, in their order, go just
    // before target; the folder then has a custom order, which is saved.
    void MoveThumbnailsBefore(const std::vector<TThumbnail *> &dragged, TThumbnail *target);

    // Moves the selected thumbnails, in their order, before all the others
    // and lays the box out again. The folder's sort order is the caller's.
    void MoveSelectedToFront();

    // Repaints the part of the inner panel where the thumbnail lies.
    void InvalidateThumbnail(TThumbnail *thumbnail);
    // Where the thumbnail lies in the inner panel's coordinates, as scrolled.
    QRect ThumbnailRect(const TThumbnail *thumbnail) const;

private:
    friend class TThumbnail;
    friend class TThumbBoxClient;

    // From the thumbnail's constructor and destructor.
    void joinList(TThumbnail *thumbnail);
    void leaveList(TThumbnail *thumbnail);
    void adjustSelectedCount(int change) { m_selectedCount += change; }
    void setFocusThumbnail(TThumbnail *thumbnail) { m_focus = thumbnail; }
    void deselectAll();
    void selectRange(int from, int to);

    // The inner panel's pointer and drag events, in its own coordinates.
    void clientMouseDown(QMouseEvent *event);
    void clientMouseMove(QMouseEvent *event);
    void clientMouseUp(QMouseEvent *event);
    void clientDoubleClick(QMouseEvent *event);
    void clientDragEnter(QDragEnterEvent *event);
    void clientDragMove(QDragMoveEvent *event);
    void clientDragLeave();
    void clientDrop(QDropEvent *event);
    bool clientToolTip(const QPoint &point);
    // Whether a drag of thumbnails may drop at point (client coordinates).
    bool acceptsDrop(const QMimeData *data, const QPoint &point) const;
    void startDrag();
    // Repaints the band's outline.
    void invalidateBand();

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A record went stale: its thumbnail leaves the box, and the others close
    // up once the window thread is free again (General option "AutoLayout").
    void deleteThumbnail(TThumbnail *thumbnail);
    void requestRelayout();
    // The inner panel took a new size: the pages follow it, and the
    // thumbnails its new width when the General options re-lay on a resize.
    void clientResized();
    void placeThumbnail(TThumbnail *thumbnail);
    void setScrollRanges();
    void updatePages();
    QPoint scrollOffset() const;
    QPoint toContent(const QPoint &clientPoint) const { return clientPoint + scrollOffset(); }
    // The thumbnails that meet exposed (inner panel coordinates).
    void paintThumbnails(QPainter &canvas, const QRect &exposed);

    ThumbBoxOwner *m_owner;
    std::unique_ptr<CMessageWindow> m_window;
    TSafeList m_thumbnails;   // owns each TThumbnail, in display order
    int m_selectedCount = 0;
    int m_updateDepth = 0;
    QRect m_pendingRepaint;   // of the bracket under way, client coordinates
    TThumbnail *m_focus = nullptr;      // the anchor of ranges, or null
    TThumbnail *m_rangeEnd = nullptr;   // of a keyboard extension, or null

    // The panel look as last taken from the Panel options.
    int32_t m_colour = 0;
    int32_t m_strength = 0;
    QString m_texture;
    bool m_flipH = false;
    bool m_flipV = false;
    bool m_greyscale = false;

    // The rubber band, in content coordinates.
    bool m_bandActive = false;
    QPoint m_bandStart;
    QPoint m_bandEnd;
    bool m_bandChanged = false;   // the selection changed during this band

    // A left press on a thumbnail, until it becomes a drag or ends.
    TThumbnail *m_pressed = nullptr;
    QPoint m_pressPoint;

    bool m_dragOver = false;
    QPoint m_dragPoint;   // the pointer during a drag, client coordinates

    QPointer<QWidget> m_infoWindow;

    // Layout state, in the inner panel's unscrolled coordinates.
    int m_spacing = 0;
    int m_x = 0;
    int m_y = 0;
    int m_column = 0;
    int m_maxColumns = 0;
    int m_rowCount = 0;
    int m_rowHeight = 0;   // of the tallest thumbnail in the current row
    int m_right = 0;       // of the rightmost thumbnail
    int m_usableWidth = 0;
    bool m_relayoutPending = false;   // a queued Relayout has not run yet
};
