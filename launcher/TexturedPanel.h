#pragma once

#include <QPixmap>
#include <QWidget>

// A panel that tiles its bitmap over its whole area, and paints nothing else:
// no bevel, no caption. With an empty bitmap it paints nothing. Window thread only.
class TTexturedPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TTexturedPanel(QWidget *parent = nullptr);

    const QPixmap &Bitmap() const { return m_bitmap; }
    // Takes a copy of bitmap and repaints.
    void SetBitmap(const QPixmap &bitmap);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_bitmap;
};
