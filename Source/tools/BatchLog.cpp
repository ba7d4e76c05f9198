#include "BatchLog.h"

#include <platform/StringList.h>

#include <QLocale>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTime>

TBatchLog::TBatchLog(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("RichEdit1"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
}

void TBatchLog::AppendLogLine(const QString &text)
{
    QString line = QLocale::system().toString(QTime::currentTime(), QStringLiteral("HH:mm:ss"));
    line += u' ';
    line.reserve(line.size() + text.size());
    for (const QChar c : text)
        line += c < u' ' ? u' ' : c;
    appendPlainText(line);
    ++m_linesWritten;
    // The latest line stays in view, wherever the user scrolled.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    // The oldest lines give way, so that a long run keeps its latest lines.
    QTextDocument *log = document();
    while (log->characterCount() > MaxLogCharacters && log->blockCount() > 1) {
        QTextCursor first(log->firstBlock());
        first.select(QTextCursor::BlockUnderCursor);
        first.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        first.removeSelectedText();
    }
}

void TBatchLog::ClearLog()
{
    clear();
    m_linesWritten = 0;
}

void TBatchLog::SaveLog(const QString &path) const
{
    TStringList lines;
    lines.SetText(toPlainText());
    lines.SaveToFile(path);
}
