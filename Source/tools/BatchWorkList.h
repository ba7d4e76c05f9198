#pragma once

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/FileFind.h>
#include <platform/Types.h>

#include <QTreeWidget>

#include <memory>
#include <unordered_set>
#include <vector>

class CThumbBitmap;

// The batch engine's work list: a tree of volumes, folders and image files
// waiting to be built. Volumes are named by their stored form (a serial
// number, or the share and mapped-drive markers), so that a disc keeps its
// folders in whatever drive it is put in. Window thread only.

// A node's kind and state, as its image index.
enum TBatchImage : int {
    biSerialVolume = 0,
    biMappedVolume = 1,
    biSharedVolume = 2,
    biFolder = 3,
    biLoaded = 4,
    biWaiting = 5,
    biFailed = 6
};

// The drive letter that folders of a volume that is not mounted show.
inline constexpr char UnmountedDriveLetter = '?';

// One volume node's figures.
struct CVolumeData
{
    // The label follows the volume text: "Shared", "Mapped" or "Volume 1234ABCD".
    explicit CVolumeData(const CString &volumeText);

    bool isShared() const;
    bool isMapped() const;
    bool isSerial() const { return !isShared() && !isMapped(); }

    int imageCount = 0;
    int folderCount = 0;
    CString label;
    CPath volumeText;                 // the stored form up to its first backslash
    QTreeWidgetItem *node = nullptr;  // owned by the tree
};

// The volume text of a stored folder form: the part before its first
// backslash. Empty when the form has none.
CString VolumeTextOf(const CString &storedPath);
// Whether text is a volume text a state file may name: eight upper-case
// hexadecimal digits, or either marker exactly.
bool IsVolumeText(const CString &text);

class TBatchWorkList : public QTreeWidget
{
public:
    explicit TBatchWorkList(QWidget *parent = nullptr);
    ~TBatchWorkList() override;

    static int ImageOf(const QTreeWidgetItem *node);
    void SetImage(QTreeWidgetItem *node, int image);
    static bool IsVolumeNode(const QTreeWidgetItem *node) { return node && !node->parent(); }
    static bool IsFolderNode(const QTreeWidgetItem *node) { return node && node->parent() && !node->parent()->parent(); }
    static bool IsFileNode(const QTreeWidgetItem *node) { return node && node->parent() && node->parent()->parent(); }

    const std::vector<std::unique_ptr<CVolumeData>> &Volumes() const { return m_volumes; }
    CVolumeData *VolumeOfNode(const QTreeWidgetItem *node) const;
    // The volume of that text, matched exactly; null when it has no node.
    CVolumeData *FindVolume(const CString &volumeText) const;
    // The volume of that text, made with its node when missing. Null for a
    // text that names no volume.
    CVolumeData *FindOrAddVolume(const CString &volumeText);

    // The folder's path below its volume, with a backslash before and after
    // ("\Pics\"): what the state file keeps.
    static CString RelativePathOf(const QTreeWidgetItem *folderNode);
    // The folder node of that relative path, matched exactly; null for none.
    QTreeWidgetItem *FindFolder(const CVolumeData &volume, const CString &relativePath) const;
    // Adds a folder node (its text follows the volume's drive) and counts it.
    QTreeWidgetItem *AddFolder(CVolumeData &volume, const CString &relativePath);
    // Adds a waiting file node; counted by the caller.
    QTreeWidgetItem *AddFile(QTreeWidgetItem *folderNode, const CString &name);
    // The folder's real path with a trailing backslash; empty when its volume
    // is not mounted.
    CPath FolderPathOf(const QTreeWidgetItem *folderNode) const;

    // Deletes the node with what it counts; a volume node with its volume.
    void RemoveNode(QTreeWidgetItem *node);
    void RemoveAll();
    // Finds the volume's drive now: the volume node's text, and the folder
    // nodes' drive letters, follow it.
    void RefreshVolume(CVolumeData &volume);
    void RefreshVolumes();
    // Sets the counts of every volume from its nodes.
    void RecountVolumes();

    int ImageTotal() const;
    int FolderTotal() const;

    // Adds the full path of every waiting file, folder after folder in tree
    // order, and answers how many file nodes were not waiting. A serial volume
    // that is not mounted is reported once by message box and skipped.
    int BuildWorkList(std::vector<CPath> &files);
    // Every file node back to waiting.
    void ResetFileImages();
    // The file node of a full path (volume, folder and name matched exactly);
    // null for none.
    QTreeWidgetItem *FindFileNode(const CPath &path) const;
    // The file node of the record takes the image of its state: loaded,
    // waiting or failed (a record built elsewhere counts as loaded), and is
    // scrolled into view. Nothing for a record outside the list.
    void ShowRecordState(const CThumbBitmap &record);

private:
    void deleteVolume(CVolumeData *volume);
    QString folderText(const CVolumeData &volume, const CString &relativePath) const;

    std::vector<std::unique_ptr<CVolumeData>> m_volumes;
};

// Adds folders to a work list in slices, so that the window answers while a
// large tree is read and "Stop Adding" can be pressed. Each Step lists entries
// until its time is spent. Window thread only.
class TBatchFolderScan
{
public:
    TBatchFolderScan(TBatchWorkList &list, const CPath &folder, bool recursive);
    ~TBatchFolderScan();

    // Lists entries for about budgetMs; answers false once the scan is done.
    // An error of the volume ("Error accessing volume") is reported and ends it.
    bool Step(int budgetMs);
    void Stop() { m_stopped = true; }
    bool IsStopped() const { return m_stopped; }
    int NewFiles() const { return m_newFiles; }
    // The folder being listed, for the status bar.
    const CPath &CurrentFolder() const { return m_folder; }

private:
    bool openNextFolder();
    // Adds the listing's present entry: a file node, or a subfolder to list later.
    void takeEntry();
    void closeFolder();

    TBatchWorkList &m_list;
    bool m_recursive;
    bool m_stopped = false;
    int m_newFiles = 0;
    std::vector<CPath> m_pending;            // folders still to list, the next last
    CPath m_folder;                          // the folder being listed
    HANDLE m_find = INVALID_HANDLE_VALUE;    // its listing
    WIN32_FIND_DATAA m_entry;                // the listing's present entry
    CVolumeData *m_volume = nullptr;
    QTreeWidgetItem *m_folderNode = nullptr;
    std::unordered_set<std::string> m_names;  // the folder node's file names
    std::vector<CPath> m_subfolders;         // of the folder being listed, in order
};
