// The thumbnail appearance window on the shipped sample picture, over a
// registry and drives of its own, for a person (or a screenshot) to look at
// (scripts/look ThumbSettingsLook 'Thumbnail Appearance for C:.Photos' FOLDER
// scripts/looks/thumbsettings.actions). Prints where its size edit lies, as
// "sizeEdit X Y" in the window's pixels.

#include "../../engine/look/LookFolder.h"

#include <Source/Glob.h>
#include <Source/tools/ThumbSettingsForm.h>
#include <lib/ProductInfo.h>

#include <QApplication>
#include <QLineEdit>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(ProductName);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Photos"});
    QFile::copy(QCoreApplication::applicationDirPath() + "/Preview.jpg", folder.filePath("C/Zilo/Preview.jpg"));
    InitGlobals();
    InitImageLibrary();
    int status = 0;
    {
        TThumbSettingsForm1 form(nullptr, QStringLiteral("Thumbnail Appearance for C:\\Photos"));
        form.SetThumbnailSize(120);
        form.SetThumbnailSpacing(8);
        form.SetThumbnailSharpness(20);
        form.SetChecked(OptionControl::LabelCheckBox, true);
        form.SetText(OptionControl::LabelCombo, QStringLiteral("%f (%p)"));
        form.show();
        const QPoint edit = form.SizeEdit->mapTo(&form, form.SizeEdit->rect().center());
        std::printf("sizeEdit %d %d\n", edit.x(), edit.y());
        std::fflush(stdout);
        // The window hides when closed: the look ends with it.
        QObject::connect(&application, &QApplication::lastWindowClosed, &application, &QApplication::quit);
        status = QApplication::exec();
    }
    FreeGlobals();
    return status;
}
