#include <lib/controls/DropFile.h>

#include "../../DriveMapLines.h"
#include "../../TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <memory>

namespace {

struct DroppedFile
{
    QString fileWithPath, fileName, extension;
    bool operator==(const DroppedFile &) const = default;
};

// Keeps what a drop target reports.
class DropRecorder
{
public:
    explicit DropRecorder(TDropFile &drop)
    {
        QObject::connect(&drop, &TDropFile::OnDropFile, &drop,
                         [this](TDropFile *, const QString &path, const QString &name, const QString &extension) {
                             files.push_back({path, name, extension});
                         });
    }
    std::vector<DroppedFile> files;
};

// The test folder as drive P:, so that dropped files have known Windows paths.
void mapTestFolderAsP()
{
    WriteDriveMap(DriveMapLine("P:", TestHostFolder(), "fixed", "1234ABCD", "Pictures"));
}

QUrl testFileUrl(const QString &name)
{
    return QUrl::fromLocalFile(QString::fromStdString(TestHostFolder()) + u'/' + name);
}

// Enters, moves over and drops data on target as a drag from outside would;
// answers whether the target took the enter and the drop.
struct DragAnswer
{
    bool entered = false, dropped = false;
};
DragAnswer dragAndDrop(QWidget *target, const QMimeData &data)
{
    const QPoint point(10, 10);
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

std::unique_ptr<QMimeData> urlData(const QList<QUrl> &urls)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

} // namespace

TEST(TDropFile, SplitsNameAndExtensionAtTheirLastDelimiter)
{
    const struct { const char *path, *name, *extension; } cases[] = {
        {"C:\\Pics\\a.b.c", "a.b.c", "c"},
        {"C:\\my.folder\\readme", "readme", ""},
        {"C:\\Pics\\photo.jpg", "photo.jpg", "jpg"},
        {"C:\\Pics\\name.", "name.", ""},
        {"C:\\Pics\\.hidden", ".hidden", "hidden"},
        {"C:\\", "", ""},
        {"nofolder.txt", "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        const QString name = TDropFile::FileNameOf(QString::fromUtf8(c.path));
        EXPECT_EQ(name, QString::fromUtf8(c.name));
        EXPECT_EQ(TDropFile::ExtensionOf(name), QString::fromUtf8(c.extension));
    }
}

TEST(TDropFile, ReportsEachLocalFileAsAWindowsPathInOrder)
{
    mapTestFolderAsP();
    QWidget window;
    TDropFile drop(&window);
    DropRecorder recorder(drop);
    EXPECT_TRUE(window.acceptDrops());

    const auto data = urlData({testFileUrl("b.folder/Photo.JPG"), testFileUrl("notes"), testFileUrl("a.b.c")});
    const DragAnswer answer = dragAndDrop(&window, *data);
    EXPECT_TRUE(answer.entered);
    EXPECT_TRUE(answer.dropped);
    const std::vector<DroppedFile> expected = {
        {"P:\\b.folder\\Photo.JPG", "Photo.JPG", "JPG"},
        {"P:\\notes", "notes", ""},
        {"P:\\a.b.c", "a.b.c", "c"},
    };
    EXPECT_EQ(recorder.files, expected);
}

TEST(TDropFile, SkipsWhatIsNotALocalFileOnADrive)
{
    mapTestFolderAsP();
    const struct { const char *name; QList<QUrl> urls; QStringList expected; } cases[] = {
        {"web address", {QUrl("https://example.com/a.jpg")}, {}},
        // Paths that would be on P: were the host left out.
        {"another machine's file", {QUrl("file://server" + testFileUrl("a.jpg").path())}, {}},
        {"a host name with a backslash", {QUrl("file://evil%5Chost" + testFileUrl("a.jpg").path())}, {}},
        {"this machine by name", {QUrl("file://localhost" + testFileUrl("x.jpg").path())}, {"P:\\x.jpg"}},
        {"a file on no drive", {QUrl::fromLocalFile("/proc/nowhere/z.jpg")}, {}},
        {"mixed", {QUrl("ftp://host/a.jpg"), testFileUrl("ok.png")}, {"P:\\ok.png"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TDropFile::DroppedFiles(urlData(c.urls).get()), c.expected);
    }

    // A drag holding nothing to report is left to the window.
    QWidget window;
    TDropFile drop(&window);
    DropRecorder recorder(drop);
    const DragAnswer answer = dragAndDrop(&window, *urlData({QUrl("https://example.com/a.jpg")}));
    EXPECT_FALSE(answer.entered);
    EXPECT_FALSE(answer.dropped);
    EXPECT_TRUE(recorder.files.empty());
}

TEST(TDropFile, LeavesTheProgramsOwnDragsToTheWindow)
{
    mapTestFolderAsP();
    // A thumbnail drag: the private list beside the URLs other programs read.
    auto data = urlData({testFileUrl("a.jpg")});
    data->setData(ZiloFilesMimeType, QByteArray("P:\\a.jpg"));
    EXPECT_TRUE(TDropFile::DroppedFiles(data.get()).isEmpty());

    // The window's own drop handling still sees it.
    class OwnDropWindow : public QWidget
    {
    public:
        int ownDrops = 0;
    protected:
        void dragEnterEvent(QDragEnterEvent *event) override { event->acceptProposedAction(); }
        void dropEvent(QDropEvent *event) override
        {
            ++ownDrops;
            event->acceptProposedAction();
        }
    } window;
    window.setAcceptDrops(true);
    TDropFile drop(&window);
    DropRecorder recorder(drop);
    dragAndDrop(&window, *data);
    EXPECT_TRUE(recorder.files.empty());
    EXPECT_EQ(window.ownDrops, 1);

    // Switching the shell drops off leaves the window's own drops on, and
    // files from other programs then go to the window, not to OnDropFile.
    drop.SetEnableDrop(false);
    EXPECT_TRUE(window.acceptDrops());
    dragAndDrop(&window, *urlData({testFileUrl("b.jpg")}));
    EXPECT_TRUE(recorder.files.empty());
    EXPECT_EQ(window.ownDrops, 2);
}

TEST(TDropFile, DisabledRefusesButStaysHooked)
{
    mapTestFolderAsP();
    QWidget window;
    TDropFile drop(&window);
    DropRecorder recorder(drop);
    const auto data = urlData({testFileUrl("a.jpg")});

    drop.SetEnableDrop(false);
    EXPECT_FALSE(window.acceptDrops());
    const DragAnswer refused = dragAndDrop(&window, *data);
    EXPECT_FALSE(refused.entered);
    EXPECT_FALSE(refused.dropped);
    EXPECT_TRUE(recorder.files.empty());

    // On again without hooking anew: the same hook takes the drop.
    drop.SetEnableDrop(true);
    EXPECT_TRUE(window.acceptDrops());
    EXPECT_TRUE(dragAndDrop(&window, *data).dropped);
    ASSERT_EQ(recorder.files.size(), 1u);
    EXPECT_EQ(recorder.files[0].fileWithPath, "P:\\a.jpg");
}

TEST(TDropFile, ChangingTheTargetMovesTheHook)
{
    mapTestFolderAsP();
    QWidget window;
    auto *panel = new QWidget(&window);
    TDropFile drop(&window);
    DropRecorder recorder(drop);
    EXPECT_EQ(drop.DropTarget(), &window);
    const auto data = urlData({testFileUrl("a.jpg")});

    drop.SetDropTarget(panel);
    EXPECT_FALSE(window.acceptDrops());
    EXPECT_TRUE(panel->acceptDrops());
    EXPECT_FALSE(dragAndDrop(&window, *data).dropped);
    EXPECT_TRUE(recorder.files.empty());
    EXPECT_TRUE(dragAndDrop(panel, *data).dropped);
    EXPECT_EQ(recorder.files.size(), 1u);

    // Null goes back to the owner.
    drop.SetDropTarget(nullptr);
    EXPECT_EQ(drop.DropTarget(), &window);
    EXPECT_FALSE(panel->acceptDrops());
    EXPECT_TRUE(dragAndDrop(&window, *data).dropped);
    EXPECT_EQ(recorder.files.size(), 2u);
}
