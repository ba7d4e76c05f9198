#pragma once

#include "Types.h"

#include <QByteArray>

// The clipboard in registered formats. Each registered name travels as a MIME
// type of its own, made from the name, so that every program of the system
// (and a second copy of one) reads what another put there. Window thread only;
// without a GUI application every call fails.

// The format number of a name: the same number for the same name (matched
// without case), numbers from 0xC000 up in order of registration. 0 for an
// empty name.
UINT RegisterClipboardFormatA(const char *name);

bool IsClipboardFormatAvailable(UINT format);

// Replaces what the clipboard held by bytes under format. False, with the
// clipboard unchanged, for a format that was never registered.
bool SetClipboardData(UINT format, const QByteArray &bytes);

// The bytes under format; false, with bytes unchanged, when the clipboard has none.
bool GetClipboardData(UINT format, QByteArray &bytes);

// Empties the clipboard of every format.
bool EmptyClipboard();
