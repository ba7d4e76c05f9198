#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QMenu;
class QPainter;
class TDockToolbar;

enum TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

// image with the pixels of key colour made see-through. Glyph strips and dock
// backgrounds mark what the face shows through with one colour: the one in
// their bottom-left corner, which a drawing's outline never reaches.
QImage ClearedOfKeyColour(QImage image, QRgb key);
inline QRgb KeyColourOf(const QImage &image) { return image.pixel(0, image.height() - 1); }

// The prepared glyph images of every button, shared between buttons whose
// strips are equal: each browse window's toolbars show the same glyphs. An
// image lives while a button holds it. Window thread only.
class TGlyphCache
{
public:
    struct Key
    {
        QImage strip;
        int numGlyphs;
        TButtonState state;
        bool oldDisabledStyle;
    };
    // The image for key, made by make unless a button holds one already.
    static std::shared_ptr<const QImage> Image(const Key &key, const std::function<QImage()> &make);
    // How many images are held now.
    static size_t Count();
};

// One button's glyphs: a strip of 1 to 4 glyphs side by side, for the states
// up, disabled, down and exclusive. Each state's image is prepared on first
// use and kept until the strip or the glyph count changes. Window thread only.
class TButtonGlyph
{
public:
    const QImage &Glyph() const { return m_strip; }
    void SetGlyph(const QImage &strip);
    int NumGlyphs() const { return m_numGlyphs; }
    // Clamped to 1 .. 4.
    void SetNumGlyphs(int count);
    // The colour that shows the face through: the strip's bottom-left pixel.
    // Meaningless for an empty strip.
    QRgb TransparentColour() const;
    // The size of one glyph; empty with no strip.
    QSize GlyphSize() const;
    // The image for state, with its transparent pixels cleared. A state beyond
    // the strip's glyphs shows the first, except disabled, which is made from
    // the up glyph when the strip has none. Null with no strip.
    const QImage &Image(TButtonState state, bool oldDisabledStyle);

private:
    QImage glyphAt(int index) const;
    QImage prepare(TButtonState state, bool oldDisabledStyle) const;
    QImage disabledFrom(const QImage &up, bool oldDisabledStyle) const;
    void forgetImages();

    QImage m_strip;
    int m_numGlyphs = 1;
    std::array<std::shared_ptr<const QImage>, 4> m_images;   // by TButtonState; null until prepared
    bool m_oldDisabledStyle = false;  // the style m_images[bsDisabled] was made in
};

// A flat or raised push button of a toolbar, with a glyph, a caption, group
// (radio) behaviour and an optional drop-down menu; 23 by 22 pixels when
// created. Window thread only.
class TToolbarButton : public QWidget
{
    Q_OBJECT

public:
    explicit TToolbarButton(QWidget *parent = nullptr);

    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool value);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int value);
    TButtonDisplayMode DisplayMode() const { return m_displayMode; }
    void SetDisplayMode(TButtonDisplayMode value);
    bool Down() const { return m_down; }
    // Ignored without a group index. Setting it down releases the other
    // buttons of the group on the same parent.
    void SetDown(bool value);
    bool DropdownArrow() const { return m_dropdownArrow; }
    void SetDropdownArrow(bool value);
    bool DropdownCombo() const { return m_dropdownCombo; }
    void SetDropdownCombo(bool value);
    QMenu *DropdownMenu() const { return m_dropdownMenu; }
    // Not owned; the menu must outlive the button or be cleared first.
    void SetDropdownMenu(QMenu *menu);
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &value);
    bool Flat() const { return m_flat; }
    void SetFlat(bool value);
    const QImage &Glyph() const { return m_glyph.Glyph(); }
    void SetGlyph(const QImage &strip);
    TButtonLayout Layout() const { return m_layout; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return m_margin; }
    void SetMargin(int value);
    int NumGlyphs() const { return m_glyph.NumGlyphs(); }
    void SetNumGlyphs(int value);
    bool OldDisabledStyle() const { return m_oldDisabledStyle; }
    void SetOldDisabledStyle(bool value);
    bool Opaque() const { return m_opaque; }
    void SetOpaque(bool value);
    int Spacing() const { return m_spacing; }
    void SetSpacing(int value);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);

    // What the button shows now.
    TButtonState State() const;
    bool MouseInControl() const { return m_mouseInControl; }

    static constexpr int ArrowPartWidth = 11;   // a combo's separate arrow part

signals:
    void OnClick(TToolbarButton *sender);
    void OnDblClick(TToolbarButton *sender);
    void OnMouseEnter(TToolbarButton *sender);
    void OnMouseExit(TToolbarButton *sender);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    bool hasArrow() const;
    QRect pushPart() const;   // the part a press pushes: all but a combo's arrow
    bool onArrowPart(const QPoint &point) const;
    void openDropdown();
    void releaseGroupPeers();
    void paintFace(QPainter &canvas, TButtonState state) const;
    void paintContent(QPainter &canvas, QRect area, TButtonState state);
    void paintArrow(QPainter &canvas, const QRect &area, TButtonState state) const;
    template <typename T> void setAndRepaint(T &field, T value);

    TButtonGlyph m_glyph;
    QString m_caption;
    QMenu *m_dropdownMenu = nullptr;   // not owned
    TButtonDisplayMode m_displayMode = dmBoth;
    TButtonLayout m_layout = blGlyphLeft;
    int m_groupIndex = 0;
    int m_margin = -1;
    int m_spacing = 4;
    bool m_allowAllUp = false;
    bool m_down = false;
    bool m_dropdownArrow = true;
    bool m_dropdownCombo = false;
    bool m_flat = true;
    bool m_oldDisabledStyle = false;
    bool m_opaque = true;
    bool m_wordWrap = false;
    bool m_mouseInControl = false;
    bool m_held = false;          // the left button pressed it and is not yet released
    bool m_heldInside = false;    // while held, the pointer is over the push part
    bool m_menuOpen = false;
};

// A gap or an etched line between a toolbar's buttons: SizeHorz long in a
// horizontal layout, SizeVert in a vertical one, across the full thickness.
class TToolbarSep : public QWidget
{
    Q_OBJECT

public:
    // Raises "TToolbarSep can only be placed on a TDockToolbar" for any other parent.
    explicit TToolbarSep(QWidget *parent);

    bool Blank() const { return m_blank; }
    void SetBlank(bool value);
    int SizeHorz() const { return m_sizeHorz; }
    void SetSizeHorz(int value);
    int SizeVert() const { return m_sizeVert; }
    void SetSizeVert(int value);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_blank = false;
    int m_sizeHorz = 6;
    int m_sizeVert = 6;
};

class QAction;

// Makes button give action's command and follow its enabled and checked
// states. hint is "tool tip|status text"; the action's menu item shows the
// same status text when it has none of its own. A checkable action's button
// takes the next group after groupIndex, one that may be all up.
void BindToolbarButton(TToolbarButton *button, QAction *action, const QString &hint, int &groupIndex);
