#include "GradientCaption.h"

#include "Edge.h"
#include <platform/SystemMetrics.h>
#include <platform/WindowFrame.h>

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyle>

#include <algorithm>
#include <cstdint>

// The font the desktop gives window titles.
static QFont systemCaptionFont()
{
    return QFontDatabase::systemFont(QFontDatabase::TitleFont);
}

// The height of a font's characters without the room above them for accents.
static int characterHeight(const QFont &font)
{
    return QFontInfo(font).pixelSize();
}

// own with its height changed to give characters as high as system's.
static QFont autoHeightFont(QFont own, const QFont &system)
{
    own.setPixelSize(std::max(1, characterHeight(system)));
    const int stillHigher = characterHeight(own) - characterHeight(system);
    if (stillHigher > 0)
        own.setPixelSize(std::max(1, own.pixelSize() - stillHigher));
    return own;
}

TCompanyText::TCompanyText(TGradientCaption *owner)
    : m_owner(owner)
    , m_font(systemCaptionFont())
{
}

void TCompanyText::SetCaption(const QString &value)
{
    if (value == m_caption)
        return;
    m_caption = value;
    m_owner->PartChanged();
}

QColor TCompanyText::ColorActive() const
{
    return m_colorActive.isValid() ? m_colorActive : SysColour(COLOR_CAPTIONTEXT);
}

void TCompanyText::SetColorActive(const QColor &value)
{
    m_colorActive = value;
    m_owner->update();
}

QColor TCompanyText::ColorInactive() const
{
    return m_colorInactive.isValid() ? m_colorInactive : SysColour(COLOR_INACTIVECAPTIONTEXT);
}

void TCompanyText::SetColorInactive(const QColor &value)
{
    m_colorInactive = value;
    m_owner->update();
}

void TCompanyText::SetFont(const QFont &value)
{
    m_font = value;
    m_owner->update();
}

void TCompanyText::SetFontKind(TFontKind value)
{
    m_fontKind = value;
    ApplyFontKind(systemCaptionFont());
    m_owner->update();
}

void TCompanyText::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    m_owner->PartChanged();   // the title holds only the visible parts
}

void TCompanyText::ApplyFontKind(const QFont &systemFont)
{
    switch (m_fontKind) {
    case fkCustom:
        return;
    case fkSystem:
    case fkSystemI:
    case fkSystemB:
    case fkSystemBI:
        m_font = systemFont;
        m_font.setItalic(systemFont.italic() || m_fontKind == fkSystemI || m_fontKind == fkSystemBI);
        if (m_fontKind == fkSystemB || m_fontKind == fkSystemBI)
            m_font.setBold(true);
        return;
    case fkAutoHeight:
        m_font = autoHeightFont(m_font, systemFont);
        return;
    }
}

// text without part's visible text where it begins with it, and without the
// space the title puts after it.
static QString withoutLeadingPart(QString text, const TCompanyText &part)
{
    const QString prefix = part.Visible() ? part.StoredCaption() : QString();
    if (prefix.isEmpty() || !text.startsWith(prefix))
        return text;
    text.remove(0, prefix.size());
    if (text.startsWith(u' '))
        text.remove(0, 1);
    return text;
}

QString TCaptionText::Caption() const
{
    const QString title = m_owner->window()->windowTitle();
    return withoutLeadingPart(withoutLeadingPart(title, m_owner->CompanyText()), m_owner->AppNameText());
}

TGradientCaption::TGradientCaption(QWidget *form)
    : QWidget(form)
    , m_form(form)
    , m_companyText(this)
    , m_appNameText(this)
    , m_captionText(this)
{
    setObjectName(QStringLiteral("GradientCaption"));
    applyFontKinds();
    m_frame = new WindowFrame(form);
    m_frame->SetCaptionBar(this, GetSystemMetrics(SM_CYCAPTION));
    m_frame->SetBorderPainter([](QPainter &canvas, const QRect &window) {
        canvas.fillRect(window, SysColour(COLOR_BTNFACE));
        PaintEdge(canvas, window, true);
    });
    m_captionText.SetCaption(form->windowTitle());
    form->installEventFilter(this);
}

TGradientCaption::~TGradientCaption()
{
    m_form->removeEventFilter(this);
    const QString caption = m_captionText.Caption();
    delete m_frame.data();
    m_form->setWindowTitle(caption);
}

QColor TGradientCaption::ColorLeftActive() const
{
    return m_colorLeftActive.isValid() ? m_colorLeftActive : QColor(Qt::black);
}

void TGradientCaption::SetColorLeftActive(const QColor &value)
{
    m_colorLeftActive = value;
    update();
}

QColor TGradientCaption::ColorLeftInActive() const
{
    return m_colorLeftInActive.isValid() ? m_colorLeftInActive : QColor(Qt::black);
}

