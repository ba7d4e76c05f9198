#include "../Source/GlobTestSupport.h"
#include "../WindowThreadQueue.h"
#include "ThumbTestSupport.h"

#include <Source/engine/ShortcutListView.h>
#include <Source/engine/ThumbBox.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/UserMessages.h>
#include <lib/Drive.h>
#include <lib/Options.h>
#include <lib/SafeRegIniFile.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QHeaderView>
#include <QImage>
#include <QMimeData>


#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace fs = std::filesystem;

namespace {

const QString Section = QStringLiteral("Shortcuts");

// Texts as std::string, so that a failure shows them as text.
using Values = std::map<std::string, std::string>;
using Texts = std::vector<std::string>;

// The coordinator as the list sees it: records each reload request.
class RecordingWindows : public RecordingCoordinator
{
public:
    void ReloadShortcutLists(QWidget *skip) override { reloadsSkipping.push_back(skip); }

    std::vector<QWidget *> reloadsSkipping;
};

// C: is the test folder (fixed, serial 0012ABCD), D: a disc (serial
// 5EED0001) that a test may take out, E: a drive without a medium (no serial
// number), F: a network drive.
class ShortcutList : public ThumbTest
{
protected:
    void SetUp() override
    {
        for (const char *folder : {"/Photos", "/disc/Pics", "/share"})
            fs::create_directories(TestHostFolder() + folder);
        ThumbTest::SetUp();
        mountDisc(true);
    }

    static void mountDisc(bool inserted)
    {
        QString lines = DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System")
                        + DriveMapLine("E:", TestHostFolder() + "/absent", "removable", "0", "")
                        + DriveMapLine("F:", TestHostFolder() + "/share", "remote,source=//server/pics", "7", "");
        if (inserted)
            lines += DriveMapLine("D:", TestHostFolder() + "/disc", "removable", "5EED0001", "");
        WriteDriveMap(lines);
        if (DriveTable)
            DriveTable->Update();
    }

    static std::unique_ptr<TShortcutListView> makeList()
    {
        auto list = std::make_unique<TShortcutListView>(nullptr);
        list->resize(320, 160);
        list->Load();
        return list;
    }

    // The section's values, each read as text.
    static Values storedValues()
    {
        TStringList lines;
        SettingsStore->ReadSectionValues(Section, &lines);
        Values values;
        for (int i = 0; i < lines.Count(); ++i) {
            const QString line = lines[i];
            values[line.section(u'=', 0, 0).toStdString()] = line.section(u'=', 1).toStdString();
        }
        return values;
    }
    static void store(const Values &values)
    {
        for (const auto &[name, value] : values)
            SettingsStore->WriteString(Section, QString::fromStdString(name), QString::fromStdString(value));
    }

    // Each row as "caption|folder column|volume column|stored form".
    static Texts rows(const TShortcutListView &list)
    {
        Texts shown;
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = list.topLevelItem(i);
            shown.push_back((row->text(0) + u'|' + row->text(1) + u'|' + row->text(2) + u'|'
                             + TShortcutListView::StoredForm(row).ToAnsiString())
                                .toStdString());
        }
        return shown;
    }
};

} // namespace

TEST_F(ShortcutList, AddedShortcutsAreSavedInTheCurrentFormAndLoadAgain)
{
    store({{"Caption 7", "left over"}, {"Folder 7", "C:\\Old"}});
    const std::unique_ptr<TShortcutListView> list = makeList();
    EXPECT_TRUE(list->AddShortcut("C:\\Photos"));
    EXPECT_TRUE(list->AddShortcut("C:\\"));

    const Values expected = {
        {"Count", "2"},
        {"Caption 1", "Photos"},
        {"VolPath 1", "0012ABCD\\Photos"},
        {"Caption 2", "C:\\"},
        {"VolPath 2", "0012ABCD"},
        {"Version", "1"},
    };
    EXPECT_EQ(storedValues(), expected) << "the old section is replaced whole";

    const Texts shown = {"Photos|C:\\Photos|0012ABCD|0012ABCD\\Photos", "C:\\|C:\\|0012ABCD|0012ABCD"};
    EXPECT_EQ(rows(*list), shown);
    EXPECT_EQ(rows(*makeList()), shown) << "another window loads the same list";
}

