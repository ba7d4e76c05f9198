#include "ToolbarButton.h"

#include "Dock.h"
#include "Edge.h"
#include <platform/Exception.h>
#include <platform/SystemMetrics.h>

#include <QAction>
#include <QEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <map>
#include <tuple>

// ---- TButtonGlyph

void TButtonGlyph::SetGlyph(const QImage &strip)
{
    m_strip = strip.convertToFormat(QImage::Format_ARGB32);
    forgetImages();
}

void TButtonGlyph::SetNumGlyphs(int count)
{
    m_numGlyphs = std::clamp(count, 1, 4);
    forgetImages();
}

void TButtonGlyph::forgetImages()
{
    m_images = {};
}

QImage ClearedOfKeyColour(QImage image, QRgb key)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == key)
                line[x] = 0;
        }
    }
    return image;
}

QRgb TButtonGlyph::TransparentColour() const
{
    return KeyColourOf(m_strip);
}

QSize TButtonGlyph::GlyphSize() const
{
    if (m_strip.isNull())
        return {};
    return {m_strip.width() / m_numGlyphs, m_strip.height()};
}

QImage TButtonGlyph::glyphAt(int index) const
{
    const QSize size = GlyphSize();
    return ClearedOfKeyColour(m_strip.copy(index * size.width(), 0, size.width(), size.height()), TransparentColour());
}

// The glyph's drawn pixels that are neither white nor light grey, embossed:
// in the highlight colour one pixel right and down, then in the shadow colour
// in place. The older style draws them in the shadow colour alone.
QImage TButtonGlyph::disabledFrom(const QImage &up, bool oldDisabledStyle) const
{
    QImage shape(up.size(), QImage::Format_ARGB32);
    shape.fill(0);
    for (int y = 0; y < up.height(); ++y) {
        for (int x = 0; x < up.width(); ++x) {
            const QRgb pixel = up.pixel(x, y);
            const QRgb opaque = pixel | 0xFF000000u;
            if (qAlpha(pixel) == 0 || opaque == qRgb(255, 255, 255) || opaque == qRgb(192, 192, 192))
                continue;
            shape.setPixel(x, y, 0xFF000000u);
        }
    }
    QImage image(up.size(), QImage::Format_ARGB32);
    image.fill(0);
    QPainter canvas(&image);
    auto paintShape = [&](const QPoint &offset, const QColor &colour) {
        QImage tinted = shape;
        QPainter tint(&tinted);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(tinted.rect(), colour);
        tint.end();
        canvas.drawImage(offset, tinted);
    };
    if (!oldDisabledStyle)
        paintShape({1, 1}, SysColour(COLOR_BTNHIGHLIGHT));
    paintShape({0, 0}, SysColour(COLOR_BTNSHADOW));
    return image;
}

QImage TButtonGlyph::prepare(TButtonState state, bool oldDisabledStyle) const
{
    if (int(state) < m_numGlyphs)
        return glyphAt(int(state));
    if (state == bsDisabled)
        return disabledFrom(glyphAt(0), oldDisabledStyle);
    return glyphAt(0);
}

const QImage &TButtonGlyph::Image(TButtonState state, bool oldDisabledStyle)
{
    static const QImage none;
    if (m_strip.isNull())
        return none;
    // Only a disabled image made from the up glyph depends on the style.
    const bool styled = state == bsDisabled && m_numGlyphs < 2;
    std::shared_ptr<const QImage> &image = m_images[size_t(state)];
    if (styled && m_oldDisabledStyle != oldDisabledStyle)
        image.reset();
    if (!image) {
        image = TGlyphCache::Image({m_strip, m_numGlyphs, state, styled && oldDisabledStyle},
                                   [&] { return prepare(state, oldDisabledStyle); });
        if (styled)
            m_oldDisabledStyle = oldDisabledStyle;
    }
    return *image;
}

// Entries by a hash of everything but the strip's pixels, which are compared
// in full: strips are a few glyphs of 16 by 16.
struct TGlyphCacheEntry
{
    QImage strip;
    std::weak_ptr<const QImage> image;
};
static std::multimap<std::tuple<int, int, int, int, bool>, TGlyphCacheEntry> &glyphCache()
{
    static std::multimap<std::tuple<int, int, int, int, bool>, TGlyphCacheEntry> cache;
    return cache;
}

