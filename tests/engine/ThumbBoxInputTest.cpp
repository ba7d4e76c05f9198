#include "ThumbBoxTestSupport.h"

#include "../FakeDesktop.h"
#include "../Source/GlobTestSupport.h"

#include <Source/engine/ThumbSort.h>
#include <Source/engine/ZiloOptions.h>
#include <lib/controls/DropFile.h>
#include <platform/HostPath.h>
#include <platform/SystemMetrics.h>

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Indexes = std::vector<int>;

// Boxes of 80-pixel thumbnails (98 x 106 with labels) at spacing 10, five to
// a row.
class ThumbBoxInput : public ThumbBoxTest
{
protected:
    void SetUp() override
    {
        ThumbBoxTest::SetUp();
        setFolderOption(TFolderOptions::ThumbnailSpacing, 10);
    }

    // A shown box of count loaded thumbnails named 0.jpg, 1.jpg and so on.
    std::unique_ptr<TThumbBox> makeBox(int count, int height = 600)
    {
        while (int(m_records.size()) < count)
            record(QString("%1.jpg").arg(m_records.size()), 160, 120, true);
        auto box = std::make_unique<TThumbBox>(&m_owner);
        showBox(*box, 600 + 2 * GetSystemMetrics(SM_CXEDGE), height);
        for (int index = 0; index < count; ++index)
            box->AddThumbnail(m_records[size_t(index)]);
        return box;
    }

    static Indexes selected(const TThumbBox &box)
    {
        Indexes indexes;
        for (TThumbnail *thumbnail : box.GetSelected())
            indexes.push_back(box.IndexOfThumbnail(thumbnail));
        return indexes;
    }

    // The file names in display order.
    static std::vector<std::string> order(const TThumbBox &box)
    {
        std::vector<std::string> names;
        for (int index = 0; index < box.Count(); ++index)
            names.push_back(box.Thumbnail(index)->GetThumbBitmap()->GetHandler().GetName().ToAnsiString().toStdString());
        return names;
    }

    static void click(TThumbBox &box, int index, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint centre = box.ThumbnailRect(box.Thumbnail(index)).center();
        sendMouse(box, QEvent::MouseButtonPress, centre, modifiers);
        sendMouse(box, QEvent::MouseButtonRelease, centre, modifiers);
    }

    static void sendMouse(TThumbBox &box, QEvent::Type type, QPoint point,
                          Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, point, box.Client()->mapToGlobal(point), Qt::LeftButton, held, modifiers);
        QCoreApplication::sendEvent(box.Client(), &event);
    }
};

struct KeyCase
{
    const char *name;
    int start;   // clicked first; -1 for none
    std::vector<std::pair<int, bool>> keys;   // direction, Shift held
    int focus;
    Indexes selection;
};

TEST_F(ThumbBoxInput, KeysMoveTheFocusAndShiftExtendsFromIt)
{
    const KeyCase cases[] = {
        {"the first key only takes the first", -1, {{TThumbBox::KeyRight, false}}, 0, {0}},
        {"right", 0, {{TThumbBox::KeyRight, false}}, 1, {1}},
        {"left", 7, {{TThumbBox::KeyLeft, false}}, 6, {6}},
        {"up a row of five", 7, {{TThumbBox::KeyUp, false}}, 2, {2}},
        {"down a row of five", 7, {{TThumbBox::KeyDown, false}}, 12, {12}},
        {"page down, four rows", 0, {{TThumbBox::KeyPageDown, false}}, 20, {20}},
        {"page up stops at the first", 13, {{TThumbBox::KeyPageUp, false}}, 0, {0}},
        {"up from the first row", 2, {{TThumbBox::KeyUp, false}}, 0, {0}},
        {"end", 3, {{TThumbBox::KeyLast, false}}, 22, {22}},
        {"home", 17, {{TThumbBox::KeyFirst, false}}, 0, {0}},
        {"shift right twice", 5, {{TThumbBox::KeyRight, true}, {TThumbBox::KeyRight, true}}, 5, {5, 6, 7}},
        {"and back across the focus", 5,
         {{TThumbBox::KeyRight, true}, {TThumbBox::KeyRight, true}, {TThumbBox::KeyLeft, true},
          {TThumbBox::KeyLeft, true}, {TThumbBox::KeyLeft, true}},
         5, {4, 5}},
        {"shift down, then a plain key drops the range", 5,
         {{TThumbBox::KeyDown, true}, {TThumbBox::KeyRight, false}}, 6, {6}},
    };
    for (const KeyCase &keyCase : cases) {
        SCOPED_TRACE(keyCase.name);
        std::unique_ptr<TThumbBox> box = makeBox(23);
        ASSERT_EQ(box->Thumbnail(5)->BoundsRect().topLeft(), QPoint(10, 126)) << "five to a row";
        if (keyCase.start >= 0)
            click(*box, keyCase.start);
        m_owner.selectionChanges = 0;
        for (const auto &[direction, shift] : keyCase.keys)
            box->HandleKeyDown(direction, shift);
        EXPECT_EQ(box->IndexOfThumbnail(box->Focus()), keyCase.focus);
        EXPECT_EQ(selected(*box), keyCase.selection);
        EXPECT_EQ(box->SelectedCount(), int(keyCase.selection.size()));
        EXPECT_EQ(m_owner.selectionChanges, int(keyCase.keys.size())) << "once a key";
    }
}

