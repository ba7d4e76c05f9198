#pragma once

#include "../WindowHooks.h"

#include <lib/SafeList.h>
#include <lib/controls/NewScrollBox.h>
#include <platform/Messages.h>

#include <memory>

class CThumbBitmap;
class TThumbnail;

// The scrolling panel of a browse window: one painted TThumbnail per record,
// laid out in rows in display order. Only the thumbnails that meet the part of
// the inner panel being painted are painted. Window thread only.
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

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A record went stale: its thumbnail leaves the box.
    void deleteThumbnail(TThumbnail *thumbnail);
    void placeThumbnail(TThumbnail *thumbnail);
    void setScrollRanges();
    void updatePages();
    QPoint scrollOffset() const;
    // The thumbnails that meet exposed (inner panel coordinates).
    void paintThumbnails(QPainter &canvas, const QRect &exposed);

    ThumbBoxOwner *m_owner;
    std::unique_ptr<CMessageWindow> m_window;
    TSafeList m_thumbnails;   // owns each TThumbnail, in display order
    int m_selectedCount = 0;
    int m_updateDepth = 0;

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
};
