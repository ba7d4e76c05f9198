#include <lib/controls/ProgressPanel.h>

#include <platform/MessageBox.h>

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

namespace {

// Records the message boxes a test causes instead of showing them.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        SetMessageBoxResponder([this](const QString &text, const QString &caption, UINT type) {
            boxes.append(caption + u'|' + text + u'|' + QString::number(type));
            return IDOK;
        });
    }
    ~BoxRecorder() { SetMessageBoxResponder({}); }
    QStringList boxes;
};

TProgressPanel *panelWithRows(int rows)
{
    auto *panel = new TProgressPanel;
    panel->resize(300, 200);
    panel->show();
    for (int i = 0; i < rows; ++i)
        panel->AddBar(QStringLiteral("Stage %1:").arg(i + 1));
    return panel;
}

} // namespace

TEST(TProgressPanel, ItemIndexIsClampedToTheRows)
{
    std::unique_ptr<TProgressPanel> empty(panelWithRows(0));
    std::unique_ptr<TProgressPanel> three(panelWithRows(3));
    const struct { TProgressPanel *panel; int asked, got; } cases[] = {
        {three.get(), -5, -1}, {three.get(), 7, 2}, {three.get(), 1, 1},
        {empty.get(), 0, -1},  {empty.get(), 3, -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.asked);
        c.panel->SetItemIndex(c.asked);
        EXPECT_EQ(c.panel->ItemIndex(), c.got);
    }
}

TEST(TProgressPanel, LaysRowsOutAndMarksTheCurrentOne)
{
    std::unique_ptr<TProgressPanel> panel(panelWithRows(3));
    panel->SetItemIndex(1);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(panel->GetBar(i)->geometry(), QRect(64, i * 24, 300 - 64 - 32, 16));
        EXPECT_EQ(panel->GetNumber(i)->x(), 300 - 32);
        EXPECT_EQ(panel->GetLabel(i)->font().bold(), i == 1);
    }
    panel->SetSelectColour(Qt::red);
    EXPECT_EQ(panel->GetLabel(1)->palette().color(QPalette::WindowText), QColor(Qt::red));
    panel->resize(400, 200);
    EXPECT_EQ(panel->GetBar(0)->width(), 400 - 64 - 32);
}

TEST(TProgress, StepsShowPercentagesAndStayWithinTheStage)
{
    std::unique_ptr<TProgressPanel> panel(panelWithRows(2));
    TProgress progress(panel.get());
    EXPECT_EQ(panel->ItemIndex(), 0);
    progress.SetTotal(200);
    for (int i = 0; i < 50; ++i)
        progress.Nudge();
    EXPECT_EQ(panel->GetNumber(0)->text(), "25%");
    EXPECT_EQ(progress.GetPosition(), 50);
    for (int i = 0; i < 300; ++i)
        progress.Nudge();
    EXPECT_EQ(progress.GetPosition(), 200);
    EXPECT_EQ(panel->GetNumber(0)->text(), "100%");

    progress.SetIndex(1);
    progress.SetTotal(0);
    progress.Nudge();
    EXPECT_EQ(progress.GetPosition(), 0);
    EXPECT_EQ(panel->GetNumber(1)->text(), "0%");
    progress.Reset();
    EXPECT_EQ(progress.GetPosition(), 0);
}

TEST(TProgress, MovingOnFillsTheFinishedRow)
{
    std::unique_ptr<TProgressPanel> panel(panelWithRows(2));
    TProgress progress(panel.get());
    progress.SetTotal(10);
    progress.Nudge();
    progress.SetIndex(1);
    EXPECT_EQ(panel->GetBar(0)->value(), 10);
    EXPECT_EQ(panel->GetNumber(0)->text(), "100%");
    EXPECT_EQ(panel->ItemIndex(), 1);
}

TEST(TProgress, CancelledNudgesChangeNothing)
{
    std::unique_ptr<TProgressPanel> panel(panelWithRows(1));
    TProgress progress(panel.get());
    progress.SetTotal(4);
    progress.Cancelled = true;
    progress.Nudge();
    EXPECT_EQ(progress.GetPosition(), 0);
    EXPECT_EQ(panel->GetNumber(0)->text(), "");
}

TEST(TProgress, AnInvalidStageIsReported)
{
    BoxRecorder recorder;
    std::unique_ptr<TProgressPanel> empty(panelWithRows(0));
    TProgress progress(empty.get());
    EXPECT_EQ(recorder.boxes, QStringList({QStringLiteral("TProgress Error|Invalid item index|%1").arg(MB_OK | MB_ICONSTOP)}));
    progress.Nudge();   // no row: nothing to do
    EXPECT_EQ(progress.GetPosition(), 0);
}
