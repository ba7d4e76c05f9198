#pragma once

class QPainter;
class QRect;

// A two-pixel 3D edge just inside rect in the system colours, as Windows draws
// its raised (buttons, thumbs) and sunken (a client edge) edges. Leaves the
// inside alone. Window thread only.
void PaintEdge(QPainter &canvas, const QRect &rect, bool raised);
