// A browse window's speed, offscreen, with its coordinator and its scan
// thread, on folders that have browse files:
//     BrowseBench DATA_FOLDER [RUNS] [commands]
// DATA_FOLDER keeps folders of small photographs with their browse files,
// made on the first use and kept: Browse1000A and Browse1000B (1,000
// photographs each), Browse10000A and Browse10000B (10,000 each) and, for the
// commands, Browse50000A (50,000).
// MakeBenchPhotos writes the photographs (160x120) and "ZiloBench build"
// their browse files; both are taken from this program's folder. Unless
// ZILO_DRIVE_MAP is set, a drive map makes DATA_FOLDER drive D: (and the
// scratch folder C:), so that the browse files stay in their folders on any
// host folder.
//
// A window of 1600x1000 is warmed up on an empty folder first. Then each run
// (10 unless RUNS is given), for each size:
// - open: a new browse window on folder A, timed from the request, the
//   window's construction (whose FormCreate asks for the folder);
// - switch: GoToFolder from A, loaded and idle, to B;
// each until the window is idle again (the automatic update that follows a
// load has ended). Then the window is closed and the cache purged, so that
// every open reads its browse file anew. Each request comes (run x 37) mod
// 100 ms after the window got idle, so that runs meet the coordinator's
// 100 ms tick at different points.
//
// The times, in ms from the request:
// - loading: the folder is the window's and its scan thread started;
// - thumbnails painted: the first paint of the box's inner panel whose
//   region met a thumbnail, drawn into the window's backing store;
// - page painted: the first such paint once the box held a page of
//   thumbnails (the last one reaching past the panel's bottom) or all;
// - placed: the box's Count() equals the records, as the progress bar steps;
// - summary: the status line is painted with "FOLDER - N images ..." after
//   the load;
// - idle: the summary again once the automatic update has ended.
// Steps are the gaps between firings of a 1 ms timer (a step and at most
// about 1 ms), each with the window thread's CPU time. A gap in which the
// thread slept 150 ms or more holds one of the window's deliberate pauses
// (200 ms at the end of a load, 500 ms after a scan is stopped): it counts as
// a pause of that nominal length, and only what it took beyond the pause
// counts as a step; the steps over 50 ms are listed with their ends. "net"
// figures leave out the pauses before them. The last lines give each
// figure's minimum, median and maximum.
//
// With "commands" it times the window's commands instead, in one window on
// Browse50000A and then one on Browse10000A, each loaded and idle:
// - UpdateCommandStates with 50,000 thumbnails, 1,000 calls each timed alone,
//   with nothing and then with everything selected: the median and the
//   longest call of each run, and the most CPU time the window thread spent
//   in one call, which a longest call far above it owes to the thread
//   waiting for a core (limit 1 ms);
// - each command on 10,000 thumbnails as the user gives it (the states
//   updated, the action triggered), from the trigger until the window thread
//   is free again: the events the command posted delivered and what it made
//   dirty painted into the backing store (limit 100 ms). A run: Select All,
//   Select None, a search selecting every other photograph by name, Invert
//   Selection, Move To Top of those 5,000, Sort By each property and back,
//   the other direction and back, and the search again moving its matches to
//   the top; then the box is put back as it was. Each run line gives the
//   box's paints after each command;
// - find similar, its reference the first photograph, once every signature
//   was made by an untimed first pass (whose time is printed): one Find at
//   threshold 5 on 50,000 (limit 50 ms), and on 10,000 the thresholds 0 to
//   100 a Find each, as a ramp that no minimum stops runs them (limit 1 s);
// - the finder in 5 windows on Browse10000A with the basket listing the same
//   10,000 photographs: Find with "5.jpg" (a tenth match) and with "photo"
//   (all match), from the click until every window has painted (limit 150 ms).
// Settings and the program folder go to a scratch folder unless
// ZILO_REGISTRY and ZILO_PROGRAM_FOLDER are set. Message boxes and dialogs
// are answered with their defaults and reported: none should come.