TEST_F(ThumbBoxInput, AKeyScrollsTheNewFocusIntoView)
{
    std::unique_ptr<TThumbBox> box = makeBox(40, 300);
    click(*box, 0);
    box->HandleKeyDown(TThumbBox::KeyLast, false);
    EXPECT_TRUE(box->Client()->rect().contains(box->ThumbnailRect(box->Thumbnail(39))));
    box->HandleKeyDown(TThumbBox::KeyFirst, true);
    EXPECT_TRUE(box->Client()->rect().contains(box->ThumbnailRect(box->Thumbnail(0)))) << "the range end";
}

TEST_F(ThumbBoxInput, AThumbnailThatLeavesIsNoLongerTheFocus)
{
    std::unique_ptr<TThumbBox> box = makeBox(6);
    click(*box, 3);
    box->HandleKeyDown(TThumbBox::KeyRight, true);
    delete box->Thumbnail(4);   // the range end
    box->HandleKeyDown(TThumbBox::KeyRight, true);
    EXPECT_EQ(selected(*box), (Indexes{3, 4})) << "the range starts again at the focus";
    delete box->Thumbnail(3);   // the focus
    EXPECT_EQ(box->Focus(), nullptr);
    box->HandleKeyDown(TThumbBox::KeyDown, false);
    EXPECT_EQ(box->Focus(), box->Thumbnail(0)) << "a key then starts at the first";
    EXPECT_EQ(selected(*box), (Indexes{0, 3}));
}

struct ClickCase
{
    const char *name;
    std::vector<std::pair<int, Qt::KeyboardModifiers>> clicks;
    Indexes selection;
};

TEST_F(ThumbBoxInput, ClicksSelectAsModifiersSay)
{
    const ClickCase cases[] = {
        {"a plain click selects one alone", {{2, Qt::NoModifier}, {4, Qt::NoModifier}}, {4}},
        {"ctrl adds", {{2, Qt::NoModifier}, {4, Qt::ControlModifier}}, {2, 4}},
        {"ctrl on a selected one deselects it", {{2, Qt::NoModifier}, {2, Qt::ControlModifier}}, {}},
        {"shift selects from the last clicked", {{2, Qt::NoModifier}, {6, Qt::ShiftModifier}}, {2, 3, 4, 5, 6}},
        {"shift backwards", {{6, Qt::NoModifier}, {3, Qt::ShiftModifier}}, {3, 4, 5, 6}},
        {"shift replaces what was selected",
         {{0, Qt::NoModifier}, {9, Qt::ControlModifier}, {3, Qt::ShiftModifier}}, {3, 4, 5, 6, 7, 8, 9}},
        {"ctrl shift adds the range",
         {{0, Qt::NoModifier}, {8, Qt::ControlModifier}, {10, Qt::ControlModifier | Qt::ShiftModifier}},
         {0, 8, 9, 10}},
        {"a plain click on a selected one keeps the selection, to drag it",
         {{1, Qt::NoModifier}, {3, Qt::ControlModifier}, {1, Qt::NoModifier}}, {1, 3}},
        {"shift with nothing clicked starts at the first", {{2, Qt::ShiftModifier}}, {0, 1, 2}},
    };
    for (const ClickCase &clickCase : cases) {
        SCOPED_TRACE(clickCase.name);
        std::unique_ptr<TThumbBox> box = makeBox(12);
        m_owner.selectionChanges = 0;
        m_owner.similarReferences = 0;
        for (const auto &[index, modifiers] : clickCase.clicks)
            click(*box, index, modifiers);
        EXPECT_EQ(selected(*box), clickCase.selection);
        EXPECT_EQ(m_owner.selectionChanges, int(clickCase.clicks.size())) << "once a click";
        EXPECT_EQ(m_owner.similarReferences, int(clickCase.clicks.size()));
    }
}