TEST_F(ShortcutList, AddShortcutTakesCaptionsAndStoredFormsByTheKindOfFolder)
{
    const struct
    {
        const char *folder;
        const char *row;
    } cases[] = {
        {"D:\\Pics", "Pics|D:\\Pics|5EED0001|5EED0001\\Pics"},
        {"C:\\Photos\\", "Photos|C:\\Photos|0012ABCD|0012ABCD\\Photos"},   // shown as it resolves
        {"c:\\", "C:\\|C:\\|0012ABCD|0012ABCD"},
        {"F:\\", "F:\\|F:\\||*Mapped\\F"},
        {"F:\\Album", "Album|F:\\Album||*Mapped\\F\\Album"},
        {"\\\\server\\pics\\2001", "2001|\\\\server\\pics\\2001||*Shared\\server\\pics\\2001"},
    };
    MessageBoxScript boxes;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder);
        const std::unique_ptr<TShortcutListView> list = makeList();
        list->clear();
        ASSERT_TRUE(list->AddShortcut(c.folder));
        EXPECT_EQ(rows(*list), Texts{c.row});
        EXPECT_EQ(rows(*makeList()), Texts{c.row});
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(ShortcutList, AFolderWithoutAStoredFormIsRefused)
{
    MessageBoxScript boxes;
    const std::unique_ptr<TShortcutListView> list = makeList();
    for (const char *folder : {"Photos", "C:", "", "\\Photos"}) {
        SCOPED_TRACE(folder);
        EXPECT_FALSE(list->AddShortcut(folder));
    }
    EXPECT_TRUE(boxes.boxes().empty()) << "a relative folder is not the user's mistake to hear of";

    EXPECT_FALSE(list->AddShortcut("E:\\Pics"));
    const std::vector<MessageBoxScript::Box> shown = boxes.boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Volume is not mounted");
    EXPECT_EQ(shown[0].type, ErrorBoxFlags);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_FALSE(SettingsStore->SectionExists(Section)) << "nothing saved";
}

TEST_F(ShortcutList, AnOldListIsConvertedAndWrittenBackInTheCurrentForm)
{
    const struct
    {
        const char *folder;
        const char *volume;
        const char *storedForm;   // empty: skipped
    } cases[] = {
        {"C:\\Photos", "0012ABCD", "0012ABCD\\Photos"},
        {"C:\\Photos", "99999999", "0012ABCD\\Photos"},   // the drive's own serial number wins
        {"E:\\Pics", "5EED0002", "5EED0002\\Pics"},       // the old volume's, as the drive has none now
        {"E:\\Pics", "5eed0003", "5EED0003\\Pics"},
        {"E:\\", "5EED0004", "5EED0004"},
        {"F:\\Album", "Mapped", "*Mapped\\F\\Album"},
        {"\\\\server\\pics", "Shared", "*Shared\\server\\pics"},
        {"E:\\Pics", "Shared", ""},
        {"E:\\Pics", "00000000", ""},
        {"E:\\Pics", "5EED", ""},
        {"E:\\Pics", "", ""},
        {"Q:\\Away", "Mapped", ""},   // a mapped drive that is gone
        {"", "0012ABCD", ""},
        {"Pics", "0012ABCD", ""},
    };
    Values old = {{"Count", std::to_string(std::size(cases))}};
    Texts expectedCaptions, expectedForms;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string n = std::to_string(i + 1);
        old["Caption " + n] = "Shortcut " + n;
        old["Folder " + n] = cases[i].folder;
        old["Volume " + n] = cases[i].volume;
        if (*cases[i].storedForm) {
            expectedCaptions.push_back("Shortcut " + n);
            expectedForms.push_back(cases[i].storedForm);
        }
    }
    store(old);

    const std::unique_ptr<TShortcutListView> list = makeList();
    Texts captions, forms;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        captions.push_back(list->topLevelItem(i)->text(0).toStdString());
        forms.push_back(TShortcutListView::StoredForm(list->topLevelItem(i)).c_str());
    }
    EXPECT_EQ(forms, expectedForms);
    EXPECT_EQ(captions, expectedCaptions);
    EXPECT_EQ(storedValues(), old) << "loading alone writes nothing";

    list->NotifyChanged();
    ASSERT_TRUE(ServeUntil([] { return SettingsStore->ReadInteger(Section, "Version", 0) == 1; }));
    Values current = {{"Count", std::to_string(expectedForms.size())}, {"Version", "1"}};
    for (size_t i = 0; i < expectedForms.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        current["Caption " + n] = expectedCaptions[i];
        current["VolPath " + n] = expectedForms[i];
    }
    EXPECT_EQ(storedValues(), current);
}