#include "BenchEnvironment.h"
#include "BrowseCommandTimes.h"
#include "ThreadCpuTime.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/Memo.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/ThumbCache.h>
#include <Source/engine/ThumbProgressContext.h>
#include <Source/engine/Thumbnail.h>
#include <Source/tools/BasketData.h>
#include <Source/tools/BasketForm.h>
#include <Source/tools/FindSimilarForm.h>
#include <Source/tools/FinderForm.h>
#include <Source/tools/RegisterTools.h>
#include <Source/windows/BrowseForm.h>
#include <Source/windows/MainForm.h>
#include <Source/windows/ToolHost.h>
#include <lib/SafeRegIniFile.h>
#include <platform/HostPath.h>
#include <platform/MessageBox.h>
#include <platform/ModalDialog.h>
#include <platform/Thread.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QPaintEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QProcess>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int WindowWidth = 1600;
constexpr int WindowHeight = 1000;
constexpr int DefaultRuns = 10;
constexpr int Sizes[] = {1000, 10000};
constexpr int StatesSize = 50000;     // the thumbnails of the command states' window
constexpr int CommandsSize = 10000;   // of the commands' window
constexpr int FinderWindows = 5;       // the finder's windows, each on the commands' folder
constexpr int StateCalls = 1000;      // a run's calls of UpdateCommandStates, for each selection
constexpr char PhotoSize[] = "160x120";
// A gap in which the window thread slept this long holds a pause.
constexpr double PauseSleepMs = 150;
constexpr double ShortPauseMs = 200;   // the end of a load
constexpr double LongPauseMs = 500;    // after a scan is stopped
constexpr double StepGoalMs = 50;      // the longest a step should take besides a pause
constexpr auto LoadTimeout = std::chrono::seconds(120);
constexpr int TickMs = 100;   // the coordinator's tick

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

CPath windowsPathOf(const fs::path &host)
{
    return CPath(WindowsPathFromHost(host.string()).c_str());
}

// Runs the event loop until done answers true, at most LoadTimeout; answers done().
bool serveUntil(const std::function<bool()> &done)
{
    const Clock::time_point end = Clock::now() + LoadTimeout;
    while (!done()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Sees every paint: asked before one is handled whether to hear of its end.
class TPaintObserver
{
public:
    virtual ~TPaintObserver() = default;
    virtual bool BeforePaint(const QObject *widget, const QRegion &region) = 0;
    virtual void AfterPaint(const QObject *widget) = 0;
};

// The application, which tells a paint observer when a paint has returned.
class TBenchApplication : public QApplication
{
public:
    using QApplication::QApplication;

    void SetPaintObserver(TPaintObserver *observer) { m_observer = observer; }

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!m_observer || event->type() != QEvent::Paint)
            return QApplication::notify(receiver, event);
        TPaintObserver *observer = m_observer;
        const bool heard = observer->BeforePaint(receiver, static_cast<QPaintEvent *>(event)->region());
        const bool handled = QApplication::notify(receiver, event);
        if (heard && m_observer == observer)
            observer->AfterPaint(receiver);
        return handled;
    }

private:
    TPaintObserver *m_observer = nullptr;
};

TBenchApplication *benchApplication()
{
    return static_cast<TBenchApplication *>(QCoreApplication::instance());
}

// One gap between two firings of the step timer.
struct TStep
{
    double end;   // ms from the request
    double wall;
    double cpu;   // of the window thread

    double start() const { return end - wall; }
    double slept() const { return wall - cpu; }
    bool holdsPause() const { return slept() >= PauseSleepMs; }
    double pause() const { return holdsPause() ? (slept() >= 350 ? LongPauseMs : ShortPauseMs) : 0; }
    // What the step took besides its pause.
    double work() const { return wall - pause(); }
};

// What one request took; -1 for a point not reached.
struct TFigures
{
    double request = -1;   // the request's own call
    double loading = -1;
    double thumbnailsPainted = -1;
    double pagePainted = -1;
    double placed = -1;
    double summary = -1;
    double idle = -1;
    std::vector<TStep> steps;
    int saveQuestions = 0;   // the times leaving a folder asked to save it

