#include "ClipboardStringList.h"

#include <platform/Clipboard.h>

#include <QByteArray>

bool TClipboardStringList::IsDataAvailable() const
{
    return IsClipboardFormatAvailable(GetClipboardFormat());
}

void TClipboardStringList::SetToClipboard()
{
    QByteArray bytes = Text().toUtf8();
    bytes.append('\0');
    if (SetClipboardData(GetClipboardFormat(), bytes))
        Clear();
}

bool TClipboardStringList::GetFromClipboard()
{
    QByteArray bytes;
    if (!GetClipboardData(GetClipboardFormat(), bytes))
        return false;
    // The text ends at its NUL, or at the end of what another program put there.
    const qsizetype end = bytes.indexOf('\0');
    SetText(QString::fromUtf8(end < 0 ? bytes : bytes.left(end)));
    return true;
}

void TClipboardStringList::ClearClipboard() const
{
    EmptyClipboard();
}
