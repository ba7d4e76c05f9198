#pragma once

#include <QPlainTextEdit>

// The batch engine's run log: one line per event, each the time, a blank and
// the text; the oldest lines go once the log holds more than MaxLogCharacters.
// Read-only, no word wrap. Window thread only.
class TBatchLog : public QPlainTextEdit
{
public:
    static constexpr int MaxLogCharacters = 200000;

    explicit TBatchLog(QWidget *parent = nullptr);

    // Adds the time in the long time format, a blank and text, with every
    // character below the blank turned into a blank, and counts the line.
    void AppendLogLine(const QString &text);
    // Lines written since the log was last cleared.
    int LinesWritten() const { return m_linesWritten; }
    void ClearLog();
    // Writes the lines to a text file by a temporary file and rename; raises
    // the stream's Exception when it cannot.
    void SaveLog(const QString &path) const;

private:
    int m_linesWritten = 0;
};
