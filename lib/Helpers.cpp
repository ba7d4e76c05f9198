#include "Helpers.h"

#include <platform/KeyState.h>

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <cstdio>

bool IsKeyPressed(int virtualKey)
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

bool HighColour()
{
    const QScreen *screen = qobject_cast<QGuiApplication *>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return !screen || screen->depth() > 8;
}

// Windows edges (right and bottom outside) to a Qt rectangle; skips empty strips,
// which Qt would otherwise paint turned the right way round.
static void fillStrip(QPainter &canvas, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (right <= left || bottom <= top)
        return;
    canvas.fillRect(QRect(left, top, right - left, bottom - top), canvas.brush());
}

void FillAround(QPainter *canvas, CRect outer, CRect inner)
{
    fillStrip(*canvas, outer.left, outer.top, inner.left, outer.bottom);
    fillStrip(*canvas, inner.left, outer.top, inner.right, inner.top);
    fillStrip(*canvas, inner.right, outer.top, outer.right, outer.bottom);
    fillStrip(*canvas, inner.left, inner.bottom, inner.right, outer.bottom);
}

const char *No(int n, char *buffer)
{
    if (n == 0)
        return "No";
    static thread_local char ownBuffer[12];
    char *target = buffer ? buffer : ownBuffer;
    std::snprintf(target, 12, "%d", n);
    return target;
}