TEST_F(ShortcutList, TheStoredCountIsNotTrusted)
{
    const struct
    {
        const char *count;
        const char *version;
        int missingValue;         // 0: none; else the pair whose "VolPath"/"Folder" is missing
        int rowsLoaded;
    } cases[] = {
        {"3", "1", 0, 3},
        {"3", "1", 2, 1},             // stops at the first missing pair
        {"3", "0", 2, 1},             // the old form too
        {"-2147483648", "1", 0, 0},
        {"-1", "1", 0, 0},
        {"0", "1", 0, 0},
        {"three", "1", 0, 0},
        {"2", "1", 0, 2},             // pairs beyond the count are ignored
        {"2147483647", "1", 0, 3},    // huge: the list ends where its values do
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.count);
        SCOPED_TRACE(c.missingValue);
        SettingsStore->EraseSection(Section);
        const bool current = std::string(c.version) == "1";
        Values values = {{"Count", c.count}, {"Version", c.version}};
        for (int i = 1; i <= 3; ++i) {
            const std::string n = std::to_string(i);
            values["Caption " + n] = "Photos";
            if (i != c.missingValue)
                values[(current ? "VolPath " : "Folder ") + n] = current ? "0012ABCD\\Photos" : "C:\\Photos";
            values["Volume " + n] = "0012ABCD";
        }
        store(values);
        EXPECT_EQ(makeList()->topLevelItemCount(), c.rowsLoaded);
    }
}

TEST_F(ShortcutList, AMissingCaptionEndsTheListToo)
{
    store({{"Count", "3"}, {"Version", "1"}, {"Caption 1", "One"}, {"VolPath 1", "0012ABCD\\Photos"},
           {"VolPath 2", "0012ABCD\\Photos"}, {"Caption 3", "Three"}, {"VolPath 3", "0012ABCD\\Photos"}});
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "One");
}

TEST_F(ShortcutList, AnUnreadableStoredFormIsShownAsNotMountedAndKept)
{
    store({{"Count", "3"}, {"Version", "1"}, {"Caption 1", "Gone"}, {"VolPath 1", "5EED0009\\Pics"},
           {"Caption 2", "Junk"}, {"VolPath 2", "not a stored form"}, {"Caption 3", "Empty"}, {"VolPath 3", ""}});
    const std::unique_ptr<TShortcutListView> list = makeList();
    const Texts shown = {
        "Gone|(Volume is not mounted)|5EED0009|5EED0009\\Pics",
        "Junk|(Volume is not mounted)|not a st|not a stored form",
        "Empty|(Volume is not mounted)||",
    };
    EXPECT_EQ(rows(*list), shown);
}

TEST_F(ShortcutList, ASaveThatFailsLeavesTheSectionAsItWas)
{
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_TRUE(list->AddShortcut("C:\\Photos"));
    const Values before = storedValues();
    {
        RefusedRegistryWrites refused("Version");
        EXPECT_THROW(list->AddShortcut("D:\\Pics"), ERegistryException);
    }
    EXPECT_EQ(storedValues(), before) << "the erase and the writes are one transaction";
}