void TGradientCaption::SetColorLeftInActive(const QColor &value)
{
    m_colorLeftInActive = value;
    update();
}

QColor TGradientCaption::ColorRightActive() const
{
    return m_colorRightActive.isValid() ? m_colorRightActive : SysColour(COLOR_ACTIVECAPTION);
}

void TGradientCaption::SetColorRightActive(const QColor &value)
{
    m_colorRightActive = value;
    update();
}

QColor TGradientCaption::ColorRightInActive() const
{
    return m_colorRightInActive.isValid() ? m_colorRightInActive : SysColour(COLOR_INACTIVECAPTION);
}

void TGradientCaption::SetColorRightInActive(const QColor &value)
{
    m_colorRightInActive = value;
    update();
}

void TGradientCaption::SetEnabled(TGradEnabled value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    update();   // the owner switches it while the window is shown
}

void TGradientCaption::SetJustification(TJustification value)
{
    m_justification = value;
    update();
}

void TGradientCaption::SetNumColors(int value)
{
    m_numColors = value;
    update();
}

QString TGradientCaption::WindowText() const
{
    const bool company = m_companyText.Visible();
    const bool appName = m_appNameText.Visible();
    const bool caption = m_captionText.Visible();
    QString text;
    if (company) {
        text += m_companyText.StoredCaption();
        if (!m_companyText.StoredCaption().isEmpty() && (appName || caption))
            text += u' ';
    }
    if (appName) {
        text += m_appNameText.StoredCaption();
        if (!m_appNameText.StoredCaption().isEmpty() && caption)
            text += u' ';
    }
    if (caption)
        text += m_captionText.StoredCaption();
    return text;
}

void TGradientCaption::PartChanged()
{
    m_form->setWindowTitle(WindowText());
    update();
}

bool TGradientCaption::IsActive() const
{
    return m_form->isActiveWindow();
}

void TGradientCaption::applyFontKinds()
{
    const QFont system = systemCaptionFont();
    for (TCompanyText *part : {static_cast<TCompanyText *>(&m_companyText), static_cast<TCompanyText *>(&m_appNameText),
                               static_cast<TCompanyText *>(&m_captionText)})
        part->ApplyFontKind(system);
}

// The caption takes all but the bar's last row, which is the frame's line under it.
static QRect captionArea(const QWidget *bar)
{
    return QRect(0, 0, bar->width(), bar->height() - 1);
}

QRect TGradientCaption::ButtonRect(int hitCode) const
{
    // As Windows places them: close 2 pixels in from the right, maximise 2
    // pixels left of it, minimise against maximise.
    const int buttonWidth = GetSystemMetrics(SM_CXSIZE) - 2;
    const int buttonHeight = GetSystemMetrics(SM_CYSIZE) - 4;
    const QRect caption = captionArea(this);
    const int top = caption.top() + (caption.height() - buttonHeight) / 2;
    const int closeLeft = caption.right() - 1 - buttonWidth;
    switch (hitCode) {
    case HTCLOSE: return QRect(closeLeft, top, buttonWidth, buttonHeight);
    case HTMAXBUTTON: return QRect(closeLeft - 2 - buttonWidth, top, buttonWidth, buttonHeight);
    case HTMINBUTTON: return QRect(closeLeft - 2 - 2 * buttonWidth, top, buttonWidth, buttonHeight);
    }
    return {};
}

int TGradientCaption::ButtonAt(QPoint point) const
{
    for (int hitCode : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON})
        if (ButtonRect(hitCode).contains(point))
            return hitCode;
    return HTCAPTION;
}

bool TGradientCaption::ButtonEnabled(int hitCode) const
{
    switch (hitCode) {
    case HTMAXBUTTON: return m_frame->CanMaximise() || m_form->isMaximized();
    case HTMINBUTTON: return m_frame->CanMinimise();
    }
    return hitCode == HTCLOSE;
}

QRect TGradientCaption::gradientRect() const
{
    // Beside the close button and its gap, and a button's width each for maximise and minimise.
    const int buttons = 3 * GetSystemMetrics(SM_CXSIZE) + 2;
    const QRect caption = captionArea(this);
    return QRect(caption.left(), caption.top(), std::max(caption.width() - buttons, 2), caption.height());
}

QRect TGradientCaption::TextRect() const
{
    QRect text = gradientRect();
    text.setLeft(std::min(text.left() + GetSystemMetrics(SM_CXSMICON) + 1, text.right() - 1));
    return text;
}

bool GradientShown(TGradEnabled enabled, bool active, int bitsPerPixel)
{
    switch (enabled) {
    case geAlways: return true;
    case geNever: return false;
    case geWhenActive: return active;
    case geSmart: return active ? bitsPerPixel >= 8 : bitsPerPixel > 8;
    }
    return false;
}

