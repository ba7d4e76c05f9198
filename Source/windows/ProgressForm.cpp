#include "ProgressForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

// Wide enough for a sentence of text without the window jumping as it changes.
static constexpr int MinimumBarWidth = 300;

TProgressForm1::TProgressForm1(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , Label(new QLabel(this))
    , ProgressBar(new QProgressBar(this))
{
    setWindowTitle("Processing...");
    Label->setObjectName("Label");
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setMinimumWidth(MinimumBarWidth);
    ProgressBar->setValue(0);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(ProgressBar);
}