TEST_F(ShortcutList, DeleteAsksWithTheFolderWhenItIsAvailable)
{
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_TRUE(list->AddShortcut("C:\\Photos"));
    ASSERT_TRUE(list->AddShortcut("D:\\Pics"));
    mountDisc(false);
    {
        MessageBoxScript boxes({IDNO, IDNO});
        list->DeleteSelectedShortcut();
        EXPECT_TRUE(boxes.boxes().empty()) << "nothing selected";
        list->topLevelItem(0)->setSelected(true);
        list->DeleteSelectedShortcut();
        list->clearSelection();
        list->topLevelItem(1)->setSelected(true);
        list->DeleteSelectedShortcut();
        const std::vector<MessageBoxScript::Box> shown = boxes.boxes();
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0].text, "Are you sure you want to delete the 'Photos' shortcut to\nC:\\Photos?");
        EXPECT_EQ(shown[1].text, "Are you sure you want to delete the 'Pics' shortcut?");
        EXPECT_EQ(shown[1].type, QuestionBoxFlags);
    }
    EXPECT_EQ(list->topLevelItemCount(), 2) << "No keeps the shortcut";
    EXPECT_EQ(storedValues().at("Count"), "2");

    MessageBoxScript boxes({IDYES});
    list->DeleteSelectedShortcut();
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "Photos");
    const Values expected = {
        {"Count", "1"}, {"Caption 1", "Photos"}, {"VolPath 1", "0012ABCD\\Photos"}, {"Version", "1"}};
    EXPECT_EQ(storedValues(), expected);
}

TEST_F(ShortcutList, TheSelectedFolderAsksForItsVolumeAndRefreshesItsColumn)
{
    RecordingCoordinator coordinator;
    ScriptedDialogs dialogs(&coordinator);
    mountDisc(false);
    store({{"Count", "2"}, {"Version", "1"}, {"Caption 1", "Root"}, {"VolPath 1", "0012ABCD"},
           {"Caption 2", "Pics"}, {"VolPath 2", "5EED0001\\Pics"}});
    const std::unique_ptr<TShortcutListView> list = makeList();
    EXPECT_TRUE(list->GetSelectedFolder().IsEmpty()) << "nothing selected";

    list->topLevelItem(0)->setSelected(true);
    EXPECT_STREQ(list->GetSelectedFolder(), "C:\\") << "a root is a folder, not the bare drive";
    list->clearSelection();

    QTreeWidgetItem *pics = list->topLevelItem(1);
    pics->setSelected(true);
    EXPECT_EQ(pics->text(1), "(Volume is not mounted)");
    EXPECT_TRUE(list->GetSelectedFolder().IsEmpty()) << "the prompt was cancelled";
    ASSERT_EQ(dialogs.prompts().size(), 1u);
    EXPECT_EQ(dialogs.prompts()[0].text, "Please insert the volume with serial number 5EED0001 into any drive");
    EXPECT_FALSE(dialogs.prompts()[0].allowForce);

    mountDisc(true);
    EXPECT_STREQ(list->GetSelectedFolder(), "D:\\Pics");
    EXPECT_EQ(pics->text(1), "D:\\Pics") << "the column follows the disc";
    EXPECT_EQ(dialogs.prompts().size(), 1u) << "a present volume is not asked for";
}

TEST_F(ShortcutList, ACaptionEditIsSavedAfterwardsAndTheOtherListsReload)
{
    RecordingWindows windows;
    QWidget browser;
    auto *list = new TShortcutListView(&browser);
    list->Load();
    ASSERT_TRUE(list->AddShortcut("C:\\Photos"));

    list->topLevelItem(0)->setText(0, "Holidays");   // what the in-place editor commits
    EXPECT_EQ(storedValues().at("Caption 1"), "Photos") << "the save waits until the edit has ended";
    EXPECT_TRUE(windows.reloadsSkipping.empty());

    ASSERT_TRUE(ServeUntil([&] { return !windows.reloadsSkipping.empty(); }));
    EXPECT_EQ(storedValues().at("Caption 1"), "Holidays");
    EXPECT_EQ(windows.reloadsSkipping, std::vector<QWidget *>{&browser}) << "every window but this one";

    const std::unique_ptr<TShortcutListView> other = makeList();
    EXPECT_EQ(other->topLevelItem(0)->text(0), "Holidays");
}

