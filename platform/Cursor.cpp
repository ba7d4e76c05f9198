#include "Cursor.h"

#include "WindowThread.h"

#include <QCursor>
#include <QGuiApplication>

#include <atomic>

static std::atomic<TCursor> s_cursor{crDefault};
// Window thread only: whether our override cursor is on Qt's stack.
static bool s_overridden = false;

static Qt::CursorShape shapeOf(TCursor cursor)
{
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

// Window thread only. Shows the latest cursor, whichever call asked for it.
static void showCursor()
{
    const TCursor cursor = s_cursor.load();
    if (cursor == crDefault) {
        if (s_overridden)
            QGuiApplication::restoreOverrideCursor();
        s_overridden = false;
        return;
    }
    if (s_overridden) {
        QGuiApplication::changeOverrideCursor(QCursor(shapeOf(cursor)));
        return;
    }
    QGuiApplication::setOverrideCursor(QCursor(shapeOf(cursor)));
    s_overridden = true;
}

TCursor GetScreenCursor()
{
    return s_cursor.load();
}

void SetScreenCursor(TCursor cursor)
{
    s_cursor = cursor;
    QCoreApplication *application = QCoreApplication::instance();
    if (!qobject_cast<QGuiApplication *>(application))
        return;
    if (IsWindowThread()) {
        showCursor();
        return;
    }
    QueueOnWindowThread(showCursor);
}
