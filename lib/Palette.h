#pragma once

#include <platform/Types.h>

#include <QList>
#include <QRgb>

#include <array>

// The fixed palette used for drawing when the display shows 256 colours or
// fewer: the 6 x 6 x 6 colour cube, then black. Palettes are plain data here:
// realising one changes nothing on the display.
class StdPalette
{
public:
    struct Entry
    {
        BYTE red;
        BYTE green;
        BYTE blue;
    };
    // Entry i < 216 is red (i mod 6) x 51, green ((i / 6) mod 6) x 51,
    // blue (i / 36) x 51; entries 216 to 255 are black.
    static const std::array<Entry, 256> Data;

    StdPalette();

    // The palette's 256 colours, as Qt's indexed images take them.
    const QList<QRgb> &Colours() const { return m_colours; }

    // The index of the cube colour nearest to a colour: each channel rounds to
    // the nearest multiple of 51. Channels outside 0 to 255 count as the
    // nearest end, so the answer is always a cube entry (0 to 215).
    static int GetPenForRGB(int red, int green, int blue);

private:
    QList<QRgb> m_colours;
};
