#include "ThumbBoxTestSupport.h"

#include "../ScopedPalette.h"

#include <Source/engine/ZiloOptions.h>
#include <platform/SystemMetrics.h>

#include <QCoreApplication>
#include <QImage>

#include <future>
#include <vector>

namespace {

struct PlacementCase
{
    const char *name;
    int usableWidth;
    std::vector<QPoint> places;
    QSize scrollRanges;
};

// Thumbnails 101 wide and 109 high (82-pixel thumbnails with labels), spacing 10.
TEST_F(ThumbBoxTest, PlacesThumbnailsInRowsAcrossTheUsableWidth)
{
    const PlacementCase cases[] = {
        {"three a row", 345, {{10, 10}, {121, 10}, {232, 10}, {10, 129}}, {343, 248}},
        {"two a row", 335, {{10, 10}, {121, 10}, {10, 129}, {121, 129}}, {232, 248}},
        {"narrower than one", 60, {{10, 10}, {10, 129}, {10, 248}, {10, 367}}, {121, 486}},
    };
    setFolderOption(TFolderOptions::ThumbnailSize, 82);
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        record(name, 82, 82, true);
    for (const PlacementCase &placement : cases) {
        SCOPED_TRACE(placement.name);
        TThumbBox box(&m_owner);
        showBox(box, placement.usableWidth + 2 * GetSystemMetrics(SM_CXEDGE), 600);
        ASSERT_EQ(box.Client()->width(), placement.usableWidth);
        for (CThumbBitmap *made : m_records)
            box.AddThumbnail(made);
        ASSERT_EQ(box.Thumbnail(0)->Width(), 101);
        std::vector<QPoint> places;
        for (int index = 0; index < box.Count(); ++index)
            places.push_back(box.Thumbnail(index)->BoundsRect().topLeft());
        EXPECT_EQ(places, placement.places);
        EXPECT_EQ(QSize(box.HorzScrollBar()->Range(), box.VertScrollBar()->Range()), placement.scrollRanges);

        box.Relayout();
        for (int index = 0; index < box.Count(); ++index)
            EXPECT_EQ(box.Thumbnail(index)->BoundsRect().topLeft(), placement.places[size_t(index)]) << index;
        EXPECT_EQ(QSize(box.HorzScrollBar()->Range(), box.VertScrollBar()->Range()), placement.scrollRanges);
        EXPECT_EQ(m_owner.shown.size(), size_t(box.Count()));
        m_owner.shown.clear();
    }
}

// The places of a box's thumbnails, in list order.
static std::vector<QPoint> placesOf(const TThumbBox &box)
{
    std::vector<QPoint> places;
    for (int index = 0; index < box.Count(); ++index)
        places.push_back(box.Thumbnail(index)->BoundsRect().topLeft());
    return places;
}

// Thumbnails 101 wide and 109 high, spacing 10, three a row at first.
TEST_F(ThumbBoxTest, AResizeLaysTheThumbnailsOutAcrossTheNewWidthAtOnce)
{
    const struct
    {
        const char *name;
        int autoLayout;
        std::vector<QPoint> places;   // once the box is two thumbnails wide
    } cases[] = {
        {"re-laid when resized", TGeneralOptions::RelayWhenResized,
         {{10, 10}, {121, 10}, {10, 129}, {121, 129}, {10, 248}}},
        {"left as they were", 0, {{10, 10}, {121, 10}, {232, 10}, {10, 129}, {121, 129}}},
    };
    setFolderOption(TFolderOptions::ThumbnailSize, 82);
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
        record(name, 82, 82, true);
    const int edges = 2 * GetSystemMetrics(SM_CXEDGE);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        GeneralOptions->SetInt(TGeneralOptions::AutoLayout, c.autoLayout);
        TThumbBox box(&m_owner);
        showBox(box, 345 + edges, 600);
        for (size_t index = 0; index < 4; ++index)
            box.AddThumbnail(m_records[index]);
        box.resize(235 + edges, 600);   // no event loop turn: the layout follows at once
        box.AddThumbnail(m_records[4]);   // one still to come during a load
        EXPECT_EQ(placesOf(box), c.places);
    }
}

TEST_F(ThumbBoxTest, TheOthersCloseUpWhenAThumbnailLeaves)
{
    const struct
    {
        const char *name;
        int autoLayout;
        std::vector<QPoint> places;   // of a, c and d, once b has gone
    } cases[] = {
        {"re-laid when one is deleted", TGeneralOptions::RelayWhenDeleted, {{10, 10}, {121, 10}, {232, 10}}},
        {"left with a hole", 0, {{10, 10}, {232, 10}, {10, 129}}},
    };
    setFolderOption(TFolderOptions::ThumbnailSize, 82);
    const int edges = 2 * GetSystemMetrics(SM_CXEDGE);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        GeneralOptions->SetInt(TGeneralOptions::AutoLayout, c.autoLayout);
        TThumbBox box(&m_owner);
        showBox(box, 345 + edges, 600);
        for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
            box.AddThumbnail(record(name, 82, 82, true));
        CThumbBitmap *gone = box.Thumbnail(1)->GetThumbBitmap();
        std::async(std::launch::async, [gone] { gone->MarkStale(); }).get();
        ASSERT_TRUE(ServeUntil([&] { return box.Count() == 3; }));
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(placesOf(box), c.places);
    }
}

