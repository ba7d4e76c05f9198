#pragma once

#include <QComboBox>
#include <QString>

class TRegIniFile;

// An editable combo box that remembers what was entered in it: the newest
// entry on top, loaded from and saved to a section of a registry file as
// "Name 1", "Name 2", ... with the selected index, when kept, under
// "Name Index". Entering a text adds nothing by itself; the owner calls
// AddToHistory. Window thread only.
//
// Texts are matched without case, as the library's string lists search, so
// that "c:\pics" and "C:\Pics" (one folder: Windows paths are matched
// without case) make one entry; the entry takes the spelling added last.
class THistoryComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit THistoryComboBox(QWidget *parent = nullptr);

    // The number of entries loaded and saved; the list itself may hold more
    // until it is saved.
    int Capacity() const { return m_capacity; }
    void SetCapacity(int value) { m_capacity = value; }

    // An empty text is ignored. A text already in the list moves to the top;
    // a new one is put there. With select, the top entry becomes selected.
    void AddToHistory(const QString &text, bool select);
    // Selects the entry equal to text; nothing changes when there is none.
    void SelectItem(const QString &text);

    // "name 1" for index 0.
    static QString GetNumEntry(const QString &name, int index);
    // "name Index".
    static QString GetSelEntry(const QString &name);

    // Replaces the list with the non-empty values "name 1" .. "name Capacity"
    // of section (a gap shortens the list without ending it). With
    // withSelection selects the stored index and answers it; without it, or
    // for an index outside the list or none stored, nothing is selected, the
    // edit text is empty and the answer is -1.
    int LoadState(const TRegIniFile &file, const QString &section, const QString &name, bool withSelection);
    // In one transaction: removes the values "name 1", "name 2", ... up to the
    // first that is missing, then writes the first Capacity entries from
    // "name 1" and, with withSelection, the selected index. Raises
    // ERegistryException when the store refuses; then nothing is changed.
    void SaveState(TRegIniFile &file, const QString &section, const QString &name, bool withSelection);

private:
    int m_capacity = 10;
};