// a * b / c rounded to the nearest, for the non-negative values of a band's edges.
static int mulDiv(int a, int b, int c)
{
    return int((int64_t(a) * b + c / 2) / c);
}

void PaintGradientBands(QPainter &canvas, const QRect &rect, const QColor &left, const QColor &right, int numColors)
{
    if (numColors < 2) {
        canvas.fillRect(rect, left);
        return;
    }
    const auto channel = [numColors](int from, int to, int band) { return from + band * (to - from) / (numColors - 1); };
    for (int band = 0; band < numColors; ++band) {
        const int x0 = rect.left() + mulDiv(band, rect.width(), numColors);
        const int x1 = rect.left() + mulDiv(band + 1, rect.width(), numColors);
        if (x1 == x0)
            continue;
        const QColor colour(channel(left.red(), right.red(), band), channel(left.green(), right.green(), band),
                            channel(left.blue(), right.blue(), band));
        canvas.fillRect(QRect(x0, rect.top(), x1 - x0, rect.height()), colour);
    }
}

std::array<bool, 3> FitCaptionParts(int available, const std::array<int, 3> &widths)
{
    const auto [company, appName, caption] = widths;
    if (company + appName + caption <= available)
        return {company > 0, appName > 0, caption > 0};
    if (appName + caption <= available)
        return {false, appName > 0, caption > 0};
    return {false, false, caption > 0};
}

void TGradientCaption::paintEvent(QPaintEvent *)
{
    QPainter canvas(this);
    const QRect caption = captionArea(this);
    canvas.fillRect(0, caption.bottom() + 1, width(), 1, SysColour(COLOR_BTNFACE));

    const bool active = IsActive();
    const QColor solid = SysColour(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    const QColor left = active ? ColorLeftActive() : ColorLeftInActive();
    const QColor right = active ? ColorRightActive() : ColorRightInActive();
    const bool gradient = GradientShown(m_enabled, active, screen()->depth());
    canvas.fillRect(caption, gradient ? right : solid);
    if (gradient)
        PaintGradientBands(canvas, gradientRect(), left, right, m_numColors);

    paintIcon(canvas);
    paintButtons(canvas);
    if (OnDrawCaption)
        OnDrawCaption(this, canvas, TextRect());
    else
        paintTexts(canvas, TextRect());
}

void TGradientCaption::paintIcon(QPainter &canvas) const
{
    QIcon icon = m_form->windowIcon();   // the application's when the form has none
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_TitleBarMenuButton);
    const QRect text = gradientRect();
    icon.paint(&canvas, QRect(text.left() + 1, text.top() + 1, GetSystemMetrics(SM_CXSMICON),
                              GetSystemMetrics(SM_CYSMICON)));
}

// A caption button's glyph, in pixels from the button's top-left, at offset.
static void paintGlyph(QPainter &canvas, int hitCode, bool restore, QPoint at, const QColor &colour)
{
    const auto box = [&](int x, int y, int w, int h) {
        canvas.fillRect(at.x() + x, at.y() + y, w, 2, colour);         // the thick top
        canvas.fillRect(at.x() + x, at.y() + y + h - 1, w, 1, colour);
        canvas.fillRect(at.x() + x, at.y() + y, 1, h, colour);
        canvas.fillRect(at.x() + x + w - 1, at.y() + y, 1, h, colour);
    };
    switch (hitCode) {
    case HTCLOSE:
        for (int i = 0; i < 7; ++i) {
            canvas.fillRect(at.x() + 4 + i, at.y() + 3 + i, 2, 1, colour);
            canvas.fillRect(at.x() + 10 - i, at.y() + 3 + i, 2, 1, colour);
        }
        return;
    case HTMAXBUTTON:
        if (restore) {
            box(5, 2, 6, 6);
            canvas.fillRect(at.x() + 2, at.y() + 5, 7, 6, SysColour(COLOR_BTNFACE));
            box(2, 5, 6, 6);
            return;
        }
        box(3, 2, 9, 9);
        return;
    case HTMINBUTTON:
        canvas.fillRect(at.x() + 4, at.y() + 9, 6, 2, colour);
        return;
    }
}

void TGradientCaption::paintButtons(QPainter &canvas) const
{
    for (int hitCode : {HTMINBUTTON, HTMAXBUTTON, HTCLOSE}) {
        const QRect button = ButtonRect(hitCode);
        const bool pressed = m_pressedButton == hitCode && m_pressedOver;
        canvas.fillRect(button, SysColour(COLOR_BTNFACE));
        PaintEdge(canvas, button, !pressed);
        const QPoint at = button.topLeft() + (pressed ? QPoint(1, 1) : QPoint());
        const bool restore = m_form->isMaximized();
        if (ButtonEnabled(hitCode)) {
            paintGlyph(canvas, hitCode, restore, at, SysColour(COLOR_BTNTEXT));
            continue;
        }
        paintGlyph(canvas, hitCode, restore, at + QPoint(1, 1), SysColour(COLOR_BTNHIGHLIGHT));
        paintGlyph(canvas, hitCode, restore, at, SysColour(COLOR_BTNSHADOW));
    }
}

