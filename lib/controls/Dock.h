#pragma once

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

class TAlignLayout;
class TDockToolbar;
class TFloatParent;
class TToolbarDrag;

enum TDockPosition { dpTop, dpBottom, dpLeft, dpRight };
enum TDockBoundLine { blTop = 1, blBottom = 2, blLeft = 4, blRight = 8 };
using TDockBoundLines = int;   // TDockBoundLine flags
enum TToolbarOrientation { toFloating, toHorizontal, toVertical };

// Where an edge dropped into a dock lands, walking its rows from the dock's
// top (left) edge: within 5 pixels past a row's starting edge it opens a new
// row before that row; more than 5 pixels inside a row from both of its edges
// it joins that row; past the last row it opens a new last row.
struct TDropRow
{
    int row;
    bool newRow;
};
TDropRow DropRowAt(const std::vector<int> &rowSizes, int edge);

// A shape that a floating toolbar can take when the user resizes it by its
// frame: the wrap width that gives it (0: one line) and the toolbar's size.
struct TFloatShape
{
    int wrapWidth;
    QSize size;
};

// Which shape an edge dragged to wanted picks, of shapes whose extents along
// that edge's direction (their windows' widths or heights) are given, the
// shape current being shown. Near the current extent (12 pixels, narrowed to
// less than the distance to the nearest other shape) nothing changes; else
// the edge covers the pointer: the smallest extent reaching wanted, or the
// largest when none does.
size_t ChooseFloatShape(const std::vector<int> &extents, size_t current, int wanted);

// An edge area of a form that holds toolbars in rows and grows and shrinks
// with them. It aligns to its Position in the form's TAlignLayout, when the
// form has one. Window thread only.
class TDock : public QWidget
{
    Q_OBJECT

public:
    // Raises "TDock must be owned by a form" unless form is a window, and "A
    // TDock control cannot be placed inside a TDockToolbar or another TDock".
    explicit TDock(QWidget *form, TDockPosition position = dpTop);
    ~TDock() override;

    bool AllowDrag() const { return m_allowDrag; }
    void SetAllowDrag(bool value);
    const QImage &Background() const { return m_background; }
    void SetBackground(const QImage &value);
    // The background's pixels of its key colour (its bottom-left pixel) show
    // the dock's face through.
    bool BackgroundTransparent() const { return m_backgroundTransparent; }
    void SetBackgroundTransparent(bool value);
    TDockBoundLines BoundLines() const { return m_boundLines; }
    void SetBoundLines(TDockBoundLines value);
    bool FixAlign() const { return m_fixAlign; }
    void SetFixAlign(bool value);
    bool LimitToOneRow() const { return m_limitToOneRow; }
    void SetLimitToOneRow(bool value);
    TDockPosition Position() const { return m_position; }
    // Raises "Cannot change Position of a TDock if it already contains controls".
    void SetPosition(TDockPosition value);
    bool isVertical() const { return m_position == dpLeft || m_position == dpRight; }

    // The docked toolbars, in the order they came in.
    const std::vector<TDockToolbar *> &Toolbars() const { return m_toolbars; }
    // The thickness of each row after the last arrangement, from the top (left).
    const std::vector<int> &RowSizes() const { return m_rowSizes; }

    // Lays the rows out and sets the dock's thickness; skipped while locked.
    void ArrangeToolbars();
    // Arranging waits until every lock is undone; the last unlock arranges.
    void BeginArrange() { ++m_arrangeLock; }
    void EndArrange();

    // Raises "Cannot hide a TDock": a form's docks are always there, empty or not.
    void setVisible(bool visible) override;

signals:
    void OnInsertRemoveBar(TDock *sender, bool inserting, TDockToolbar *bar);
    void OnResize(TDock *sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TDockToolbar;
    void insertBar(TDockToolbar *bar);
    void removeBar(TDockToolbar *bar);
    int alongLength() const;
    void setThickness(int thickness);
    TAlignLayout *formLayout() const;
    void prepareBackground();

    std::vector<TDockToolbar *> m_toolbars;   // not owned: children while docked
    std::vector<int> m_rowSizes;
    QImage m_background;
    QPixmap m_backgroundTile;   // the background as painted
    TDockPosition m_position;
    TDockBoundLines m_boundLines = 0;
    int m_arrangeLock = 0;
    bool m_allowDrag = true;
    bool m_fixAlign = false;
    bool m_limitToOneRow = false;
    bool m_backgroundTransparent = false;
};

// A toolbar that is docked in one of its form's docks or floats in a small
// tool window of its own over the form. Its children (buttons, separators) are
// laid out in their creation order. It is dragged by its handle, or floating
// by its title, with the mouse grabbed; there is no nested event loop.
// Window thread only.
class TDockToolbar : public QWidget
{
    Q_OBJECT

public:
    // Created floating, hidden until docked or shown. Raises "TDockToolbar
    // must be owned by a form" unless form is a window.
    explicit TDockToolbar(QWidget *form);
    ~TDockToolbar() override;