std::shared_ptr<const QImage> TGlyphCache::Image(const Key &key, const std::function<QImage()> &make)
{
    auto &cache = glyphCache();
    const auto index = std::make_tuple(key.strip.width(), key.strip.height(), key.numGlyphs, int(key.state), key.oldDisabledStyle);
    auto [first, last] = cache.equal_range(index);
    for (auto it = first; it != last;) {
        if (it->second.image.expired()) {
            it = cache.erase(it);
            continue;
        }
        if (it->second.strip == key.strip)
            return it->second.image.lock();
        ++it;
    }
    auto image = std::make_shared<const QImage>(make());
    cache.insert({index, {key.strip, image}});
    return image;
}

size_t TGlyphCache::Count()
{
    auto &cache = glyphCache();
    std::erase_if(cache, [](const auto &entry) { return entry.second.image.expired(); });
    return cache.size();
}

// ---- TToolbarButton

// Tells the toolbar a button or separator sits on that its controls changed.
static void toolbarControlsChanged(QWidget *control)
{
    if (auto *toolbar = qobject_cast<TDockToolbar *>(control->parentWidget()))
        toolbar->ControlsChanged();
}

static bool changesToolbarLayout(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::Resize:
        return true;
    default:
        return false;
    }
}

TToolbarButton::TToolbarButton(QWidget *parent)
    : QWidget(parent)
{
    resize(23, 22);
    setAttribute(Qt::WA_Hover);
    toolbarControlsChanged(this);
}

template <typename T> void TToolbarButton::setAndRepaint(T &field, T value)
{
    field = value;
    update();
}

void TToolbarButton::SetAllowAllUp(bool value) { setAndRepaint(m_allowAllUp, value); }
void TToolbarButton::SetDisplayMode(TButtonDisplayMode value) { setAndRepaint(m_displayMode, value); }
void TToolbarButton::SetDropdownArrow(bool value) { setAndRepaint(m_dropdownArrow, value); }
void TToolbarButton::SetDropdownCombo(bool value) { setAndRepaint(m_dropdownCombo, value); }
void TToolbarButton::SetDropdownMenu(QMenu *menu) { setAndRepaint(m_dropdownMenu, menu); }
void TToolbarButton::SetCaption(const QString &value) { setAndRepaint(m_caption, value); }
void TToolbarButton::SetFlat(bool value) { setAndRepaint(m_flat, value); }
void TToolbarButton::SetLayout(TButtonLayout value) { setAndRepaint(m_layout, value); }
void TToolbarButton::SetMargin(int value) { setAndRepaint(m_margin, value); }
void TToolbarButton::SetOldDisabledStyle(bool value) { setAndRepaint(m_oldDisabledStyle, value); }
void TToolbarButton::SetOpaque(bool value) { setAndRepaint(m_opaque, value); }
void TToolbarButton::SetSpacing(int value) { setAndRepaint(m_spacing, value); }
void TToolbarButton::SetWordWrap(bool value) { setAndRepaint(m_wordWrap, value); }

void TToolbarButton::SetGroupIndex(int value)
{
    m_groupIndex = value;
    if (m_groupIndex == 0)
        m_down = false;
    else if (m_down)
        releaseGroupPeers();
    update();
}

void TToolbarButton::SetGlyph(const QImage &strip)
{
    m_glyph.SetGlyph(strip);
    update();
}

void TToolbarButton::SetNumGlyphs(int value)
{
    m_glyph.SetNumGlyphs(value);
    update();
}

void TToolbarButton::SetDown(bool value)
{
    if (m_groupIndex == 0 || value == m_down)
        return;
    m_down = value;
    if (m_down)
        releaseGroupPeers();
    update();
}

void TToolbarButton::releaseGroupPeers()
{
    if (!parentWidget())
        return;
    for (auto *peer : parentWidget()->findChildren<TToolbarButton *>(Qt::FindDirectChildrenOnly)) {
        if (peer == this || peer->m_groupIndex != m_groupIndex || !peer->m_down)
            continue;
        peer->m_down = false;
        peer->update();
    }
}

