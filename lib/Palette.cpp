#include "Palette.h"

#include "Helpers.h"

static constexpr std::array<StdPalette::Entry, 256> makeData()
{
    std::array<StdPalette::Entry, 256> data{};
    for (int i = 0; i < 216; ++i)
        data[size_t(i)] = {BYTE(i % 6 * 51), BYTE(i / 6 % 6 * 51), BYTE(i / 36 * 51)};
    return data;
}

const std::array<StdPalette::Entry, 256> StdPalette::Data = makeData();

StdPalette::StdPalette()
{
    m_colours.reserve(int(Data.size()));
    for (const Entry &entry : Data)
        m_colours.append(qRgb(entry.red, entry.green, entry.blue));
}

int StdPalette::GetPenForRGB(int red, int green, int blue)
{
    const auto level = [](int channel) { return (Clamp(channel, 0, 255) + 25) / 51; };
    return level(red) + 6 * level(green) + 36 * level(blue);
}
