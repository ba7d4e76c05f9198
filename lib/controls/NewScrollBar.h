#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

class QPainter;
class QTimer;

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TButtonType { btSeparate, btTogether };
enum TFocusType { ftNone, ftRect };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };

// The library's own scroll bar, drawn by itself: two arrow buttons (one at each
// end, or both at the far end), a track and a thumb that shows Page out of
// Range at Position. Holding a pointer button on an arrow or the track repeats
// its step on a timer; the keyboard scrolls it too. It shows itself only while
// Range is larger than Page.
class TNewScrollBar : public QWidget
{
    Q_OBJECT

public:
    // Hit codes: the parts of the bar.
    enum { htFirstButton, htTrackBefore, htThumb, htTrackAfter, htSecondButton, htNone };

    explicit TNewScrollBar(QWidget *parent = nullptr);

    int Line() const { return m_line; }
    int Page() const { return m_page; }
    int Range() const { return m_range; }
    int Position() const { return m_position; }
    bool Tracking() const { return m_tracking; }
    int TimerId() const { return m_timerId; }
    int TimerMs() const { return m_timerMs; }
    TScrollBarKind Kind() const { return m_kind; }
    TButtonType ButtonType() const { return m_buttonType; }
    TFocusType FocusType() const { return m_focusType; }
    int HotPart() const { return m_hotPart; }
    int PressedPart() const { return m_pressedPart; }
    QColor LightColour() const { return m_lightColour; }
    QColor DarkColour() const { return m_darkColour; }

    void SetLine(int value) { m_line = value; }
    // Page is at least 0 and Range at least 1; either re-clamps the position
    // and shows or hides the bar (UpdateAfterChange).
    void SetPage(int value);
    void SetRange(int value);
    // Clamps; a change raises OnChange and repaints the track.
    virtual void SetPosition(int value);
    // Reports track codes while the thumb is dragged, not only when it is let go.
    void SetTracking(bool value) { m_tracking = value; }
    // 0 switches auto-repeat off.
    void SetTimerId(int value) { m_timerId = value; }
    void SetTimerMs(int value);
    void SetKind(TScrollBarKind value);
    void SetButtonType(TButtonType value);
    void SetFocusType(TFocusType value);
    virtual void ShowScrollBar(bool show);
    // Takes the system's width (vertical) or height (horizontal) of a scroll bar.
    void AutoSize();

    // 0 .. max(Range - Page, 0).
    int ClampPos(int value) const;
    // The thumb's start along the bar and its length. A track shorter than the
    // 8-pixel thumb holds none: size 0, and the start marks the position.
    void GetThumbParams(int &start, int &size) const;
    // The position that puts the thumb's start at thumbStart (not clamped). The
    // current position when the thumb cannot move.
    int ThumbPosition(int thumbStart) const;
    // The part under a point of the control.
    int HitTest(const QPoint &point) const;
    // The part's rectangle; empty for a part the bar does not show.
    QRect RectFromHit(int part) const;
    // The track and the thumb together.
    QRect ContainerRect() const;
    static TScrollCode ScrollCodeFromHit(int part);
    // Steps the position as code says; with notify, OnScroll may change the
    // new position before it is set.
    void ScrollAction(TScrollCode code, bool notify);
    void UpdateAfterChange();
    // Takes the track's colours from the system colours; every paint does.
    void ComputeColours();

    // Keys are Qt's key codes.
    void KeyDown(int key);
    void KeyUp(int key);
    // Only the left button scrolls; positions are in the control's pixels.
    void MouseDown(Qt::MouseButton button, const QPoint &point);
    void MouseMove(const QPoint &point);
    void MouseUp(Qt::MouseButton button, const QPoint &point);
    // The repeat timer's handler: repeats the pressed part's step while the
    // pointer is over that part.
    void TimerTick();

signals:
    // Before a scroll action or a thumb drag sets the position; a handler may
    // change ScrollPos. Direct connections only.
    void OnScroll(TNewScrollBar *Sender, TScrollCode ScrollCode, int &ScrollPos);
    // After the position has changed, however it was set.
    void OnChange(TNewScrollBar *Sender);

protected:
    virtual void Paint(QPainter &canvas);

    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    int maxPosition() const;
    int length() const;
    int buttonLength() const;
    int trackLength() const;
    int trackStart() const;
    int along(const QPoint &point) const;
    QRect partRect(int start, int end) const;
    void setHotPart(int part);
    void followPointer();
    void paintButton(QPainter &canvas, int part);

    int m_line = 20;
    int m_page = 1;
    int m_range = 1;
    int m_position = 0;
    bool m_tracking = false;
    int m_timerId = 123;
    int m_timerMs = 100;
    int m_buttonSize;                  // an arrow button's length along the bar
    int m_hotPart = htNone;            // the part drawn pressed
    int m_pressedPart = htNone;        // the part the pointer went down on
    int m_grabOffset = 0;              // pointer minus thumb start at the press
    QPoint m_pointer;                  // where the pointer last was while pressed
    QTimer *m_repeatTimer;             // owned as a Qt child
    TScrollBarKind m_kind = sbHorizontal;
    TButtonType m_buttonType = btTogether;
    TFocusType m_focusType = ftRect;
    QColor m_lightColour;
    QColor m_darkColour;
};
