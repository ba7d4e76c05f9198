#include <platform/Cursor.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include <thread>

namespace {

// The shape Qt shows over every window, or -1 for none of ours.
int shownShape()
{
    const QCursor *cursor = QGuiApplication::overrideCursor();
    return cursor ? int(cursor->shape()) : -1;
}

class CursorTest : public testing::Test
{
protected:
    void TearDown() override { SetScreenCursor(crDefault); }
};

} // namespace

TEST_F(CursorTest, ShowsTheCursorOverEveryWindow)
{
    const struct
    {
        TCursor cursor;
        int shape;
    } cases[] = {{crHourGlass, Qt::WaitCursor}, {crCross, Qt::CrossCursor}, {crHandPoint, Qt::PointingHandCursor},
                 {crArrow, Qt::ArrowCursor}, {crDefault, -1}, {crHourGlass, Qt::WaitCursor}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.cursor);
        SetScreenCursor(c.cursor);
        EXPECT_EQ(GetScreenCursor(), c.cursor);
        EXPECT_EQ(shownShape(), c.shape);
    }
    SetScreenCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "our cursor leaves Qt's stack whole";
}

TEST_F(CursorTest, AChangeFromAWorkerIsShownByTheWindowThread)
{
    std::thread([] {
        SetScreenCursor(crCross);
        SetScreenCursor(crHourGlass);
    }).join();
    EXPECT_EQ(GetScreenCursor(), crHourGlass) << "answered at once";
    EXPECT_EQ(shownShape(), -1) << "not shown off the window thread";
    QCoreApplication::processEvents();
    EXPECT_EQ(shownShape(), int(Qt::WaitCursor));
}