void TGradientCaption::paintTexts(QPainter &canvas, const QRect &textRect) const
{
    const TCompanyText *parts[] = {&m_companyText, &m_appNameText, &m_captionText};
    std::array<QString, 3> texts;
    std::array<int, 3> widths{};
    for (size_t i = 0; i < 3; ++i) {
        texts[i] = parts[i]->Caption();
        const bool drawn = parts[i]->Visible() && (parts[i] == &m_captionText || !texts[i].isEmpty());
        if (!drawn)
            continue;
        canvas.setFont(parts[i]->Font());   // measured as the bar draws it, at the bar's resolution
        widths[i] = canvas.fontMetrics().horizontalAdvance(texts[i]) + 3;
    }
    const std::array<bool, 3> shown = FitCaptionParts(textRect.width(), widths);
    int total = 0;
    for (size_t i = 0; i < 3; ++i)
        total += shown[i] ? widths[i] : 0;

    int x = textRect.left();
    if (total <= textRect.width()) {
        if (m_justification == jCenter)
            x += (textRect.width() - total) / 2;
        else if (m_justification == jRight)
            x += textRect.width() - total;
    }
    const bool active = IsActive();
    for (size_t i = 0; i < 3; ++i) {
        if (!shown[i])
            continue;
        const QRect place(x + 2, textRect.top(), textRect.right() + 1 - x - 2, textRect.height());
        if (place.width() <= 0)
            return;
        canvas.setFont(parts[i]->Font());
        canvas.setPen(active ? parts[i]->ColorActive() : parts[i]->ColorInactive());
        canvas.drawText(place, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                        canvas.fontMetrics().elidedText(texts[i], Qt::ElideRight, place.width()));
        x += widths[i];
    }
}

bool TGradientCaption::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form) {
        switch (event->type()) {
        case QEvent::WindowTitleChange:
        case QEvent::WindowIconChange:
        case QEvent::ActivationChange:
        case QEvent::WindowStateChange:
            update();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TGradientCaption::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ApplicationFontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::ThemeChange:
        applyFontKinds();   // the desktop's caption font may have changed with its theme
        update();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TGradientCaption::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        m_frame->ShowWindowMenu(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const int hitCode = ButtonAt(point);
    if (hitCode != HTCAPTION) {
        if (ButtonEnabled(hitCode)) {
            m_pressedButton = hitCode;
            m_pressedOver = true;
            update();
        }
        return;
    }
    m_pressPoint = point;
    m_movePending = true;
}

void TGradientCaption::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressedButton) {
        // The button shows pressed only while the pointer is on it.
        const bool over = ButtonAt(event->position().toPoint()) == m_pressedButton;
        if (over != m_pressedOver) {
            m_pressedOver = over;
            update();
        }
        return;
    }
    // The move waits for a drag, so that a double click still maximises.
    if (!m_movePending || (event->position().toPoint() - m_pressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    m_movePending = false;
    m_frame->StartMove();
}

void TGradientCaption::mouseReleaseEvent(QMouseEvent *event)
{
    m_movePending = false;
    if (event->button() != Qt::LeftButton || !m_pressedButton)
        return;
    const int pressed = m_pressedButton;
    m_pressedButton = 0;
    update();
    if (ButtonAt(event->position().toPoint()) == pressed)
        clickButton(pressed);
}

void TGradientCaption::clickButton(int hitCode)
{
    switch (hitCode) {
    case HTCLOSE: m_form->close(); return;
    case HTMAXBUTTON: m_frame->ToggleMaximised(); return;
    case HTMINBUTTON: m_frame->Minimise(); return;
    }
}

void TGradientCaption::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && ButtonAt(event->position().toPoint()) == HTCAPTION)
        m_frame->ToggleMaximised();
}

TGradientCaption *NewWindowCaption(QWidget *window)
{
    auto *caption = new TGradientCaption(window);
    caption->setObjectName(QStringLiteral("GradientCaption1"));
    caption->SetColorLeftActive(SysColour(COLOR_ACTIVECAPTION));
    caption->SetColorLeftInActive(SysColour(COLOR_INACTIVECAPTION));
    caption->SetColorRightActive(Qt::black);
    caption->SetColorRightInActive(Qt::black);
    caption->AppNameText().SetVisible(false);
    caption->CompanyText().SetVisible(false);
    return caption;
}
