#include "KeyState.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QThread>

#include <array>
#include <atomic>

namespace {

// Written on the window thread by the filter, read by any thread.
std::array<std::atomic<bool>, 256> s_down{};

struct KeyCode
{
    int qtKey;
    int virtualKey;
};

const KeyCode s_keyCodes[] = {
    {Qt::Key_Backspace, VK_BACK},   {Qt::Key_Tab, VK_TAB},        {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},    {Qt::Key_Enter, VK_RETURN},   {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL},  {Qt::Key_Alt, VK_MENU},       {Qt::Key_AltGr, VK_MENU},
    {Qt::Key_Pause, VK_PAUSE},      {Qt::Key_CapsLock, VK_CAPITAL}, {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},      {Qt::Key_PageUp, VK_PRIOR},   {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},          {Qt::Key_Home, VK_HOME},      {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},            {Qt::Key_Right, VK_RIGHT},    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},    {Qt::Key_Delete, VK_DELETE},
};

// 0 for a key that has no virtual-key code here.
int virtualKeyOf(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qtKey;   // Qt uses the upper-case ASCII codes too
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return VK_F1 + (qtKey - Qt::Key_F1);
    for (const KeyCode &code : s_keyCodes) {
        if (code.qtKey == qtKey)
            return code.virtualKey;
    }
    return 0;
}

// Windows keeps left and right apart; Qt does not, so both answer as one key.
int genericKeyOf(int virtualKey)
{
    switch (virtualKey) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
    default: return virtualKey;
    }
}

void trackModifiers(Qt::KeyboardModifiers modifiers)
{
    s_down[VK_SHIFT] = modifiers.testFlag(Qt::ShiftModifier);
    s_down[VK_CONTROL] = modifiers.testFlag(Qt::ControlModifier);
    s_down[VK_MENU] = modifiers.testFlag(Qt::AltModifier);
}

void trackButtons(Qt::MouseButtons buttons)
{
    s_down[VK_LBUTTON] = buttons.testFlag(Qt::LeftButton);
    s_down[VK_RBUTTON] = buttons.testFlag(Qt::RightButton);
    s_down[VK_MBUTTON] = buttons.testFlag(Qt::MiddleButton);
}

void releaseAll()
{
    for (std::atomic<bool> &down : s_down)
        down = false;
}

class KeyStateFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:   // a shortcut's key never arrives as a press
        case QEvent::KeyRelease:
            trackKey(*static_cast<QKeyEvent *>(event));
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            trackModifiers(static_cast<QMouseEvent *>(event)->modifiers());
            trackButtons(static_cast<QMouseEvent *>(event)->buttons());
            break;
        case QEvent::ApplicationDeactivate:
            releaseAll();   // releases while another program has the focus are never seen
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static void trackKey(const QKeyEvent &event)
    {
        const bool press = event.type() != QEvent::KeyRelease;
        if (!press && event.isAutoRepeat())
            return;   // the key is still held
        trackModifiers(event.modifiers());
        const int virtualKey = virtualKeyOf(event.key());
        if (virtualKey)
            s_down[virtualKey] = press;
    }
};

bool onWindowThread(const QCoreApplication *application)
{
    return QThread::currentThread() == application->thread();
}

Qt::KeyboardModifier modifierOf(int virtualKey)
{
    switch (virtualKey) {
    case VK_SHIFT: return Qt::ShiftModifier;
    case VK_CONTROL: return Qt::ControlModifier;
    case VK_MENU: return Qt::AltModifier;
    default: return Qt::NoModifier;
    }
}

// Window thread only; the application owns the filter, so a new application gets one of its own.
QPointer<KeyStateFilter> s_filter;

void installTracker()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application || !onWindowThread(application) || s_filter)
        return;
    s_filter = new KeyStateFilter(application);
    application->installEventFilter(s_filter);
}

} // namespace

// Called by the application's constructor, or at once when it already exists.
Q_COREAPP_STARTUP_FUNCTION(installTracker)

int16_t GetAsyncKeyState(int virtualKey)
{
    QCoreApplication *application = QCoreApplication::instance();
    const bool windowThread = application && onWindowThread(application);
    if (windowThread)
        installTracker();   // for an application made after the start-up call
    virtualKey = genericKeyOf(virtualKey);
    if (virtualKey <= 0 || virtualKey >= int(s_down.size()))
        return 0;
    bool down = s_down[virtualKey];
    const Qt::KeyboardModifier modifier = modifierOf(virtualKey);
    if (windowThread && modifier != Qt::NoModifier && qobject_cast<QGuiApplication *>(application))
        down = down || QGuiApplication::queryKeyboardModifiers().testFlag(modifier);
    return down ? int16_t(0x8000) : int16_t(0);
}
