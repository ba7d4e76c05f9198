#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QWidget;

// The saved positions of a form's toolbars, one section per toolbar named
// after it (its objectName):
//   "Visible"        0 or 1
//   "DockedTo"       the dock's name, or "nil" when floating
//   "DockRow", "DockPos"
//   "FloatLeft", "FloatTop", "FloatRight", "FloatBottom"   the floating window's top-left, and
//                    that corner plus the toolbar's floating size
//   "FloatRightX"    the width floating lines wrap at, 0 for none
// A toolbar in a dock without AllowDrag saves only "Visible".
using TPositionReadInt = std::function<int32_t(const QString &section, const QString &name, int32_t defaultValue)>;
using TPositionReadString = std::function<QString(const QString &section, const QString &name, const QString &defaultValue)>;
using TPositionWriteInt = std::function<void(const QString &section, const QString &name, int32_t value)>;
using TPositionWriteString = std::function<void(const QString &section, const QString &name, const QString &value)>;

// Both raise "Name property not set" for a toolbar without a name; saving
// raises "DockTo's Name property not set" for a toolbar whose dock has none.
// Window thread only.
void SaveToolbarPositions(QWidget *form, const TPositionWriteInt &writeInt, const TPositionWriteString &writeString);
// A missing or empty "DockedTo", or one naming a dock the form has not or that
// does not allow dragging, leaves the toolbar where it is. Stored rows keep
// their order only; a floating toolbar takes its top-left from the store and
// its size from its controls, and comes back onto a screen.
void LoadToolbarPositions(QWidget *form, const TPositionReadInt &readInt, const TPositionReadString &readString);

// The same over the registry key keyPath under the current user. Saving is one
// transaction: on an error nothing of it is kept.
void SaveToolbarPositionsToRegistry(QWidget *form, const QString &keyPath);
void LoadToolbarPositionsFromRegistry(QWidget *form, const QString &keyPath);