TEST_F(ThumbBoxTest, KnowsTheRecordsThatItsOwnThumbnailsShow)
{
    CThumbBitmap *first = record("a.jpg", 64, 48, true);
    CThumbBitmap *second = record("b.jpg", 64, 48, true);
    TThumbBox box(&m_owner);
    TThumbBox elsewhere(&m_owner);
    TThumbnail *thumbnail = box.AddThumbnail(first);
    elsewhere.AddThumbnail(second);
    EXPECT_TRUE(box.ShowsRecord(first));
    EXPECT_FALSE(box.ShowsRecord(second)) << "shown by another box only";

    thumbnail->SetThumbBitmap(second);
    EXPECT_FALSE(box.ShowsRecord(first));
    EXPECT_TRUE(box.ShowsRecord(second));

    // A drag may keep the observer of a thumbnail that has gone.
    const std::shared_ptr<TThumbnailObserver> kept = thumbnail->Observer();
    delete thumbnail;
    EXPECT_FALSE(box.ShowsRecord(second));
    EXPECT_TRUE(elsewhere.ShowsRecord(second));
}

TEST_F(ThumbBoxTest, ThumbnailsOfMixedSizesNeverOverlap)
{
    setFolderOption(TFolderOptions::ThumbnailSize, 160);
    record("big.jpg", 160, 160, true);
    setFolderOption(TFolderOptions::ThumbnailSize, 80);
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        record(name, 80, 80, true);
    TThumbBox box(&m_owner);
    showBox(box, 400, 600);
    for (CThumbBitmap *made : m_records)
        box.AddThumbnail(made);

    int bottom = 0;
    for (int index = 0; index < box.Count(); ++index) {
        const QRect bounds = box.Thumbnail(index)->BoundsRect();
        bottom = std::max(bottom, bounds.bottom() + 1);
        for (int other = 0; other < index; ++other)
            EXPECT_FALSE(bounds.intersects(box.Thumbnail(other)->BoundsRect())) << index << " meets " << other;
    }
    EXPECT_EQ(box.Thumbnail(2)->BoundsRect().top(), 10 + box.Thumbnail(0)->Height() + 10) << "below the tallest";
    EXPECT_EQ(box.VertScrollBar()->Range(), bottom + 10);
}

TEST_F(ThumbBoxTest, PaintsAndDecodesOnlyTheThumbnailsInView)
{
    for (int index = 0; index < 40; ++index)
        record(QString("%1.jpg").arg(index), 160, 120, true);
    TThumbBox box(&m_owner);
    showBox(box, 250, 200);
    for (CThumbBitmap *made : m_records)
        box.AddThumbnail(made);
    ASSERT_TRUE(box.VertScrollBar()->isVisible());

    const auto decoded = [&] {
        std::vector<int> indexes;
        for (int index = 0; index < box.Count(); ++index)
            if (box.Thumbnail(index)->GetThumbBitmap()->HasBitmap())
                indexes.push_back(index);
        return indexes;
    };
    const auto inView = [&] {
        std::vector<int> indexes;
        for (int index = 0; index < box.Count(); ++index)
            if (box.ThumbnailRect(box.Thumbnail(index)).intersects(box.Client()->rect()))
                indexes.push_back(index);
        return indexes;
    };
    box.Client()->grab();
    EXPECT_EQ(decoded(), inView());
    EXPECT_LT(decoded().size(), size_t(box.Count()));

    box.VertScrollBar()->SetPosition(box.VertScrollBar()->Range());
    const QImage image = box.Client()->grab().toImage();
    TThumbnail *last = box.Thumbnail(box.Count() - 1);
    EXPECT_TRUE(decoded().back() == box.Count() - 1);
    const QRect picture = last->GetImageRect(8, 80, 60).translated(box.ThumbnailRect(last).topLeft());
    EXPECT_TRUE(isPictureColour(image.pixelColor(picture.center()))) << "scrolled into view";

    box.DeleteAllThumbnails();
    box.ResetScrollBars();
    EXPECT_FALSE(box.VertScrollBar()->isVisible());
    EXPECT_EQ(box.VertScrollBar()->Position(), 0);
}

// A user without the texture file still reads the state of each thumbnail:
// the default text colour is black.
TEST_F(ThumbBoxTest, WithoutItsTextureThePanelTakesTheDesktopsBaseColourUnderReadableText)
{
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(250, 245, 230));
    const ScopedApplicationPalette desktop(palette);
    PanelOptions->SetString(TPanelOptions::Texture, TestWindowsPath("Pics\\none.jpg"));
    PanelOptions->SetInt(TPanelOptions::ColourStrength, 0);
    TThumbBox box(&m_owner);
    showBox(box, 300, 200);
    TThumbnail *pending = box.AddThumbnail(record("a.jpg", 160, 120, false));
    const QImage image = box.Client()->grab().toImage();

    EXPECT_EQ(image.pixelColor(image.width() - 5, image.height() - 5), QColor(250, 245, 230));
    int dark = 0;
    int pixels = 0;
    const QRect item = pending->BoundsRect();
    for (int y = item.top() + 4; y < item.top() + 30; ++y) {
        for (int x = item.left() + 20; x < item.right() - 4; ++x, ++pixels)
            dark += image.pixelColor(x, y).lightness() < 80;
    }
    EXPECT_GT(dark, 10) << "the state text shows in black";
    EXPECT_LT(dark, pixels / 4) << "on a light ground";
}

} // namespace