TEST_F(ThumbBoxInput, SelectAllNoneAndInvertEachReachTheOwnerOnce)
{
    std::unique_ptr<TThumbBox> box = makeBox(7);
    click(*box, 1);
    click(*box, 4, Qt::ControlModifier);
    m_owner.selectionChanges = 0;

    box->ChangeSelection(TThumbBox::InvertSelection);
    EXPECT_EQ(selected(*box), (Indexes{0, 2, 3, 5, 6}));
    box->ChangeSelection(TThumbBox::SelectAll);
    EXPECT_EQ(box->SelectedCount(), 7);
    box->ChangeSelection(TThumbBox::SelectNone);
    EXPECT_EQ(box->SelectedCount(), 0);
    EXPECT_EQ(m_owner.selectionChanges, 3);
}

TEST_F(ThumbBoxInput, ASelectionChangeRepaintsWhatChanged)
{
    std::unique_ptr<TThumbBox> box = makeBox(40, 300);
    PaintRecorder painted(box->Client());
    QApplication::processEvents();
    painted.clear();

    box->ChangeSelection(TThumbBox::SelectAll);
    QApplication::processEvents();
    EXPECT_EQ(painted.paints(), 1);
    for (int index = 0; index < box->Count(); ++index) {
        const QRect visible = box->ThumbnailRect(box->Thumbnail(index)) & box->Client()->rect();
        EXPECT_TRUE(visible.isEmpty() || painted.region().contains(visible)) << index;
    }

    painted.clear();
    click(*box, 6, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(painted.paints(), 1);
    EXPECT_TRUE(painted.region().contains(box->ThumbnailRect(box->Thumbnail(6))));
}

TEST_F(ThumbBoxInput, PingPongGoesBackWithoutRepeatingTheEnds)
{
    const std::pair<Indexes, Indexes> cases[] = {
        {{}, {}},
        {{3}, {3}},
        {{1, 3}, {1, 3}},
        {{0, 2, 4}, {0, 2, 4, 2}},
        {{0, 1, 2, 5}, {0, 1, 2, 5, 2, 1}},
    };
    for (const auto &[selection, sequence] : cases) {
        std::unique_ptr<TThumbBox> box = makeBox(6);
        for (int index : selection)
            box->Thumbnail(index)->SetSelected(true);
        Indexes shown;
        for (TThumbnail *thumbnail : box->GetSelectedPingPong())
            shown.push_back(box->IndexOfThumbnail(thumbnail));
        EXPECT_EQ(shown, sequence) << selection.size() << " selected";
    }
}

// The band's corners in the client: from the gap left of the first row into
// the second thumbnail of the second row.
TEST_F(ThumbBoxInput, ARubberBandSelectsWhatItMeetsAndPausesLoading)
{
    std::unique_ptr<TThumbBox> box = makeBox(15);
    click(*box, 12);
    m_owner.selectionChanges = 0;
    m_owner.similarReferences = 0;
    const QPoint start(4, 4);
    const QPoint end = box->ThumbnailRect(box->Thumbnail(6)).center();
    const QImage before = box->Client()->grab().toImage();

    sendMouse(*box, QEvent::MouseButtonPress, start);
    EXPECT_EQ(m_owner.pauses, std::vector<bool>{true});
    sendMouse(*box, QEvent::MouseMove, end);
    EXPECT_EQ(selected(*box), (Indexes{0, 1, 5, 6})) << "what the band meets, alone";
    EXPECT_EQ(m_owner.selectionChanges, 1) << "one change for the whole band move";
    EXPECT_EQ(box->IndexOfThumbnail(box->Focus()), 0);
    // Down the band's left edge, a dotted line inverts what is under it.
    const auto invertedOnEdge = [&](const QImage &image) {
        int inverted = 0;
        for (int y = start.y(); y <= end.y(); ++y)
            inverted += image.pixel(start.x(), y) == (before.pixel(start.x(), y) ^ 0xFFFFFF);
        return inverted;
    };
    const int edge = end.y() - start.y() + 1;
    const int dots = invertedOnEdge(box->Client()->grab().toImage());
    EXPECT_GT(dots, edge / 4);
    EXPECT_LT(dots, edge * 3 / 4) << "dotted, not solid";

    sendMouse(*box, QEvent::MouseButtonRelease, end);
    EXPECT_EQ(m_owner.pauses, (std::vector<bool>{true, false}));
    EXPECT_EQ(m_owner.similarReferences, 1);
    EXPECT_EQ(invertedOnEdge(box->Client()->grab().toImage()), 0) << "the band is gone";

    // With Ctrl the band adds; a band that changes nothing tells nobody.
    sendMouse(*box, QEvent::MouseButtonPress, start);
    sendMouse(*box, QEvent::MouseMove, box->ThumbnailRect(box->Thumbnail(10)).topLeft(), Qt::ControlModifier);
    sendMouse(*box, QEvent::MouseButtonRelease, box->ThumbnailRect(box->Thumbnail(10)).topLeft());
    EXPECT_EQ(selected(*box), (Indexes{0, 1, 5, 6, 10}));
    sendMouse(*box, QEvent::MouseButtonPress, start);
    sendMouse(*box, QEvent::MouseButtonRelease, start);
    EXPECT_EQ(m_owner.similarReferences, 2);
}

struct ReorderCase
{
    const char *name;
    Indexes dragged;   // in drag order
    int target;
    std::vector<std::string> order;
};

TEST_F(ThumbBoxInput, ThumbnailsDroppedOnOneGoJustBeforeItInCustomOrder)
{
    const ReorderCase cases[] = {
        {"one forward", {1}, 4, {"0.jpg", "2.jpg", "3.jpg", "1.jpg", "4.jpg", "5.jpg"}},
        {"one back", {4}, 1, {"0.jpg", "4.jpg", "1.jpg", "2.jpg", "3.jpg", "5.jpg"}},
        {"two apart, together", {0, 3}, 5, {"1.jpg", "2.jpg", "4.jpg", "0.jpg", "3.jpg", "5.jpg"}},
        {"in drag order", {3, 0}, 5, {"1.jpg", "2.jpg", "4.jpg", "3.jpg", "0.jpg", "5.jpg"}},
        {"the target among them: together from it on", {1, 2, 4}, 2,
         {"0.jpg", "1.jpg", "2.jpg", "4.jpg", "3.jpg", "5.jpg"}},
        {"onto the first", {5}, 0, {"5.jpg", "0.jpg", "1.jpg", "2.jpg", "3.jpg", "4.jpg"}},
    };
    for (const ReorderCase &reorder : cases) {
        SCOPED_TRACE(reorder.name);
        setFolderOption(TFolderOptions::SortProperty, CThumbSort::FileName);
        std::unique_ptr<TThumbBox> box = makeBox(6);
        std::vector<TThumbnail *> dragged;
        for (int index : reorder.dragged)
            dragged.push_back(box->Thumbnail(index));
        TThumbnailDragObject data(dragged);
        const QPoint at = box->ThumbnailRect(box->Thumbnail(reorder.target)).topLeft() + QPoint(-4, 30);
        m_owner.sortOrderChanges = 0;
        m_owner.modified.clear();

        QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box->Client(), &enter);
        QDropEvent drop(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box->Client(), &drop);

        EXPECT_TRUE(drop.isAccepted());
        EXPECT_EQ(order(*box), reorder.order);
        EXPECT_EQ(box->Thumbnail(1)->BoundsRect().topLeft(), QPoint(118, 10)) << "laid out again";
        EXPECT_EQ(FolderOptionInt(m_owner.folder, TFolderOptions::SortProperty), int(CThumbSort::CustomOrder));
        const QString saved = QString::fromUtf8(
            ReadHostFile(HostPathFromWindows(CThumbSort(m_owner.folder).GetCustomSortFile().ToAnsiString().toStdString())));
        std::vector<std::string> savedOrder;
        for (const QString &line : saved.split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts))
            savedOrder.push_back(line.toStdString());
        EXPECT_EQ(savedOrder, reorder.order) << "the order file";
        EXPECT_EQ(m_owner.sortOrderChanges, 1);
        EXPECT_EQ(m_owner.modified, std::vector<bool>{true});
    }
}

