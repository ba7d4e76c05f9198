#include <platform/KeyState.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <future>

namespace {

bool down(int virtualKey)
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void sendKey(QWidget &widget, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, bool repeat = false)
{
    QKeyEvent event(type, key, modifiers, QString(), repeat);
    QCoreApplication::sendEvent(&widget, &event);
}

void sendMouse(QWidget &widget, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(1, 1), QPointF(1, 1), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

class KeyStateTest : public testing::Test
{
protected:
    void TearDown() override
    {
        // Qt remembers the modifiers of the last key event as the keyboard's.
        sendKey(m_widget, QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier);
        QEvent deactivate(QEvent::ApplicationDeactivate);
        QCoreApplication::sendEvent(qApp, &deactivate);
    }

    QWidget m_widget;
};

} // namespace

TEST_F(KeyStateTest, FollowsKeysPressedAndReleased)
{
    const struct
    {
        int qtKey;
        int virtualKey;
    } cases[] = {{Qt::Key_A, 'A'}, {Qt::Key_7, '7'}, {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_F5, VK_F1 + 4},
                 {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Left, VK_LEFT}, {Qt::Key_Return, VK_RETURN}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.virtualKey);
        EXPECT_FALSE(down(c.virtualKey));
        sendKey(m_widget, QEvent::KeyPress, c.qtKey, Qt::NoModifier);
        EXPECT_TRUE(down(c.virtualKey));
        EXPECT_EQ(GetAsyncKeyState(c.virtualKey), int16_t(0x8000)) << "only the top bit";
        sendKey(m_widget, QEvent::KeyRelease, c.qtKey, Qt::NoModifier, true);
        EXPECT_TRUE(down(c.virtualKey)) << "an auto-repeat release leaves the key held";
        sendKey(m_widget, QEvent::KeyRelease, c.qtKey, Qt::NoModifier);
        EXPECT_FALSE(down(c.virtualKey));
    }
}

TEST_F(KeyStateTest, ModifiersAnswerForBothSides)
{
    sendKey(m_widget, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    sendKey(m_widget, QEvent::KeyPress, Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
    for (const int key : {VK_CONTROL, VK_LCONTROL, VK_RCONTROL, VK_SHIFT, VK_LSHIFT, VK_RSHIFT})
        EXPECT_TRUE(down(key)) << key;
    EXPECT_FALSE(down(VK_MENU));
    // A later event's modifiers tell of a release the program did not see.
    sendKey(m_widget, QEvent::KeyPress, Qt::Key_B, Qt::ShiftModifier);
    EXPECT_FALSE(down(VK_CONTROL));
    EXPECT_TRUE(down(VK_SHIFT));
}

TEST_F(KeyStateTest, FollowsPointerButtons)
{
    sendMouse(m_widget, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    EXPECT_TRUE(down(VK_RBUTTON));
    EXPECT_FALSE(down(VK_LBUTTON));
    sendMouse(m_widget, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton);
    EXPECT_FALSE(down(VK_RBUTTON));
}

TEST_F(KeyStateTest, LosingTheFocusReleasesEverything)
{
    sendKey(m_widget, QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    sendMouse(m_widget, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(qApp, &deactivate);
    EXPECT_FALSE(down(VK_SPACE));
    EXPECT_FALSE(down(VK_LBUTTON));
}

TEST_F(KeyStateTest, AnswersOnAnyThreadAndForUnknownCodes)
{
    sendKey(m_widget, QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    EXPECT_TRUE(std::async(std::launch::async, [] { return down(VK_ESCAPE); }).get());
    EXPECT_EQ(GetAsyncKeyState(0), 0);
    EXPECT_EQ(GetAsyncKeyState(-5), 0);
    EXPECT_EQ(GetAsyncKeyState(4000), 0);
}
