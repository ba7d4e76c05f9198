// Splash, the launcher: shows the splash picture and starts the organiser
// beside it, or with the argument "about" serves as the organiser's About box.

#include "ContactForm.h"
#include "SplashForm.h"

#include <lib/Application.h>
#include <lib/ProductInfo.h>
#include <platform/ProgramFolder.h>

#include <QStringList>

namespace {

int WinMain(int &argc, char **argv)
{
    TApplication application(argc, argv);
    QCoreApplication::setApplicationName(ProductName);
    // Closing the splash, the main window, ends the launcher.
    QApplication::setQuitOnLastWindowClosed(true);
    try {
        // The launcher's own folder, wherever the program folder is pointed:
        // the organiser and the picture are installed beside it.
        const CPath folder(CString(RunningProgramFolder().c_str()));
        TContactForm1 credits;
        TSplashForm1 splash(QCoreApplication::arguments().mid(1), folder, &credits);
        splash.show();
        return TApplication::exec();
    } catch (const std::exception &error) {
        ShowException(error);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return WinMain(argc, argv);
}
