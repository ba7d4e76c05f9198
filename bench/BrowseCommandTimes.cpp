#include "BrowseCommandTimes.h"

#include "ThreadCpuTime.h"

#include <Source/engine/FolderOptions.h>
#include <Source/engine/SearchContext.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/Thumbnail.h>
#include <Source/tools/FindSimilarForm.h>
#include <Source/tools/FinderForm.h>
#include <Source/windows/BrowseForm.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double CommandLimitMs = 100;   // every command, on 10,000 thumbnails
constexpr double StatesLimitMs = 1;      // one UpdateCommandStates, on 50,000
constexpr double FinderLimitMs = 150;    // Find over 5 windows and a basket of 10,000 each
constexpr double SimilarPassLimitMs = 50;     // one find-similar pass, on 50,000
constexpr double SimilarRampLimitMs = 1000;   // thresholds 0 to 100, on 10,000
constexpr int MostThreshold = 100;
constexpr int SortPropertyCount = 14;    // SortBy0 .. SortBy13, the last the custom order

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Counts the paints that reach one widget.
class TPaintCounter : public QObject
{
public:
    explicit TPaintCounter(QWidget *widget) { widget->installEventFilter(this); }

    int Take() { return std::exchange(m_paints, 0); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_paints;
        return false;
    }

private:
    int m_paints = 0;
};

// Runs command and answers the ms until the window thread is free again: the
// events the command posted delivered, then what it made dirty painted into
// each window's backing store at once (the paint an idle event loop would do
// next).
double timeUntilPainted(const std::vector<QWidget *> &windows, const std::function<void()> &command)
{
    const Clock::time_point start = Clock::now();
    command();
    QCoreApplication::sendPostedEvents();
    for (QWidget *window : windows) {
        QEvent paintNow(QEvent::UpdateRequest);
        QCoreApplication::sendEvent(window, &paintNow);
    }
    return msSince(start);
}

// MakeBenchPhotos' names, "photo00000.jpg" and up: the even numbers.
class CEveryOtherSearch : public CSearchContext
{
public:
    explicit CEveryOtherSearch(bool toTop)
    {
        clearSelection = true;
        moveToTop = toTop;
    }

    bool MatchesThumbnail(const TThumbnail &thumbnail) override
    {
        const CPath name = thumbnail.GetThumbBitmap()->GetHandler().GetName();
        const int length = name.GetLength();
        return length > 4 && (name.GetAt(length - 5) - '0') % 2 == 0;
    }
};

CString nameAt(const TThumbBox &box, int index)
{
    return box.Thumbnail(index)->GetThumbBitmap()->GetHandler().GetName();
}

QString captionOf(const QAction &action)
{
    return action.text().remove(u'&');
}

// One round of commands on one window; remembers whether every command was
// enabled and did its job.
class TCommandRound
{
public:
    TCommandRound(TBrowseForm1 &form, TCommandTimes &times)
        : m_form(form), m_times(times), m_paints(form.ThumbBox->Client())
    {
    }

    // The command named by its action, as the user gives it; added as figure
    // unless figure is empty.
    void Trigger(const char *name, const std::string &figure)
    {
        m_form.UpdateCommandStates();
        QAction *action = m_form.Command(QString::fromLatin1(name));
        if (!action || !action->isEnabled()) {
            std::fprintf(stderr, "%s was not enabled\n", name);
            m_failed = true;
            return;
        }
        time(figure, [action] { action->trigger(); });
    }

    // As Trigger, named by the action's caption between prefix and suffix.
    void TriggerNamedByCaption(const char *name, const std::string &prefix = "", const char *suffix = "")
    {
        QAction *action = m_form.Command(QString::fromLatin1(name));
        const std::string figure = action ? prefix + captionOf(*action).toStdString() + suffix : std::string(name);
        Trigger(name, figure);
    }

    void Search(bool toTop, const std::string &figure)
    {
        m_form.UpdateCommandStates();
        CEveryOtherSearch criterion(toTop);
        time(figure, [&] { m_form.ApplySearch(criterion); });
    }

    // Says on standard error what did not hold.
    void Expect(bool holds, const char *what)
    {
        if (holds)
            return;
        std::fprintf(stderr, "did not hold: %s\n", what);
        m_failed = true;
    }

