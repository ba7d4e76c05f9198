#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

// The hidden credits page: a black, rounded window that slides in from the
// screen's right edge, shows a picture and a line of changing colour over a
// wobbling button, and slides off to the left when the button is pressed.
// Window thread only.
class TEggForm1 : public QDialog
{
    Q_OBJECT

public:
    explicit TEggForm1(QWidget *owner = nullptr);

    // Runs the page until it has slid off the screen.
    int ShowModal();

    // Each 10 ms: the text's next colour, the button's next wobble, and a step
    // of the window toward where it is going; off the left edge, it closes.
    void Timer1Timer();
    void PoisButtonClick();
    // Escape is the button too: the page slides off rather than vanishing.
    void reject() override;

    int TargetX() const { return m_targetX; }
    // The text's colour for a colour counter: bits 2, 3 and 4 light red,
    // green and blue.
    static QColor TextColour(int counter);

    QLabel *Picture;
    QLabel *TextLabel;
    QPushButton *PoisButton;
    QTimer *Timer1;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyShape();
    void setTextColour(const QColor &colour);

    int m_colourCounter = 0;
    int m_phase = 0;
    int m_targetX = 0;
};
