// Deviva, the uninstaller: removes what Setup installed into the folder it
// runs in, itself last.

#include "SetupData.h"
#include "UninstallForm.h"

#include <lib/Application.h>
#include <platform/ProgramFolder.h>

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Deviva"));
    try {
        RunDeviva(FullPath(QString::fromStdString(RunningProgramFolder()), QString::fromUtf8(UninstallerName)));
    } catch (const std::exception &error) {
        ShowException(error);
    }
    return 0;
}
