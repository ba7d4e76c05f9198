#include "StringList.h"

#include "Exception.h"
#include "Stream.h"

#include <algorithm>
#include <cstdint>

void TStrings::checkIndex(int index) const
{
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

void TStrings::insertLine(int index, const QString &line, void *object)
{
    if (index < 0 || index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    m_lines.insert(m_lines.begin() + index, Line{line, object});
}

int TStrings::Add(const QString &line)
{
    return AddObject(line, nullptr);
}

int TStrings::AddObject(const QString &line, void *object)
{
    insertLine(Count(), line, object);
    return Count() - 1;
}

void TStrings::Insert(int index, const QString &line)
{
    insertLine(index, line, nullptr);
}

void TStrings::InsertObject(int index, const QString &line, void *object)
{
    Insert(index, line);
    m_lines[index].object = object;
}

void TStrings::AddStrings(const TStrings &other)
{
    for (const Line &line : std::vector<Line>(other.m_lines))
        AddObject(line.text, line.object);
}

void TStrings::Assign(const TStrings &other)
{
    if (&other == this)
        return;
    Clear();
    AddStrings(other);
}

void TStrings::Delete(int index)
{
    checkIndex(index);
    m_lines.erase(m_lines.begin() + index);
}

void TStrings::Clear()
{
    m_lines.clear();
}

void TStrings::Exchange(int index1, int index2)
{
    checkIndex(index1);
    checkIndex(index2);
    std::swap(m_lines[index1], m_lines[index2]);
}

void TStrings::Move(int currentIndex, int newIndex)
{
    if (currentIndex == newIndex)
        return;
    checkIndex(currentIndex);
    checkIndex(newIndex);
    const Line line = m_lines[currentIndex];
    m_lines.erase(m_lines.begin() + currentIndex);
    m_lines.insert(m_lines.begin() + newIndex, line);
}

int TStrings::IndexOf(const QString &line) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_lines[i].text.compare(line, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int TStrings::IndexOfName(const QString &name) const
{
    for (int i = 0; i < Count(); ++i) {
        if (Name(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const void *object) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_lines[i].object == object)
            return i;
    }
    return -1;
}

const QString &TStrings::Get(int index) const
{
    checkIndex(index);
    return m_lines[index].text;
}

void TStrings::Put(int index, const QString &line)
{
    checkIndex(index);
    m_lines[index].text = line;
}

void *TStrings::GetObject(int index) const
{
    checkIndex(index);
    return m_lines[index].object;
}

void TStrings::PutObject(int index, void *object)
{
    checkIndex(index);
    m_lines[index].object = object;
}

QString TStrings::Name(int index) const
{
    const QString &line = Get(index);
    const qsizetype equals = line.indexOf(u'=');
    return equals < 0 ? QString() : line.left(equals);
}

QString TStrings::Value(const QString &name) const
{
    const int index = IndexOfName(name);
    return index < 0 ? QString() : m_lines[index].text.mid(name.size() + 1);
}

void TStrings::SetValue(const QString &name, const QString &value)
{
    const int index = IndexOfName(name);
    if (value.isEmpty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    const QString line = name + u'=' + value;
    if (index < 0)
        Add(line);
    else
        Put(index, line);
}

QString TStrings::Text() const
{
    QString text;
    for (const Line &line : m_lines) {
        text += line.text;
        text += QStringLiteral("\r\n");
    }
    return text;
}

void TStrings::SetText(const QString &text)
{
    Clear();
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        Add(text.mid(start, end - start));
        if (end < size && text[end] == u'\r')
            ++end;
        if (end < size && text[end] == u'\n')
            ++end;
        start = end;
    }
}

static bool needsQuotes(const QString &line)
{
    return std::any_of(line.begin(), line.end(), [](QChar c) {
        return c.unicode() <= u' ' || c == u'"' || c == u',';
    });
}

QString TStrings::CommaText() const
{
    if (Count() == 1 && m_lines[0].text.isEmpty())
        return QStringLiteral("\"\"");
    QStringList parts;
    for (const Line &line : m_lines) {
        if (!needsQuotes(line.text)) {
            parts.append(line.text);
            continue;
        }
        QString quoted = line.text;
        quoted.replace(u'"', QStringLiteral("\"\""));
        parts.append(u'"' + quoted + u'"');
    }
    return parts.join(u',');
}

static bool isBlank(QChar c)
{
    return c.unicode() >= 1 && c.unicode() <= u' ';
}

void TStrings::SetCommaText(const QString &text)
{
    Clear();
    const qsizetype size = text.size();
    qsizetype p = 0;
    while (p < size && isBlank(text[p]))
        ++p;
    while (p < size) {
        QString item;
        if (text[p] == u'"') {
            ++p;
            while (p < size) {
                if (text[p] == u'"') {
                    if (p + 1 < size && text[p + 1] == u'"') {
                        item += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const qsizetype first = p;
            while (p < size && text[p].unicode() > u' ' && text[p] != u',')
                ++p;
            item = text.mid(first, p - first);
        }
        Add(item);
        while (p < size && isBlank(text[p]))
            ++p;
        if (p < size && text[p] == u',') {
            do
                ++p;
            while (p < size && isBlank(text[p]));
        }
    }
}

QStringList TStrings::ToStringList() const
{
    QStringList lines;
    lines.reserve(Count());
    for (const Line &line : m_lines)
        lines.append(line.text);
    return lines;
}

void TStrings::LoadFromFile(const QString &fileName)
{
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    // One read takes at most a 32-bit count: refuse a larger file before
    // allocating for it.
    const int64_t size = stream.Size();
    if (size < 0 || size > INT32_MAX)
        throw EStreamError("Read failed");
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (stream.Read(bytes.data(), int32_t(bytes.size())) != bytes.size())
        throw EStreamError("Read failed");
    SetText(QString::fromUtf8(bytes));
}

void TStrings::SaveToFile(const QString &fileName) const
{
    const QByteArray bytes = Text().toUtf8();
    TSafeFileStream stream(fileName);
    if (stream.Write(bytes.constData(), int32_t(bytes.size())) != bytes.size())
        throw EStreamError("Write failed");
    stream.Commit();
}

int TStringList::compareStrings(const QString &a, const QString &b) const
{
    return a.compare(b, m_caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

bool TStringList::Find(const QString &line, int &index) const
{
    int low = 0;
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int order = compareStrings(m_lines[middle].text, line);
        if (order < 0) {
            low = middle + 1;
            continue;
        }
        high = middle - 1;
        if (order == 0) {
            found = true;
            if (m_duplicates != dupAccept)
                low = middle;
        }
    }
    index = low;
    return found;
}

int TStringList::Add(const QString &line)
{
    return AddObject(line, nullptr);
}

int TStringList::AddObject(const QString &line, void *object)
{
    if (!m_sorted)
        return TStrings::AddObject(line, object);
    int index = 0;
    if (Find(line, index)) {
        if (m_duplicates == dupIgnore)
            return index;
        if (m_duplicates == dupError)
            throw EListError("String list does not allow duplicates");
    }
    insertLine(index, line, object);
    return index;
}

void TStringList::Insert(int index, const QString &line)
{
    if (m_sorted)
        throw EListError("Operation not allowed on sorted string list");
    TStrings::Insert(index, line);
}

void TStringList::Put(int index, const QString &line)
{
    if (m_sorted)
        throw EListError("Operation not allowed on sorted string list");
    TStrings::Put(index, line);
}

int TStringList::IndexOf(const QString &line) const
{
    if (!m_sorted) {
        if (!m_caseSensitive)
            return TStrings::IndexOf(line);
        for (int i = 0; i < Count(); ++i) {
            if (m_lines[i].text == line)
                return i;
        }
        return -1;
    }
    int index = 0;
    return Find(line, index) ? index : -1;
}

void TStringList::Sort()
{
    std::stable_sort(m_lines.begin(), m_lines.end(), [this](const Line &a, const Line &b) {
        return compareStrings(a.text, b.text) < 0;
    });
}

void TStringList::CustomSort(int (*compare)(TStringList *list, int index1, int index2))
{
    // The comparison reads lines by index, so sort a permutation and apply it.
    std::vector<int> order(m_lines.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [this, compare](int a, int b) { return compare(this, a, b) < 0; });
    std::vector<Line> sorted;
    sorted.reserve(m_lines.size());
    for (int index : order)
        sorted.push_back(m_lines[index]);
    m_lines = std::move(sorted);
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted && !m_sorted)
        Sort();
    m_sorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive)
{
    m_caseSensitive = caseSensitive;
    if (m_sorted)
        Sort();
}
