// Shows what the upkeep tools show a user, over a registry and drives of its
// own, for a person (or a screenshot) to look at; what is named by the first
// argument or else by LOOK_DIALOG (scripts/look passes no arguments):
//   UpkeepLook upgrade    the progress windows of the upgrades of settings
//                         that older versions left ("Updating to V2.0", then
//                         "Updating to V2.0 Beta 2")
//   UpkeepLook feedback   the feedback command's questions (no mail goes out
//                         unless the questions are answered)
//   UpkeepLook movie      a movie's progress window part-way, for four seconds
//                         without compression, then four while compressing

#include "../../engine/look/LookFolder.h"

#include <Source/Glob.h>
#include <Source/tools/Feedback.h>
#include <Source/tools/MovieProgressForm.h>
#include <Source/tools/Upgrade.h>
#include <lib/ProductInfo.h>
#include <lib/SafeRegIniFile.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QString>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(ProductName);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("LOOK_DIALOG");
    if (what != "upgrade" && what != "feedback" && what != "movie")
        return 2;
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    PrepareLookFolder(folder, {"Photos"});
    InitGlobals();
    if (what == "upgrade") {
        // A folder's settings as the oldest layout kept them, and a mapped
        // drive's as Beta 2 did: something for each step to convert.
        SettingsStore->WriteInteger(QStringLiteral("Folders\\Drive C"), QStringLiteral("AutoSave"), 1);
        SettingsStore->WriteInteger(QStringLiteral("Folders\\00000045"), QStringLiteral("AutoSave"), 1);
        UpgradeOldData();
        UpgradeFrom20Beta2();
        UpgradeTo20Final();
    } else if (what == "movie") {
        for (const bool compressing : {false, true}) {
            TMovieProgressForm1 window(CPath("C:\\Photos\\Holiday.avi"));
            if (!compressing)
                window.HideCompressionBar();
            window.show();
            TProgress &progress = window.Progress();
            progress.SetTotal(10);
            for (int frame = 0; frame < (compressing ? 10 : 6); ++frame)
                progress.Nudge();
            if (compressing) {
                progress.SetIndex(1);
                progress.SetTotal(10);
                for (int percent = 0; percent < 3; ++percent)
                    progress.Nudge();
            }
            QEventLoop wait;
            QTimer::singleShot(4000, &wait, &QEventLoop::quit);
            wait.exec();
        }
    } else {
        SendFeedback();
    }
    FreeGlobals();
    return 0;
}