TButtonState TToolbarButton::State() const
{
    if (!isEnabled())
        return bsDisabled;
    if (m_menuOpen || (m_held && m_heldInside))
        return bsDown;
    if (m_down)
        return bsExclusive;
    return bsUp;
}

bool TToolbarButton::hasArrow() const
{
    return m_dropdownArrow && m_dropdownMenu;
}

QRect TToolbarButton::pushPart() const
{
    if (m_dropdownCombo && m_dropdownMenu)
        return rect().adjusted(0, 0, -ArrowPartWidth, 0);
    return rect();
}

bool TToolbarButton::onArrowPart(const QPoint &point) const
{
    return m_dropdownCombo && m_dropdownMenu && rect().contains(point) && !pushPart().contains(point);
}

bool TToolbarButton::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (changesToolbarLayout(event))
        toolbarControlsChanged(this);
    return handled;
}

void TToolbarButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    if (m_dropdownMenu && (!m_dropdownCombo || onArrowPart(event->position().toPoint()))) {
        openDropdown();
        return;
    }
    m_held = true;
    m_heldInside = true;
    update();
}

void TToolbarButton::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_held)
        return;
    const bool inside = pushPart().contains(event->position().toPoint());
    if (inside == m_heldInside)
        return;
    m_heldInside = inside;
    update();
}

void TToolbarButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_held)
        return;
    m_held = false;
    update();
    if (!pushPart().contains(event->position().toPoint()))
        return;
    if (m_groupIndex != 0 && (!m_down || m_allowAllUp))
        SetDown(!m_down);
    emit OnClick(this);
}

void TToolbarButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isEnabled())
        emit OnDblClick(this);
    mousePressEvent(event);
}

void TToolbarButton::enterEvent(QEnterEvent *)
{
    m_mouseInControl = true;
    update();
    emit OnMouseEnter(this);
}

void TToolbarButton::leaveEvent(QEvent *)
{
    m_mouseInControl = false;
    update();
    emit OnMouseExit(this);
}

// Opens the menu below the button, or beside it in a vertical dock (right of a
// left dock, left of a right dock). The menu is not modal here: no nested
// event loop runs while it is open.
void TToolbarButton::openDropdown()
{
    QMenu *menu = m_dropdownMenu;
    QPoint place = mapToGlobal(rect().bottomLeft() + QPoint(0, 1));
    auto *toolbar = qobject_cast<TDockToolbar *>(parentWidget());
    if (toolbar && toolbar->DockedTo() && toolbar->DockedTo()->Position() == dpLeft)
        place = mapToGlobal(rect().topRight() + QPoint(1, 0));
    else if (toolbar && toolbar->DockedTo() && toolbar->DockedTo()->Position() == dpRight)
        place = mapToGlobal(QPoint(-menu->sizeHint().width(), 0));
    m_menuOpen = true;
    update();
    connect(menu, &QMenu::aboutToHide, this, [this, menu] {
        disconnect(menu, &QMenu::aboutToHide, this, nullptr);
        m_menuOpen = false;
        update();
    });
    menu->popup(place);
}

// A one-pixel frame: highlight top and left, shadow bottom and right, or the
// reverse.
static void paintThinEdge(QPainter &canvas, const QRect &rect, bool raised)
{
    const QColor light = SysColour(COLOR_BTNHIGHLIGHT);
    const QColor dark = SysColour(COLOR_BTNSHADOW);
    const QColor &topLeft = raised ? light : dark;
    const QColor &bottomRight = raised ? dark : light;
    canvas.fillRect(rect.left(), rect.top(), rect.width() - 1, 1, topLeft);
    canvas.fillRect(rect.left(), rect.top(), 1, rect.height() - 1, topLeft);
    canvas.fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
    canvas.fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
}

// An 8 by 8 checker of the face and highlight colours, made once per pair.
static const QBrush &ditherBrush()
{
    static QBrush brush;
    static QRgb madeFor[2] = {0, 0};
    const QColor face = SysColour(COLOR_BTNFACE);
    const QColor light = SysColour(COLOR_BTNHIGHLIGHT);
    if (brush.style() == Qt::NoBrush || madeFor[0] != face.rgb() || madeFor[1] != light.rgb()) {
        QImage pattern(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x)
                pattern.setPixel(x, y, ((x + y) % 2 ? light : face).rgb());
        }
        brush = QBrush(pattern);
        madeFor[0] = face.rgb();
        madeFor[1] = light.rgb();
    }
    return brush;
}

