#include "ProgressPanel.h"

#include <platform/MessageBox.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

TProgressPanel::TProgressPanel(QWidget *parent)
    : QFrame(parent)
    , m_selectColour(palette().color(QPalette::WindowText))
{
}

int TProgressPanel::AddBar(const QString &caption)
{
    auto *label = new QLabel(caption, this);
    auto *number = new QLabel(this);
    number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto *bar = new QProgressBar(this);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    for (QWidget *control : {static_cast<QWidget *>(label), static_cast<QWidget *>(number), static_cast<QWidget *>(bar)})
        control->show();
    m_labels.push_back(label);
    m_numbers.push_back(number);
    m_bars.push_back(bar);
    DoLayout();
    return Count() - 1;
}

void TProgressPanel::setAndLayOut(int &field, int value)
{
    field = value;
    DoLayout();
}

void TProgressPanel::SetBarHeight(int value) { setAndLayOut(m_barHeight, value); }
void TProgressPanel::SetHorzMargin(int value) { setAndLayOut(m_horzMargin, value); }
void TProgressPanel::SetVertMargin(int value) { setAndLayOut(m_vertMargin, value); }
void TProgressPanel::SetHorzGap(int value) { setAndLayOut(m_horzGap, value); }
void TProgressPanel::SetVertGap(int value) { setAndLayOut(m_vertGap, value); }
void TProgressPanel::SetNumberWidth(int value) { setAndLayOut(m_numberWidth, value); }
void TProgressPanel::SetLabelWidth(int value) { setAndLayOut(m_labelWidth, value); }

void TProgressPanel::SetSelectColour(const QColor &colour)
{
    m_selectColour = colour;
    DoLayout();
}

void TProgressPanel::SetItemIndex(int index)
{
    const int clamped = std::clamp(index, -1, Count() - 1);
    if (clamped == m_itemIndex)
        return;
    m_itemIndex = clamped;
    DoLayout();
}

void TProgressPanel::DoLayout()
{
    for (int i = 0; i < Count(); ++i) {
        QLabel *label = GetLabel(i);
        QLabel *number = GetNumber(i);
        QProgressBar *bar = GetBar(i);

        QFont font = label->font();
        font.setBold(i == m_itemIndex);
        label->setFont(font);
        QPalette colours = label->palette();
        colours.setColor(QPalette::WindowText, i == m_itemIndex ? m_selectColour : palette().color(QPalette::WindowText));
        label->setPalette(colours);

        const int numberHeight = QFontMetrics(number->font()).height();
        const int labelHeight = QFontMetrics(label->font()).height() * 3 / 2;
        const int barLeft = m_horzMargin + m_labelWidth + m_horzGap;
        const int barTop = m_vertMargin + i * (m_barHeight + m_vertGap);
        const int barWidth = width() - barLeft - m_horzMargin - m_numberWidth;
        bar->setGeometry(barLeft, barTop, barWidth, m_barHeight);
        label->setGeometry(m_horzMargin, barTop + (m_barHeight - labelHeight) / 2, m_labelWidth, labelHeight);
        number->setGeometry(barLeft + barWidth, barTop + (m_barHeight - numberHeight) / 2 - 1, m_numberWidth,
                            numberHeight);
        label->update();
        bar->update();
    }
}

void TProgressPanel::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    DoLayout();   // the bars take the panel's width
}

// A stage of no steps keeps a range of one on its bar, since a bar whose range
// is empty shows Qt's busy animation instead of an empty bar.
static const char *const EmptyStageProperty = "emptyStage";

static int stageMaximum(const QProgressBar *bar)
{
    return bar->property(EmptyStageProperty).toBool() ? 0 : bar->maximum();
}

static uint32_t millisecondsSinceStart()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return uint32_t(clock.elapsed());
}

TProgress::TProgress(TProgressPanel *panel)
    : m_panel(panel)
    , m_lastBreath(millisecondsSinceStart())
{
    SetIndex(0);
}

QProgressBar *TProgress::currentBar() const
{
    const int index = m_panel->ItemIndex();
    return index < 0 ? nullptr : m_panel->GetBar(index);
}

void TProgress::Reset()
{
    if (QProgressBar *bar = currentBar())
        bar->setValue(0);
}

void TProgress::Nudge()
{
    if (Cancelled)
        return;
    QProgressBar *bar = currentBar();
    if (!bar)
        return;
    // One step a call, never past the end; an empty stage shows 0 %.
    const int maximum = stageMaximum(bar);
    const int position = std::min(bar->value() + 1, maximum);
    bar->setValue(position);
    const int percent = maximum > 0 ? int(int64_t(position) * 100 / maximum) : 0;
    m_panel->GetNumber(m_panel->ItemIndex())->setText(QString::number(percent) + u'%');

    const uint32_t now = millisecondsSinceStart();
    if (m_msgFreq > 0 && now - m_lastBreath >= uint32_t(m_msgFreq)) {
        m_lastBreath += uint32_t(m_msgFreq);
        QCoreApplication::processEvents();
    }
}

void TProgress::SetIndex(int index)
{
    if (index == m_panel->ItemIndex())
        return;
    if (QProgressBar *bar = currentBar()) {
        bar->setValue(stageMaximum(bar));
        Nudge();
    }
    m_panel->SetItemIndex(index);
    if (m_panel->ItemIndex() != index)
        MessageBoxA(nullptr, "Invalid item index", "TProgress Error", MB_OK | MB_ICONSTOP);
}

void TProgress::SetTotal(int total)
{
    QProgressBar *bar = currentBar();
    if (!bar)
        return;
    const int maximum = std::max(total, 0);
    bar->setProperty(EmptyStageProperty, maximum == 0);
    bar->setMaximum(std::max(maximum, 1));
    bar->setValue(std::min(bar->value(), maximum));
}

void TProgress::SetMsgFreq(int milliseconds)
{
    m_msgFreq = milliseconds;
}

int TProgress::GetPosition() const
{
    const QProgressBar *bar = currentBar();
    return bar ? bar->value() : 0;
}
