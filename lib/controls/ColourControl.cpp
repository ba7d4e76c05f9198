#include "ColourControl.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

static constexpr int RangedMinimumGap = 4;
static constexpr int EdgeWidth = 2;

// Writes only the part of rect that lies inside the image.
static void fillRect(QImage &image, const QRect &rect, const QColor &colour)
{
    const QRect inside = rect.intersected(image.rect());
    if (inside.isEmpty())
        return;
    const uchar red = uchar(colour.red());
    const uchar green = uchar(colour.green());
    const uchar blue = uchar(colour.blue());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        uchar *pixel = image.scanLine(y) + inside.left() * 3;
        for (int x = inside.left(); x <= inside.right(); ++x) {
            *pixel++ = red;
            *pixel++ = green;
            *pixel++ = blue;
        }
    }
}

static bool movesMinimum(int code) { return code == 1 || code == 5 || code == 7; }
static bool movesMaximum(int code) { return code == 2 || code == 6 || code == 8; }

TColourBar::TColourBar(QWidget *parent)
    : QWidget(parent)
    , m_colour(palette().color(QPalette::Button))
{
    setMouseTracking(true);
    fromHSL();
}

double TColourBar::Slider() const
{
    switch (m_type) {
    case cbtHue: return m_hue;
    case cbtSaturation: return m_saturation;
    case cbtLuminance: return m_luminance;
    case cbtRed: return m_red;
    case cbtGreen: return m_green;
    case cbtBlue: return m_blue;
    case cbtColourTemp: return m_colourTemp;
    }
    return 0;
}

void TColourBar::SetSlider(double value)
{
    switch (m_type) {
    case cbtHue: SetHue(value); break;
    case cbtSaturation: SetSaturation(value); break;
    case cbtLuminance: SetLuminance(value); break;
    case cbtRed: SetRed(value); break;
    case cbtGreen: SetGreen(value); break;
    case cbtBlue: SetBlue(value); break;
    case cbtColourTemp: SetColourTemp(value); break;
    }
}

double TColourBar::RangeMin() const { return std::min(m_rangeA, m_rangeB); }
double TColourBar::RangeMax() const { return std::max(m_rangeA, m_rangeB); }

void TColourBar::SetHorzGap(int value)
{
    value = std::max(value, m_mode == cbmRanged ? RangedMinimumGap : 0);
    if (value == m_horzGap)
        return;
    m_horzGap = value;
    update();
}

void TColourBar::SetVertGap(int value)
{
    value = std::max(value, m_mode == cbmRanged ? RangedMinimumGap : 0);
    if (value == m_vertGap)
        return;
    m_vertGap = value;
    update();
}

void TColourBar::SetType(TColourBarType value)
{
    if (value == m_type)
        return;
    m_type = value;
    switch (value) {
    case cbtHue:
        SetSaturation(1);
        SetLuminance(0.5);
        SetHue(0.5);
        break;
    case cbtSaturation:
        SetHue(0);
        SetSaturation(0.5);
        SetLuminance(0.5);
        break;
    case cbtLuminance:
        SetHue(0);
        SetSaturation(0);
        SetLuminance(0.5);
        break;
    case cbtRed:
    case cbtGreen:
    case cbtBlue:
        SetRed(value == cbtRed ? 0.5 : 0);
        SetGreen(value == cbtGreen ? 0.5 : 0);
        SetBlue(value == cbtBlue ? 0.5 : 0);
        break;
    case cbtColourTemp:
        SetSaturation(1);
        SetLuminance(0.5);
        SetHue(0.5);
        // Last, so that the slider rests in the middle rather than where the
        // hue preset's cyan would put it.
        SetColourTemp(0.5);
        break;
    }
    update();
}

void TColourBar::SetMode(TColourBarMode value)
{
    if (value == m_mode)
        return;
    m_mode = value;
    if (value == cbmRanged) {
        m_horzGap = std::max(m_horzGap, RangedMinimumGap);
        m_vertGap = std::max(m_vertGap, RangedMinimumGap);
    }
    update();
}

void TColourBar::SetColour(const QColor &value)
{
    if (value == m_colour)
        return;
    m_colour = value;
    update();
}

void TColourBar::SetRangeColour(const QColor &value)
{
    if (value == m_rangeColour)
        return;
    m_rangeColour = value;
    update();
}

void TColourBar::SetEdge(bool value)
{
    if (value == m_edge)
        return;
    m_edge = value;
    update();
}

void TColourBar::SetLock(bool value)
{
    if (value == m_lock)
        return;
    m_lock = value;
    update();
}

void TColourBar::SetAutoCursor(bool value)
{
    m_autoCursor = value;
    if (!value)
        unsetCursor();
}

void TColourBar::fromHSL()
{
    ::HSLtoRGB(m_hue, m_saturation, m_luminance, m_red, m_green, m_blue);
    ::RGBtoCT(m_red, m_green, m_blue, m_colourTemp);
}

void TColourBar::fromRGB()
{
    ::RGBtoHSL(m_red, m_green, m_blue, m_hue, m_saturation, m_luminance);
    ::RGBtoCT(m_red, m_green, m_blue, m_colourTemp);
}

