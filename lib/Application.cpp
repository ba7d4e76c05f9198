#include "Application.h"

#include "Shell.h"

#include <platform/IconTheme.h>
#include <platform/MessageBox.h>
#include <platform/WindowThread.h>

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// A framed landscape, drawn at size: the program's icon on every window and
// in the task bar. Drawn rather than shipped, so that no file can go missing.
QPixmap landscape(int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter canvas(&picture);
    canvas.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(size * 0.06, size * 0.16, size * 0.88, size * 0.68);
    canvas.setPen(QPen(QColor(60, 60, 60), std::max(1.0, size / 16.0)));
    canvas.setBrush(Qt::white);
    canvas.drawRoundedRect(frame, size / 16.0, size / 16.0);
    const QRectF view = frame.adjusted(size * 0.1, size * 0.1, -size * 0.1, -size * 0.1);
    QLinearGradient sky(view.topLeft(), view.bottomLeft());
    sky.setColorAt(0, QColor(70, 110, 230));
    sky.setColorAt(1, QColor(150, 200, 250));
    canvas.setPen(Qt::NoPen);
    canvas.fillRect(view, sky);
    QPainterPath hill;
    hill.moveTo(view.bottomLeft());
    hill.quadTo(view.center().x(), view.top() + view.height() * 0.3, view.right(), view.bottom() - view.height() * 0.25);
    hill.lineTo(view.bottomRight());
    hill.closeSubpath();
    canvas.setClipRect(view);
    canvas.fillPath(hill, QColor(70, 170, 80));
    canvas.setBrush(QColor(250, 210, 60));
    canvas.drawEllipse(QPointF(view.right() - view.width() * 0.25, view.top() + view.height() * 0.3), size * 0.07, size * 0.07);
    return picture;
}

} // namespace

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(landscape(size));
    return icon;
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setQuitOnLastWindowClosed(false);
    setWindowIcon(ProgramIcon());
    UseDesktopIconTheme();
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ShowException(error);
        return true;   // shown to the user: handled
    }
}

int ApplicationMessageBox(const char *text, UINT flags)
{
    int answer = IDCANCEL;
    // The caption is read on the window thread, which is the one that sets it.
    // The program title is the application's name, not its display name,
    // which the window system would append to every window's caption.
    CallOnWindowThread([&] {
        const QByteArray caption = QGuiApplication::applicationName().toUtf8();
        answer = MessageBoxA(nullptr, text, caption.constData(), flags);
    });
    return answer;
}

void ShowException(const std::exception &error)
{
    // Exception::what is its message in UTF-8, as the box takes it.
    ApplicationMessageBox(error.what(), MB_ICONSTOP | MB_OK);
}

CPath HelpFile()
{
    const auto *application = qobject_cast<const TApplication *>(QCoreApplication::instance());
    return application && application->HelpFile.GetFileExists() ? application->HelpFile : CPath();
}

void OpenHelpFile()
{
    const int result = TShell::Open(HelpFile().c_str(), "");
    if (result != -1)
        ApplicationMessageBox(TShell::GetErrorMessage(result).toUtf8().constData(), MB_ICONSTOP | MB_OK);
}
