#pragma once

#include <cstdint>

// Windows virtual-key codes. Letters and digits are their upper-case ASCII codes.
constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_F1 = 0x70;          // VK_F1 + n - 1 is Fn, up to F24
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;

// Whether a key or pointer button is down now: the top bit (0x8000) of the
// answer, as Windows gives it; the other bits are 0. Any thread.
// Qt reports only keys that reach the program, so keys are tracked by an
// event filter that goes on the application as soon as it is made (or on
// the first call on the window thread, for one made later); a key
// held while the program had no focus is not seen, and every key counts as up
// once the program loses the focus. Shift, Ctrl and Alt also come from Qt's
// queried modifiers on the window thread. Left and right keys answer as one.
int16_t GetAsyncKeyState(int virtualKey);