void TColourBar::setUnit(double &field, double value, void (TColourBar::*follow)())
{
    value = ClampUnit(value);
    if (value == field)
        return;
    field = value;
    (this->*follow)();
    update();
}

void TColourBar::SetHue(double value) { setUnit(m_hue, value, &TColourBar::fromHSL); }
void TColourBar::SetSaturation(double value) { setUnit(m_saturation, value, &TColourBar::fromHSL); }
void TColourBar::SetLuminance(double value) { setUnit(m_luminance, value, &TColourBar::fromHSL); }
void TColourBar::SetRed(double value) { setUnit(m_red, value, &TColourBar::fromRGB); }
void TColourBar::SetGreen(double value) { setUnit(m_green, value, &TColourBar::fromRGB); }
void TColourBar::SetBlue(double value) { setUnit(m_blue, value, &TColourBar::fromRGB); }

void TColourBar::SetColourTemp(double value)
{
    value = ClampUnit(value);
    if (value == m_colourTemp)
        return;
    ::CTtoRGB(value, m_red, m_green, m_blue);
    ::RGBtoHSL(m_red, m_green, m_blue, m_hue, m_saturation, m_luminance);
    // Kept as set: the tint it makes reads back as a different temperature.
    m_colourTemp = value;
    update();
}

void TColourBar::SetRangeMin(double value)
{
    value = ClampUnit(value);
    if (value == m_rangeA)
        return;
    m_rangeA = value;
    update();
}

void TColourBar::SetRangeMax(double value)
{
    value = ClampUnit(value);
    if (value == m_rangeB)
        return;
    m_rangeB = value;
    update();
}

void TColourBar::SetRangeThickness(int value)
{
    value = std::max(value, 0);
    if (value == m_rangeThickness)
        return;
    m_rangeThickness = value;
    update();
}

void TColourBar::GetRenderRGB(double position, double &r, double &g, double &b) const
{
    position = ClampUnit(position);
    const double hue = m_lock ? 0 : m_hue;
    const double saturation = m_lock ? 1 : m_saturation;
    const double luminance = m_lock ? 0.5 : m_luminance;
    if (m_lock)
        ::HSLtoRGB(hue, saturation, luminance, r, g, b);
    else {
        r = m_red;
        g = m_green;
        b = m_blue;
    }
    switch (m_type) {
    case cbtHue: ::HSLtoRGB(position, saturation, luminance, r, g, b); break;
    case cbtSaturation: ::HSLtoRGB(hue, position, luminance, r, g, b); break;
    case cbtLuminance: ::HSLtoRGB(hue, saturation, position, r, g, b); break;
    case cbtRed: r = position; break;
    case cbtGreen: g = position; break;
    case cbtBlue: b = position; break;
    case cbtColourTemp: ::CTtoRGB(position, r, g, b); break;
    }
}

QRect TColourBar::barRect() const
{
    return rect().adjusted(m_horzGap, m_vertGap, -m_horzGap, -m_vertGap);
}

int TColourBar::barStart() const
{
    const QRect bar = barRect();
    return isHorizontal() ? bar.left() : bar.top();
}

int TColourBar::barLength() const
{
    const QRect bar = barRect();
    if (bar.isEmpty())
        return 0;
    return isHorizontal() ? bar.width() : bar.height();
}

int TColourBar::pixelOf(double value) const
{
    return barStart() + int(std::lround(value * std::max(barLength() - 1, 0)));
}

int TColourBar::axisOf(const QPoint &position) const
{
    return isHorizontal() ? position.x() : position.y();
}

int TColourBar::HitTest(int p) const
{
    if (m_mode == cbmNormal)
        return std::abs(p - pixelOf(Slider())) <= 7 ? 4 : 3;
    const int a = pixelOf(RangeMin());
    const int b = pixelOf(RangeMax());
    const int c = (a + b) / 2;
    if (p < a - 5)
        return 7;
    if (p > b + 5)
        return 8;
    if (c - 10 < p && p < c + 10)
        return 0;
    if (a + 5 < p && p < c)
        return 5;
    if (c < p && p < b - 5)
        return 6;
    if (std::abs(p - a) < 10)
        return 1;
    if (std::abs(p - b) < 10)
        return 2;
    return 0;
}

double TColourBar::GetValue(int p) const
{
    const int steps = barLength() - 1;
    if (steps <= 0)
        return 0;
    return ClampUnit(double(p - barStart()) / steps);
}

void TColourBar::ChangeParam(int code, double value)
{
    if (code == 0)
        return;
    if (m_mode == cbmNormal) {
        SetSlider(value);
        emit OnChanged(this, Slider(), 3);
        return;
    }
    if (movesMinimum(code)) {
        const double maximum = RangeMax();
        m_rangeA = std::min(ClampUnit(value), maximum);
        m_rangeB = maximum;
        update();
        emit OnChanged(this, m_rangeA, 1);
        return;
    }
    if (movesMaximum(code)) {
        const double minimum = RangeMin();
        m_rangeA = minimum;
        m_rangeB = std::max(ClampUnit(value), minimum);
        update();
        emit OnChanged(this, m_rangeB, 2);
    }
}

