#include "../windows/BrowseFormTestSupport.h"

#include <Source/engine/Thumbnail.h>
#include <Source/tools/AnimForm.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QSlider>

#include <memory>

namespace {

// The animation window as the program makes it: registered with a
// coordinator whose browse windows show real folders of C:.
class AnimFormTest : public BrowseFormTest
{
protected:
    void SetUp() override
    {
        BrowseFormTest::SetUp();
        RegisterTool(Tool::Animation, {.window = [] { return std::make_unique<TAnimForm1>(); }});
    }
    void TearDown() override
    {
        BrowseFormTest::TearDown();
        UnregisterTool(Tool::Animation);
    }

    TAnimForm1 *animation() { return dynamic_cast<TAnimForm1 *>(coordinator->ToolWindow(Tool::Animation)); }

    // The first count thumbnails of a new folder's browse window.
    std::vector<TThumbnail *> thumbnails(int count, TBrowseForm1 **window = nullptr)
    {
        TBrowseForm1 *browser = open(pictureFolder(QStringLiteral("Pics"), count), count);
        if (window)
            *window = browser;
        std::vector<TThumbnail *> result;
        for (int index = 0; index < count; ++index)
            result.push_back(browser->ThumbBox->Thumbnail(index));
        return result;
    }

    static std::vector<TThumbnail *> frames(const TAnimForm1 *form)
    {
        std::vector<TThumbnail *> result;
        for (int index = 0; index < form->FrameCount(); ++index)
            result.push_back(form->Frame(index));
        return result;
    }
    static QString status(const TAnimForm1 *form, int panel) { return form->StatusPanels[panel]->text(); }

