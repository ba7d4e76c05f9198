#include <platform/FileDialog.h>
#include <platform/HostPath.h>
#include <platform/MessageBox.h>
#include <platform/ModalDialog.h>

#include "../TestSupport.h"
#include "../WindowThreadQueue.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Found by argument lookup, so beside the type.
void PrintTo(const FileFilterEntry &entry, std::ostream *out)
{
    *out << '"' << entry.name << "\":";
    for (const std::string &pattern : entry.patterns)
        *out << ' ' << pattern;
}

namespace {

using Entries = std::vector<FileFilterEntry>;

TEST(FileFilter, ParsesWindowsFilterStrings)
{
    const struct
    {
        const char *filter;
        Entries expected;
    } cases[] = {
        {"", {}},
        {"Text files (*.txt)|*.txt|All files (*.*)|*.*",
         {{"Text files (*.txt)", {"*.txt"}}, {"All files (*.*)", {"*.*"}}}},
        // the picture filter ends with a double bar
        {"Windows or OS/2 Bitmap (*.bmp)|*.bmp|JPEG - JFIF compliant (*.jpg)|*.jpg||",
         {{"Windows or OS/2 Bitmap (*.bmp)", {"*.bmp"}}, {"JPEG - JFIF compliant (*.jpg)", {"*.jpg"}}}},
        {"Pictures|*.jpg; *.jpeg ;;*.png|", {{"Pictures", {"*.jpg", "*.jpeg", "*.png"}}}},
        {"Before|*.a||After|*.b", {{"Before", {"*.a"}}}},
        {"No patterns||", {}},
        {"Empty patterns| ; |Kept|*.k", {{"Kept", {"*.k"}}}},
        {"A name alone", {}},
        {"|*.x", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(ParseFileFilter(c.filter), c.expected);
    }
}

TEST(FileFilter, AppliesTheDefaultExtensionAsTheChosenEntryAsks)
{
    const FileFilterEntry jpeg{"JPEG (*.jpg)", {"*.jpg", "*.jpeg"}};
    const FileFilterEntry all{"All files (*.*)", {"*.*"}};
    const FileFilterEntry versions{"Versions (photo?.*)", {"photo?.*"}};
    const struct
    {
        const char *name;
        const FileFilterEntry *filter;
        const char *defaultExt;
        const char *expected;
    } cases[] = {
        {"a", &jpeg, "jpg", "a.jpg"},
        {"a.jpg", &jpeg, "jpg", "a.jpg"},
        {"a.JPG", &jpeg, "jpg", "a.JPG"},            // matched without case
        {"a.Jpeg", &jpeg, "jpg", "a.Jpeg"},          // any pattern of the entry
        {"a.png", &jpeg, "jpg", "a.png.jpg"},        // the entry's extension decides
        {"a", &jpeg, "", "a"},                       // no default: nothing appended
        {"a.png", &jpeg, "", "a.png"},
        {"log", &all, "txt", "log.txt"},
        {"log.md", &all, "txt", "log.md"},
        {"photo1", &versions, "jpg", "photo1.jpg"},  // no one extension named: the default
        {"photo1.tif", &versions, "jpg", "photo1.tif"},
        {"log", nullptr, "txt", "log.txt"},
        {"log.md", nullptr, "txt", "log.md"},
        {"", &jpeg, "jpg", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ApplyDefaultExtension(c.name, c.filter, c.defaultExt), c.expected);
    }
}

// What a message box showed.
struct Box
{
    QString text;
    QString caption;
    UINT type;
};

// The dialogs of a test in its folder: each dialog is handed to the test's
// answer, each message box is kept and answered with the next answer (No
// once they run out).
class FileDialogs : public testing::Test
{
protected:
    void SetUp() override
    {
        SetMessageBoxResponder([this](const QString &text, const QString &caption, UINT type) {
            boxes.push_back({text, caption, type});
            if (answers.empty())
                return IDNO;
            const int answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        });
    }
    void TearDown() override
    {
        SetModalResponder({});
        SetMessageBoxResponder({});
    }

    // Runs dialog, answered by answer.
    bool run(TOpenDialog &dialog, const std::function<void(QFileDialog &)> &answer)
    {
        SetModalResponder([&](QDialog &shown) {
            auto *fileDialog = qobject_cast<QFileDialog *>(&shown);
            ASSERT_NE(fileDialog, nullptr);
            answer(*fileDialog);
        });
        return dialog.Execute();
    }

    // Types name into the file name box and presses OK.
    static void type(QFileDialog &dialog, const QString &name)
    {
        auto *box = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(box, nullptr);
        box->setText(name);
        static_cast<QDialog &>(dialog).accept();   // as OK does
    }
    // Chooses the filter entry shown at index (from 0), as a user does.
    static void chooseFilter(QFileDialog &dialog, int index)
    {
        auto *box = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(box, nullptr);
        box->setCurrentIndex(index);
        emit box->activated(index);
        emit box->textActivated(box->itemText(index));
    }
    static QString typedName(QFileDialog &dialog)
    {
        return dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
    }

    static std::string host(const std::string &name) { return TestHostFolder() + "/" + name; }
    static std::string windows(const std::string &name)
    {
        return WindowsPathFromHost(name.empty() ? TestHostFolder() : host(name));
    }

    std::vector<Box> boxes;
    std::vector<int> answers;
};

constexpr char PictureFilter[] = "Windows or OS/2 Bitmap (*.bmp)|*.bmp|JPEG - JFIF compliant (*.jpg)|*.jpg|"
                                 "Portable Network Graphics (*.png)|*.png|All Files (*.*)|*.*||";

TEST_F(FileDialogs, SaveStartsWhereAskedAndAnswersAWindowsPathWithTheExtensionApplied)
{
    std::filesystem::create_directories(host("Start"));
    std::filesystem::create_directories(host("Other"));
    const struct
    {
        QString typed;
        int filter;   // the entry chosen, from 0
        std::string expected;
    } cases[] = {
        {QStringLiteral("x"), 1, "Start/x.jpg"},
        {QStringLiteral("x.JPG"), 1, "Start/x.JPG"},
        {QStringLiteral("x.jpg"), 2, "Start/x.jpg.png"},
        {QStringLiteral("x"), 3, "Start/x.jpg"},          // All Files: the default extension
        {QStringLiteral("x.gif"), 3, "Start/x.gif"},
        {QStringLiteral("../Other/y"), 0, "Other/y.bmp"},
        {QString::fromStdString(host("Other/z")), 2, "Other/z.png"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        TSaveDialog dialog;
        dialog.Title = "Save Picture";
        dialog.Filter = PictureFilter;
        dialog.FilterIndex = 3;
        dialog.InitialDir = windows("Start");
        dialog.FileName = "old.png";
        dialog.DefaultExt = "jpg";
        QString shownFolder, shownName, shownFilter, shownTitle;
        EXPECT_TRUE(run(dialog, [&](QFileDialog &shown) {
            shownTitle = shown.windowTitle();
            shownFolder = shown.directory().absolutePath();
            shownName = typedName(shown);
            shownFilter = shown.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))->currentText();
            chooseFilter(shown, c.filter);
            type(shown, c.typed);
        }));
        EXPECT_EQ(shownTitle, QStringLiteral("Save Picture"));
        EXPECT_EQ(shownFolder.toStdString(), host("Start"));
        EXPECT_EQ(shownName, QStringLiteral("old.png"));
        EXPECT_EQ(shownFilter, QStringLiteral("Portable Network Graphics (*.png)")) << "as the filter names it";
        EXPECT_EQ(dialog.FileName, windows(c.expected));
        EXPECT_EQ(dialog.FilterIndex, c.filter + 1);
        EXPECT_TRUE(boxes.empty());
    }
}

TEST_F(FileDialogs, TheListShowsTheEntrysFilesWhateverTheirCase)
{
    std::filesystem::create_directories(host("Pics"));
    for (const char *name : {"a.jpg", "B.JPG", "c.png", "d.Jpg"})
        WriteHostFile(host("Pics/") + name, "x");
    TOpenDialog dialog;
    dialog.Filter = PictureFilter;
    dialog.FilterIndex = 2;
    dialog.InitialDir = windows("Pics");
    QStringList listed;
    run(dialog, [&](QFileDialog &shown) {
        auto *list = shown.findChild<QListView *>(QStringLiteral("listView"));
        ASSERT_NE(list, nullptr);
        // The folder is read on a thread of Qt's; done once the three JPEGs are in.
        const auto rows = [&] { return list->model()->rowCount(list->rootIndex()); };
        ServeUntil([&] { return rows() >= 3; }, std::chrono::seconds(5));
        for (int row = 0; row < rows(); ++row)
            listed << list->model()->index(row, 0, list->rootIndex()).data().toString();
        shown.reject();
    });
    listed.sort();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("B.JPG"), QStringLiteral("a.jpg"), QStringLiteral("d.Jpg")}));
}

