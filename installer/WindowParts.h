#pragma once

#include <QPixmap>

class QLabel;
class QString;
class QWidget;

// The pieces that Setup's and Deviva's windows are both made of.

// The picture down the left side of Setup's pages and Deviva's window: our
// own, drawn here (a dusk sky over hills).
QPixmap SidePicture(int width, int height);

// A label whose text wraps at its width.
QLabel *WrappedLabel(const QString &text, QWidget *parent);
