// The media window playing one movie to its end, offscreen:
//     MediaBench MOVIE
// It prints the frames the movie has, the frames painted, how long the play
// took and the process's CPU time over it, in cores: a movie of 25 frames a
// second should paint all its frames in its own length with under one core.
// Movies to try are made with ffmpeg, for example:
//     ffmpeg -f lavfi -i testsrc=size=640x480:rate=25 -t 10 -c:v mpeg4 movie.avi
//     ffmpeg -f lavfi -i testsrc=size=640x480:rate=25 -t 10 -c:v mpeg1video movie.mpg
//     ffmpeg -f lavfi -i testsrc=size=1920x1080:rate=24 -t 10 -c:v mpeg2video -b:v 8M movie1080.mpg

#include <lib/controls/MediaWindow.h>

#include <QApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MediaBench MOVIE\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TMediaWindow window;
    if (!window.Open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "MediaBench: cannot play %s\n", argv[1]);
        return 1;
    }
    window.resize(window.sizeHint());
    window.show();
    QObject::connect(&window, &TMediaWindow::Finished, &application, &QApplication::quit);
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    window.Play();
    application.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double cores = (processCpuSeconds() - cpuBefore) / seconds;
    std::printf("frames %lld painted %lld length-ms %lld played-ms %.0f fps %.1f cores %.2f\n",
                static_cast<long long>(window.FrameCount()), static_cast<long long>(window.FramesPainted()),
                static_cast<long long>(window.Length()), seconds * 1000, double(window.FramesPainted()) / seconds,
                cores);
    return 0;
}
