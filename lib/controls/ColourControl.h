#pragma once

#include <lib/Colour.h>

#include <QColor>
#include <QWidget>

#include <cstdint>

class QImage;

enum TColourBarType { cbtHue, cbtSaturation, cbtLuminance, cbtRed, cbtGreen, cbtBlue, cbtColourTemp };
enum TColourBarMode { cbmNormal, cbmRanged };

// A bar showing one colour parameter as a gradient, with a slider at its value
// (normal mode) or a range between two markers (ranged mode). Horizontal when
// wider than high; values run from the left or top. Every parameter is 0..1 and
// every setter clamps to that range and repaints only on a change.
class TColourBar : public QWidget
{
    Q_OBJECT

public:
    explicit TColourBar(QWidget *parent = nullptr);

    static void RGBtoHSL(double r, double g, double b, double &h, double &s, double &l) { ::RGBtoHSL(r, g, b, h, s, l); }
    static void HSLtoRGB(double h, double s, double l, double &r, double &g, double &b) { ::HSLtoRGB(h, s, l, r, g, b); }
    static void RGBtoCT(double r, double g, double b, double &ct) { ::RGBtoCT(r, g, b, ct); }
    static void CTtoRGB(double ct, double &r, double &g, double &b) { ::CTtoRGB(ct, r, g, b); }

    int HorzGap() const { return m_horzGap; }
    int VertGap() const { return m_vertGap; }
    TColourBarType Type() const { return m_type; }
    TColourBarMode Mode() const { return m_mode; }
    QColor Colour() const { return m_colour; }
    // Paints the slider as well as the range bands.
    QColor RangeColour() const { return m_rangeColour; }
    bool Edge() const { return m_edge; }
    bool Lock() const { return m_lock; }
    bool AutoCursor() const { return m_autoCursor; }
    double Hue() const { return m_hue; }
    double Saturation() const { return m_saturation; }
    double Luminance() const { return m_luminance; }
    double Red() const { return m_red; }
    double Green() const { return m_green; }
    double Blue() const { return m_blue; }
    double ColourTemp() const { return m_colourTemp; }
    // The value of the parameter that Type selects.
    double Slider() const;
    // The smaller and the larger of the two range values, whichever was set.
    double RangeMin() const;
    double RangeMax() const;
    int RangeThickness() const { return m_rangeThickness; }
    Qt::CursorShape CursorLeft() const { return m_cursorLeft; }
    Qt::CursorShape CursorRight() const { return m_cursorRight; }
    Qt::CursorShape CursorUp() const { return m_cursorUp; }
    Qt::CursorShape CursorDown() const { return m_cursorDown; }

    // Gaps are at least 0, and at least 4 in ranged mode.
    void SetHorzGap(int value);
    void SetVertGap(int value);
    // Also presets the other parameters so that the bar shows a useful gradient.
    void SetType(TColourBarType value);
    void SetMode(TColourBarMode value);
    void SetColour(const QColor &value);
    void SetRangeColour(const QColor &value);
    void SetEdge(bool value);
    void SetLock(bool value);
    void SetAutoCursor(bool value);
    // Hue, Saturation and Luminance recompute Red, Green and Blue, and the reverse;
    // either way ColourTemp follows. ColourTemp sets Red, Green and Blue, then HSL.
    void SetHue(double value);
    void SetSaturation(double value);
    void SetLuminance(double value);
    void SetRed(double value);
    void SetGreen(double value);
    void SetBlue(double value);
    void SetColourTemp(double value);
    void SetSlider(double value);
    void SetRangeMin(double value);
    void SetRangeMax(double value);
    void SetRangeThickness(int value);
    void SetCursorLeft(Qt::CursorShape value) { m_cursorLeft = value; }
    void SetCursorRight(Qt::CursorShape value) { m_cursorRight = value; }
    void SetCursorUp(Qt::CursorShape value) { m_cursorUp = value; }
    void SetCursorDown(Qt::CursorShape value) { m_cursorDown = value; }

    // The colour at fraction position (0..1) along the bar, as 0..1 components.
    void GetRenderRGB(double position, double &r, double &g, double &b) const;
    // What lies under pointer position p (along the bar's axis, in control
    // pixels): 3 bar, 4 slider; ranged: 1 and 2 the markers, 5 and 6 inside the
    // range beside them, 7 and 8 outside it, 0 the middle or nothing.
    int HitTest(int p) const;
    // The fraction along the bar at pointer position p, clamped to 0..1.
    double GetValue(int p) const;
    // Applies value as the hit-test code says and raises OnChanged.
    void ChangeParam(int code, double value);

    void MouseDown(Qt::MouseButton button, const QPoint &position);
    void MouseMove(const QPoint &position);
    void MouseUp(Qt::MouseButton button, const QPoint &position);

    bool isDragging() const { return m_dragging; }
    bool isHorizontal() const { return width() > height(); }
    // The bar's rectangle: the client rectangle less the gaps on each side.
    QRect barRect() const;

signals:
    // valueType: 1 the range minimum moved, 2 the maximum, 3 the slider.
    void OnChanged(TColourBar *Sender, double value, int valueType);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void paintBar(QImage &image) const;
    void paintControls(QImage &image) const;
    void paintEdge(QImage &image) const;
    int barStart() const;
    int barLength() const;
    int pixelOf(double value) const;
    int axisOf(const QPoint &position) const;
    void fromHSL();
    void fromRGB();
    void setUnit(double &field, double value, void (TColourBar::*follow)());

    int m_horzGap = 0;
    int m_vertGap = 0;
    TColourBarType m_type = cbtHue;
    TColourBarMode m_mode = cbmNormal;
    QColor m_colour;
    QColor m_rangeColour = Qt::black;
    bool m_edge = true;
    bool m_lock = true;
    bool m_autoCursor = true;
    double m_hue = 0;
    double m_saturation = 1;
    double m_luminance = 0.5;
    double m_red = 0;
    double m_green = 0;
    double m_blue = 0;
    double m_colourTemp = 0;
    double m_rangeA = 0.5;         // the two range values as set, in either order
    double m_rangeB = 0.5;
    int m_rangeThickness = 3;
    Qt::CursorShape m_cursorLeft = Qt::SizeHorCursor;
    Qt::CursorShape m_cursorRight = Qt::SizeHorCursor;
    Qt::CursorShape m_cursorUp = Qt::SizeVerCursor;
    Qt::CursorShape m_cursorDown = Qt::SizeVerCursor;
    bool m_dragging = false;
    int m_dragCode = 0;            // the hit-test code under the press
};
