#include "Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <mutex>
#include <vector>

constexpr UINT FirstRegisteredFormat = 0xC000;

static std::mutex s_formatsLock;   // guards s_formatNames; taken with no other lock
static std::vector<QByteArray> s_formatNames;   // format FirstRegisteredFormat + index

UINT RegisterClipboardFormatA(const char *name)
{
    if (!name || !*name)
        return 0;
    const QByteArray wanted(name);
    std::lock_guard lock(s_formatsLock);
    for (size_t index = 0; index < s_formatNames.size(); ++index) {
        if (s_formatNames[index].compare(wanted, Qt::CaseInsensitive) == 0)
            return FirstRegisteredFormat + UINT(index);
    }
    s_formatNames.push_back(wanted);
    return FirstRegisteredFormat + UINT(s_formatNames.size() - 1);
}

// Empty for a format that was never registered. The name's bytes are written in
// hexadecimal, so any name makes a valid MIME type, and ASCII case is folded
// first, as names match without case.
static QString mimeTypeOf(UINT format)
{
    std::lock_guard lock(s_formatsLock);
    if (format < FirstRegisteredFormat || format - FirstRegisteredFormat >= s_formatNames.size())
        return {};
    const QByteArray name = s_formatNames[format - FirstRegisteredFormat].toLower();
    return QStringLiteral("application/x-zilo-clipboard-") + QString::fromLatin1(name.toHex());
}

static QClipboard *clipboard()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? QGuiApplication::clipboard()
                                                                         : nullptr;
}

bool IsClipboardFormatAvailable(UINT format)
{
    QClipboard *board = clipboard();
    const QString mimeType = mimeTypeOf(format);
    if (!board || mimeType.isEmpty())
        return false;
    const QMimeData *data = board->mimeData();
    return data && data->hasFormat(mimeType);
}

bool SetClipboardData(UINT format, const QByteArray &bytes)
{
    QClipboard *board = clipboard();
    const QString mimeType = mimeTypeOf(format);
    if (!board || mimeType.isEmpty())
        return false;
    auto data = new QMimeData;   // the clipboard takes it
    data->setData(mimeType, bytes);
    board->setMimeData(data);
    return true;
}

bool GetClipboardData(UINT format, QByteArray &bytes)
{
    if (!IsClipboardFormatAvailable(format))
        return false;
    bytes = clipboard()->mimeData()->data(mimeTypeOf(format));
    return true;
}

bool EmptyClipboard()
{
    QClipboard *board = clipboard();
    if (!board)
        return false;
    board->clear();
    return true;
}