    QWidget *Form() const { return m_form; }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &value);
    bool CanDockLeftRight() const { return m_canDockLeftRight; }
    void SetCanDockLeftRight(bool value) { m_canDockLeftRight = value; }
    bool CloseButton() const { return m_closeButton; }
    void SetCloseButton(bool value);
    TDock *DefaultDock() const { return m_defaultDock; }
    void SetDefaultDock(TDock *dock) { m_defaultDock = dock; }
    TDock *DockedTo() const { return m_dockedTo; }
    // Null floats it.
    void SetDockedTo(TDock *dock);
    int DockRow() const { return m_dockRow; }
    void SetDockRow(int value);
    // -1: at the end of its row.
    int DockPos() const { return m_dockPos; }
    void SetDockPos(int value);
    // The floating window's top-left corner, in screen coordinates.
    QPoint FloatPos() const { return m_floatPos; }
    void SetFloatPos(const QPoint &value);
    // The width floating lines wrap at; 0 for no wrapping.
    int FloatRightX() const { return m_floatRightX; }
    void SetFloatRightX(int value);
    TToolbarOrientation Orientation() const;
    TFloatParent *FloatParent() const { return m_floatParent; }
    // Which order toolbars of a form were made in.
    quint64 CreationOrder() const { return m_creationOrder; }

    // The toolbar's size laid out for orientation, docked in dock (for its
    // drag handle) or floating when dock is null.
    QSize LayoutSize(TToolbarOrientation orientation, const TDock *dock, int wrapWidth) const;
    // The shapes it can take floating, from one line to the narrowest: each
    // wrap width that gives a layout exactly that wide (to its controls'
    // right edge), and of shapes of one height only the narrowest.
    std::vector<TFloatShape> FloatShapes() const;
    // Places the controls for the toolbar's current orientation and sizes it;
    // leaves its dock and floating window alone.
    void ArrangeControls();
    // Called by buttons and separators when one changed size or visibility.
    void ControlsChanged();

    void setVisible(bool visible) override;

    static constexpr int FrameMargin = 2;

signals:
    void OnClose(TDockToolbar *sender);
    void OnDockChanging(TDockToolbar *sender);
    void OnDockChanged(TDockToolbar *sender);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    friend class TDock;
    friend class TFloatParent;
    bool draggable() const;
    void beginDrag(const QPoint &globalPos, bool ctrl);
    void beginResize(Qt::Edge edge, const QPoint &globalPos);
    void resizeTo(const QPoint &globalPos);
    void endDrag(bool apply);
    void dockOrFloatOnDoubleClick();
    void retarget(const QPoint &globalPos);
    void setCtrl(bool held);
    QRect frameOnScreen() const;
    void dropInto(TDock *dock, const QRect &outline);
    void floatAt(const QRect &outline);
    void updateFloatVisibility();

    QWidget *m_form;                              // not owned
    QPointer<TFloatParent> m_floatParent;         // owned by the form, as a window over it
    std::unique_ptr<TToolbarDrag> m_drag;         // while a drag runs
    TDock *m_dockedTo = nullptr;
    TDock *m_defaultDock = nullptr;
    QString m_caption;
    QPoint m_floatPos;
    quint64 m_creationOrder;
    int m_dockRow = 0;
    int m_dockPos = -1;
    int m_floatRightX = 0;
    bool m_canDockLeftRight = true;
    bool m_closeButton = true;
    bool m_arranging = false;
};

// The small frameless tool window over the form that hosts a floating
// toolbar: a raised frame, a title with the toolbar's caption and a close
// button. Window thread only.
class TFloatParent : public QWidget
{
    Q_OBJECT

public:
    explicit TFloatParent(TDockToolbar *toolbar);
    // The toolbar, its child, goes with it and must not reach back into a
    // window already half gone.
    ~TFloatParent() override;

    // The frame around the toolbar on each side, and the title's height.
    static int FrameWidth();
    static int CaptionHeight();
    // The window's size for a toolbar of toolbarSize.
    static QSize SizeFor(const QSize &toolbarSize);
    QRect CloseButtonRect() const;
    // The frame edge under point, which resizes the window; none: 0.
    Qt::Edges EdgeAt(const QPoint &point) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    friend class TDockToolbar;
    TDockToolbar *m_toolbar;    // null once the toolbar is gone
    bool m_closeHeld = false;   // the close button was pressed and not yet released
    bool m_closePushed = false;
};

// Keeps a floating window fully on the work area of the screen it is on, or of
// the first screen when it is on none.
QRect KeepOnWorkArea(const QRect &window);
