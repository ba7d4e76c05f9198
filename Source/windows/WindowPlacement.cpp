#include "WindowPlacement.h"

#include <platform/SystemMetrics.h>

#include <QApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

static bool covers(const QPoint &place, const std::vector<QPoint> &taken, int step)
{
    return std::any_of(taken.begin(), taken.end(), [&](const QPoint &corner) {
        return std::abs(corner.x() - place.x()) < step && std::abs(corner.y() - place.y()) < step;
    });
}

QPoint CascadedPlace(const QRect &wanted, const std::vector<QPoint> &taken, int step, const QRect &area)
{
    QPoint place = wanted.topLeft();
    if (step <= 0)
        return place;
    // Every place of the cascade is tried once at most: a screen full of
    // windows ends on the last place tried rather than going round for ever.
    const size_t tries = taken.size() + 1;
    for (size_t tried = 0; tried < tries && covers(place, taken, step); ++tried) {
        place += QPoint(step, step);
        if (place.x() + wanted.width() > area.right() + 1 || place.y() + wanted.height() > area.bottom() + 1)
            place = area.topLeft();
    }
    return place;
}

QPoint CascadedPlace(const QWidget &window)
{
    std::vector<QPoint> taken;
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (other != &window && other->isVisible() && other->metaObject() == window.metaObject())
            taken.push_back(other->geometry().topLeft());
    }
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return CascadedPlace(window.geometry(), taken, GetSystemMetrics(SM_CYCAPTION), screen->availableGeometry());
}
