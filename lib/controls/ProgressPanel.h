#pragma once

#include <lib/ProgressContext.h>

#include <QColor>
#include <QFrame>
#include <QString>

#include <cstdint>
#include <vector>

class QLabel;
class QProgressBar;

// A column of labelled progress rows, one per stage of a long task: a name,
// a bar and a percentage; the current stage's name is bold in SelectColour.
class TProgressPanel : public QFrame
{
    Q_OBJECT

public:
    explicit TProgressPanel(QWidget *parent = nullptr);

    // Adds a row and answers its index.
    int AddBar(const QString &caption);
    int Count() const { return int(m_bars.size()); }
    QLabel *GetLabel(int index) const { return m_labels[size_t(index)]; }
    QLabel *GetNumber(int index) const { return m_numbers[size_t(index)]; }
    QProgressBar *GetBar(int index) const { return m_bars[size_t(index)]; }

    int BarHeight() const { return m_barHeight; }
    int HorzMargin() const { return m_horzMargin; }
    int VertMargin() const { return m_vertMargin; }
    int HorzGap() const { return m_horzGap; }
    int VertGap() const { return m_vertGap; }
    int NumberWidth() const { return m_numberWidth; }
    int LabelWidth() const { return m_labelWidth; }
    int ItemIndex() const { return m_itemIndex; }
    QColor SelectColour() const { return m_selectColour; }

    void SetBarHeight(int value);
    void SetHorzMargin(int value);
    void SetVertMargin(int value);
    void SetHorzGap(int value);
    void SetVertGap(int value);
    void SetNumberWidth(int value);
    void SetLabelWidth(int value);
    void SetSelectColour(const QColor &colour);
    // Clamped to -1 .. Count() - 1.
    void SetItemIndex(int index);

    void DoLayout();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setAndLayOut(int &field, int value);

    int m_barHeight = 16;
    int m_horzMargin = 0;
    int m_vertMargin = 0;
    int m_horzGap = 0;
    int m_vertGap = 8;
    int m_numberWidth = 32;
    int m_labelWidth = 64;
    int m_itemIndex = -1;
    QColor m_selectColour;
    std::vector<QLabel *> m_labels;         // owned by the panel as Qt children
    std::vector<QLabel *> m_numbers;
    std::vector<QProgressBar *> m_bars;
};

// Drives a panel's rows from a task on the window thread: one row per stage,
// steps of the current bar, and breaks in which the window repaints and its
// Cancel button works. The task polls Cancelled.
class TProgress : public TProgressContext
{
public:
    explicit TProgress(TProgressPanel *panel);

    void Reset() override;
    void Nudge() override;
    void SetIndex(int index) override;
    void SetTotal(int total) override;
    void SetMsgFreq(int milliseconds) override;
    int GetPosition() const override;

    bool Cancelled = false;

private:
    QProgressBar *currentBar() const;

    TProgressPanel *m_panel;   // not owned
    uint32_t m_lastBreath;     // milliseconds since the program started
    int m_msgFreq = 100;
};
