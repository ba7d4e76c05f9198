// Setup, the installer: installs the programs from the folder it runs in.

#include "InstallForm.h"

#include <lib/Application.h>
#include <platform/ProgramFolder.h>

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    // The caption of its boxes, the exception box's among them.
    QCoreApplication::setApplicationName(QStringLiteral("Installer"));
    try {
        RunSetup(QString::fromStdString(RunningProgramFolder()));
    } catch (const std::exception &error) {
        ShowException(error);
    }
    return 0;
}
