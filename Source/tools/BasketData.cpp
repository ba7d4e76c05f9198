#include "BasketData.h"

#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbCache.h>
#include <lib/controls/DropFile.h>
#include <platform/Exception.h>
#include <platform/FileFind.h>
#include <platform/HostPath.h>
#include <platform/Stream.h>

#include <QMimeData>
#include <QStringDecoder>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <unordered_map>

namespace {

const char *const ColumnCaptions[BasketColumnCount] = {"Name", "In Folder", "Dimensions", "Size", "Modified", "Memo"};

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// A line that can stand for a file of the basket: a full path of a drive or
// a share, of a length a path may have, with no control character in it.
bool isBasketPath(const QString &line)
{
    if (line.size() > MaxBasketPathLength)
        return false;
    for (const QChar c : line) {
        if (c < u' ')
            return false;
    }
    return CPath(CString(line)).GetIsAbsolute();
}

// The file's size in all its bytes; 0 for a missing file.
uint64_t fullSizeOf(const CPath &path)
{
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA(path, &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(find);
    return (uint64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

// The cached record's load state for path; pending when none is cached.
int cachedStateOf(const CPath &path)
{
    CThumbBitmap *record = FindThumbBitmap(path);
    if (!record)
        return int(TThumbState::Pending);
    const int state = int(record->GetState());
    record->Release();
    return state;
}

int compareDimensions(const TBasketData &a, const TBasketData &b)
{
    if (a.bits != b.bits)
        return a.bits < b.bits ? -1 : 1;
    const int64_t areaA = int64_t(a.width) * a.height;
    const int64_t areaB = int64_t(b.width) * b.height;
    return areaA < areaB ? -1 : areaA > areaB ? 1 : 0;
}

template<typename T>
int compareNumbers(T a, T b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

int compareItems(const TBasketItem &a, const TBasketItem &b, int column)
{
    switch (column) {
    case bcName: return a.caption.CompareNoCase(b.caption);
    case bcDimensions: return compareDimensions(a.data, b.data);
    case bcSize: return compareNumbers(a.data.size, b.data.size);
    case bcModified: return compareNumbers(a.data.age, b.data.age);
    default:
        return a.subItems[size_t(column - 1)].compare(b.subItems[size_t(column - 1)], Qt::CaseInsensitive);
    }
}

// The drag of basket rows: their full paths, as this program's list and as
// local files for other programs.
class TImageDragObject : public QMimeData
{
public:
    explicit TImageDragObject(const QStringList &paths)
    {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(HostPathFromWindows(path.toStdString())));
        setData(ZiloFilesMimeType, paths.join(QStringLiteral("\r\n")).toUtf8());
        setUrls(urls);
    }
};

} // namespace

// ---- The contents file -------------------------------------------------------

CPath BasketFilePath()
{
    return CPath::ExeFolder().AppendFileName("Basket.zilb");
}

bool IsOnAbsentDrive(const CPath &path)
{
    const CString root = path.GetDrivePart();
    return root.IsEmpty() || !CPath(root + "\\").GetDirectoryExists();
}

TBasketFileContents ReadBasketFile(const CPath &file)
{
    TBasketFileContents contents;
    if (!file.GetFileExists())
        return contents;
    QByteArray bytes;
    try {
        TFileStream stream(file.ToAnsiString(), fmOpenRead | fmShareDenyWrite);
        const int64_t size = stream.Size();
        // Only what the limit allows is read; the rest is kept by not saving.
        const int64_t wanted = std::clamp<int64_t>(size, 0, MaxBasketFileBytes);
        contents.damaged = size > MaxBasketFileBytes;
        bytes.resize(qsizetype(wanted));
        if (stream.Read(bytes.data(), int32_t(wanted)) != wanted)
            throw EStreamError("Read failed");
    } catch (const Exception &) {
        contents.damaged = true;
        return contents;
    }
    if (contents.damaged) {
        // The line that the limit cut is incomplete.
        const qsizetype lastEnd = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
        bytes.truncate(std::max<qsizetype>(lastEnd, 0));
    }
    // Lines end at CR LF, LF or CR; each is decoded on its own, so that bytes
    // that are no UTF-8 spoil only their own line.
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString line = decoder(QByteArrayView(bytes).sliced(start, end - start));
        start = end + (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n' ? 2 : 1);
        if (line.isEmpty())
            continue;
        if (decoder.hasError() || !isBasketPath(line)) {
            contents.damaged = true;
            continue;
        }
        contents.paths << line;
    }
    return contents;
}

void WriteBasketFile(const CPath &file, const QStringList &paths)
{
    TStringList lines;
    for (const QString &path : paths)
        lines.Add(path);
    lines.SaveToFile(file.ToAnsiString());
}

// ---- Records and the index --------------------------------------------------

TBasketData TBasketData::Of(const TImageHandler &file)
{
    TBasketData data;
    data.size = fullSizeOf(file.GetFullPath());
    data.age = FileTimeToUInt64(file.GetModified());
    data.width = file.GetWidth();
    data.height = file.GetHeight();
    data.bits = file.GetBits();
    return data;
}

int CBasketIndex::BucketOf(const CString &path)
{
    const int length = path.GetLength();
    int start = length;
    while (start > 0 && path.GetAt(start - 1) != '\\' && path.GetAt(start - 1) != ':')
        --start;
    int sum = 0;
    for (int i = start; i < length; ++i)
        sum += static_cast<signed char>(lowerAscii(path.GetAt(i)));
    return sum & 0x3F;
}

TBasketItem *CBasketIndex::Find(const CString &path) const
{
    const TStringList *bucket = m_buckets[size_t(BucketOf(path))].get();
    if (!bucket)
        return nullptr;
    const int index = bucket->IndexOf(path.ToAnsiString());
    return index < 0 ? nullptr : static_cast<TBasketItem *>(bucket->GetObject(index));
}

void CBasketIndex::Add(const CString &path, TBasketItem *row)
{
    std::unique_ptr<TStringList> &bucket = m_buckets[size_t(BucketOf(path))];
    if (!bucket) {
        bucket = std::make_unique<TStringList>();
        // Kept in order, so that a lookup in a full bucket is a binary search.
        bucket->SetSorted(true);
    }
    bucket->AddObject(path.ToAnsiString(), row);
}

void CBasketIndex::Remove(const CString &path)
{
    TStringList *bucket = m_buckets[size_t(BucketOf(path))].get();
    if (!bucket)
        return;
    const int index = bucket->IndexOf(path.ToAnsiString());
    if (index >= 0)
        bucket->Delete(index);
}

void CBasketIndex::Clear()
{
    for (std::unique_ptr<TStringList> &bucket : m_buckets)
        bucket.reset();
}

TBasketItem::TBasketItem(const TImageHandler &file)
{
    Assign(file);
}

CPath TBasketItem::FullPath() const
{
    return CPath(subItems[bcFolder - 1].toUtf8().constData()).AppendFileName(caption);
}

void TBasketItem::Assign(const TImageHandler &file)
{
    caption = file.GetName();
    data = TBasketData::Of(file);
    TStringList items;
    file.AddSubItems(true, items);
    for (size_t i = 0; i < subItems.size(); ++i)
        subItems[i] = items[int(i)];
    // The handler's size is its low 32 bits; the row shows them all.
    CString size;
    size.FormatFileSize(data.size);
    subItems[bcSize - 1] = size.ToAnsiString();
}

// ---- The model ---------------------------------------------------------------

TBasketModel::TBasketModel(QObject *parent) : QAbstractTableModel(parent)
{
}

TBasketModel::~TBasketModel() = default;

int TBasketModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TBasketModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : BasketColumnCount;
}

QVariant TBasketModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const TBasketItem &item = Item(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return column == bcName ? item.caption.ToAnsiString() : item.subItems[size_t(column - 1)];
    case Qt::DecorationRole: {
        if (column != bcName || item.iconIndex < 0 || item.iconIndex >= int(m_icons.size()))
            return {};
        const QIcon &icon = m_icons[size_t(item.iconIndex)];
        // A cut row's icon is ghosted until it is pasted.
        if (!item.cut || icon.isNull())
            return icon;
        return QIcon(icon.pixmap(32, QIcon::Disabled));
    }
    case Qt::TextAlignmentRole:
        if (column == bcSize || column == bcModified)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant TBasketModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= BasketColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(ColumnCaptions[section]);
    if (role == Qt::TextAlignmentRole && (section == bcSize || section == bcModified))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags TBasketModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() == bcName)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TBasketModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != bcName || !Rename)
        return false;
    return Rename(Item(index.row()), value.toString());
}

