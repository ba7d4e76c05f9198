#pragma once

#include <string>
#include <vector>

class QWidget;
class TBrowseForm1;
class TFindSimilarForm1;
class TFinderForm1;

// One figure of the browse window's commands: a time in ms a run, and the
// paints of the thumbnail box's inner panel that each run's command caused
// (none for a figure that paints nothing).
struct TCommandFigure
{
    std::string name;
    double limitMs = 0;   // the most the product allows
    std::vector<double> values;
    std::vector<int> paints;
};

// The figures in the order they were first met.
class TCommandTimes
{
public:
    void Add(const std::string &name, double limitMs, double ms, int paints = 0);
    const std::vector<TCommandFigure> &Figures() const { return m_figures; }

private:
    std::vector<TCommandFigure> m_figures;
};

// Window thread; form shows its folder and is idle. Calls UpdateCommandStates
// calls times with nothing selected, then as many with every thumbnail
// selected, each call timed alone, and adds each set's median and longest
// call. Leaves nothing selected. Answers false, saying why on standard error,
// when Select All or Select None was not enabled or did not do its job.
bool TimeCommandStates(TBrowseForm1 &form, int calls, TCommandTimes &times);

// Window thread; form is idle, shows a folder of MakeBenchPhotos' photographs
// in name order, and nothing is selected. Times one round of the selection,
// sort and search commands, each the way the user gives it (the states
// updated, then the action triggered) from the trigger until the window has
// handled what the command posted and painted what it changed. Leaves the box
// as it found it. Answers false, saying why on standard error, when a command
// was not enabled or did not do its job.
bool TimeCommandRound(TBrowseForm1 &form, TCommandTimes &times);

// Window thread; forms are idle on one folder of MakeBenchPhotos'
// photographs, the basket lists them too, nothing is selected and finder is
// shown with the basket included. Times Find with a pattern that a tenth of
// the names hold ("5.jpg"), then with one that all hold ("photo"), each from
// the click until every window has painted what it changed. Leaves nothing
// selected. Answers false, saying why on standard error, when a count was
// not the matches there are.
bool TimeFinderRound(TFinderForm1 &finder, const std::vector<TBrowseForm1 *> &forms, QWidget &basket,
                     TCommandTimes &times);

// Window thread; form is idle and similar is shown, its reference one of the
// form's photographs and every signature made. Times one Find at threshold 5
// (figure), or with ramp the passes of threshold 0 to 100 a Find each, the
// first clearing the selection and the others adding to it, as a ramp that
// no minimum stops runs them. Leaves nothing selected. Answers false, saying
// why on standard error, when the reference matched nothing.
bool TimeFindSimilar(TFindSimilarForm1 &similar, TBrowseForm1 &form, bool ramp, const std::string &figure,
                     TCommandTimes &times);
