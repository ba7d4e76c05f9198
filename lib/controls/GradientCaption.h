#pragma once

#include <platform/WindowFrame.h>

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class QPainter;

enum TFontKind { fkCustom, fkSystem, fkSystemI, fkSystemB, fkSystemBI, fkAutoHeight };
enum TGradEnabled { geAlways, geNever, geWhenActive, geSmart };
enum TJustification { jAuto, jLeft, jCenter, jRight };

class TGradientCaption;

// One text part of a caption bar. A colour left invalid follows the system's
// caption-text colour of its state. Setting Caption or Visible rebuilds the
// form's title; every setter repaints the bar. Window thread only.
class TCompanyText
{
public:
    explicit TCompanyText(TGradientCaption *owner);
    virtual ~TCompanyText() = default;
    TCompanyText(const TCompanyText &) = delete;
    TCompanyText &operator=(const TCompanyText &) = delete;

    virtual QString Caption() const { return m_caption; }
    void SetCaption(const QString &value);
    QColor ColorActive() const;
    void SetColorActive(const QColor &value);
    QColor ColorInactive() const;
    void SetColorInactive(const QColor &value);
    QFont Font() const { return m_font; }
    // Sets the font as it stands; FontKind stays, and is applied again when
    // the system's caption font changes.
    void SetFont(const QFont &value);
    TFontKind FontKind() const { return m_fontKind; }
    void SetFontKind(TFontKind value);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);

    // The text as the bar stores it, which the title is joined from.
    QString StoredCaption() const { return m_caption; }
    // Derives Font from the system caption font as FontKind says.
    void ApplyFontKind(const QFont &systemFont);

protected:
    TGradientCaption *m_owner;   // owns the part

private:
    QString m_caption;
    QColor m_colorActive;
    QColor m_colorInactive;
    QFont m_font;
    TFontKind m_fontKind = fkSystem;
    bool m_visible = true;
};

class TAppNameText : public TCompanyText
{
public:
    using TCompanyText::TCompanyText;
};

class TCaptionText : public TCompanyText
{
public:
    using TCompanyText::TCompanyText;
    // The form's title less the visible company and application-name texts,
    // each taken away only where the title begins with it.
    QString Caption() const override;
};

// The title bar of a frameless top-level form, painted by the bar itself: a
// gradient in bands, the form's icon, up to three texts and the minimise,
// maximise and close buttons. It makes its form frameless (WindowFrame), sits
// across the form's top, and keeps the form's title (task bar, window list)
// equal to its three texts joined. Dragging it moves the form, a double click
// maximises or restores it, the right button opens the window menu. The bar
// takes its gradient mode (Enabled) from its owner; it reads no options.
// Window thread only.
class TGradientCaption : public QWidget
{
    Q_OBJECT

public:
    // form: a top-level widget, the bar's parent.
    explicit TGradientCaption(QWidget *form);
    // Leaves the form's title as the caption part alone.
    ~TGradientCaption() override;

    TCompanyText &CompanyText() { return m_companyText; }
    TAppNameText &AppNameText() { return m_appNameText; }
    TCaptionText &CaptionText() { return m_captionText; }
    const TCaptionText &CaptionText() const { return m_captionText; }

    // An invalid colour follows the system's: the left ones black, the right
    // ones the active and inactive caption colours.
    QColor ColorLeftActive() const;
    void SetColorLeftActive(const QColor &value);
    QColor ColorLeftInActive() const;
    void SetColorLeftInActive(const QColor &value);
    QColor ColorRightActive() const;
    void SetColorRightActive(const QColor &value);
    QColor ColorRightInActive() const;
    void SetColorRightInActive(const QColor &value);
    TGradEnabled Enabled() const { return m_enabled; }
    void SetEnabled(TGradEnabled value);
    TJustification Justification() const { return m_justification; }
    void SetJustification(TJustification value);
    int NumColors() const { return m_numColors; }
    void SetNumColors(int value);

    // When set, draws the texts in place of the bar: the painter is on the bar,
    // textRect what is left of it beside the icon and the buttons.
    std::function<void(TGradientCaption *sender, QPainter &canvas, const QRect &textRect)> OnDrawCaption;

    WindowFrame &Frame() const { return *m_frame; }
    // The form's title joined from the parts: the visible company text, a
    // space when it is not empty and another visible part follows, the visible
    // application-name text, a space when it is not empty and the caption part
    // is visible, the visible caption text.
    QString WindowText() const;
    // Rebuilds the form's title and repaints.
    void PartChanged();
    // Where the texts go, in the bar's coordinates: beside the buttons, and
    // past the icon.
    QRect TextRect() const;
    bool IsActive() const;

    // The button at a point of the bar (HTMINBUTTON, HTMAXBUTTON, HTCLOSE),
    // else HTCAPTION.
    int ButtonAt(QPoint point) const;
    QRect ButtonRect(int hitCode) const;
    bool ButtonEnabled(int hitCode) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void applyFontKinds();
    QRect gradientRect() const;
    void paintIcon(QPainter &canvas) const;
    void paintButtons(QPainter &canvas) const;
    void paintTexts(QPainter &canvas, const QRect &textRect) const;
    void clickButton(int hitCode);

    QWidget *m_form;                 // the bar's parent
    QPointer<WindowFrame> m_frame;   // a Qt child of the form, deleted with the bar
    TCompanyText m_companyText;
    TAppNameText m_appNameText;
    TCaptionText m_captionText;
    QColor m_colorLeftActive;
    QColor m_colorLeftInActive;
    QColor m_colorRightActive;
    QColor m_colorRightInActive;
    TGradEnabled m_enabled = geSmart;
    TJustification m_justification = jAuto;
    int m_numColors = 64;
    int m_pressedButton = 0;        // the button the left button went down on
    bool m_pressedOver = false;     // the pointer is on that button
    QPoint m_pressPoint;            // where a left press on the caption began a possible move
    bool m_movePending = false;
};

// Whether the bar shows its gradient: geSmart asks for at least 8 bits a pixel
// while active and more than 8 while inactive.
bool GradientShown(TGradEnabled enabled, bool active, int bitsPerPixel);

// Fills rect with numColors vertical bands from left to right colour, band i
// spanning left + i * width / numColors to left + (i + 1) * width / numColors
// (rounded); fewer than 2 bands fill it with the left colour.
void PaintGradientBands(QPainter &canvas, const QRect &rect, const QColor &left, const QColor &right, int numColors);

// Which of the company, application-name and caption parts (in that order)
// are drawn in a text rectangle available pixels wide, given the width each
// takes (0 for a part that is not drawn): all when they fit, else the last
// two when they fit, else the caption part alone.
std::array<bool, 3> FitCaptionParts(int available, const std::array<int, 3> &widths);

// The caption bar of the program's main windows, named GradientCaption1:
// the system's caption colours fading to black, without the application and
// company names.
TGradientCaption *NewWindowCaption(QWidget *window);