    // The pauses before ms. A step that ms falls in counts its pause up to
    // ms: the window pauses first and then shows what the pause ended.
    double pausesBefore(double ms) const
    {
        double total = 0;
        for (const TStep &step : steps)
            if (step.start() < ms)
                total += std::min(step.pause(), ms - step.start());
        return total;
    }
    double net(double ms) const { return ms < 0 ? ms : ms - pausesBefore(ms); }
    const TStep *longestStep() const
    {
        const auto longest = std::max_element(steps.begin(), steps.end(),
                                              [](const TStep &a, const TStep &b) { return a.work() < b.work(); });
        return longest == steps.end() ? nullptr : &*longest;
    }
    // Steps over ms besides their pauses.
    std::vector<const TStep *> stepsOver(double ms) const
    {
        std::vector<const TStep *> found;
        for (const TStep &step : steps)
            if (step.work() > ms)
                found.push_back(&step);
        return found;
    }
    std::vector<double> pauses() const
    {
        std::vector<double> found;
        for (const TStep &step : steps)
            if (step.holdsPause())
                found.push_back(step.wall);
        return found;
    }
};

// Follows one request of a folder of recordCount records in a browse window
// until the window is idle again: looks at the window between steps (a 1 ms
// timer), at the end of every paint of its thumbnail box and of its status
// line (which repaints at once on every change), and at every step of its
// progress bar (one a record read).
class TLoadWatch : public TPaintObserver
{
public:
    TLoadWatch(const CPath &folder, int recordCount) : m_folder(folder), m_recordCount(recordCount)
    {
        m_summary = QStringLiteral("%1 - %2 images ").arg(folder.ToAnsiString()).arg(recordCount);
        m_stepTimer.setTimerType(Qt::PreciseTimer);
        m_stepTimer.setInterval(1);
        QObject::connect(&m_stepTimer, &QTimer::timeout, &m_stepTimer, [this] { stepEnded(); });
    }

    // Times request, a call that makes form or asks it for the folder, and
    // follows the window until it is idle. Answers false on a timeout.
    bool Follow(TBrowseForm1 *&form, const std::function<void()> &request)
    {
        m_form = &form;
        m_start = Clock::now();
        m_lastStep = m_start;
        m_lastCpu = ThreadCpuMs();
        benchApplication()->SetPaintObserver(this);
        request();
        m_figures.request = sinceStart();
        QObject::connect(form->ProgressBar, &QProgressBar::valueChanged, &m_stepTimer,
                         [this] { lookAtCount(sinceStart()); });
        m_stepTimer.start();
        const bool idle = serveUntil([this] { return m_figures.idle >= 0; });
        m_stepTimer.stop();
        benchApplication()->SetPaintObserver(nullptr);
        return idle;
    }

    TFigures &Figures() { return m_figures; }

    bool BeforePaint(const QObject *widget, const QRegion &region) override
    {
        if (!shown())
            return false;
        if (widget == (*m_form)->StatusPanel)
            return true;
        if (widget != (*m_form)->ThumbBox->Client() || m_figures.pagePainted >= 0)
            return false;
        TThumbBox *box = (*m_form)->ThumbBox;
        // The thumbnails lie in rows from the top: none below the region can meet it.
        const int regionBottom = region.boundingRect().bottom();
        m_paintMeetsThumbnail = false;
        for (int index = 0; index < box->Count() && !m_paintMeetsThumbnail; ++index) {
            const QRect place = box->ThumbnailRect(box->Thumbnail(index));
            if (place.top() > regionBottom)
                break;
            m_paintMeetsThumbnail = region.intersects(place);
        }
        const int count = box->Count();
        const bool pageFilled =
            count > 0 && box->ThumbnailRect(box->Thumbnail(count - 1)).bottom() >= box->Client()->height();
        m_paintHasPage = count == m_recordCount || pageFilled;
        return m_paintMeetsThumbnail;
    }

    void AfterPaint(const QObject *widget) override
    {
        const double now = sinceStart();
        if (widget == (*m_form)->StatusPanel) {
            statusPainted(now);
            return;
        }
        if (m_figures.thumbnailsPainted < 0)
            m_figures.thumbnailsPainted = now;
        if (m_paintHasPage)
            m_figures.pagePainted = now;
    }

private:
    double sinceStart() const { return millisecondsBetween(m_start, Clock::now()); }

    bool shown() const { return *m_form && (*m_form)->ShownFolder() == m_folder; }

    bool showsSummary() const { return (*m_form)->StatusText().startsWith(m_summary); }

