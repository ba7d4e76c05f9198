#include "MovieProgressForm.h"

#include <Source/windows/NamedControl.h>
#include <Source/windows/ToolHost.h>

#include <QFont>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TMovieProgressForm1::TMovieProgressForm1(const CPath &target, QWidget *owner)
    : TModalForm1(owner)
    , Label(NewControl<QLabel>(this, "Label", QStringLiteral("Building file %1...").arg(target.ToAnsiString())))
    , ProgressPanel(NewControl<TProgressPanel>(this, "ProgressPanel"))
    , CancelButton(NewControl<QPushButton>(this, "CancelButton", QStringLiteral("Cancel")))
{
    setObjectName(QStringLiteral("MovieProgressForm1"));
    setWindowTitle(QStringLiteral("Making Movie"));
    Label->setTextFormat(Qt::PlainText);
    Label->setWordWrap(true);
    ProgressPanel->SetBarHeight(12);
    // Room above and between the bars for their labels, which stand taller.
    const int labelHeight = ProgressPanel->fontMetrics().height() * 3 / 2;
    ProgressPanel->SetVertMargin((labelHeight - 12) / 2 + 1);
    ProgressPanel->SetVertGap(labelHeight - 12 + 4);
    // The current row's label is bold.
    QFont bold = ProgressPanel->font();
    bold.setBold(true);
    ProgressPanel->SetLabelWidth(QFontMetrics(bold).horizontalAdvance(QStringLiteral("Compressing:")) + 8);
    ProgressPanel->SetNumberWidth(ProgressPanel->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 8);
    ProgressPanel->AddBar(QStringLiteral("Saving:"));
    ProgressPanel->AddBar(QStringLiteral("Compressing:"));
    m_progress = std::make_unique<TProgress>(ProgressPanel);
    ProgressPanel->setMinimumWidth(360);
    ProgressPanel->setFixedHeight(panelHeight(2));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CancelButton);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label);
    layout->addWidget(ProgressPanel, 1);
    layout->addLayout(buttons);
    connect(CancelButton, &QPushButton::clicked, this, &TMovieProgressForm1::reject);
    adjustSize();
    setFixedSize(size());
}

TMovieProgressForm1::~TMovieProgressForm1()
{
    if (m_disabled)
        Shell().EnableAllWindows();
}

int TMovieProgressForm1::panelHeight(int rows) const
{
    return 2 * ProgressPanel->VertMargin() + rows * ProgressPanel->BarHeight() + (rows - 1) * ProgressPanel->VertGap();
}

void TMovieProgressForm1::HideCompressionBar()
{
    ProgressPanel->GetBar(1)->hide();
    ProgressPanel->GetLabel(1)->hide();
    ProgressPanel->GetNumber(1)->hide();
    const int lower = panelHeight(2) - panelHeight(1);
    ProgressPanel->setFixedHeight(panelHeight(1));
    setFixedSize(width(), height() - lower);
}

void TMovieProgressForm1::reject()
{
    // Cancelling ends the work, whose end hides the window.
    m_progress->Cancelled = true;
}

void TMovieProgressForm1::showEvent(QShowEvent *event)
{
    TModalForm1::showEvent(event);
    if (!m_disabled) {
        m_disabled = true;
        Shell().DisableAllWindows();
    }
}

void TMovieProgressForm1::hideEvent(QHideEvent *event)
{
    TModalForm1::hideEvent(event);
    if (m_disabled) {
        m_disabled = false;
        Shell().EnableAllWindows();
    }
}
