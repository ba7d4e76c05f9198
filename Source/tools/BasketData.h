#pragma once

#include <Source/engine/FileHandler.h>
#include <lib/Path.h>
#include <lib/String.h>
#include <platform/StringList.h>

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TBasketItem;

// "Basket.zilb" in the program folder: the basket's rows, read at the first
// show and written at every hide. UTF-8 text, lines ended by CR LF (a lone LF
// or CR is read too).
//   part         limit                          meaning
//   the file     MaxBasketFileBytes             no header, no count, no version
//   a line       MaxBasketPathLength characters one full path (a drive or a share), in list order
//   empty line   -                              ignored
// A line that breaks a rule (a control character, a relative path, too long,
// bytes that are no UTF-8) or a file too large to read whole makes the file
// damaged: what could be read is used, and the file is never written over.
constexpr int64_t MaxBasketFileBytes = 64 * 1024 * 1024;
constexpr int MaxBasketPathLength = 32767;

struct TBasketFileContents
{
    QStringList paths;      // the good lines, in file order
    bool damaged = false;   // something could not be read: keep the file as it is
};

// A missing file is an empty basket, not a damaged one.
TBasketFileContents ReadBasketFile(const CPath &file);
// Through a temporary file renamed over the old one, so a failure leaves the
// old file whole. Raises the stream exceptions when it cannot.
void WriteBasketFile(const CPath &file, const QStringList &paths);
// Program folder + "Basket.zilb".
CPath BasketFilePath();
// Whether path lies on a drive or share that is not there now (a disc taken
// out): its line is kept, since the file may well come back.
bool IsOnAbsentDrive(const CPath &path);

// What the basket knows of one file, to see when it changes.
struct TBasketData
{
    uint64_t size = 0;     // bytes, all 64 bits
    uint64_t age = 0;      // last write in local time, as a file time
    int32_t width = 0;     // pixels; 0 when unknown
    int32_t height = 0;
    int16_t bits = 0;      // per pixel; 0 when unknown

    // The file as the handler read it, with its full 64-bit size.
    static TBasketData Of(const TImageHandler &file);
    bool operator==(const TBasketData &) const = default;
};

// The basket's duplicate index: full paths (case-blind) in 64 buckets by the
// file name, each bucket's list made at its first entry. Holds no ownership
// of the rows it names.
class CBasketIndex
{
public:
    static constexpr int BucketCount = 64;

    // The sum of the signed bytes of the path's name (after the last '\' or
    // ':'), ASCII lower-cased, masked with 0x3F.
    static int BucketOf(const CString &path);

    TBasketItem *Find(const CString &path) const;
    void Add(const CString &path, TBasketItem *row);
    void Remove(const CString &path);
    void Clear();

private:
    std::array<std::unique_ptr<TStringList>, BucketCount> m_buckets;
};

// The columns, in order.
enum TBasketColumn { bcName, bcFolder, bcDimensions, bcSize, bcModified, bcMemo, BasketColumnCount };

// One row: the file's name, its item strings (In Folder, Dimensions, Size,
// Modified, Memo), what the basket knows of it and its load-state icon.
class TBasketItem
{
public:
    explicit TBasketItem(const TImageHandler &file);

    CPath FullPath() const;
    // The fresh state of the file, as a new item would show it.
    void Assign(const TImageHandler &file);

    CString caption;                            // the file name
    std::array<QString, BasketColumnCount - 1> subItems;
    TBasketData data;
    int iconIndex = 1;                          // the record's load state; 1 pending
    bool cut = false;
};

// The basket's rows, shown by every view style of the window. Window thread.
class TBasketModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TBasketModel(QObject *parent = nullptr);
    ~TBasketModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // An edited name goes to Rename; false leaves the row as it was.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::MoveAction; }
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

    // Answers the rename of a row's name in place; true when the file took it.
    std::function<bool(TBasketItem &item, const QString &name)> Rename;
    // The icons of the load states 0 to 3.
    void SetIcons(const std::array<QIcon, 4> &icons) { m_icons = icons; }

    int Count() const { return int(m_items.size()); }
    TBasketItem &Item(int row) const { return *m_items[size_t(row)]; }
    int RowOf(const TBasketItem *item) const;
    TBasketItem *FindItem(const CString &path) const { return m_index.Find(path); }

    // Adds a row for each file whose path is not in the basket yet, all in one
    // insertion; answers how many were refused as duplicates.
    int AddFiles(const std::vector<TImageHandler> &files);
    // Removes every row that remove accepts; the rest keep their order.
    void RemoveItems(const std::function<bool(const TBasketItem &)> &remove);
    void Clear();
    // The row shows file, a new path of its file: out of the index under the
    // old path, in under the new.
    void MoveItem(TBasketItem &item, const TImageHandler &file);
    // Repaints the row.
    void ItemChanged(const TBasketItem &item);

    // A stable sort by column, ascending or descending; selections follow
    // their rows.
    void Sort(int column, bool ascending);
    // Every row's full path, in list order.
    QStringList Paths() const;

    // The background refresh of one row, round robin: its file, memo and
    // cached load state read again, and the row repainted when they changed.
    void RefreshNextItem();
    int RefreshIndex() const { return m_refreshIndex; }

private:
    std::vector<std::unique_ptr<TBasketItem>> m_items;
    CBasketIndex m_index;
    std::array<QIcon, 4> m_icons;
    int m_refreshIndex = -1;   // the row last refreshed
};
