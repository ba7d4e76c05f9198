#include "Colour.h"

#include <algorithm>
#include <cmath>

double ClampUnit(double value)
{
    if (std::isnan(value))
        return 0;
    return std::clamp(value, 0.0, 1.0);
}

void RGBtoHSL(double r, double g, double b, double &h, double &s, double &l)
{
    r = ClampUnit(r);
    g = ClampUnit(g);
    b = ClampUnit(b);
    const double maximum = std::max({r, g, b});
    const double minimum = std::min({r, g, b});
    const double delta = maximum - minimum;
    l = (maximum + minimum) / 2;
    h = 0;
    s = 0;
    if (l <= 0 || delta <= 0)
        return;
    // Both denominators are positive here: l > 0, and l < 1 since max > min.
    s = delta / (l <= 0.5 ? maximum + minimum : 2 - maximum - minimum);
    const double r2 = (maximum - r) / delta;
    const double g2 = (maximum - g) / delta;
    const double b2 = (maximum - b) / delta;
    double sextants;
    if (r == maximum)
        sextants = g == minimum ? 5 + b2 : 1 - g2;
    else if (g == maximum)
        sextants = b == minimum ? 1 + r2 : 3 - b2;
    else
        sextants = r == minimum ? 3 + g2 : 5 - r2;
    // Pure red comes out as 6 sextants: the same hue as 0.
    if (sextants >= 6)
        sextants -= 6;
    h = ClampUnit(sextants / 6);
}

void HSLtoRGB(double h, double s, double l, double &r, double &g, double &b)
{
    h = ClampUnit(h);
    s = ClampUnit(s);
    l = ClampUnit(l);
    const double v = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    r = g = b = 0;
    if (v <= 0)
        return;
    const double m = 2 * l - v;
    // Hue 1 would be a seventh sextant; it is red, as hue 0.
    const double sextants = h >= 1 ? 0 : h * 6;
    const int sextant = std::min(int(sextants), 5);
    const double rise = (v - m) * (sextants - sextant);
    const double up = m + rise;
    const double down = v - rise;
    switch (sextant) {
    case 0: r = v; g = up; b = m; break;
    case 1: r = down; g = v; b = m; break;
    case 2: r = m; g = v; b = up; break;
    case 3: r = m; g = down; b = v; break;
    case 4: r = up; g = m; b = v; break;
    default: r = v; g = m; b = down; break;
    }
    r = ClampUnit(r);
    g = ClampUnit(g);
    b = ClampUnit(b);
}

void RGBtoCT(double r, double, double b, double &ct)
{
    ct = ClampUnit((ClampUnit(b) - ClampUnit(r) + 1) * 0.5);
}

void CTtoRGB(double ct, double &r, double &g, double &b)
{
    ct = ClampUnit(ct);
    r = (0.5 - ct) * 0.5 + 0.5;
    g = 0.5;
    b = (ct - 0.5) * 0.5 + 0.5;
}
