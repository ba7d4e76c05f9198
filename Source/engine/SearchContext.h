#pragma once

#include <lib/String.h>

class QLabel;
class TThumbnail;

// One search that a tool window hands to every browse window (and the
// finder's to the basket too): each asks it about its own thumbnails or rows,
// selects what matches, and answers the number of matches, whose total the
// tool window shows through it. Made for one search. The base matches
// nothing; the finder's and find similar's criteria derive from it.
class CSearchContext
{
public:
    virtual ~CSearchContext() = default;

    // "No matches", "1 match" or "%d matches", painted at once.
    virtual void ShowMatchCount(QLabel *label, int count);
    virtual bool MatchesThumbnail(const TThumbnail &thumbnail);
    // fileName: a basket row's file.
    virtual bool MatchesFile(CString fileName);

    // The window clears its selection before it selects the matches.
    bool clearSelection = false;
    // The window moves the newly selected thumbnails to the top of its view.
    bool moveToTop = false;
};
