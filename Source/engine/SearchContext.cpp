#include "SearchContext.h"

#include <QLabel>

void CSearchContext::ShowMatchCount(QLabel *label, int count)
{
    if (count == 0)
        label->setText(QStringLiteral("No matches"));
    else if (count == 1)
        label->setText(QStringLiteral("1 match"));
    else
        label->setText(QStringLiteral("%1 matches").arg(count));
    label->repaint();
}

bool CSearchContext::MatchesThumbnail(const TThumbnail &)
{
    return false;
}

bool CSearchContext::MatchesFile(CString)
{
    return false;
}