    static void drop(TAnimForm1 *form, const std::vector<TThumbnail *> &dragged)
    {
        TThumbnailDragObject data(dragged);
        const QPointF centre(form->PaintBox->width() / 2.0, form->PaintBox->height() / 2.0);
        QDragEnterEvent enter(centre.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form->PaintBox, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent event(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form->PaintBox, &event);
    }
};

TEST_F(AnimFormTest, TheBrowseWindowsAnimateCommandPlaysTheSelectionFromTheFirst)
{
    TBrowseForm1 *browser = nullptr;
    const std::vector<TThumbnail *> shown = thumbnails(5, &browser);
    TAnimForm1 *form = animation();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(status(form, 0), QStringLiteral("Empty"));
    form->Tick();
    EXPECT_FALSE(form->Command(QStringLiteral("PlayTool"))->isEnabled()) << "nothing to play";

    browser->ThumbBox->ChangeSelection(TThumbBox::SelectAll);
    browser->UpdateCommandStates();
    QAction *command = browser->Command("AnimateSelection1");
    ASSERT_TRUE(command->isEnabled());
    EXPECT_EQ(command->shortcut(), QKeySequence(QStringLiteral("Ctrl+M")));
    command->trigger();

    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Playing());
    EXPECT_EQ(frames(form), shown);
    EXPECT_EQ(status(form, 0), QStringLiteral("1 of 5"));
    EXPECT_EQ(status(form, 1), QStringLiteral("64x48 24-bit"));
    EXPECT_EQ(status(form, 2), QStringLiteral("p000.jpg"));
    form->Tick();
    EXPECT_TRUE(form->Command(QStringLiteral("PlayTool"))->isEnabled());
    EXPECT_FALSE(form->Command(QStringLiteral("SaveAsMovieTool"))->isEnabled()) << "no movie maker yet";
    // The timer runs for real: play goes on without anyone stepping it.
    EXPECT_TRUE(ServeUntil([&] { return status(form, 0) == QStringLiteral("3 of 5"); }));
}

// Save As Movie hands the frames, in order, to the movie maker once it is
// registered; the browse window's Save As Movie hands it the selection.
TEST_F(AnimFormTest, SaveAsMovieHandsTheFramesToTheMovieMaker)
{
    TBrowseForm1 *browser = nullptr;
    const std::vector<TThumbnail *> shown = thumbnails(4, &browser);
    TAnimForm1 *form = animation();
    form->SetFrames({shown[2], shown[0], shown[3]});
    std::vector<std::vector<TThumbnail *>> made;
    RegisterTool(Tool::Movie, {.thumbnails = [&made](const std::vector<TThumbnail *> &frames) {
                                   made.push_back(frames);
                                   return true;
                               }});
    form->Tick();
    QAction *save = form->Command(QStringLiteral("SaveAsMovieTool"));
    ASSERT_TRUE(save->isEnabled());
    save->trigger();

    browser->ThumbBox->ChangeSelection(TThumbBox::SelectAll);
    browser->UpdateCommandStates();
    QAction *command = browser->Command("SaveAsMovie1");
    ASSERT_TRUE(command->isEnabled());
    command->trigger();
    UnregisterTool(Tool::Movie);
    EXPECT_EQ(made, (std::vector<std::vector<TThumbnail *>>{{shown[2], shown[0], shown[3]}, shown}));
}

TEST_F(AnimFormTest, PlayStepsWrapsOrStopsByLoopAndDirection)
{
    const std::vector<TThumbnail *> shown = thumbnails(5);
    TAnimForm1 *form = animation();
    struct Case
    {
        int frames;
        bool loop;
        bool reverse;
        int steps;
        QString text;
        bool playing;
    };
    const Case cases[] = {
        {5, true, false, 0, "1 of 5", true},
        {5, true, false, 4, "5 of 5", true},
        {5, true, false, 5, "1 of 5", true},
        {5, false, false, 4, "5 of 5", true},
        {5, false, false, 5, "5 of 5", false},
        {5, false, false, 9, "5 of 5", false},
        {5, true, true, 1, "5 of 5", true},
        {5, true, true, 3, "3 of 5", true},
        {5, false, true, 1, "1 of 5", false},
        {2, true, false, 3, "2 of 2", true},
        {1, true, false, 1, "1 of 1", false},
        {0, true, false, 1, "Empty", false},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(testing::Message() << test.frames << " frames, loop " << test.loop << ", reverse "
                                        << test.reverse << ", " << test.steps << " steps");
        form->LoopCheck->setChecked(test.loop);
        form->Animate(std::vector<TThumbnail *>(shown.begin(), shown.begin() + test.frames));
        if (test.reverse)
            form->Command(QStringLiteral("ReversePlayTool"))->trigger();
        // The timer's ticks, as many as the timer would give while it runs.
        for (int step = 0; step < test.steps && form->Playing(); ++step)
            form->Timer1Timer();
        EXPECT_EQ(status(form, 0), test.text);
        EXPECT_EQ(form->Playing(), test.playing);
        EXPECT_EQ(form->Command(QStringLiteral("StopTool"))->isChecked(), !test.playing);
    }
}

TEST_F(AnimFormTest, AThumbnailThatGoesLeavesEveryFrameItStandsIn)
{
    const std::vector<TThumbnail *> shown = thumbnails(3);
    TAnimForm1 *form = animation();
    TThumbnail *a = shown[0];
    TThumbnail *b = shown[1];
    TThumbnail *c = shown[2];
    form->Animate({a, b, a, c, a});
    form->SetFrame(4);
    delete a;
    EXPECT_EQ(frames(form), (std::vector<TThumbnail *>{b, c}));
    EXPECT_EQ(status(form, 0), QStringLiteral("2 of 2")) << "the current frame was past the end";
    EXPECT_EQ(status(form, 2), QStringLiteral("p002.jpg"));

    // Remove Frame takes only the first occurrence of the current frame.
    form->Animate({b, c, b});
    form->Command(QStringLiteral("RemoveFrameTool"))->trigger();
    EXPECT_EQ(frames(form), (std::vector<TThumbnail *>{c, b}));
    EXPECT_EQ(status(form, 0), QStringLiteral("1 of 2"));

    form->Animate({b});
    form->Command(QStringLiteral("RemoveFrameTool"))->trigger();
    EXPECT_EQ(form->FrameCount(), 0);
    EXPECT_EQ(status(form, 0), QStringLiteral("Empty"));
    EXPECT_EQ(status(form, 1), QString());
    EXPECT_EQ(status(form, 2), QString());
    form->Tick();
    EXPECT_FALSE(form->Command(QStringLiteral("RemoveFrameTool"))->isEnabled());
    EXPECT_FALSE(form->LoopCheck->isEnabled());
}

TEST_F(AnimFormTest, LeavingTheFolderEmptiesTheAnimation)
{
    TBrowseForm1 *browser = nullptr;
    const std::vector<TThumbnail *> shown = thumbnails(3, &browser);
    const CPath other = pictureFolder(QStringLiteral("Other"), 2);
    TAnimForm1 *form = animation();
    form->Animate(shown);
    browser->TakeModified(false);
    browser->GoToFolder(other);
    EXPECT_TRUE(waitShown(browser, other, 2));
    EXPECT_EQ(form->FrameCount(), 0);
    EXPECT_EQ(status(form, 0), QStringLiteral("Empty"));
    form->Timer1Timer();
    EXPECT_FALSE(form->Playing());
}

TEST_F(AnimFormTest, TheSpeedBarSetsTheInterval)
{
    TAnimForm1 *form = animation();
    EXPECT_EQ(form->TimerInterval(), 100) << "until the bar first moves";
    EXPECT_EQ(form->TrackBar->value(), 50);
    const std::pair<int, int> positions[] = {{100, 1}, {0, 301}, {50, 151}, {95, 16}};
    for (const auto &[position, interval] : positions) {
        form->TrackBar->setValue(position);
        EXPECT_EQ(form->TimerInterval(), interval) << position;
    }
}

TEST_F(AnimFormTest, DroppedThumbnailsStandBeforeTheCurrentFrameTheLastOneCurrent)
{
    const std::vector<TThumbnail *> shown = thumbnails(4);
    TThumbnail *a = shown[0];
    TThumbnail *b = shown[1];
    TThumbnail *x = shown[2];
    TThumbnail *y = shown[3];
    TAnimForm1 *form = animation();
    form->show();
    struct Case
    {
        std::vector<TThumbnail *> before;
        int current;
        std::vector<TThumbnail *> after;
        QString text;
    };
    const Case cases[] = {
        {{}, -1, {y, x}, "1 of 2"},
        {{a, b}, 1, {a, y, x, b}, "2 of 4"},
        {{a, b}, 0, {y, x, a, b}, "1 of 4"},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.text.toStdString());
        form->SetFrames(test.before);
        form->SetFrame(test.current);
        ASSERT_EQ(form->FrameIndex(), test.current);
        drop(form, {x, y});
        EXPECT_EQ(frames(form), test.after);
        EXPECT_EQ(status(form, 0), test.text);
    }
}