TEST_F(ShortcutList, OnlyACaptionChangePostsTheChange)
{
    RecordingWindows windows;
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_TRUE(list->AddShortcut("D:\\Pics"));
    list->topLevelItem(0)->setSelected(true);
    mountDisc(false);
    list->GetSelectedFolder();   // refreshes the folder column
    ASSERT_EQ(list->topLevelItem(0)->text(1), "(Volume is not mounted)");
    list->NotifyChanged();
    // Posts from one thread arrive in order: once this one is handled, so is every change posted.
    bool marked = false;
    CMessageWindow marker([&](UINT, WPARAM, LPARAM) { return LRESULT(marked = true); });
    ASSERT_TRUE(PostMessage(marker.Handle(), WM_APP, 0, 0));
    ASSERT_TRUE(ServeUntil([&] { return marked; }));
    EXPECT_EQ(windows.reloadsSkipping.size(), 1u);
}

TEST_F(ShortcutList, AChangeThatCannotBeSavedIsReportedAndNotSpread)
{
    RecordingWindows windows;
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_TRUE(list->AddShortcut("C:\\Photos"));
    MessageBoxScript boxes;
    {
        RefusedRegistryWrites refused("Version");
        list->topLevelItem(0)->setText(0, "Holidays");
        ASSERT_TRUE(ServeUntil([&] { return !boxes.boxes().empty(); }));
    }
    EXPECT_EQ(boxes.boxes()[0].type, ErrorBoxFlags);
    EXPECT_TRUE(windows.reloadsSkipping.empty());
    EXPECT_EQ(storedValues().at("Caption 1"), "Photos");
}

namespace {

// A drag that enters the list's rows at point; answers whether a drop may land there.
bool dragOver(TShortcutListView &list, const QMimeData &data, QPoint point)
{
    QDragEnterEvent enter(point, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(point, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &move);
    return move.isAccepted();
}

// A drop reaches only the widget that took the drag's entry, as in a real drag.
bool dropAt(TShortcutListView &list, const QMimeData &data, QPoint point)
{
    dragOver(list, data, point);
    QDropEvent drop(point, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list.viewport(), &drop);
    return drop.isAccepted();
}

QPoint centreOf(const TShortcutListView &list, int row)
{
    return list.visualItemRect(list.topLevelItem(row)).center();
}

} // namespace

// A drag of one thumbnail of C:\Photos\a.jpg from a box, beside a drag of
// plain text naming the same file.
struct PhotoDrag
{
    PhotoDrag()
    {
        const std::vector<uint8_t> jpeg = JpegBytes(64, 48);
        WriteHostFile(TestHostFolder() + "/Photos/a.jpg",
                      QByteArray(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size())));
        record = new CThumbBitmap(CThumbBitmap::FromFile, CPath("C:\\Photos\\a.jpg"));
        box.AddThumbnail(record)->SetSelected(true);
        thumbnails = std::make_unique<TThumbnailDragObject>(box.GetSelected());
        text.setText("C:\\Photos\\a.jpg");
    }
    ~PhotoDrag()
    {
        thumbnails.reset();
        box.DeleteAllThumbnails();
        record->Release();
    }

    CThumbBitmap *record;   // the creating reference
    TThumbBox box{nullptr};
    std::unique_ptr<TThumbnailDragObject> thumbnails;
    QMimeData text;
};

TEST_F(ShortcutList, ADragOfThumbnailsIsTakenOnlyOverARow)
{
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_TRUE(list->AddShortcut("C:\\Photos"));
    ASSERT_TRUE(list->AddShortcut("D:\\Pics"));
    list->show();
    PhotoDrag drag;
    const QPoint empty(20, list->viewport()->height() - 4);
    ASSERT_EQ(list->itemAt(empty), nullptr);

    EXPECT_TRUE(dragOver(*list, *drag.thumbnails, centreOf(*list, 1)));
    EXPECT_EQ(list->DropTarget(), list->topLevelItem(1));
    EXPECT_FALSE(dragOver(*list, *drag.thumbnails, empty));
    EXPECT_EQ(list->DropTarget(), nullptr) << "no row, no mark";
    EXPECT_TRUE(dragOver(*list, *drag.thumbnails, centreOf(*list, 0)));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(list->viewport(), &leave);
    EXPECT_EQ(list->DropTarget(), nullptr) << "a drag that leaves takes the mark with it";

    EXPECT_FALSE(dragOver(*list, drag.text, centreOf(*list, 0)));
    EXPECT_EQ(list->DropTarget(), nullptr);
    EXPECT_TRUE(fs::exists(TestHostFolder() + "/Photos/a.jpg"));
}