TEST_F(ThumbBoxInput, ADropOfItsOwnThumbnailsOffAnyThumbnailIsRefused)
{
    std::unique_ptr<TThumbBox> box = makeBox(8);
    TThumbnailDragObject data({box->Thumbnail(0)});
    const QRect second = box->ThumbnailRect(box->Thumbnail(1));
    const QPoint points[] = {
        second.topLeft() + QPoint(30, 30),                   // the middle of a thumbnail
        QPoint(second.left(), second.bottom() + 5),          // between the rows
        box->ThumbnailRect(box->Thumbnail(7)).topRight() + QPoint(40, 20),   // after the last
    };
    for (const QPoint &at : points) {
        QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box->Client(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box->Client(), &move);
        EXPECT_FALSE(move.isAccepted()) << at.x() << "," << at.y();
        QDropEvent drop(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box->Client(), &drop);
        EXPECT_FALSE(drop.isAccepted());
    }
    EXPECT_EQ(order(*box).front(), "0.jpg");
    EXPECT_EQ(m_owner.sortOrderChanges, 0);
}

TEST_F(ThumbBoxInput, ThumbnailsFromAnotherBoxMoveIntoItsFolder)
{
    std::unique_ptr<TThumbBox> source = makeBox(3);
    RecordingOwner otherOwner;
    fs::create_directories(TestHostFolder() + "/Other");
    otherOwner.folder = CPath(CString(TestWindowsPath("Other")));
    TThumbBox target(&otherOwner);
    showBox(target, 300, 300);
    TThumbnailDragObject data({source->Thumbnail(0), source->Thumbnail(2)});
    // Other programs and the file drop target read the files themselves.
    EXPECT_EQ(QString::fromUtf8(data.data(ZiloFilesMimeType)),
              TestWindowsPath("Pics\\0.jpg") + "\r\n" + TestWindowsPath("Pics\\2.jpg"));
    ASSERT_EQ(data.urls().size(), 2);
    EXPECT_EQ(data.urls()[1].toLocalFile().toStdString(), TestHostFolder() + "/Pics/2.jpg");
    delete source->Thumbnail(2);   // its record went during the drag
    MessageBoxScript answers({IDYES});

    const QPoint at(150, 150);
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target.Client(), &enter);
    QDropEvent drop(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target.Client(), &drop);

    EXPECT_TRUE(drop.isAccepted());
    ASSERT_EQ(answers.boxes().size(), 1u);
    EXPECT_TRUE(answers.boxes()[0].text.contains("Other"));
    EXPECT_TRUE(fs::exists(TestHostFolder() + "/Other/0.jpg"));
    EXPECT_FALSE(fs::exists(TestHostFolder() + "/Pics/0.jpg"));
    EXPECT_TRUE(fs::exists(TestHostFolder() + "/Pics/2.jpg")) << "left the drag with its thumbnail";
    EXPECT_TRUE(fs::exists(TestHostFolder() + "/Pics/1.jpg"));
}

