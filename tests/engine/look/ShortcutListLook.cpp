// Shows two shortcut lists, one in small icons and one as a report, over a
// registry and drives of its own, for a person (or a screenshot) to look at.
// Runs until its window is closed.

#include "LookFolder.h"

#include <Source/Glob.h>
#include <Source/engine/ShortcutListView.h>
#include <lib/Options.h>
#include <lib/SafeRegIniFile.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdlib>
#include <memory>

static std::unique_ptr<TOptions> layoutOptions(TViewStyle style)
{
    auto options = std::make_unique<TOptions>();
    options->SetInt(11, 110);
    options->SetInt(12, 170);
    options->SetInt(13, 80);
    options->SetInt(14, style);
    return options;
}

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Photos", "Holidays 2001"});
    InitGlobals();
    {
        TShortcutListView maker(nullptr);
        maker.AddShortcut("C:\\Photos");
        maker.AddShortcut("C:\\Holidays 2001");
        maker.AddShortcut("C:\\");
        maker.AddShortcut("\\\\server\\pics");
        const int count = SettingsStore->ReadInteger("Shortcuts", "Count", 0) + 1;
        SettingsStore->WriteString("Shortcuts", QStringLiteral("Caption %1").arg(count), "Old CD");
        SettingsStore->WriteString("Shortcuts", QStringLiteral("VolPath %1").arg(count), "5EED0001\\Pics");
        SettingsStore->WriteInteger("Shortcuts", "Count", count);
    }

    QWidget window;
    window.setWindowTitle("Shortcuts");
    auto *layout = new QHBoxLayout(&window);
    for (TViewStyle style : {vsSmallIcon, vsReport}) {
        auto *list = new TShortcutListView(&window);
        list->Initialise(*layoutOptions(style));
        layout->addWidget(list, style == vsReport ? 3 : 1);
    }
    window.setGeometry(40, 40, 720, 260);
    window.show();
    const int result = application.exec();
    FreeGlobals();
    return result;
}
