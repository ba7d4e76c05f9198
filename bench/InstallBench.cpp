// Times Setup's copy and registration (Finish: the files of the install kit
// beside this program, the file types with the desktop's MIME database, the
// shortcuts, the keys and the log) and Deviva's removal (Yes with every box),
// offscreen, in desktop folders of its own, and prints the minimum, median and
// maximum of ROUNDS rounds (10 unless given) against the goals of 3 s and 2 s.
//   InstallBench [ROUNDS]

#include "BenchEnvironment.h"

#include <installer/InstallForm.h>
#include <installer/UninstallForm.h>
#include <platform/HostPath.h>
#include <platform/MessageBox.h>
#include <platform/ProgramFolder.h>

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(const char *what, std::vector<double> times, double goal)
{
    std::sort(times.begin(), times.end());
    std::printf("%-32s min %7.1f ms  median %7.1f ms  max %7.1f ms  (goal %.0f ms)\n", what, times.front(),
                times[times.size() / 2], times.back(), goal);
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QTemporaryDir scratch;
    PrepareBenchEnvironment(scratch.path().toStdString());
    QApplication application(argc, argv);
    SetMessageBoxResponder([](const QString &, const QString &, UINT) { return IDOK; });
    const QString kit = QString::fromStdString(RunningProgramFolder());
    TStringList data;
    data.LoadFromFile(kit + QStringLiteral("\\Setup.dat"));

    std::vector<double> installs, removals;
    for (int round = 0; round < rounds; ++round) {
        const QByteArray desktop = (scratch.path() + QStringLiteral("/round%1").arg(round)).toUtf8();
        qputenv("XDG_DATA_HOME", desktop + "/data");
        qputenv("XDG_CONFIG_HOME", desktop + "/config");
        QDir().mkpath(QString::fromUtf8(desktop + "/config"));
        QFile dirs(QString::fromUtf8(desktop + "/config/user-dirs.dirs"));
        if (!dirs.open(QIODevice::WriteOnly) || dirs.write("XDG_DESKTOP_DIR=\"" + desktop + "/Desktop\"\n") < 0)
            return 1;
        dirs.close();

        TInstallForm1 setup(data, kit);
        auto start = Clock::now();
        setup.FinishInstall();
        installs.push_back(millisecondsSince(start));

        TStringList log;
        log.LoadFromFile(setup.destination() + QStringLiteral("\\Install.log"));
        TUninstallForm1 deviva(log, setup.destination() + QStringLiteral("\\Deviva"));
        start = Clock::now();
        deviva.YesButtonClick();
        removals.push_back(millisecondsSince(start));
    }
    report("Setup's copy and registration", installs, 3000);
    report("Deviva's removal", removals, 2000);
    return 0;
}
