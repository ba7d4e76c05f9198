// The batch engine's window over a world of its own, for a person (or a
// screenshot) to look at: C:\Photos holds two folders of photographs, the
// folder tree shows it, and the clip beside the program plays during a run.
//   scripts/look BatchLook 'Batch Engine .*' FOLDER scripts/looks/batch.actions

#include "../../engine/look/LookFolder.h"

#include <Source/Glob.h>
#include <lib/ProductInfo.h>
#include <Source/tools/BatchForm.h>
#include <lib/controls/DirectoryTreeView.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTemporaryDir>

namespace {

void writePhotos(const QString &folder, int count, QColor tint)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QImage photo(2560, 1600, QImage::Format_RGB32);
        QPainter painter(&photo);
        painter.fillRect(photo.rect(), tint.darker(100 + i * 5));
        painter.setBrush(Qt::yellow);
        painter.drawEllipse(160 + i * 30, 240, 480, 480);
        painter.end();
        photo.save(QStringLiteral("%1/photo%2.jpg").arg(folder).arg(i, 2, 10, QLatin1Char('0')), "JPG", 85);
    }
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
    writePhotos(folder.filePath("C/Photos/Trip/Day1"), 60, QColor(40, 90, 160));
    writePhotos(folder.filePath("C/Photos/Trip/Day2"), 60, QColor(150, 80, 40));
    QFile::copy(QCoreApplication::applicationDirPath() + "/Engine.avi", folder.filePath("C/Zilo/Engine.avi"));
    InitGlobals();
    InitImageLibrary();
    int status = 0;
    {
        TBatchForm1 form;
        form.show();
        form.DirectoryTreeView1->SetDirectory(QStringLiteral("C:\\Photos"));
        status = application.exec();
    }
    FreeGlobals();
    return status;
}
