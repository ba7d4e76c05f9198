#include "HistoryComboBox.h"

#include <platform/RegIniFile.h>

#include <algorithm>

// The highest number of old values a save removes, so that a store holding
// an endless run of them cannot hold the save forever.
constexpr int MaxRemovedEntries = 999999;

THistoryComboBox::THistoryComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

// Where the entry at index stands once the entry at moved (-1: a new one)
// has gone to the top.
static int indexAfterMoveToTop(int index, int moved)
{
    if (index < 0 || index == moved)
        return index < 0 ? -1 : 0;
    return moved < 0 || index < moved ? index + 1 : index;
}

void THistoryComboBox::AddToHistory(const QString &text, bool select)
{
    if (text.isEmpty())
        return;
    const int found = findText(text, Qt::MatchFixedString);   // fixed string: whole text, without case
    const int current = currentIndex();
    const QString editText = currentText();
    if (found >= 0)
        removeItem(found);
    insertItem(0, text);
    if (select) {
        setCurrentIndex(0);
        return;
    }
    // Qt moves the selection as rows come and go; the user's text stays.
    setCurrentIndex(indexAfterMoveToTop(current, found));
    setEditText(editText);
}

void THistoryComboBox::SelectItem(const QString &text)
{
    const int found = findText(text, Qt::MatchFixedString);
    if (found >= 0)
        setCurrentIndex(found);
}

QString THistoryComboBox::GetNumEntry(const QString &name, int index)
{
    return name + u' ' + QString::number(index + 1);
}

QString THistoryComboBox::GetSelEntry(const QString &name)
{
    return name + QStringLiteral(" Index");
}

int THistoryComboBox::LoadState(const TRegIniFile &file, const QString &section, const QString &name,
                                bool withSelection)
{
    clear();
    for (int i = 0; i < m_capacity; ++i) {
        const QString entry = file.ReadString(section, GetNumEntry(name, i), QString());
        if (!entry.isEmpty())
            addItem(entry);
    }
    int index = withSelection ? file.ReadInteger(section, GetSelEntry(name), -1) : -1;
    if (index < 0 || index >= count())
        index = -1;
    setCurrentIndex(index);
    if (index < 0)
        clearEditText();
    return index;
}

void THistoryComboBox::SaveState(TRegIniFile &file, const QString &section, const QString &name, bool withSelection)
{
    RegistryTransaction transaction(file);
    for (int i = 0; i < MaxRemovedEntries && file.ValueExists(section, GetNumEntry(name, i)); ++i)
        file.DeleteKey(section, GetNumEntry(name, i));
    const int saved = std::min(count(), m_capacity);
    for (int i = 0; i < saved; ++i)
        file.WriteString(section, GetNumEntry(name, i), itemText(i));
    if (withSelection)
        file.WriteInteger(section, GetSelEntry(name), currentIndex());
    transaction.Commit();
}