    void stepEnded()
    {
        const Clock::time_point now = Clock::now();
        const double cpu = ThreadCpuMs();
        m_figures.steps.push_back(
            {millisecondsBetween(m_start, now), millisecondsBetween(m_lastStep, now), cpu - m_lastCpu});
        m_lastStep = now;
        m_lastCpu = cpu;
        look(m_figures.steps.back().end);
    }

    void lookAtCount(double now)
    {
        if (m_figures.placed < 0 && shown() && (*m_form)->ThumbBox->Count() == m_recordCount)
            m_figures.placed = now;
    }

    // The summary counts once every thumbnail is there: a switch first shows
    // the old folder's summary under the new folder's name. A status shown
    // while the scan thread loads after it is the automatic update's.
    void statusPainted(double now)
    {
        CScanThumbProgressContext *context = (*m_form)->ScanContext();
        if (!showsSummary())
            m_updateSeen = m_updateSeen || (m_figures.summary >= 0 && context && context->IsLoading());
        else if (m_figures.summary < 0 && (*m_form)->ThumbBox->Count() == m_recordCount)
            m_figures.summary = now;
    }

    // Between two steps: what the window shows now.
    void look(double now)
    {
        if (!shown())
            return;
        CScanThumbProgressContext *context = (*m_form)->ScanContext();
        if (m_figures.loading < 0 && context)
            m_figures.loading = now;
        lookAtCount(now);
        if (m_updateSeen && showsSummary() && context && !context->IsLoading() && !context->GetRescanRequest())
            m_figures.idle = now;
    }

    CPath m_folder;
    int m_recordCount;
    QString m_summary;
    TBrowseForm1 **m_form = nullptr;
    QTimer m_stepTimer;
    Clock::time_point m_start;
    Clock::time_point m_lastStep;
    double m_lastCpu = 0;
    bool m_paintMeetsThumbnail = false;
    bool m_paintHasPage = false;
    bool m_updateSeen = false;   // the automatic update changed the status after the summary
    TFigures m_figures;
};

int s_saveQuestions = 0;

// In place of the user: a box takes its default button and a dialog is
// refused (the save question: No), each said on standard error.
void answerWithDefaults()
{
    SetMessageBoxResponder([](const QString &text, const QString &, UINT type) {
        std::fprintf(stderr, "message box: %s\n", qPrintable(text));
        return DefaultMessageBoxAnswer(type);
    });
    SetModalResponder([](QDialog &dialog) {
        std::fprintf(stderr, "dialog %s answered No\n", qPrintable(dialog.objectName()));
        ++s_saveQuestions;
        dialog.done(mrNo);
    });
}

// Every browse window opens at 0,0 in WindowWidth x WindowHeight.
void setWindowPlacement()
{
    for (int number = 1; number <= 2; ++number) {
        const QString section = BrowserSection(number).ToAnsiString();
        SettingsStore->WriteInteger(section, QStringLiteral("Left"), 0);
        SettingsStore->WriteInteger(section, QStringLiteral("Top"), 0);
        SettingsStore->WriteInteger(section, QStringLiteral("Width"), WindowWidth);
        SettingsStore->WriteInteger(section, QStringLiteral("Height"), WindowHeight);
        SettingsStore->WriteInteger(section, QStringLiteral("Maximised"), 0);
    }
}

// C: is the scratch folder and D: the data folder, unless the caller mapped the drives.
void mapDrives(const fs::path &scratch, const fs::path &data)
{
    if (!qEnvironmentVariableIsEmpty("ZILO_DRIVE_MAP"))
        return;
    const fs::path mapFile = scratch / "drives.map";
    std::ofstream(mapFile) << "C:\t" << scratch.string() << "\tfixed\t1A2B-0001\tScratch\n"
                           << "D:\t" << data.string() << "\tfixed\t1A2B-0002\tBench\n";
    qputenv("ZILO_DRIVE_MAP", QByteArray::fromStdString(mapFile.string()));
}