TEST_F(FileDialogs, TheOverwriteQuestionKeepsTheDialogOpenUntilYes)
{
    WriteHostFile(host("x.jpg"), "old");
    TSaveDialog dialog;
    dialog.Title = "Save Picture";
    dialog.Filter = PictureFilter;
    dialog.FilterIndex = 2;
    dialog.InitialDir = windows("");
    dialog.DefaultExt = "jpg";
    dialog.Options = ofOverwritePrompt;
    answers = {IDNO, IDYES};
    bool openAfterNo = false;
    EXPECT_TRUE(run(dialog, [&](QFileDialog &shown) {
        type(shown, QStringLiteral("X"));   // x.jpg, as Windows matches names
        openAfterNo = shown.isVisible();
        type(shown, QStringLiteral("x.jpg"));
    }));
    EXPECT_TRUE(openAfterNo);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, QString::fromStdString(windows("X.jpg") + " already exists.\nDo you want to replace it?"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Save Picture"));
    EXPECT_EQ(boxes[0].type, MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(dialog.FileName, windows("x.jpg"));

    // Without the option nobody asks.
    boxes.clear();
    dialog.Options = 0;
    EXPECT_TRUE(run(dialog, [&](QFileDialog &shown) { type(shown, QStringLiteral("x.jpg")); }));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FileDialogs, OpenRefusesAMissingFileOrFolderAndOpensATypedFolder)
{
    std::filesystem::create_directories(host("Sub"));
    WriteHostFile(host("Sub/Photo.jpg"), "picture");
    TOpenDialog dialog;
    dialog.Title = "Choose Picture";
    dialog.Filter = PictureFilter;
    dialog.FilterIndex = 2;
    dialog.InitialDir = windows("");
    dialog.DefaultExt = "jpg";
    dialog.Options = ofFileMustExist | ofPathMustExist;
    QString folderAfterTyping;
    EXPECT_TRUE(run(dialog, [&](QFileDialog &shown) {
        type(shown, QStringLiteral("Sub"));
        folderAfterTyping = shown.directory().absolutePath();
        type(shown, QStringLiteral("Missing"));
        type(shown, QStringLiteral("../Gone/a.jpg"));
        type(shown, QStringLiteral("photo"));   // Photo.jpg
    }));
    EXPECT_EQ(folderAfterTyping.toStdString(), host("Sub"));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, QString::fromStdString(windows("Sub/Missing.jpg")
                                                    + "\nFile not found.\nPlease verify the correct file name was given."));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Choose Picture"));
    EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[1].text, QString::fromStdString(windows("Gone/a.jpg")
                                                    + "\nPath does not exist.\nPlease verify the correct path was given."));
    EXPECT_EQ(HostPathFromWindows(dialog.FileName), host("Sub/Photo.jpg"));
}