TEST_F(ThumbBoxInput, ADragNearAnEdgeScrollsOnEveryTick)
{
    std::unique_ptr<TThumbBox> box = makeBox(60, 300);
    TThumbnailDragObject data({box->Thumbnail(0)});
    TMyNewScrollBar &bar = *box->VertScrollBar();
    bar.SetPosition(200);
    const auto dragTo = [&](QPoint at) {
        QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box->Client(), &move);
    };
    QDragEnterEvent enter(QPoint(100, 100), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box->Client(), &enter);

    dragTo(QPoint(100, 10));
    box->TimerTick();
    EXPECT_EQ(bar.Position(), 175);
    box->TimerTick();
    EXPECT_EQ(bar.Position(), 150);
    dragTo(QPoint(100, 100));
    box->TimerTick();
    EXPECT_EQ(bar.Position(), 150) << "away from the edges";
    dragTo(QPoint(100, box->Client()->height() - 10));
    box->TimerTick();
    EXPECT_EQ(bar.Position(), 175);
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(box->Client(), &leave);
    box->TimerTick();
    EXPECT_EQ(bar.Position(), 175) << "the drag left";
}

TEST_F(ThumbBoxInput, AClickBesideASelectedPictureShowsItsInformation)
{
    std::unique_ptr<TThumbBox> box = makeBox(3);
    click(*box, 1);
    const QPoint corner = box->ThumbnailRect(box->Thumbnail(1)).topLeft() + QPoint(3, 3);
    GeneralOptions->SetInt(TGeneralOptions::ShowThumbnailInfo, 0);
    sendMouse(*box, QEvent::MouseButtonPress, corner);
    EXPECT_FALSE(box->InfoWindowShown()) << "the option is off";

    GeneralOptions->SetInt(TGeneralOptions::ShowThumbnailInfo, 1);
    sendMouse(*box, QEvent::MouseButtonPress, box->ThumbnailRect(box->Thumbnail(1)).center());
    EXPECT_FALSE(box->InfoWindowShown()) << "a click on the picture";
    sendMouse(*box, QEvent::MouseButtonPress, corner);
    ASSERT_TRUE(box->InfoWindowShown());
    const QLabel *info = box->Client()->findChild<QLabel *>("InfoWindow");
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->text().startsWith("1.jpg\n")) << info->text().toStdString();
    EXPECT_TRUE(info->text().endsWith(CThumbBitmap::GetStateText(TThumbState::Loaded).ToAnsiString()));

    box->ChangeSelection(TThumbBox::SelectAll);
    EXPECT_FALSE(box->InfoWindowShown());
}

