#pragma once

#include <QColor>
#include <QStyle>

class QLineEdit;
class QPlainTextEdit;
class QString;
class QToolButton;
class QWidget;
class TStrings;

// Controls and conversions that the file dialogs share. Window thread.

// A flat tool button named name, showing the desktop theme's icon (fallback
// when the theme has none) with hint as its tool tip.
QToolButton *MakeDialogTool(QWidget *parent, const char *name, const char *iconName,
                            QStyle::StandardPixmap fallback, const QString &hint);

// A read-only line edit named name whose text shows in colour.
QLineEdit *MakeColouredEdit(QWidget *parent, const char *name, const QColor &colour);

// A memo field's lines as the component library counts them: an empty field
// has none, and a last line break starts no line.
void GetMemoLines(const QPlainTextEdit &memo, TStrings &lines);
void SetMemoLines(QPlainTextEdit &memo, const TStrings &lines);
// Whether the memo field holds at least one line.
bool HasMemoLines(const QPlainTextEdit &memo);
