#include "FileDialogTestSupport.h"

#include "../WindowThreadQueue.h"

#include <Source/windows/FolderPropertiesForm.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include <fcntl.h>
#include <unistd.h>

namespace {

class FolderPropertiesFormTest : public FileDialogTest
{
protected:
    static QString folderMemo(const char *name) { return CMemo(folder(), name).GetLines()->ToStringList().join('|'); }
    static void setFolderMemo(const char *name, const QStringList &texts) { CMemo(folder(), name).SetLines(lines(texts)); }

    // Runs step once the dialog has counted the whole folder.
    static ModalScript::Step afterCounting(const ModalScript::Step &step)
    {
        return [step](QDialog &dialog) {
            EXPECT_TRUE(ServeUntil([&] { return !Child<QTimer>(dialog, "Timer1")->isActive(); }));
            step(dialog);
        };
    }
    static QString label(QDialog &dialog, const char *name) { return Child<QLabel>(dialog, name)->text(); }
};

TEST_F(FolderPropertiesFormTest, CountsVisibleFilesAndTheImagesAmongThem)
{
    // Pictures are known by their contents: a JPEG, padded to 1000 bytes.
    const std::vector<uint8_t> jpeg = JpegBytes(8, 8);
    ASSERT_LT(jpeg.size(), 1000u);
    QByteArray picture(reinterpret_cast<const char *>(jpeg.data()), qsizetype(jpeg.size()));
    picture.append(QByteArray(1000 - picture.size(), '\0'));
    const QByteArray text(50, 'x');
    struct Row
    {
        const char *caseName;
        std::vector<std::pair<std::string, QByteArray>> files;
        QString fileText;
        QString imageText;
    };
    const Row rows[] = {
        {"empty", {}, "No files", "No images"},
        {"one image", {{"a.jpg", picture}}, "1000 bytes in 1 file", "1000 bytes in 1 image"},
        {"one text file", {{"notes.txt", "x"}}, "1 byte in 1 file", "0 bytes in 0 images"},
        {"three images, a text file and a hidden image",
         {{"a.jpg", picture}, {"b.jpeg", picture}, {"c.JPG", picture}, {"notes.txt", text}, {".hidden.jpg", picture}},
         "2.98KB in 4 files",
         "2.93KB in 3 images"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.caseName);
        std::filesystem::remove_all(picsHost(""));
        std::filesystem::create_directories(picsHost("subfolder.jpg"));
        for (const auto &[name, bytes] : row.files)
            write(name, bytes);
        ModalScript script({afterCounting([&](QDialog &dialog) {
            EXPECT_EQ(label(dialog, "FileLabel"), row.fileText);
            EXPECT_EQ(label(dialog, "ImageLabel"), row.imageText);
            dialog.reject();
        })});
        EXPECT_EQ(TFolderPropertiesForm1::ShowFolderProperties(folder(), 0), mrCancel);
    }
}

TEST_F(FolderPropertiesFormTest, ABigFolderIsCountedABatchAtATick)
{
    constexpr int fileCount = 10000;
    for (int i = 0; i < fileCount; ++i) {
        const int fd = ::open(picsHost("f" + std::to_string(i) + ".jpg").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    std::vector<int> countedPerTick;
    ModalScript script({[&](QDialog &dialog) {
        auto *timer = Child<QTimer>(dialog, "Timer1");
        auto *fileLabel = Child<QLabel>(dialog, "FileLabel");
        // After the dialog's own handler: what each tick has counted by then.
        QObject::connect(timer, &QTimer::timeout, &dialog, [&] {
            const QString text = fileLabel->text();
            const qsizetype in = text.indexOf(" in ");
            countedPerTick.push_back(in < 0 ? 0 : text.mid(in + 4).section(' ', 0, 0).toInt());
        });
        EXPECT_TRUE(ServeUntil([&] { return !timer->isActive(); }, std::chrono::seconds(60)));
        EXPECT_EQ(fileLabel->text(), "0 bytes in 10000 files");
        dialog.reject();
    }});
    TFolderPropertiesForm1::ShowFolderProperties(folder(), 0);
    ASSERT_FALSE(countedPerTick.empty());
    EXPECT_EQ(countedPerTick.back(), fileCount);
    EXPECT_GE(countedPerTick.size(), size_t(fileCount / TFolderPropertiesForm1::CountBatch));
    int before = 0;
    for (const int counted : countedPerTick) {
        EXPECT_LE(counted - before, TFolderPropertiesForm1::CountBatch);
        before = counted;
    }
}

TEST_F(FolderPropertiesFormTest, ShowsTheMemoOfTheTypeAskedFor)
{
    setFolderMemo("Folder", {"standard"});
    setFolderMemo("HTML", {"<b>html</b>"});
    for (const int memoType : {0, 1}) {
        SCOPED_TRACE(memoType);
        ModalScript script({[&](QDialog &dialog) {
            auto *standard = Child<QPlainTextEdit>(dialog, "StdMemo");
            auto *html = Child<QPlainTextEdit>(dialog, "HTMLMemo");
            EXPECT_EQ(dialog.windowTitle(), "Properties for " + folder().ToAnsiString());
            EXPECT_EQ(standard->toPlainText(), "standard");
            EXPECT_EQ(html->toPlainText(), "<b>html</b>");
            EXPECT_EQ(standard->isVisible(), memoType == 0);
            EXPECT_EQ(html->isVisible(), memoType == 1);
            EXPECT_EQ(Child<QRadioButton>(dialog, "HTMLRadio")->isChecked(), memoType == 1);
            EXPECT_EQ(dialog.focusWidget(), memoType == 1 ? html : standard);
            dialog.reject();
        }});
        EXPECT_EQ(TFolderPropertiesForm1::ShowFolderProperties(folder(), memoType), mrCancel);
    }
}

TEST_F(FolderPropertiesFormTest, OkStoresTheChangedMemosAndLeavesAnUnchangedFileAlone)
{
    setFolderMemo("Folder", {"standard"});
    const std::string file = memoFile();
    ASSERT_FALSE(file.empty());
    const FileStamp before = stamp(file);
    {
        ModalScript script({[](QDialog &dialog) { Child<QPushButton>(dialog, "OKBtn")->click(); }});
        EXPECT_EQ(TFolderPropertiesForm1::ShowFolderProperties(folder(), 0), mrOk);
    }
    EXPECT_TRUE(stamp(file) == before) << "nothing changed, nothing written";

    ModalScript script({[](QDialog &dialog) {
        Child<QRadioButton>(dialog, "HTMLRadio")->click();
        EXPECT_TRUE(Child<QPlainTextEdit>(dialog, "HTMLMemo")->isVisible());
        EXPECT_FALSE(Child<QPlainTextEdit>(dialog, "StdMemo")->isVisible());
        Child<QPlainTextEdit>(dialog, "HTMLMemo")->setPlainText("<i>new</i>\nsecond");
        Child<QPushButton>(dialog, "OKBtn")->click();
    }});
    EXPECT_EQ(TFolderPropertiesForm1::ShowFolderProperties(folder(), 0), mrOk);
    TMemoList::FreeAll();
    EXPECT_EQ(folderMemo("HTML"), "<i>new</i>|second");
    EXPECT_EQ(folderMemo("Folder"), "standard");
}

TEST_F(FolderPropertiesFormTest, ClearAsksAboutTheShownMemo)
{
    setFolderMemo("Folder", {"standard"});
    setFolderMemo("HTML", {"html"});
    MessageBoxScript boxes({IDNO, IDYES});
    ModalScript script({[](QDialog &dialog) {
        auto *clear = Child<QToolButton>(dialog, "ClearTool");
        auto *html = Child<QPlainTextEdit>(dialog, "HTMLMemo");
        EXPECT_TRUE(clear->isEnabled());
        clear->click();
        EXPECT_EQ(html->toPlainText(), "html") << "No keeps it";
        clear->click();
        EXPECT_TRUE(html->toPlainText().isEmpty());
        EXPECT_FALSE(clear->isEnabled());
        EXPECT_EQ(Child<QPlainTextEdit>(dialog, "StdMemo")->toPlainText(), "standard");
        Child<QPushButton>(dialog, "OKBtn")->click();
    }});
    EXPECT_EQ(TFolderPropertiesForm1::ShowFolderProperties(folder(), 1), mrOk);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text, "Are you sure you want to clear the HTML memo?");
    EXPECT_EQ(boxes.boxes()[0].type, QuestionBoxFlags);
    TMemoList::FreeAll();
    EXPECT_EQ(folderMemo("HTML"), "");
    EXPECT_EQ(folderMemo("Folder"), "standard");
}

TEST_F(FolderPropertiesFormTest, DriveInfoAsksForTheFoldersDrive)
{
    ScriptedDialogs dialogs;
    ModalScript script({[](QDialog &dialog) {
        Child<QPushButton>(dialog, "DriveInfoBtn")->click();
        dialog.reject();
    }});
    TFolderPropertiesForm1::ShowFolderProperties(folder(), 0);
    EXPECT_EQ(dialogs.driveInfo(), std::vector<QString>{"C:"});
}

} // namespace
