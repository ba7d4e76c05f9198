#pragma once

#include <cstdint>

// The component library's screen cursor (Screen->Cursor): one cursor for every
// window of the program while it is not crDefault.
using TCursor = int16_t;

constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// Any thread. Answers the cursor last set, even while a change made on another
// thread still waits to be shown.
TCursor GetScreenCursor();

// Any thread. The cursor is shown by the window thread: a call from another
// thread queues the change and returns at once (it never waits, so a worker
// holding a lock that the window thread wants cannot deadlock). Queued changes
// show the latest value. Codes without a shape of their own show the arrow.
void SetScreenCursor(TCursor cursor);
