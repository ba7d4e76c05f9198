#include "ThumbBoxTestSupport.h"

#include <Source/engine/ZiloOptions.h>

#include <QCoreApplication>
#include <QImage>

#include <algorithm>
#include <future>
#include <utility>

namespace {

using ThumbnailTest = ThumbBoxTest;

struct SizeCase
{
    const char *name;
    bool labels;
    QSize size;
    QRect imageRect;
};

TEST_F(ThumbnailTest, IsSizedForItsRecordAndTheLabelOption)
{
    const SizeCase cases[] = {
        {"labels", true, QSize(98, 106), QRect(9, 15, 80, 60)},
        {"no labels", false, QSize(98, 98), QRect(9, 19, 80, 60)},
    };
    for (const SizeCase &sizeCase : cases) {
        SCOPED_TRACE(sizeCase.name);
        setFolderOption(TFolderOptions::LabelThumbnails, sizeCase.labels);
        TThumbBox box(&m_owner);
        TThumbnail *thumbnail = box.AddThumbnail(record("a.jpg", 160, 120, true));
        EXPECT_EQ(thumbnail->BoundsRect().size(), sizeCase.size);
        EXPECT_EQ(thumbnail->GetImageRect(sizeCase.labels ? 8 : 0, 80, 60), sizeCase.imageRect);
        EXPECT_TRUE(thumbnail->Hint().startsWith("File: a.jpg")) << thumbnail->Hint().toStdString();
    }
}

TEST_F(ThumbnailTest, ALoadedThumbnailShowsItsPictureInARaisedFrame)
{
    TThumbBox box(&m_owner);
    showBox(box, 300, 200);
    TThumbnail *thumbnail = box.AddThumbnail(record("a.jpg", 160, 120, true));
    const QImage image = box.Client()->grab().toImage();
    const QRect picture = thumbnail->GetImageRect(8, 80, 60).translated(thumbnail->BoundsRect().topLeft());
    EXPECT_TRUE(isPictureColour(image.pixelColor(picture.center())));
    EXPECT_FALSE(isPictureColour(image.pixelColor(picture.topLeft() - QPoint(1, 1)))) << "the frame";
}

TEST_F(ThumbnailTest, APendingThumbnailShowsItsStateInsteadOfAPicture)
{
    TThumbBox box(&m_owner);
    showBox(box, 300, 200);
    TThumbnail *thumbnail = box.AddThumbnail(record("a.jpg", 160, 120, false));
    const QImage image = box.Client()->grab().toImage();
    const QRect picture = thumbnail->GetImageRect(8, 80, 60).translated(thumbnail->BoundsRect().topLeft());
    EXPECT_FALSE(isPictureColour(image.pixelColor(picture.center())));
    EXPECT_FALSE(thumbnail->GetThumbBitmap()->HasBitmap()) << "nothing decoded";
}

TEST_F(ThumbnailTest, AWindowThatShowsNoPicturesShowsTheLoadedMark)
{
    m_owner.pictures = false;
    TThumbBox box(&m_owner);
    showBox(box, 300, 200);
    TThumbnail *thumbnail = box.AddThumbnail(record("a.jpg", 160, 120, true));
    const QImage image = box.Client()->grab().toImage();
    const QPoint topLeft = thumbnail->BoundsRect().topLeft();
    for (const QPoint dot : {QPoint(5, 10), QPoint(10, 10), QPoint(15, 10)})
        EXPECT_EQ(image.pixelColor(topLeft + dot), QColor(0, 0, 0x80)) << dot.x();
    EXPECT_FALSE(thumbnail->GetThumbBitmap()->HasBitmap()) << "nothing decoded";
}

TEST_F(ThumbnailTest, ASelectedThumbnailIsFilledWithTheSelectionColour)
{
    PanelOptions->SetInt(TPanelOptions::SelectionColour, 0x00C000);   // green
    TThumbBox box(&m_owner);
    showBox(box, 300, 200);
    TThumbnail *thumbnail = box.AddThumbnail(record("a.jpg", 160, 120, true));
    const QPoint beside = thumbnail->BoundsRect().topLeft() + QPoint(5, 50);   // left of the picture's frame
    const QColor background = box.Client()->grab().toImage().pixelColor(beside);
    thumbnail->SetSelected(true);
    EXPECT_EQ(box.Client()->grab().toImage().pixelColor(beside), QColor(0, 0xC0, 0));
    thumbnail->SetSelected(false);
    EXPECT_EQ(box.Client()->grab().toImage().pixelColor(beside), background);
}

TEST_F(ThumbnailTest, ACutThumbnailIsWashedOutButKeepsItsSelectionColour)
{
    PanelOptions->SetInt(TPanelOptions::SelectionColour, 0x00C000);
    TThumbBox box(&m_owner);
    showBox(box, 300, 200);
    TThumbnail *thumbnail = box.AddThumbnail(record("a.jpg", 160, 120, true));
    thumbnail->SetSelected(true);
    thumbnail->SetCutMark(true);
    const QImage image = box.Client()->grab().toImage();
    const QPoint beside = thumbnail->BoundsRect().topLeft() + QPoint(5, 50);
    const QRect picture = thumbnail->GetImageRect(8, 80, 60).translated(thumbnail->BoundsRect().topLeft());
    // Of two neighbours, one turns white and the other keeps its colour.
    for (const QPoint point : {beside, picture.center()}) {
        SCOPED_TRACE(point.x());
        const QColor first = image.pixelColor(point);
        const QColor second = image.pixelColor(point + QPoint(1, 0));
        const QColor &kept = first == QColor(Qt::white) ? second : first;
        EXPECT_TRUE(first == QColor(Qt::white) || second == QColor(Qt::white));
        if (point == beside)
            EXPECT_EQ(kept, QColor(0, 0xC0, 0));
        else
            EXPECT_TRUE(isPictureColour(kept));
    }
}

// The columns of the item where the label's blue text shows, in the rows
// below its picture; first > last when there is none.
static std::pair<int, int> labelColumns(const QImage &image, const TThumbnail &thumbnail)
{
    const QRect item = thumbnail.BoundsRect();
    const QRect picture = thumbnail.GetImageRect(8, 80, 60).translated(item.topLeft());
    std::pair<int, int> columns{item.width(), -1};
    for (int y = picture.bottom() + 2; y < item.bottom() - 1; ++y) {
        for (int x = 0; x < item.width(); ++x) {
            const QColor pixel = image.pixelColor(item.left() + x, y);
            // Anti-aliased over the selection colour: more of the text's blue than green.
            if (pixel.blue() > 100 && pixel.blue() > pixel.green()) {
                columns.first = std::min(columns.first, x);
                columns.second = std::max(columns.second, x);
            }
        }
    }
    return columns;
}

TEST_F(ThumbnailTest, ALabelTooLongForItsThumbnailEndsInAnEllipsisWithinTheFrame)
{
    PanelOptions->SetInt(TPanelOptions::SelectionColour, 0x00C000);   // green
    PanelOptions->SetInt(TPanelOptions::TextColour, 0xFF0000);        // blue
    TThumbBox box(&m_owner);
    showBox(box, 400, 200);
    TThumbnail *longName = box.AddThumbnail(record("autumn_leaves_in_the_park_1280x1024.jpg", 160, 120, true));
    TThumbnail *shortName = box.AddThumbnail(record("a.jpg", 160, 120, true));
    longName->SetSelected(true);
    shortName->SetSelected(true);
    const QImage image = box.Client()->grab().toImage();

    const auto [first, last] = labelColumns(image, *longName);
    ASSERT_LE(first, last) << "the label shows";
    EXPECT_GE(first, 4) << "its start is not cut by the frame";
    EXPECT_LE(last, longName->Width() - 5) << "its end is not cut by the frame";
    EXPECT_LT(first, 10) << "it fills the room it has, from the left";

    const auto [shortFirst, shortLast] = labelColumns(image, *shortName);
    ASSERT_LE(shortFirst, shortLast);
    EXPECT_NEAR((shortFirst + shortLast) / 2, shortName->Width() / 2, 3) << "a short label stays centred";
}

TEST_F(ThumbnailTest, DeletingThumbnailsKeepsTheSelectedCount)
{
    TThumbBox box(&m_owner);
    TThumbnail *first = box.AddThumbnail(record("a.jpg", 160, 120, true));
    TThumbnail *second = box.AddThumbnail(record("b.jpg", 160, 120, true));
    box.AddThumbnail(record("c.jpg", 160, 120, true));
    first->SetSelected(true);
    second->SetSelected(true);
    second->SetSelected(true);
    EXPECT_EQ(box.SelectedCount(), 2);
    box.DeleteAllThumbnails();
    EXPECT_EQ(box.Count(), 0);
    EXPECT_EQ(box.SelectedCount(), 0);
}

TEST_F(ThumbnailTest, ABuiltRecordRepaintsOnlyItsOwnThumbnail)
{
    TThumbBox box(&m_owner);
    showBox(box, 400, 200);
    TThumbnail *before = box.AddThumbnail(record("a.jpg", 160, 120, false));
    TThumbnail *built = box.AddThumbnail(record("b.jpg", 160, 120, false));
    TThumbnail *after = box.AddThumbnail(record("c.jpg", 160, 120, false));
    PaintRecorder painted(box.Client());
    ASSERT_TRUE(ServeUntil([&] { return !painted.region().isEmpty(); })) << "the first paint";
    painted.clear();

    CThumbBitmap *record = built->GetThumbBitmap();
    std::async(std::launch::async, [record] {
        ASSERT_TRUE(record->ClaimForLoading());
        record->EndLoading(TThumbState::Loaded, JpegBytes(80, 60));
    }).get();
    ASSERT_TRUE(ServeUntil([&] { return !painted.region().isEmpty(); }));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    EXPECT_TRUE(painted.region().intersects(box.ThumbnailRect(built)));
    EXPECT_FALSE(painted.region().intersects(box.ThumbnailRect(before)));
    EXPECT_FALSE(painted.region().intersects(box.ThumbnailRect(after)));
    EXPECT_EQ(m_owner.changed, std::vector<TThumbnail *>({built}));
    const QRect picture = built->GetImageRect(8, 80, 60).translated(box.ThumbnailRect(built).topLeft());
    EXPECT_TRUE(isPictureColour(box.Client()->grab().toImage().pixelColor(picture.center())));
}

TEST_F(ThumbnailTest, AStaleRecordTakesItsThumbnailOutOfTheBox)
{
    TThumbBox box(&m_owner);
    TThumbnail *first = box.AddThumbnail(record("a.jpg", 160, 120, true));
    TThumbnail *stale = box.AddThumbnail(record("b.jpg", 160, 120, true));
    TThumbnail *last = box.AddThumbnail(record("c.jpg", 160, 120, true));
    first->SetSelected(true);
    stale->SetSelected(true);

    CThumbBitmap *record = stale->GetThumbBitmap();
    std::async(std::launch::async, [record] { record->MarkStale(); }).get();
    ASSERT_TRUE(ServeUntil([&] { return box.Count() == 2; }));

    EXPECT_EQ(box.Thumbnail(0), first);
    EXPECT_EQ(box.Thumbnail(1), last);
    EXPECT_EQ(box.SelectedCount(), 1);
    EXPECT_EQ(m_owner.changed, std::vector<TThumbnail *>({stale}));
    EXPECT_EQ(m_owner.selectionChanges, 1);
}

TEST_F(ThumbnailTest, ANotificationForAThumbnailThatHasGoneIsDropped)
{
    TThumbBox box(&m_owner);
    CThumbBitmap *record = this->record("a.jpg", 160, 120, true);
    box.AddThumbnail(record);
    // Queued for the window thread, which deletes the thumbnail before it runs.
    std::async(std::launch::async, [record] { record->MarkStale(); }).get();
    box.DeleteAllThumbnails();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_owner.changed.empty());
    EXPECT_EQ(record->Clients().Count(), 0);
}

} // namespace