TEST_F(FileDialogs, CancelKeepsTheFieldsAndAFolderInTheFileNameGoesFirst)
{
    std::filesystem::create_directories(host("Named"));
    std::filesystem::create_directories(host("Initial"));
    TSaveDialog dialog;
    dialog.Filter = PictureFilter;
    dialog.FilterIndex = 9;   // past the entries: the first
    dialog.InitialDir = windows("Initial");
    dialog.FileName = windows("Named/old.bmp");
    QString shownFolder, shownName, shownTitle;
    QStringList namesAfterChoosing;
    int shownFilter = -1;
    EXPECT_FALSE(run(dialog, [&](QFileDialog &shown) {
        shownTitle = shown.windowTitle();
        shownFolder = shown.directory().absolutePath();
        shownName = typedName(shown);
        shownFilter = shown.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))->currentIndex();
        chooseFilter(shown, 1);
        namesAfterChoosing << typedName(shown);
        chooseFilter(shown, 3);
        namesAfterChoosing << typedName(shown);
        type(shown, QStringLiteral("*.png"));   // a wildcard is no file
        namesAfterChoosing << (shown.isVisible() ? QStringLiteral("open") : QStringLiteral("closed"));
        shown.reject();
    }));
    EXPECT_EQ(namesAfterChoosing, (QStringList{QStringLiteral("old.jpg"), QStringLiteral("old.jpg"), QStringLiteral("open")}))
        << "an entry of one extension gives it to the name, All Files keeps it";
    EXPECT_EQ(shownTitle, QStringLiteral("Save As"));
    EXPECT_EQ(shownFolder.toStdString(), host("Named"));
    EXPECT_EQ(shownName, QStringLiteral("old.bmp"));
    EXPECT_EQ(shownFilter, 0);
    EXPECT_EQ(dialog.FileName, windows("Named/old.bmp"));
    EXPECT_EQ(dialog.FilterIndex, 9);
}

} // namespace