void TToolbarButton::paintFace(QPainter &canvas, TButtonState state) const
{
    if (m_flat && state == bsExclusive && !m_mouseInControl)
        canvas.fillRect(rect(), ditherBrush());
    else if (m_opaque || !m_flat)
        canvas.fillRect(rect(), SysColour(COLOR_BTNFACE));

    const bool pushed = state == bsDown || state == bsExclusive;
    auto paintPartEdge = [&](const QRect &part) {
        if (!m_flat)
            PaintEdge(canvas, part, !pushed);
        else if (pushed)
            paintThinEdge(canvas, part, false);
        else if (m_mouseInControl && state == bsUp)
            paintThinEdge(canvas, part, true);
    };
    paintPartEdge(pushPart());
    if (m_dropdownCombo && m_dropdownMenu)
        paintPartEdge(QRect(width() - ArrowPartWidth, 0, ArrowPartWidth, height()));
}

void TToolbarButton::paintArrow(QPainter &canvas, const QRect &area, TButtonState state) const
{
    const QColor colour = state == bsDisabled ? SysColour(COLOR_BTNSHADOW) : SysColour(COLOR_BTNTEXT);
    // A five-pixel-wide triangle, its top at half the height less 1.
    const int left = area.left() + (area.width() - 5) / 2;
    const int top = height() / 2 - 1;
    for (int row = 0; row < 3; ++row)
        canvas.fillRect(left + row, top + row, 5 - 2 * row, 1, colour);
}

void TToolbarButton::paintContent(QPainter &canvas, QRect area, TButtonState state)
{
    const bool showGlyph = m_displayMode != dmTextOnly && !m_glyph.Glyph().isNull();
    const bool showText = m_displayMode != dmGlyphOnly && !m_caption.isEmpty();
    const QSize glyphSize = showGlyph ? m_glyph.GlyphSize() : QSize(0, 0);
    const int textFlags = Qt::TextShowMnemonic | (m_wordWrap ? Qt::TextWordWrap : 0);
    const QSize textSize = showText ? canvas.fontMetrics().boundingRect(area, textFlags, m_caption).size() : QSize(0, 0);
    const int gap = showGlyph && showText ? m_spacing : 0;
    const bool across = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    const QSize total = across ? QSize(glyphSize.width() + gap + textSize.width(), std::max(glyphSize.height(), textSize.height()))
                               : QSize(std::max(glyphSize.width(), textSize.width()), glyphSize.height() + gap + textSize.height());
    if (state == bsDown || state == bsExclusive)
        area.translate(1, 1);

    // Margin -1 centres the content; otherwise it stands Margin from the glyph's edge.
    QPoint origin((area.width() - total.width()) / 2, (area.height() - total.height()) / 2);
    if (m_margin >= 0) {
        switch (m_layout) {
        case blGlyphLeft: origin.setX(m_margin); break;
        case blGlyphRight: origin.setX(area.width() - m_margin - total.width()); break;
        case blGlyphTop: origin.setY(m_margin); break;
        case blGlyphBottom: origin.setY(area.height() - m_margin - total.height()); break;
        }
    }
    origin += area.topLeft();
    QRect glyphRect(origin, glyphSize);
    QRect textRect(origin, textSize);
    switch (m_layout) {
    case blGlyphLeft:
        glyphRect.moveTop(origin.y() + (total.height() - glyphSize.height()) / 2);
        textRect.moveTopLeft({origin.x() + glyphSize.width() + gap, origin.y() + (total.height() - textSize.height()) / 2});
        break;
    case blGlyphRight:
        textRect.moveTop(origin.y() + (total.height() - textSize.height()) / 2);
        glyphRect.moveTopLeft({origin.x() + textSize.width() + gap, origin.y() + (total.height() - glyphSize.height()) / 2});
        break;
    case blGlyphTop:
        glyphRect.moveLeft(origin.x() + (total.width() - glyphSize.width()) / 2);
        textRect.moveTopLeft({origin.x() + (total.width() - textSize.width()) / 2, origin.y() + glyphSize.height() + gap});
        break;
    case blGlyphBottom:
        textRect.moveLeft(origin.x() + (total.width() - textSize.width()) / 2);
        glyphRect.moveTopLeft({origin.x() + (total.width() - glyphSize.width()) / 2, origin.y() + textSize.height() + gap});
        break;
    }
    if (showGlyph)
        canvas.drawImage(glyphRect.topLeft(), m_glyph.Image(state, m_oldDisabledStyle));
    if (!showText)
        return;
    if (state == bsDisabled) {
        canvas.setPen(SysColour(COLOR_BTNHIGHLIGHT));
        canvas.drawText(textRect.translated(1, 1), textFlags, m_caption);
        canvas.setPen(SysColour(COLOR_BTNSHADOW));
    } else
        canvas.setPen(SysColour(COLOR_BTNTEXT));
    canvas.drawText(textRect, textFlags, m_caption);
}