TEST_F(ShortcutList, ThumbnailsDroppedOnARowMoveIntoItsFolder)
{
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_TRUE(list->AddShortcut("C:\\Photos"));
    ASSERT_TRUE(list->AddShortcut("D:\\Pics"));
    list->show();
    PhotoDrag drag;
    MessageBoxScript answers({IDYES});

    EXPECT_FALSE(dropAt(*list, *drag.thumbnails, QPoint(20, list->viewport()->height() - 4))) << "the empty area";
    EXPECT_FALSE(dropAt(*list, drag.text, centreOf(*list, 0)));
    EXPECT_TRUE(fs::exists(TestHostFolder() + "/Photos/a.jpg"));
    EXPECT_TRUE(dropAt(*list, *drag.thumbnails, centreOf(*list, 1)));
    ASSERT_EQ(answers.boxes().size(), 1u);
    EXPECT_TRUE(answers.boxes()[0].text.contains("D:\\Pics")) << answers.boxes()[0].text.toStdString();
    EXPECT_FALSE(fs::exists(TestHostFolder() + "/Photos/a.jpg"));
    EXPECT_TRUE(fs::exists(TestHostFolder() + "/disc/Pics/a.jpg"));
}

TEST_F(ShortcutList, ADropOnAFolderThatIsNotMountedMovesNothing)
{
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_TRUE(list->AddShortcut("D:\\Pics"));
    list->show();
    PhotoDrag drag;
    MessageBoxScript answers({IDYES});
    mountDisc(false);

    EXPECT_FALSE(dropAt(*list, *drag.thumbnails, centreOf(*list, 0))) << "the insert-volume prompt was cancelled";
    EXPECT_TRUE(answers.boxes().empty());
    EXPECT_TRUE(fs::exists(TestHostFolder() + "/Photos/a.jpg"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), "(Volume is not mounted)");
}

namespace {

// The pixels of area in image that pass test.
int pixelsIn(const QImage &image, QRect area, const std::function<bool(QColor)> &test)
{
    int count = 0;
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += test(image.pixelColor(x, y));
    }
    return count;
}

bool isColourful(QColor colour)
{
    return colour.hsvSaturation() > 80 && colour.value() > 60;
}

bool isNear(QColor colour, QColor wanted)
{
    return std::abs(colour.red() - wanted.red()) < 24 && std::abs(colour.green() - wanted.green()) < 24
           && std::abs(colour.blue() - wanted.blue()) < 24;
}

} // namespace