    bool Failed() const { return m_failed; }

private:
    // Adds command's time as figure unless figure is empty. The event loop
    // then runs once, untimed: a paint of the box in it is one the time left out.
    void time(const std::string &figure, const std::function<void()> &command)
    {
        m_paints.Take();
        const double ms = timeUntilPainted({&m_form}, command);
        const int paints = m_paints.Take();
        if (!figure.empty())
            m_times.Add(figure, CommandLimitMs, ms, paints);
        QCoreApplication::processEvents();
        Expect(m_paints.Take() == 0, "the command paints the box no more after its time");
    }

    TBrowseForm1 &m_form;
    TCommandTimes &m_times;
    TPaintCounter m_paints;
    bool m_failed = false;
};

// The name of the sort command of property, "SortBy0" and up.
QByteArray sortCommand(int property)
{
    return "SortBy" + QByteArray::number(property);
}

// Calls UpdateCommandStates calls times, each timed alone, and adds the
// median and the longest call, and the most CPU time the window thread spent
// in one call: a longest call far above it was the thread waiting for a core.
void timeStateCalls(TBrowseForm1 &form, int calls, const std::string &selection, TCommandTimes &times)
{
    std::vector<double> walls;
    walls.reserve(size_t(calls));
    double mostCpu = 0;
    for (int call = 0; call < calls; ++call) {
        const double cpuStart = ThreadCpuMs();
        const Clock::time_point start = Clock::now();
        form.UpdateCommandStates();
        walls.push_back(msSince(start));
        mostCpu = std::max(mostCpu, ThreadCpuMs() - cpuStart);
    }
    std::sort(walls.begin(), walls.end());
    const std::string figure = "UpdateCommandStates, " + selection;
    times.Add(figure + ", median call", StatesLimitMs, walls[walls.size() / 2]);
    times.Add(figure + ", longest call", StatesLimitMs, walls.back());
    times.Add(figure + ", most CPU in a call", StatesLimitMs, mostCpu);
}

} // namespace

void TCommandTimes::Add(const std::string &name, double limitMs, double ms, int paints)
{
    auto figure = std::find_if(m_figures.begin(), m_figures.end(),
                               [&name](const TCommandFigure &known) { return known.name == name; });
    if (figure == m_figures.end())
        figure = m_figures.insert(m_figures.end(), TCommandFigure{name, limitMs, {}, {}});
    figure->values.push_back(ms);
    figure->paints.push_back(paints);
}

bool TimeCommandStates(TBrowseForm1 &form, int calls, TCommandTimes &times)
{
    TThumbBox &box = *form.ThumbBox;
    TCommandRound round(form, times);
    round.Expect(box.SelectedCount() == 0, "the folder opens with nothing selected");
    timeStateCalls(form, calls, "none selected", times);
    round.Trigger("SelectAll1", "");
    round.Expect(box.SelectedCount() == box.Count(), "Select All selects every thumbnail");
    timeStateCalls(form, calls, "all selected", times);
    round.Trigger("SelectNone1", "");
    round.Expect(box.SelectedCount() == 0, "Select None selects none");
    return !round.Failed();
}

