#include "DialogParts.h"

#include <platform/StringList.h>

#include <QIcon>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QToolButton>

QToolButton *MakeDialogTool(QWidget *parent, const char *name, const char *iconName,
                            QStyle::StandardPixmap fallback, const QString &hint)
{
    auto *tool = new QToolButton(parent);
    tool->setObjectName(name);
    tool->setAutoRaise(true);
    tool->setIcon(QIcon::fromTheme(QString::fromLatin1(iconName), parent->style()->standardIcon(fallback)));
    tool->setToolTip(hint);
    return tool;
}

QLineEdit *MakeColouredEdit(QWidget *parent, const char *name, const QColor &colour)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, colour);
    edit->setPalette(palette);
    return edit;
}

void GetMemoLines(const QPlainTextEdit &memo, TStrings &lines)
{
    lines.SetText(memo.toPlainText());
}

void SetMemoLines(QPlainTextEdit &memo, const TStrings &lines)
{
    memo.setPlainText(lines.ToStringList().join(u'\n'));
}

bool HasMemoLines(const QPlainTextEdit &memo)
{
    return !memo.document()->isEmpty();
}