TEST_F(ThumbBoxInput, ADoubleClickOpensTheSelectedFiles)
{
    FakeDesktop desktop;
    desktop.addApplication("viewer", "image/jpeg;");
    MessageBoxScript boxes;
    std::unique_ptr<TThumbBox> box = makeBox(3);
    click(*box, 2);
    const QPoint centre = box->ThumbnailRect(box->Thumbnail(2)).center();
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, centre, box->Client()->mapToGlobal(centre), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box->Client(), &doubleClick);
    EXPECT_EQ(FakeDesktop::waitForFile(desktop.openerLogPath()).toStdString(), TestHostFolder() + "/Pics/2.jpg\n");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ThumbBoxInput, TotalsAddUpTheRecords)
{
    std::unique_ptr<TThumbBox> box = makeBox(4);
    int64_t bytes = 0;
    for (int index = 0; index < 4; ++index)
        bytes += int64_t(fs::file_size(TestHostFolder() + "/Pics/" + std::to_string(index) + ".jpg"));
    EXPECT_EQ(box->GetTotalFileSize(), bytes);
    EXPECT_EQ(box->GetTotalBuildTime(), 0) << "loaded without a build";
}

} // namespace

namespace {

TEST_F(ThumbBoxInput, ThePanelShowsItsTextureTintedAsTheOptionsSay)
{
    const std::vector<uint8_t> grey = JpegBytes(64, 64, 120, 120, 120);
    // The default texture, in the program folder.
    WriteHostFile(TestHostFolder() + "/Program/Texture1.jpg",
                  QByteArray(reinterpret_cast<const char *>(grey.data()), qsizetype(grey.size())));
    PanelOptions->SetInt(TPanelOptions::ColourStrength, 0);
    std::unique_ptr<TThumbBox> box = makeBox(1);
    const QPoint gap(4, 4);
    const QColor plain = box->Client()->grab().toImage().pixelColor(gap);
    EXPECT_NEAR(plain.red(), 120, 6);
    EXPECT_NEAR(plain.blue(), 120, 6);

    PanelOptions->SetInt(TPanelOptions::Colour, 0x0000FF);   // red, as the options store colours
    PanelOptions->SetInt(TPanelOptions::ColourStrength, 50);
    box->TimerTick();
    const QColor tinted = box->Client()->grab().toImage().pixelColor(gap);
    EXPECT_GT(tinted.red(), 170);
    EXPECT_LT(tinted.blue(), 80);
}

} // namespace
