#pragma once

// Conversions between RGB, HSL and a one-number colour temperature. Every value
// is a fraction 0..1; inputs outside that range (NaN included) are clamped first,
// so the outputs are always 0..1.

// Hue 0 is red; a grey or black colour answers hue 0 and saturation 0.
void RGBtoHSL(double r, double g, double b, double &h, double &s, double &l);
// Hue 1 is the same colour as hue 0.
void HSLtoRGB(double h, double s, double l, double &r, double &g, double &b);
// 0 is the warmest (red, no blue), 1 the coolest (blue, no red).
void RGBtoCT(double r, double g, double b, double &ct);
// A soft tint, red and blue each within 0.25..0.75 and green 0.5; it is not the
// inverse of RGBtoCT.
void CTtoRGB(double ct, double &r, double &g, double &b);

// Clamps to 0..1; NaN becomes 0.
double ClampUnit(double value);
