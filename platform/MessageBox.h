#pragma once

#include "Types.h"

#include <QString>

#include <functional>

// Windows message boxes: the buttons, icons and default button of `type`, and
// the answer of the button pressed.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON1 = 0x0;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_APPLMODAL = 0x0;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_SETFOREGROUND = 0x10000;
constexpr UINT MB_TOPMOST = 0x40000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal message box over window (or the active window) and answers
// the button pressed; closing the box answers Cancel where there is one, else
// the default button. Any thread: a worker's box is shown by the window
// thread while the worker waits. Text and caption are UTF-8.
int MessageBoxA(void *window, const char *text, const char *caption, UINT type);

// The answer of the default button of type (what Enter would press).
int DefaultMessageBoxAnswer(UINT type);

// Answers message boxes in place of the user, for tests: while set, no box is
// shown and the responder's answer is returned. It is called on the window
// thread. An empty responder brings back the real boxes.
using MessageBoxResponder = std::function<int(const QString &text, const QString &caption, UINT type)>;
void SetMessageBoxResponder(MessageBoxResponder responder);
