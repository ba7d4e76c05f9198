#include "BatchWorkList.h"

#include <Source/Glob.h>
#include <Source/engine/FolderOptions.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/VolumePath.h>
#include <lib/Drive.h>
#include <platform/FileFind.h>
#include <platform/Files.h>

#include <QElapsedTimer>
#include <QIcon>
#include <QStyle>

#include <algorithm>
#include <array>

namespace {

// The node's image index, beside its icon.
constexpr int ImageRole = Qt::UserRole + 1;
// A folder node's path below its volume ("\Pics\").
constexpr int RelativePathRole = Qt::UserRole + 2;

const QIcon &iconOf(int image, const QStyle *style)
{
    static const std::array<QIcon, 7> icons = [style] {
        auto theme = [style](const char *name, QStyle::StandardPixmap fallback) {
            const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
            return icon.isNull() ? style->standardIcon(fallback) : icon;
        };
        return std::array<QIcon, 7>{theme("drive-harddisk", QStyle::SP_DriveHDIcon),
                                    theme("network-server", QStyle::SP_DriveNetIcon),
                                    theme("folder-remote", QStyle::SP_DriveNetIcon),
                                    theme("folder", QStyle::SP_DirIcon),
                                    theme("image-x-generic", QStyle::SP_FileIcon),
                                    theme("image-loading", QStyle::SP_FileDialogContentsView),
                                    theme("image-missing", QStyle::SP_MessageBoxCritical)};
    }();
    return icons[size_t(std::clamp(image, 0, 6))];
}

QString text(const CString &value)
{
    return value.ToAnsiString();
}

CString cstring(const QString &value)
{
    return CString(value);
}

bool isUpperHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The drive path of a folder of the tree without its trailing backslash, but
// for a drive root ("D:\") and a share's root.
CPath withoutTrailingSlash(const CPath &folder)
{
    const int length = folder.GetLength();
    if (length <= 3 || folder.GetAt(length - 1) != '\\')
        return folder;
    return CPath(folder.Left(length - 1));
}

CString withTrailingSlash(const CString &path)
{
    if (path.GetLength() > 0 && path.GetAt(path.GetLength() - 1) == '\\')
        return path;
    CString result = path;
    result += '\\';
    return result;
}

// The entry is a file or folder a user sees: not hidden, not "." or "..".
bool isVisibleEntry(const WIN32_FIND_DATAA &entry)
{
    if (entry.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        return false;
    return std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0;
}

} // namespace

// ---- Volumes -----------------------------------------------------------------

CVolumeData::CVolumeData(const CString &volumeText) : volumeText(volumeText)
{
    if (isShared())
        label = "Shared";
    else if (isMapped())
        label = "Mapped";
    else
        label.Format("Volume %s", volumeText.Left(8).c_str());
}

bool CVolumeData::isShared() const
{
    return volumeText == SharedPathMarker.c_str();
}

bool CVolumeData::isMapped() const
{
    return volumeText == MappedPathMarker.c_str();
}

CString VolumeTextOf(const CString &storedPath)
{
    const int slash = storedPath.Find('\\');
    return slash < 0 ? storedPath : storedPath.Left(slash);
}

bool IsVolumeText(const CString &value)
{
    if (value == SharedPathMarker.c_str() || value == MappedPathMarker.c_str())
        return true;
    if (value.GetLength() != 8)
        return false;
    for (int i = 0; i < 8; ++i) {
        if (!isUpperHexDigit(value.GetAt(i)))
            return false;
    }
    return true;
}

// ---- The tree ----------------------------------------------------------------

TBatchWorkList::TBatchWorkList(QWidget *parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("TreeView"));
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

TBatchWorkList::~TBatchWorkList() = default;

int TBatchWorkList::ImageOf(const QTreeWidgetItem *node)
{
    return node ? node->data(0, ImageRole).toInt() : -1;
}

void TBatchWorkList::SetImage(QTreeWidgetItem *node, int image)
{
    if (ImageOf(node) == image)
        return;
    node->setData(0, ImageRole, image);
    node->setIcon(0, iconOf(image, style()));
}

CVolumeData *TBatchWorkList::VolumeOfNode(const QTreeWidgetItem *node) const
{
    while (node && node->parent())
        node = node->parent();
    for (const auto &volume : m_volumes) {
        if (volume->node == node)
            return volume.get();
    }
    return nullptr;
}

CVolumeData *TBatchWorkList::FindVolume(const CString &volumeText) const
{
    for (const auto &volume : m_volumes) {
        if (volume->volumeText == volumeText.c_str())
            return volume.get();
    }
    return nullptr;
}

CVolumeData *TBatchWorkList::FindOrAddVolume(const CString &volumeText)
{
    if (CVolumeData *volume = FindVolume(volumeText))
        return volume;
    if (!IsVolumeText(volumeText) || volumeText == "00000000")
        return nullptr;
    auto volume = std::make_unique<CVolumeData>(volumeText);
    volume->node = new QTreeWidgetItem(this);
    SetImage(volume->node, volume->isShared() ? biSharedVolume : volume->isMapped() ? biMappedVolume : biSerialVolume);
    m_volumes.push_back(std::move(volume));
    RefreshVolume(*m_volumes.back());
    return m_volumes.back().get();
}

void TBatchWorkList::deleteVolume(CVolumeData *volume)
{
    delete volume->node;
    std::erase_if(m_volumes, [volume](const auto &entry) { return entry.get() == volume; });
}

CString TBatchWorkList::RelativePathOf(const QTreeWidgetItem *folderNode)
{
    return cstring(folderNode->data(0, RelativePathRole).toString());
}

QTreeWidgetItem *TBatchWorkList::FindFolder(const CVolumeData &volume, const CString &relativePath) const
{
    const QString wanted = text(relativePath);
    for (int i = 0; i < volume.node->childCount(); ++i) {
        QTreeWidgetItem *folder = volume.node->child(i);
        if (folder->data(0, RelativePathRole).toString() == wanted)
            return folder;
    }
    return nullptr;
}

QString TBatchWorkList::folderText(const CVolumeData &volume, const CString &relativePath) const
{
    CString stored = volume.volumeText;
    stored += relativePath.c_str();
    if (!volume.isSerial())
        return text(withoutTrailingSlash(DrivePathFromVolumePath(stored, false, false)));
    // The volume's letter, or the placeholder while it is not mounted.
    const CPath drive = DrivePathFromVolumePath(volume.volumeText, false, false);
    CString path;
    path.Format("%c:%s", drive.IsEmpty() ? UnmountedDriveLetter : drive.GetAt(0), relativePath.c_str());
    return text(withoutTrailingSlash(CPath(path)));
}

QTreeWidgetItem *TBatchWorkList::AddFolder(CVolumeData &volume, const CString &relativePath)
{
    auto *folder = new QTreeWidgetItem(volume.node);
    folder->setData(0, RelativePathRole, text(relativePath));
    folder->setText(0, folderText(volume, relativePath));
    SetImage(folder, biFolder);
    ++volume.folderCount;
    return folder;
}

QTreeWidgetItem *TBatchWorkList::AddFile(QTreeWidgetItem *folderNode, const CString &name)
{
    auto *file = new QTreeWidgetItem(folderNode);
    file->setText(0, text(name));
    SetImage(file, biWaiting);
    return file;
}

CPath TBatchWorkList::FolderPathOf(const QTreeWidgetItem *folderNode) const
{
    const CVolumeData *volume = VolumeOfNode(folderNode);
    if (!volume)
        return CPath();
    CString stored = volume->volumeText;
    stored += RelativePathOf(folderNode).c_str();
    const CPath folder = DriveFolderFromVolumePath(stored, false, false);
    return folder.IsEmpty() ? folder : CPath(withTrailingSlash(folder));
}

void TBatchWorkList::RemoveNode(QTreeWidgetItem *node)
{
    CVolumeData *volume = VolumeOfNode(node);
    if (!volume)
        return;
    if (IsVolumeNode(node)) {
        deleteVolume(volume);
        return;
    }
    if (IsFolderNode(node)) {
        volume->imageCount -= node->childCount();
        --volume->folderCount;
    } else {
        --volume->imageCount;
    }
    delete node;
}

void TBatchWorkList::RemoveAll()
{
    clear();
    m_volumes.clear();
}

void TBatchWorkList::RefreshVolume(CVolumeData &volume)
{
    if (volume.isSerial()) {
        const CPath drive = DrivePathFromVolumePath(volume.volumeText, false, false);
        CString caption;
        if (drive.IsEmpty())
            caption.Format("%s (not mounted)", volume.label.c_str());
        else
            caption.Format("%s in drive %c:", volume.label.c_str(), drive.GetAt(0));
        volume.node->setText(0, text(caption));
    } else {
        volume.node->setText(0, text(volume.label));
    }
    for (int i = 0; i < volume.node->childCount(); ++i) {
        QTreeWidgetItem *folder = volume.node->child(i);
        folder->setText(0, folderText(volume, RelativePathOf(folder)));
    }
}

void TBatchWorkList::RefreshVolumes()
{
    for (const auto &volume : m_volumes)
        RefreshVolume(*volume);
}

void TBatchWorkList::RecountVolumes()
{
    for (const auto &volume : m_volumes) {
        volume->folderCount = volume->node->childCount();
        volume->imageCount = 0;
        for (int i = 0; i < volume->folderCount; ++i)
            volume->imageCount += volume->node->child(i)->childCount();
    }
}

int TBatchWorkList::ImageTotal() const
{
    int total = 0;
    for (const auto &volume : m_volumes)
        total += volume->imageCount;
    return total;
}

int TBatchWorkList::FolderTotal() const
{
    int total = 0;
    for (const auto &volume : m_volumes)
        total += volume->folderCount;
    return total;
}

int TBatchWorkList::BuildWorkList(std::vector<CPath> &files)
{
    int notWaiting = 0;
    for (int v = 0; v < topLevelItemCount(); ++v) {
        const CVolumeData *volume = VolumeOfNode(topLevelItem(v));
        if (!volume)
            continue;
        if (volume->isSerial() && DrivePathFromVolumePath(volume->volumeText, false, false).IsEmpty()) {
            CString message;
            message.Format("Volume %s is not mounted and will be ignored", volume->label.c_str());
            ShowMessageBox(message, WarningBoxFlags);
            continue;
        }
        for (int f = 0; f < volume->node->childCount(); ++f) {
            const QTreeWidgetItem *folderNode = volume->node->child(f);
            const CPath folder = FolderPathOf(folderNode);
            for (int i = 0; i < folderNode->childCount(); ++i) {
                const QTreeWidgetItem *file = folderNode->child(i);
                if (ImageOf(file) != biWaiting)
                    ++notWaiting;
                else
                    files.push_back(folder.AppendFileName(cstring(file->text(0))));
            }
        }
    }
    return notWaiting;
}

void TBatchWorkList::ResetFileImages()
{
    for (int v = 0; v < topLevelItemCount(); ++v) {
        QTreeWidgetItem *volume = topLevelItem(v);
        for (int f = 0; f < volume->childCount(); ++f) {
            QTreeWidgetItem *folder = volume->child(f);
            for (int i = 0; i < folder->childCount(); ++i)
                SetImage(folder->child(i), biWaiting);
        }
    }
}

QTreeWidgetItem *TBatchWorkList::FindFileNode(const CPath &path) const
{
    const int slash = path.ReverseFind('\\');
    if (slash < 0)
        return nullptr;
    const CString stored = VolumePathFromDrivePath(CPath(path.Left(slash + 1)));
    const CVolumeData *volume = FindVolume(VolumeTextOf(stored));
    if (!volume)
        return nullptr;
    const QTreeWidgetItem *folder = FindFolder(*volume, withTrailingSlash(stored.Mid(volume->volumeText.GetLength())));
    if (!folder)
        return nullptr;
    const QString name = text(path.Mid(slash + 1));
    for (int i = 0; i < folder->childCount(); ++i) {
        if (folder->child(i)->text(0) == name)
            return folder->child(i);
    }
    return nullptr;
}

void TBatchWorkList::ShowRecordState(const CThumbBitmap &record)
{
    QTreeWidgetItem *node = FindFileNode(record.GetFullPath());
    if (!node)
        return;
    const TThumbState state = record.GetState();
    SetImage(node, state == TThumbState::Loading ? biLoaded : biLoaded + int(state));
    scrollToItem(node);
}

// ---- Adding folders ----------------------------------------------------------

TBatchFolderScan::TBatchFolderScan(TBatchWorkList &list, const CPath &folder, bool recursive)
    : m_list(list), m_recursive(recursive)
{
    m_pending.push_back(folder);
}

TBatchFolderScan::~TBatchFolderScan()
{
    closeFolder();
}

bool TBatchFolderScan::openNextFolder()
{
    while (!m_pending.empty() && !m_stopped) {
        m_folder = withoutTrailingSlash(m_pending.back());
        m_pending.pop_back();
        const CString stored = VolumePathFromDrivePath(m_folder);
        const CString volumeText = VolumeTextOf(stored);
        m_volume = m_list.FindOrAddVolume(volumeText);
        if (!m_volume) {
            // The drive may have changed since the table was read.
            if (DriveTable)
                DriveTable->Update();
            m_volume = m_list.FindOrAddVolume(VolumeTextOf(VolumePathFromDrivePath(m_folder)));
        }
        if (!m_volume) {
            ShowMessageBox("Error accessing volume", ErrorBoxFlags);
            m_stopped = true;
            m_pending.clear();
            return false;
        }
        const CString relative = withTrailingSlash(VolumePathFromDrivePath(m_folder).Mid(m_volume->volumeText.GetLength()));
        m_folderNode = m_list.FindFolder(*m_volume, relative);
        if (!m_folderNode)
            m_folderNode = m_list.AddFolder(*m_volume, relative);
        m_names.clear();
        for (int i = 0; i < m_folderNode->childCount(); ++i)
            m_names.insert(m_folderNode->child(i)->text(0).toStdString());
        m_subfolders.clear();
        m_find = FindFirstFileA(CPath(withTrailingSlash(m_folder)).AppendFileName("*.*"), &m_entry);
        if (m_find != INVALID_HANDLE_VALUE)
            return true;
        closeFolder();
    }
    return false;
}

void TBatchFolderScan::closeFolder()
{
    if (m_find != INVALID_HANDLE_VALUE)
        FindClose(m_find);
    m_find = INVALID_HANDLE_VALUE;
    if (!m_folderNode)
        return;
    // A folder or volume left empty goes again; a kept folder is sorted among
    // the volume's others.
    if (m_folderNode->childCount() == 0) {
        m_list.RemoveNode(m_folderNode);
        if (m_volume->node->childCount() == 0)
            m_list.RemoveNode(m_volume->node);
    } else {
        m_volume->node->sortChildren(0, Qt::AscendingOrder);
    }
    m_folderNode = nullptr;
    m_volume = nullptr;
    if (m_recursive && !m_stopped)
        m_pending.insert(m_pending.end(), m_subfolders.rbegin(), m_subfolders.rend());
    m_subfolders.clear();
}

bool TBatchFolderScan::Step(int budgetMs)
{
    QElapsedTimer clock;
    clock.start();
    for (int entries = 1; !m_stopped; ++entries) {
        if (m_find == INVALID_HANDLE_VALUE && !openNextFolder())
            return false;
        takeEntry();
        if (!FindNextFileA(m_find, &m_entry))
            closeFolder();
        if (entries % 64 == 0 && clock.elapsed() >= budgetMs)
            return true;
    }
    closeFolder();
    return false;
}

void TBatchFolderScan::takeEntry()
{
    if (!isVisibleEntry(m_entry))
        return;
    const CString name(m_entry.cFileName);
    const CPath path = CPath(withTrailingSlash(m_folder)).AppendFileName(name);
    if (m_entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        m_subfolders.push_back(path);
        return;
    }
    if (m_names.contains(name.c_str()) || !IsFileIncluded(path))
        return;
    m_list.AddFile(m_folderNode, name);
    m_names.insert(name.c_str());
    ++m_volume->imageCount;
    ++m_newFiles;
}
