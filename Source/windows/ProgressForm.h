#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// A plain progress window, not modal, with no behaviour of its own: the code
// that runs a long task sets its caption, its text and its bar, and lets
// pending messages through so that it repaints. Window thread only.
class TProgressForm1 : public QWidget
{
    Q_OBJECT

public:
    explicit TProgressForm1(QWidget *parent = nullptr);

    QLabel *Label;               // owned by the window as Qt children
    QProgressBar *ProgressBar;
};
