// Zilo, the organiser: the program's entry.

#include "Glob.h"
#include "engine/UserMessages.h"
#include "tools/RegisterTools.h"
#include "tools/Upgrade.h"
#include "windows/BrowseForm.h"
#include "windows/MainForm.h"
#include "windows/StartFolder.h"
#include "windows/WindowDialogs.h"

#include <lib/Application.h>
#include <lib/ProductInfo.h>
#include <platform/CommandLine.h>
#include <platform/Instance.h>
#include <platform/Thread.h>

#include <QByteArray>

#include <cstdlib>
#include <ctime>

namespace {

// How long the exit waits for the worker threads that were told to stop.
constexpr int WorkerExitBoundMs = 10000;

// Workers that were told to stop may still be inside a step that uses the
// option groups, the settings store or the drive table: those are freed only
// once every worker has ended. With one stuck past the bound the settings are
// still saved, and the rest is left to the end of the process.
void EndGlobals()
{
    if (WaitForWorkerThreads(WorkerExitBoundMs))
        FreeGlobals();
    else
        SaveGlobals();
}

// A start that names a folder or browse file hands its "browsefile=" on, and
// the first instance shows it; any other start asks the first instance to show
// itself. False when no first instance takes it: this start runs on its own.
bool handOnToFirstInstance()
{
    const CString argument = BrowseFileArgument(GetCommandLineA());
    if (argument.IsEmpty())
        return PostToInstanceWindow(MainFormClassName, ProductName, UM_ACTIVATE_INSTANCE, 0, 0);
    return CopyDataToInstanceWindow(MainFormClassName, ProductName, UM_ACTIVATE_INSTANCE,
                                    QByteArray(argument.c_str(), argument.GetLength()));
}

int WinMain(int &argc, char **argv)
{
    TApplication application(argc, argv);
    // The program title: the application's name, not its display name, which
    // the window system would append to every caption.
    QCoreApplication::setApplicationName(ProductName);
    // A hint stays shown 10000 ms: Qt's own time for a tool tip.
    application.HelpFile = CPath::ExeFolder().AppendFileName("Zilo.hlp");
    std::srand(unsigned(std::time(nullptr)));
    // The host has no critical-error boxes to switch off, and the application
    // object no window of its own to hide.

    if (handOnToFirstInstance())
        return 0;

    try {
        InitGlobals();
        InitImageLibrary();
        RegisterWindowDialogs();
        RegisterTools();
        UpgradeOldData();
        UpgradeFrom20Beta2();
        UpgradeTo20Final();
        // The coordinator reads the start folder from the command line; it
        // reports a start file that is no browse file itself and leaves the
        // start folder empty.
        MainForm1 = new TMainForm1;
        auto *browser = new TBrowseForm1(StartFolder);   // frees itself when closed
        browser->activateWindow();
        TApplication::exec();
        delete MainForm1;
        MainForm1 = nullptr;
    } catch (const std::exception &error) {
        ShowException(error);
    }
    EndGlobals();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return WinMain(argc, argv);
}