QStringList TBasketModel::mimeTypes() const
{
    return {ZiloFilesMimeType, QStringLiteral("text/uri-list")};
}

QMimeData *TBasketModel::mimeData(const QModelIndexList &indexes) const
{
    QStringList paths;
    std::vector<int> rows;
    for (const QModelIndex &index : indexes)
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows)
        paths << Item(row).FullPath().ToAnsiString();
    return new TImageDragObject(paths);
}

int TBasketModel::RowOf(const TBasketItem *item) const
{
    const auto found = std::find_if(m_items.begin(), m_items.end(),
                                    [item](const std::unique_ptr<TBasketItem> &row) { return row.get() == item; });
    return found == m_items.end() ? -1 : int(found - m_items.begin());
}

int TBasketModel::AddFiles(const std::vector<TImageHandler> &files)
{
    std::vector<std::unique_ptr<TBasketItem>> added;
    int refused = 0;
    for (const TImageHandler &file : files) {
        const CPath path = file.GetFullPath();
        if (m_index.Find(path)) {
            ++refused;
            continue;
        }
        added.push_back(std::make_unique<TBasketItem>(file));
        added.back()->iconIndex = cachedStateOf(path);
        m_index.Add(path, added.back().get());
    }
    if (added.empty())
        return refused;
    beginInsertRows(QModelIndex(), Count(), Count() + int(added.size()) - 1);
    m_items.insert(m_items.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    endInsertRows();
    return refused;
}

void TBasketModel::RemoveItems(const std::function<bool(const TBasketItem &)> &remove)
{
    // From the end, one removal for each run of neighbouring rows.
    int row = Count() - 1;
    while (row >= 0) {
        if (!remove(Item(row))) {
            --row;
            continue;
        }
        const int last = row;
        while (row > 0 && remove(Item(row - 1)))
            --row;
        beginRemoveRows(QModelIndex(), row, last);
        for (int gone = row; gone <= last; ++gone)
            m_index.Remove(Item(gone).FullPath());
        m_items.erase(m_items.begin() + row, m_items.begin() + last + 1);
        endRemoveRows();
        --row;
    }
    m_refreshIndex = std::min(m_refreshIndex, Count() - 1);
}

void TBasketModel::Clear()
{
    beginResetModel();
    m_items.clear();
    m_index.Clear();
    m_refreshIndex = -1;
    endResetModel();
}

void TBasketModel::MoveItem(TBasketItem &item, const TImageHandler &file)
{
    m_index.Remove(item.FullPath());
    item.Assign(file);
    m_index.Add(item.FullPath(), &item);
    ItemChanged(item);
}

void TBasketModel::ItemChanged(const TBasketItem &item)
{
    const int row = RowOf(&item);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, BasketColumnCount - 1));
}

