// Deviva, the uninstaller: removes what Setup installed into the folder it
// runs in, itself last.

#include "SetupData.h"
#include "UninstallForm.h"

#include <lib/Application.h>
#include <lib/String.h>
#include <platform/ProgramFolder.h>

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Deviva"));
    try {
        const CString folder(RunningProgramFolder().c_str());
        RunDeviva(CString::MakeFullPath(folder, UninstallerName).ToAnsiString());
    } catch (const std::exception &error) {
        ShowException(error);
    }
    return 0;
}