void TToolbarButton::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    const TButtonState state = State();
    paintFace(canvas, state);
    QRect content = rect().adjusted(2, 2, -2, -2);
    if (hasArrow()) {
        const int arrowWidth = m_dropdownCombo ? ArrowPartWidth : 9;
        const QRect arrowArea(width() - arrowWidth, 0, arrowWidth, height());
        paintArrow(canvas, arrowArea.translated(state == bsDown && !m_dropdownCombo ? QPoint(1, 1) : QPoint()), state);
        content.setRight(arrowArea.left() - 1);
    }
    paintContent(canvas, content, state);
}

// ---- TToolbarSep

TToolbarSep::TToolbarSep(QWidget *parent)
    : QWidget(parent)
{
    if (!qobject_cast<TDockToolbar *>(parent))
        throw Exception("TToolbarSep can only be placed on a TDockToolbar");
    resize(m_sizeHorz, 22);
    toolbarControlsChanged(this);
}

void TToolbarSep::SetBlank(bool value)
{
    m_blank = value;
    update();
}

void TToolbarSep::SetSizeHorz(int value)
{
    m_sizeHorz = value;
    toolbarControlsChanged(this);
}

void TToolbarSep::SetSizeVert(int value)
{
    m_sizeVert = value;
    toolbarControlsChanged(this);
}

bool TToolbarSep::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        toolbarControlsChanged(this);
    return handled;
}

// An etched line across the middle: shadow, then highlight beside it.
void TToolbarSep::paintEvent(QPaintEvent *)
{
    if (m_blank)
        return;
    QPainter canvas(this);
    auto *toolbar = static_cast<TDockToolbar *>(parentWidget());
    if (toolbar->Orientation() == toVertical) {
        const int y = height() / 2 - 1;
        canvas.fillRect(2, y, width() - 4, 1, SysColour(COLOR_BTNSHADOW));
        canvas.fillRect(2, y + 1, width() - 4, 1, SysColour(COLOR_BTNHIGHLIGHT));
        return;
    }
    const int x = width() / 2 - 1;
    canvas.fillRect(x, 2, 1, height() - 4, SysColour(COLOR_BTNSHADOW));
    canvas.fillRect(x + 1, 2, 1, height() - 4, SysColour(COLOR_BTNHIGHLIGHT));
}

void BindToolbarButton(TToolbarButton *button, QAction *action, const QString &hint, int &groupIndex)
{
    button->setToolTip(hint.section(u'|', 0, 0));
    button->setStatusTip(hint.section(u'|', 1));
    if (action->statusTip().isEmpty())
        action->setStatusTip(button->statusTip());
    if (action->isCheckable()) {
        button->SetGroupIndex(++groupIndex);
        button->SetAllowAllUp(true);
    }
    QObject::connect(button, &TToolbarButton::OnClick, action, [action] {
        if (action->isEnabled())
            action->trigger();
    });
    auto follow = [button, action] {
        button->setEnabled(action->isEnabled());
        if (action->isCheckable())
            button->SetDown(action->isChecked());
    };
    QObject::connect(action, &QAction::changed, button, follow);
    follow();
}
