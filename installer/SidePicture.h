#pragma once

#include <QPixmap>

// The picture down the left side of Setup's pages and Deviva's window: our
// own, drawn here (a dusk sky over hills, the product's colours).
QPixmap SidePicture(int width, int height);