void TBasketModel::Sort(int column, bool ascending)
{
    if (column < 0 || column >= BasketColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    std::vector<TBasketItem *> persistentItems;
    persistentItems.reserve(size_t(persistent.size()));
    for (const QModelIndex &index : persistent)
        persistentItems.push_back(m_items[size_t(index.row())].get());

    const int sign = ascending ? 1 : -1;
    std::stable_sort(m_items.begin(), m_items.end(),
                     [column, sign](const std::unique_ptr<TBasketItem> &a, const std::unique_ptr<TBasketItem> &b) {
                         return sign * compareItems(*a, *b, column) < 0;
                     });

    // Each row's new place, for the views' selections and current rows.
    std::unordered_map<const TBasketItem *, int> rows;
    if (!persistent.isEmpty()) {
        rows.reserve(m_items.size());
        for (size_t row = 0; row < m_items.size(); ++row)
            rows.emplace(m_items[row].get(), int(row));
    }
    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (qsizetype i = 0; i < persistent.size(); ++i)
        moved << index(rows.at(persistentItems[size_t(i)]), persistent[i].column());
    changePersistentIndexList(persistent, moved);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

QStringList TBasketModel::Paths() const
{
    QStringList paths;
    paths.reserve(Count());
    for (const std::unique_ptr<TBasketItem> &item : m_items)
        paths << item->FullPath().ToAnsiString();
    return paths;
}

void TBasketModel::RefreshNextItem()
{
    if (m_items.empty())
        return;
    m_refreshIndex = m_refreshIndex + 1 >= Count() ? 0 : m_refreshIndex + 1;
    TBasketItem &item = Item(m_refreshIndex);
    const CPath path = item.FullPath();
    const TImageHandler file(path, true);
    const TBasketItem fresh(file);
    bool changed = false;
    if (!(fresh.data == item.data) || fresh.subItems[bcMemo - 1] != item.subItems[bcMemo - 1]) {
        item.data = fresh.data;
        item.subItems = fresh.subItems;
        changed = true;
    }
    const int state = cachedStateOf(path);
    if (state != item.iconIndex) {
        item.iconIndex = state;
        changed = true;
    }
    if (changed)
        emit dataChanged(index(m_refreshIndex, 0), index(m_refreshIndex, BasketColumnCount - 1));
}