void TColourBar::MouseDown(Qt::MouseButton button, const QPoint &position)
{
    if (button != Qt::LeftButton || barLength() <= 0)
        return;
    m_dragging = true;
    m_dragCode = HitTest(axisOf(position));
}

void TColourBar::MouseMove(const QPoint &position)
{
    const int p = axisOf(position);
    if (m_dragging) {
        ChangeParam(m_dragCode, GetValue(p));
        return;
    }
    if (!m_autoCursor)
        return;
    const int code = HitTest(p);
    const bool horizontal = isHorizontal();
    if (code == 4 || movesMinimum(code))
        setCursor(horizontal ? m_cursorLeft : m_cursorUp);
    else if (movesMaximum(code))
        setCursor(horizontal ? m_cursorRight : m_cursorDown);
    else
        unsetCursor();
}

void TColourBar::MouseUp(Qt::MouseButton button, const QPoint &position)
{
    if (button != Qt::LeftButton || !m_dragging)
        return;
    ChangeParam(m_dragCode, GetValue(axisOf(position)));
    m_dragging = false;
}

void TColourBar::mousePressEvent(QMouseEvent *event)
{
    MouseDown(event->button(), event->position().toPoint());
}

void TColourBar::mouseMoveEvent(QMouseEvent *event)
{
    MouseMove(event->position().toPoint());
}

void TColourBar::mouseReleaseEvent(QMouseEvent *event)
{
    MouseUp(event->button(), event->position().toPoint());
}

void TColourBar::paintBar(QImage &image) const
{
    const QRect bar = barRect();
    const int length = barLength();
    if (length <= 0)
        return;
    const bool horizontal = isHorizontal();
    for (int i = 0; i < length; ++i) {
        double r, g, b;
        // A bar one pixel long shows the start of the gradient.
        GetRenderRGB(length > 1 ? double(i) / (length - 1) : 0, r, g, b);
        const QColor colour(int(r * 255), int(g * 255), int(b * 255));
        const QRect line = horizontal ? QRect(bar.left() + i, bar.top(), 1, bar.height())
                                      : QRect(bar.left(), bar.top() + i, bar.width(), 1);
        fillRect(image, line, colour);
    }
}

void TColourBar::paintControls(QImage &image) const
{
    const QRect bar = barRect();
    if (bar.isEmpty())
        return;
    const bool horizontal = isHorizontal();
    if (m_mode == cbmNormal) {
        const int slider = pixelOf(Slider());
        fillRect(image, horizontal ? QRect(slider - 1, bar.top(), 3, bar.height())
                                   : QRect(bar.left(), slider - 1, bar.width(), 3), m_rangeColour);
        return;
    }
    const int a = pixelOf(RangeMin());
    const int b = pixelOf(RangeMax());
    const int thickness = m_rangeThickness;
    const QRect inside = m_edge ? rect().adjusted(EdgeWidth, EdgeWidth, -EdgeWidth, -EdgeWidth) : rect();
    const QRect bands[2] = {
        horizontal ? QRect(a, bar.top() - thickness, b - a + 1, thickness)
                   : QRect(bar.left() - thickness, a, thickness, b - a + 1),
        horizontal ? QRect(a, bar.bottom() + 1, b - a + 1, thickness)
                   : QRect(bar.right() + 1, a, thickness, b - a + 1),
    };
    for (const QRect &band : bands)
        fillRect(image, band.intersected(inside), m_rangeColour);
}

// A sunken frame two pixels wide, shadow above and left, light below and right.
void TColourBar::paintEdge(QImage &image) const
{
    const QRect frame = rect();
    const QColor shades[2][2] = {
        {palette().color(QPalette::Mid), palette().color(QPalette::Light)},
        {palette().color(QPalette::Shadow), palette().color(QPalette::Midlight)},
    };
    for (int ring = 0; ring < EdgeWidth; ++ring) {
        const QRect r = frame.adjusted(ring, ring, -ring, -ring);
        if (r.isEmpty())
            return;
        fillRect(image, QRect(r.left(), r.top(), r.width(), 1), shades[ring][0]);
        fillRect(image, QRect(r.left(), r.top(), 1, r.height()), shades[ring][0]);
        fillRect(image, QRect(r.left(), r.bottom(), r.width(), 1), shades[ring][1]);
        fillRect(image, QRect(r.right(), r.top(), 1, r.height()), shades[ring][1]);
    }
}

void TColourBar::paintEvent(QPaintEvent *)
{
    if (width() <= 0 || height() <= 0)
        return;
    // Drawn off screen and copied in one step, so the bar never flickers.
    QImage image(size(), QImage::Format_RGB888);
    fillRect(image, image.rect(), m_colour);
    paintBar(image);
    paintControls(image);
    if (m_edge)
        paintEdge(image);
    QPainter(this).drawImage(0, 0, image);
}
