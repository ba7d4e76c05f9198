// The internal viewer as a user meets it, over drives and a registry of its
// own, for a person (or a screenshot) to look at. With a host file as its
// argument it views a copy of that file; without one, a photograph it paints:
//   ViewerLook [FILE]
// The window is "photo.jpg - Vantrel's Image Organiser" (or the file's name).

#include "../../engine/look/LookFolder.h"

#include <Source/Glob.h>
#include <Source/tools/ViewerForm.h>
#include <lib/ProductInfo.h>
#include <platform/HostPath.h>

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>

namespace {

// Sky, sea and a sun: something whose flips, negative and colours show.
void paintPhotograph(const QString &path)
{
    QImage image(900, 600, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 360);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(1, QColor(250, 200, 140));
    painter.fillRect(0, 0, 900, 360, sky);
    painter.fillRect(0, 360, 900, 240, QColor(20, 70, 110));
    painter.setBrush(QColor(255, 220, 90));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPoint(620, 300), 70, 70);
    painter.setBrush(QColor(60, 40, 30));
    painter.drawRect(120, 250, 30, 110);
    painter.end();
    image.save(path, "JPEG", 90);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(ProductName);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Photos"});
    QString name = QStringLiteral("photo.jpg");
    if (argc > 1)
        name = QFileInfo(QString::fromLocal8Bit(argv[1])).fileName();
    const QString host = folder.filePath(QStringLiteral("C/Photos/") + name);
    if (argc > 1)
        QFile::copy(QString::fromLocal8Bit(argv[1]), host);
    else
        paintPhotograph(host);
    InitGlobals();
    InitImageLibrary();
    new TViewerForm1(CPath(CString(WindowsPathFromHost(host.toStdString()).c_str())));
    application.setQuitOnLastWindowClosed(true);
    const int status = application.exec();
    FreeGlobals();
    return status;
}
