#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The component library's string lists. Each line may carry an untyped object
// pointer that the list never owns. Lines are matched without case, as the
// component library does. Index errors raise EListError.
class TStrings
{
public:
    virtual ~TStrings() = default;

    virtual int Add(const QString &line);
    virtual int AddObject(const QString &line, void *object);
    virtual void Insert(int index, const QString &line);
    void InsertObject(int index, const QString &line, void *object);
    void AddStrings(const TStrings &other);
    void Assign(const TStrings &other);
    virtual void Delete(int index);
    virtual void Clear();
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);

    virtual int IndexOf(const QString &line) const;   // -1 when absent
    int IndexOfName(const QString &name) const;       // line "name=value"
    int IndexOfObject(const void *object) const;

    int Count() const { return int(m_lines.size()); }
    const QString &Get(int index) const;
    virtual void Put(int index, const QString &line);
    const QString &operator[](int index) const { return Get(index); }
    void *GetObject(int index) const;
    void PutObject(int index, void *object);

    QString Name(int index) const;                    // text before the first '='
    QString Value(const QString &name) const;         // empty when absent
    void SetValue(const QString &name, const QString &value);   // empty value deletes

    // Lines each ended by CR LF.
    QString Text() const;
    // Splits at CR LF, LF or CR; a last line without an end counts.
    void SetText(const QString &text);
    // Lines joined by commas; a line holding a space, a control character, a
    // quote or a comma is put in double quotes with its quotes doubled.
    QString CommaText() const;
    void SetCommaText(const QString &text);

    QStringList ToStringList() const;

    // Windows path; UTF-8 text. Raise EFOpenError or EFCreateError.
    void LoadFromFile(const QString &fileName);
    void SaveToFile(const QString &fileName) const;

protected:
    struct Line
    {
        QString text;
        void *object = nullptr;
    };
    std::vector<Line> m_lines;

    void checkIndex(int index) const;
    virtual void insertLine(int index, const QString &line, void *object);
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings
{
public:
    int Add(const QString &line) override;
    int AddObject(const QString &line, void *object) override;
    void Insert(int index, const QString &line) override;
    void Put(int index, const QString &line) override;
    int IndexOf(const QString &line) const override;

    // Binary search of a sorted list: true when found; index is where the line
    // is or would go.
    bool Find(const QString &line, int &index) const;
    void Sort();
    void CustomSort(int (*compare)(TStringList *list, int index1, int index2));

    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return m_duplicates; }
    void SetDuplicates(TDuplicates duplicates) { m_duplicates = duplicates; }
    bool CaseSensitive() const { return m_caseSensitive; }
    void SetCaseSensitive(bool caseSensitive);

protected:
    int compareStrings(const QString &a, const QString &b) const;

private:
    bool m_sorted = false;
    TDuplicates m_duplicates = dupIgnore;
    bool m_caseSensitive = false;
};