// The folder with count photographs and its browse file; made when it has no browse file.
bool makeFolder(const fs::path &host, int count)
{
    if (GetBrowseFilePath(windowsPathOf(host)).GetFileExists())
        return true;
    std::printf("making %s: %d photographs and their browse file\n", host.c_str(), count);
    std::fflush(stdout);
    const QString programs = QCoreApplication::applicationDirPath();
    const QString folder = QString::fromStdString(host.string());
    if (QProcess::execute(programs + "/MakeBenchPhotos", {folder, QString::number(count), PhotoSize}) != 0)
        return false;
    return QProcess::execute(programs + "/ZiloBench", {QStringLiteral("build"), folder}) == 0
           && GetBrowseFilePath(windowsPathOf(host)).GetFileExists();
}

// Closes form as the user does, and waits until it is gone; its threads may
// still be ending.
bool closeWindowOnly(TBrowseForm1 *form)
{
    QPointer<TBrowseForm1> watched(form);
    form->TakeModified(false);
    form->close();
    const bool closed = serveUntil([&] { return watched.isNull(); });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return closed;
}

// Closes form, the only browse window, and waits until it and its threads are gone.
bool closeWindow(TBrowseForm1 *form)
{
    return closeWindowOnly(form) && WaitForWorkerThreads(20000);
}

void printRun(int run, const char *what, int size, const TFigures &figures)
{
    const TStep *longest = figures.longestStep();
    std::string pauses;
    for (double pause : figures.pauses())
        pauses += " " + std::to_string(int(pause + 0.5));
    std::string longSteps;
    for (const TStep *step : figures.stepsOver(StepGoalMs))
        longSteps += " " + std::to_string(int(step->work() + 0.5)) + "@" + std::to_string(int(step->end + 0.5));
    std::printf("run %d %s %d: request %.1f loading %.1f thumbnails-painted %.1f page-painted %.1f placed %.1f "
                "summary %.1f idle %.1f | net of pauses: page-painted %.1f placed %.1f summary %.1f | "
                "pauses (ms)%s | longest step besides pauses %.1f at %.1f | over %g ms at (ms)%s | steps %zu%s\n",
                run, what, size, figures.request, figures.loading, figures.thumbnailsPainted, figures.pagePainted,
                figures.placed, figures.summary, figures.idle, figures.net(figures.pagePainted),
                figures.net(figures.placed), figures.net(figures.summary), pauses.c_str(),
                longest ? longest->work() : 0.0, longest ? longest->end : 0.0, StepGoalMs, longSteps.c_str(),
                figures.steps.size(),
                figures.saveQuestions ? " | asked to save" : "");
    std::fflush(stdout);
}

// The figures of every run, by request and size.
using TResults = std::map<std::string, std::vector<TFigures>>;

// "what: min, median, max" of values with that many decimals, then tail.
void printValues(const std::string &what, std::vector<double> values, int decimals, const std::string &tail)
{
    std::sort(values.begin(), values.end());
    std::printf("%s: min %.*f median %.*f max %.*f%s\n", what.c_str(), decimals, values.front(), decimals,
                values[values.size() / 2], decimals, values.back(), tail.c_str());
}

void printSpread(const std::string &what, const std::vector<TFigures> &runs, const char *figure,
                 const std::function<double(const TFigures &)> &value)
{
    std::vector<double> values;
    for (const TFigures &run : runs)
        values.push_back(value(run));
    printValues(what + " " + figure, std::move(values), 1, "");
}

void printSummary(const TResults &results)
{
    for (const auto &[what, runs] : results) {
        printSpread(what, runs, "request", [](const TFigures &f) { return f.request; });
        printSpread(what, runs, "loading", [](const TFigures &f) { return f.loading; });
        printSpread(what, runs, "thumbnails painted", [](const TFigures &f) { return f.thumbnailsPainted; });
        printSpread(what, runs, "page painted", [](const TFigures &f) { return f.pagePainted; });
        printSpread(what, runs, "page painted, net", [](const TFigures &f) { return f.net(f.pagePainted); });
        printSpread(what, runs, "placed", [](const TFigures &f) { return f.placed; });
        printSpread(what, runs, "placed, net", [](const TFigures &f) { return f.net(f.placed); });
        printSpread(what, runs, "summary", [](const TFigures &f) { return f.summary; });
        printSpread(what, runs, "summary, net", [](const TFigures &f) { return f.net(f.summary); });
        printSpread(what, runs, "idle", [](const TFigures &f) { return f.idle; });
        printSpread(what, runs, "longest step besides pauses", [](const TFigures &f) {
            const TStep *longest = f.longestStep();
            return longest ? longest->work() : 0.0;
        });
        printSpread(what, runs, "steps over 50 ms besides pauses",
                    [](const TFigures &f) { return double(f.stepsOver(StepGoalMs).size()); });
    }
}