TEST_F(AnimFormTest, RemoveAllFramesAsksFirst)
{
    const std::vector<TThumbnail *> shown = thumbnails(2);
    TAnimForm1 *form = animation();
    form->Animate(shown);
    for (int answer : {IDNO, IDYES}) {
        boxes.clear();
        boxAnswer = answer;
        form->Command(QStringLiteral("RemoveAllFramesTool"))->trigger();
        EXPECT_EQ(boxes, std::vector<QString>{"Are you sure you want to remove all frames?"});
    }
    EXPECT_EQ(form->FrameCount(), 0);
    EXPECT_EQ(status(form, 0), QStringLiteral("Empty"));
}

TEST_F(AnimFormTest, ThePictureIsCentredAboveTheSpeedBar)
{
    const std::vector<TThumbnail *> shown = thumbnails(1);
    TAnimForm1 *form = animation();
    form->Animate(shown);
    form->StopPlaying();
    ASSERT_TRUE(ServeUntil([&] { return form->PaintBox->width() > 100; }));
    const QImage picture = form->PaintBox->grab().toImage();
    form->SetFrames({});
    const QImage empty = form->PaintBox->grab().toImage();
    const QColor background = picture.pixelColor(1, 1);
    const CSize size = shown[0]->GetThumbBitmap()->GetThumbnailSize();
    const QPoint middle(form->PaintBox->width() / 2,
                        (form->PaintBox->height() - form->TrackBar->height() - 2) / 2);
    EXPECT_NE(picture.pixelColor(middle), background) << "the frame shows";
    EXPECT_EQ(picture.pixelColor(middle.x() - size.cx / 2 - 3, middle.y()), background) << "filled around it";
    EXPECT_EQ(empty.pixelColor(middle), background) << "no frame: all background";
}

TEST_F(AnimFormTest, SelectThumbnailSelectsTheCurrentFrameInItsBrowseWindow)
{
    TBrowseForm1 *browser = nullptr;
    const std::vector<TThumbnail *> shown = thumbnails(3, &browser);
    TAnimForm1 *form = animation();
    form->Animate(shown);
    form->SetFrame(2);
    ASSERT_EQ(browser->ThumbBox->SelectedCount(), 0);
    form->Command(QStringLiteral("SelectThumbnail"))->trigger();
    EXPECT_TRUE(shown[2]->Selected());
    EXPECT_FALSE(shown[0]->Selected());
}

TEST_F(AnimFormTest, F4OrTheLastBrowseWindowGoingHidesTheWindowAndStopsPlay)
{
    TBrowseForm1 *browser = nullptr;
    const std::vector<TThumbnail *> shown = thumbnails(2, &browser);
    TAnimForm1 *form = animation();
    form->Animate(shown);
    form->Tick();
    EXPECT_TRUE(form->isVisible()) << "a browse window is there";
    // The key goes to the animation window, not to a browse window's F4.
    form->activateWindow();
    ASSERT_TRUE(ServeUntil([&] { return QApplication::activeWindow() == form; }));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QCoreApplication::sendEvent(form, &key);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Playing());

    form->Animate(shown);
    browser->TakeModified(false);
    browser->close();
    ASSERT_TRUE(ServeUntil([&] { return coordinator->BrowseForms().empty(); }));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(status(form, 0), QStringLiteral("Empty")) << "its thumbnails went with it";
    form->Tick();
    EXPECT_FALSE(form->isVisible());
}

} // namespace