TEST_F(ShortcutList, AGrabShowsEachShortcutWithItsIconAndCaption)
{
    RecordingWindows windows;
    const std::unique_ptr<TShortcutListView> list = makeList();
    ASSERT_TRUE(list->AddShortcut("C:\\Photos"));
    ASSERT_TRUE(list->AddShortcut("D:\\Pics"));
    ASSERT_TRUE(list->AddShortcut("\\\\server\\pics"));
    list->show();
    const QColor text = list->palette().color(QPalette::Text);
    const auto isInk = [&](QColor colour) { return isNear(colour, text); };
    const QImage image = list->grab().toImage();
    const int icon = list->iconSize().width();
    ASSERT_EQ(icon, 16);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        SCOPED_TRACE(row->text(0).toStdString());
        const QRect rect = list->visualItemRect(row).translated(list->viewport()->pos());
        const int captionWidth = list->fontMetrics().horizontalAdvance(row->text(0));
        const QRect iconArea(rect.left(), rect.top(), icon + 4, rect.height());
        const QRect captionArea(iconArea.right() + 1, rect.top(), captionWidth + 8, rect.height());
        const QRect beyond(captionArea.right() + 1, rect.top(), rect.right() - captionArea.right(), rect.height());
        EXPECT_GT(pixelsIn(image, iconArea, isColourful), 20) << "the folder icon, at the row's start";
        EXPECT_EQ(pixelsIn(image, iconArea, isInk), 0) << "no text over the icon";
        EXPECT_GT(pixelsIn(image, captionArea, isInk), captionWidth / 2) << "the caption, after the icon";
        EXPECT_EQ(pixelsIn(image, beyond, isInk), 0) << "the small icons show the caption only";
    }
    const QRect last = list->visualItemRect(list->topLevelItem(2)).translated(list->viewport()->pos());
    const QRect below(0, last.bottom() + 1, image.width(), image.height() - last.bottom() - 4);
    EXPECT_EQ(pixelsIn(image, below, isInk) + pixelsIn(image, below, isColourful), 0) << "nothing under the rows";

    list->SetViewStyle(vsReport);
    mountDisc(false);
    list->Reload();
    const QImage report = list->grab().toImage();
    EXPECT_FALSE(list->header()->isHidden());
    const QRect header = list->header()->geometry();
    EXPECT_GT(pixelsIn(report, header, isInk), 3 * 20) << "the three column captions";
    const QTreeWidgetItem *pics = list->topLevelItem(1);
    ASSERT_EQ(pics->text(1), "(Volume is not mounted)");
    const QRect folderCell =
        list->visualRect(list->indexFromItem(pics, 1)).translated(list->viewport()->pos()).adjusted(0, 0, -1, 0);
    EXPECT_GT(pixelsIn(report, folderCell, isInk), 20) << "the folder column shows the not-mounted text";

    // A drag of thumbnails over a row marks it as selected rows are marked.
    list->SetViewStyle(vsSmallIcon);
    PhotoDrag drag;
    ASSERT_TRUE(dragOver(*list, *drag.thumbnails, centreOf(*list, 0)));
    const QImage marked = list->grab().toImage();
    const auto isHighlight = [&](QColor colour) {
        return isNear(colour, list->palette().color(QPalette::Active, QPalette::Highlight))
               || isNear(colour, list->palette().color(QPalette::Inactive, QPalette::Highlight));
    };
    const auto rowEnd = [&](int i) {
        const QRect rect = list->visualItemRect(list->topLevelItem(i)).translated(list->viewport()->pos());
        return QRect(rect.right() - 40, rect.top() + 2, 30, rect.height() - 4);
    };
    EXPECT_GT(pixelsIn(marked, rowEnd(0), isHighlight), 100) << "the marked row";
    EXPECT_EQ(pixelsIn(marked, rowEnd(1), isHighlight), 0) << "the others stay plain";
}

TEST_F(ShortcutList, TheLayoutComesFromAndGoesToTheBrowseWindowsOptions)
{
    store({{"Count", "1"}, {"Version", "1"}, {"Caption 1", "Photos"}, {"VolPath 1", "0012ABCD\\Photos"}});
    TOptions options;
    for (const auto &[id, value] : {std::pair{11, 50}, {12, 120}, {13, 90}, {14, int(vsReport)}})
        options.SetInt(id, value);
    const std::unique_ptr<TShortcutListView> list = std::make_unique<TShortcutListView>(nullptr);
    list->Initialise(options);
    EXPECT_EQ(list->topLevelItemCount(), 1) << "loaded";
    EXPECT_EQ(list->ViewStyle(), vsReport);
    EXPECT_EQ(list->columnWidth(0), 50);
    EXPECT_EQ(list->columnWidth(1), 120);
    EXPECT_EQ(list->columnWidth(2), 90);

    list->setColumnWidth(1, 150);   // as the user drags the header
    list->SetViewStyle(vsList);     // the columns go out of sight, their widths are kept
    list->topLevelItem(0)->setText(0, "Holidays");
    list->SaveLayout(options);
    EXPECT_EQ(options.GetInt(11), 50);
    EXPECT_EQ(options.GetInt(12), 150);
    EXPECT_EQ(options.GetInt(13), 90);
    EXPECT_EQ(options.GetInt(14), int(vsList));
    EXPECT_EQ(storedValues().at("Caption 1"), "Holidays") << "and the list is saved";

    for (int style : {-1, 4, 1000}) {
        SCOPED_TRACE(style);
        options.SetInt(14, style);
        TShortcutListView other(nullptr);
        other.Initialise(options);
        EXPECT_EQ(other.ViewStyle(), vsSmallIcon) << "a stored style that is none";
    }
}
