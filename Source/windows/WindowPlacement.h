#pragma once

#include <QPoint>
#include <QRect>

#include <vector>

class QWidget;

// Where a new top-level window whose bounds are wanted goes, so that it does
// not hide one of the windows whose top-left corners are taken: a corner
// within step of one of them, either way, counts as on top of it. The window
// moves down and right by step, as a desktop cascades its windows, and
// starts again at the top left of area when it would leave area's bottom or
// right. The wanted place when nothing covers it.
QPoint CascadedPlace(const QRect &wanted, const std::vector<QPoint> &taken, int step, const QRect &area);

// CascadedPlace for window, among the other shown top-level windows of its
// class, by the height of a caption, on its screen. Window thread.
QPoint CascadedPlace(const QWidget &window);