// The figures of one run, each with the paints it caused.
void printCommandRun(int run, const std::string &what, const TCommandTimes &times)
{
    std::string line = "run " + std::to_string(run) + " " + what + ":";
    for (const TCommandFigure &figure : times.Figures()) {
        char value[64];
        std::snprintf(value, sizeof value, " %.3f", figure.values.back());
        line += (line.back() == ':' ? " " : " | ") + figure.name + value;
        if (figure.paints.back() > 0)
            line += " (" + std::to_string(figure.paints.back()) + " paints)";
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Each figure's spread in ms, against its limit.
void printCommandSummary(const std::string &what, const TCommandTimes &times)
{
    for (const TCommandFigure &figure : times.Figures()) {
        const double longest = *std::max_element(figure.values.begin(), figure.values.end());
        char tail[64];
        std::snprintf(tail, sizeof tail, " ms | limit %g ms: %s", figure.limitMs,
                      longest < figure.limitMs ? "max within" : "max OVER");
        printValues(what + " " + figure.name, figure.values, 3, tail);
    }
}

// The event loop runs on for a while before each request: the coordinator's
// tick restarts after every long step, so a request made as soon as the
// window got idle would always wait nearly a whole tick. Runs spread the
// request over the tick instead.
void settleBeforeRequest(int run)
{
    QEventLoop loop;
    QTimer::singleShot(std::chrono::milliseconds(run * 37 % TickMs), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The folder of size records, "A" or "B".
fs::path folderOf(const fs::path &data, int size, const char *letter)
{
    return data / ("Browse" + std::to_string(size) + letter);
}

// Follows request, which shows folder in form, with watch until the window is
// idle; answers false, saying so, when it never got idle.
bool followUntilIdle(TLoadWatch &watch, TBrowseForm1 *&form, const CPath &folder, const std::function<void()> &request)
{
    s_saveQuestions = 0;
    if (!watch.Follow(form, request)) {
        std::fprintf(stderr, "%s: the window never got idle (status \"%s\")\n", folder.c_str(),
                     qPrintable(form->StatusText()));
        return false;
    }
    watch.Figures().saveQuestions = s_saveQuestions;
    return true;
}

// One open and one switch of size; answers false when a window never got idle.
bool measureSize(int run, int size, const fs::path &data, TResults &results)
{
    const CPath first = windowsPathOf(folderOf(data, size, "A"));
    const CPath second = windowsPathOf(folderOf(data, size, "B"));
    TBrowseForm1 *form = nullptr;

    TLoadWatch open(first, size);
    settleBeforeRequest(run);
    if (!followUntilIdle(open, form, first, [&] { form = new TBrowseForm1(first); }))
        return false;
    printRun(run, "open", size, open.Figures());
    results["open " + std::to_string(size)].push_back(open.Figures());

    TLoadWatch change(second, size);
    settleBeforeRequest(run);
    if (!followUntilIdle(change, form, second, [&] { form->GoToFolder(second); }))
        return false;
    printRun(run, "switch", size, change.Figures());
    results["switch " + std::to_string(size)].push_back(change.Figures());

    const bool closed = closeWindow(form);
    ThumbBitmapCache.Purge(true);
    return closed;
}

bool measureLoads(const fs::path &data, int runs)
{
    TResults results;
    for (int index = 1; index <= runs; ++index)
        for (int size : Sizes)
            if (!measureSize(index, size, data, results))
                return false;
    printSummary(results);
    return true;
}

// windowCount new windows on folder of count records, one after the other;
// once the last is idle, measure runs in them, then the windows are closed
// and the cache purged. Answers false when a window never got idle, measure
// failed or a window did not close.
bool inIdleWindows(const fs::path &folder, int count, int windowCount,
                   const std::function<bool(const std::vector<TBrowseForm1 *> &)> &measure)
{
    const CPath path = windowsPathOf(folder);
    std::vector<TBrowseForm1 *> forms;
    bool measured = true;
    while (measured && int(forms.size()) < windowCount) {
        TBrowseForm1 *form = nullptr;
        TLoadWatch watch(path, count);
        measured = followUntilIdle(watch, form, path, [&] { form = new TBrowseForm1(path); });
        if (form)
            forms.push_back(form);
    }
    measured = measured && measure(forms);
    bool closed = true;
    for (TBrowseForm1 *form : forms)
        closed = closeWindowOnly(form) && closed;
    // Every window's threads end once the last window is gone.
    closed = WaitForWorkerThreads(20000) && closed;
    if (!closed)
        std::fprintf(stderr, "%s: a window did not close, or its threads did not end\n", folder.c_str());
    ThumbBitmapCache.Purge(true);
    return measured && closed;
}

// The basket lists the count photographs of folder, read before any timing;
// the finder is shown with the basket included.
bool prepareFinder(const fs::path &folder, int count)
{
    QByteArray lines;
    for (int index = 0; index < count; ++index) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%05d.jpg", index);
        lines += CPath::MakeFullPath(windowsPathOf(folder), name).c_str() + QByteArray("\r\n");
    }
    std::ofstream(HostPathFromWindows(BasketFilePath().c_str()), std::ios::binary).write(lines.constData(), lines.size());
    auto *basket = dynamic_cast<TBasketForm1 *>(Shell().ToolWindow(Tool::Basket));
    auto *finder = dynamic_cast<TFinderForm1 *>(Shell().ToolWindow(Tool::Finder));
    if (!basket || !finder)
        return false;
    basket->show();
    basket->LoadBasket();
    finder->show();
    finder->SetIncludeBasket(true);
    finder->ClearSelectionCheck->setChecked(true);
    finder->MoveSelectionCheck->setChecked(false);
    return basket->Model->Count() == count;
}

// Find similar shown, its reference the form's first photograph, and every
// signature made by one untimed pass, whose time is printed.
bool prepareFindSimilar(TBrowseForm1 &form)
{
    auto *similar = dynamic_cast<TFindSimilarForm1 *>(Shell().ToolWindow(Tool::FindSimilar));
    if (!similar)
        return false;
    similar->show();
    similar->SetLocked(false);
    similar->SetReferenceImage(form.ThumbBox->Thumbnail(0)->GetThumbBitmap()->GetFullPath());
    if (!serveUntil([&] { return similar->ReferenceRecord() != nullptr; }))
        return false;
    similar->CheckBox2->setChecked(false);
    similar->TrackBar->setValue(100);
    const Clock::time_point start = Clock::now();
    similar->FindButton->click();
    std::printf("find similar on %d: the first pass, which makes the signatures, %.1f ms\n", form.ThumbBox->Count(),
                millisecondsBetween(start, Clock::now()));
    form.ThumbBox->ChangeSelection(TThumbBox::SelectNone);
    return true;
}

// The command states on StatesSize thumbnails, then the commands on
// CommandsSize, each in a window of its own that serves all the runs.
bool measureCommands(const fs::path &data, int runs)
{
    using TForms = std::vector<TBrowseForm1 *>;
    struct TWindowRounds
    {
        int size;
        int windowCount;
        std::string what;
        std::function<bool(const TForms &)> prepare;   // once, before the runs
        std::function<bool(const TForms &, TCommandTimes &)> round;
        TCommandTimes times;
    };
    const auto none = [](const TForms &) { return true; };
    const auto similar = [] { return dynamic_cast<TFindSimilarForm1 *>(Shell().ToolWindow(Tool::FindSimilar)); };
    const fs::path commandsFolder = folderOf(data, CommandsSize, "A");
    TWindowRounds windows[] = {
        {StatesSize, 1, "command states " + std::to_string(StatesSize), none,
         [](const TForms &forms, TCommandTimes &times) { return TimeCommandStates(*forms[0], StateCalls, times); },
         {}},
        {CommandsSize, 1, "commands " + std::to_string(CommandsSize), none,
         [](const TForms &forms, TCommandTimes &times) { return TimeCommandRound(*forms[0], times); }, {}},
        {StatesSize, 1, "find similar " + std::to_string(StatesSize),
         [](const TForms &forms) { return prepareFindSimilar(*forms[0]); },
         [&](const TForms &forms, TCommandTimes &times) {
             return TimeFindSimilar(*similar(), *forms[0], false, "one pass, threshold 5", times);
         },
         {}},
        {CommandsSize, 1, "find similar " + std::to_string(CommandsSize),
         [](const TForms &forms) { return prepareFindSimilar(*forms[0]); },
         [&](const TForms &forms, TCommandTimes &times) {
             return TimeFindSimilar(*similar(), *forms[0], true, "thresholds 0 to 100", times);
         },
         {}},
        {CommandsSize, FinderWindows, "finder " + std::to_string(CommandsSize),
         [&](const TForms &) { return prepareFinder(commandsFolder, CommandsSize); },
         [](const TForms &forms, TCommandTimes &times) {
             return TimeFinderRound(*dynamic_cast<TFinderForm1 *>(Shell().ToolWindow(Tool::Finder)), forms,
                                    *Shell().ToolWindow(Tool::Basket)->Window(), times);
         },
         {}},
    };
    for (TWindowRounds &window : windows) {
        const fs::path folder = folderOf(data, window.size, "A");
        const bool measured = inIdleWindows(folder, window.size, window.windowCount, [&](const TForms &forms) {
            if (!window.prepare(forms))
                return false;
            for (int run = 1; run <= runs; ++run) {
                settleBeforeRequest(run);
                if (!window.round(forms, window.times))
                    return false;
                printCommandRun(run, window.what, window.times);
            }
            return true;
        });
        if (!measured)
            return false;
    }
    for (const TWindowRounds &window : windows)
        printCommandSummary(window.what, window.times);
    return true;
}

// The folders that the measurements need, made where missing, then the
// measurements after a warm-up, with the coordinator.
int run(const fs::path &data, int runs, bool commands)
{
    std::vector<std::pair<int, const char *>> folders;
    if (commands)
        folders = {{StatesSize, "A"}, {CommandsSize, "A"}};
    else
        for (int size : Sizes)
            for (const char *letter : {"A", "B"})
                folders.emplace_back(size, letter);
    for (const auto &[size, letter] : folders)
        if (!makeFolder(folderOf(data, size, letter), size)) {
            std::fprintf(stderr, "the folders could not be made in %s\n", data.c_str());
            return 1;
        }

    const fs::path empty = data / "Empty";
    fs::create_directories(empty);
    setWindowPlacement();
    // The tool windows that the commands' searches use.
    if (commands)
        RegisterTools();
    TMainForm1 coordinator;
    coordinator.Terminate = [] {};
    // Fonts, styles and the backing store warm up.
    auto *warmUp = new TBrowseForm1(windowsPathOf(empty));
    serveUntil([&] { return warmUp->ScanContext() && !warmUp->IsLoading(); });
    closeWindow(warmUp);

    const bool measured = commands ? measureCommands(data, runs) : measureLoads(data, runs);
    return measured ? 0 : 1;
}

int usage()
{
    std::fprintf(stderr, "usage: BrowseBench DATA_FOLDER [RUNS] [commands]\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const bool commands = argc > 2 && std::strcmp(argv[argc - 1], "commands") == 0;
    const int givenRuns = argc - 2 - (commands ? 1 : 0);   // 0 or 1 when the command line is right
    if (argc < 2 || givenRuns < 0 || givenRuns > 1)
        return usage();
    const int runs = givenRuns == 1 ? std::atoi(argv[2]) : DefaultRuns;
    if (runs < 1)
        return usage();
    const QTemporaryDir scratchFolder;
    const fs::path scratch = scratchFolder.path().toStdString();
    fs::path data = fs::absolute(argv[1]).lexically_normal();
    if (data.filename().empty())
        data = data.parent_path();   // a trailing slash
    fs::create_directories(data);
    PrepareBenchEnvironment(scratch);
    mapDrives(scratch, data);
    TBenchApplication application(argc, argv);
    answerWithDefaults();
    InitGlobals();
    InitImageLibrary();
    const int status = run(data, runs, commands);
    ThumbBitmapCache.Purge(true);
    TFolderSpecificOptionsCache::SaveAll();
    TMemoList::FreeAll();
    FreeGlobals();
    return status;
}