bool TimeCommandRound(TBrowseForm1 &form, TCommandTimes &times)
{
    TThumbBox &box = *form.ThumbBox;
    const int count = box.Count();
    const int half = count / 2;   // the odd numbers
    const CString first = nameAt(box, 0);
    const int property = form.FolderOptions()->GetInt(TFolderOptions::SortProperty);
    const int direction = form.FolderOptions()->GetInt(TFolderOptions::SortDirection) != 0 ? 1 : 0;
    const char *const directions[] = {"Ascending1", "Descending1"};
    TCommandRound round(form, times);

    round.Expect(box.SelectedCount() == 0 && first == "photo00000.jpg",
                 "the folder opens in name order, nothing selected");
    round.TriggerNamedByCaption("SelectAll1");
    round.Expect(box.SelectedCount() == count, "Select All selects every thumbnail");
    round.TriggerNamedByCaption("SelectNone1");
    round.Expect(box.SelectedCount() == 0, "Select None selects none");
    round.Search(false, "Search every other by name");
    round.Expect(box.SelectedCount() == count - half && box.Thumbnail(0)->Selected(),
                 "the search selects the even photographs");
    round.TriggerNamedByCaption("InvertSelection1");
    round.Expect(box.SelectedCount() == half && !box.Thumbnail(0)->Selected(),
                 "Invert Selection selects the odd ones");
    round.TriggerNamedByCaption("MoveToTop1");
    round.Expect(box.Thumbnail(half - 1)->Selected() && !box.Thumbnail(half)->Selected(),
                 "Move To Top puts the selection first");
    for (int sortBy = 0; sortBy < SortPropertyCount; ++sortBy)
        round.TriggerNamedByCaption(sortCommand(sortBy).constData(), "Sort By ");
    round.TriggerNamedByCaption(sortCommand(property).constData(), "Sort By ", ", back");
    round.Expect(nameAt(box, 0) == first.c_str() && box.SelectedCount() == half,
                 "sorting back restores the order and keeps the selection");
    round.TriggerNamedByCaption(directions[1 - direction], "Sort ");
    round.TriggerNamedByCaption(directions[direction], "Sort ");
    round.Expect(nameAt(box, 0) == first.c_str(), "the direction back restores the order");
    round.Search(true, "Search every other by name, to the top");
    round.Expect(box.SelectedCount() == count - half && box.Thumbnail(count - half - 1)->Selected()
                     && !box.Thumbnail(count - half)->Selected(),
                 "the search to the top puts the even photographs first");

    // As it was: in the folder's order, nothing selected.
    round.Trigger(sortCommand(property).constData(), "");
    round.Trigger("SelectNone1", "");
    round.Expect(nameAt(box, 0) == first.c_str() && box.SelectedCount() == 0,
                 "the round leaves the box as it found it");
    return !round.Failed();
}

bool TimeFinderRound(TFinderForm1 &finder, const std::vector<TBrowseForm1 *> &forms, QWidget &basket,
                     TCommandTimes &times)
{
    std::vector<QWidget *> windows(forms.begin(), forms.end());
    windows.push_back(&basket);
    windows.push_back(&finder);
    int thumbnails = 0;
    for (TBrowseForm1 *form : forms)
        thumbnails += form->ThumbBox->Count();
    // The basket lists one window's photographs.
    const int all = thumbnails + forms.front()->ThumbBox->Count();
    const std::pair<const char *, int> patterns[] = {{"5.jpg", all / 10}, {"photo", all}};
    bool failed = false;
    for (const auto &[pattern, matches] : patterns) {
        finder.PatternCombo->setEditText(QString::fromLatin1(pattern));
        const double ms = timeUntilPainted(windows, [&finder] { finder.FindButton->click(); });
        times.Add(std::string("Finder \"") + pattern + "\", 5 windows and the basket", FinderLimitMs, ms);
        const QString expected = QStringLiteral("%1 matches").arg(matches);
        if (finder.ResultLabel->text() != expected) {
            std::fprintf(stderr, "Finder \"%s\" showed \"%s\", not \"%s\"\n", pattern,
                         qPrintable(finder.ResultLabel->text()), qPrintable(expected));
            failed = true;
        }
        QCoreApplication::processEvents();
    }
    for (TBrowseForm1 *form : forms)
        form->ThumbBox->ChangeSelection(TThumbBox::SelectNone);
    return !failed;
}

bool TimeFindSimilar(TFindSimilarForm1 &similar, TBrowseForm1 &form, bool ramp, const std::string &figure,
                     TCommandTimes &times)
{
    similar.CheckBox2->setChecked(false);
    similar.CheckBox3->setChecked(false);
    const int last = ramp ? MostThreshold : 5;
    const Clock::time_point start = Clock::now();
    for (int threshold = ramp ? 0 : last; threshold <= last; ++threshold) {
        similar.CheckBox1->setChecked(threshold == 0 || !ramp);
        similar.TrackBar->setValue(threshold);
        timeUntilPainted({&form, &similar}, [&similar] { similar.FindButton->click(); });
    }
    times.Add(figure, ramp ? SimilarRampLimitMs : SimilarPassLimitMs, msSince(start));
    const int selected = form.ThumbBox->SelectedCount();
    QCoreApplication::processEvents();
    form.ThumbBox->ChangeSelection(TThumbBox::SelectNone);
    if (selected > 0 && (!ramp || selected == form.ThumbBox->Count()))
        return true;
    std::fprintf(stderr, "%s selected %d of %d\n", figure.c_str(), selected, form.ThumbBox->Count());
    return false;
}
