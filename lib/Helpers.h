#pragma once

#include "Rect.h"

class QPainter;

// Whether a key or pointer button (a Windows virtual-key code) is down now.
// Any thread; see platform/KeyState.h for what the desktop lets us see.
bool IsKeyPressed(int virtualKey);

// Whether the display shows more than 256 colours. True without a screen.
bool HighColour();

// Fills with the canvas's current brush the part of outer outside inner, as
// four rectangles: left and right strips of outer's full height, then the top
// and bottom strips between them. Strips with no area paint nothing, so
// inner equal to outer paints nothing.
void FillAround(QPainter *canvas, CRect outer, CRect inner);

// "No" for 0; otherwise n in decimal, written into buffer (at least 12 bytes)
// or, when buffer is null, into a buffer of the calling thread that the next
// such call on that thread reuses.
const char *No(int n, char *buffer);

// minimum when value < minimum, else maximum when value > maximum, else value.
constexpr int Clamp(int value, int minimum, int maximum)
{
    if (value < minimum)
        return minimum;
    if (value > maximum)
        return maximum;
    return value;
}
