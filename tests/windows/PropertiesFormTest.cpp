#include "FileDialogTestSupport.h"

#include <Source/windows/PropertiesForm.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

class PropertiesFormTest : public FileDialogTest
{
protected:
    void SetUp() override
    {
        FileDialogTest::SetUp();
        m_path = writeJpegFile("Pics/a.jpg", 64, 48);
        preview(m_path);
    }

    int show(const ModalScript::Step &step, bool moreFollow = false)
    {
        ModalScript script({step});
        return TPropertiesForm1::ShowProperties(m_file, moreFollow);
    }

    static void pressEscapeIn(QWidget *widget)
    {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &escape);
    }

    CPath m_path;
    TImageHandler m_file{CPath(), PathOnly()};
};

TEST_F(PropertiesFormTest, ShowsTheImagesPropertiesAndMemo)
{
    setMemo(m_path, {"first line", "second"});
    m_file = TImageHandler(m_path, true);
    TStringList items;
    m_file.AddSubItems(false, items);
    show([&](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Image Properties");
        EXPECT_EQ(Child<QLineEdit>(dialog, "Edit")->text(), m_path.ToAnsiString());
        EXPECT_EQ(Child<QLabel>(dialog, "DimensionsPanel")->text(), "64x48 24-bit");
        EXPECT_EQ(Child<QLabel>(dialog, "SizePanel")->text(), items[2]);
        EXPECT_EQ(Child<QLabel>(dialog, "ModifiedPanel")->text(), items[3]);
        EXPECT_EQ(Child<QPlainTextEdit>(dialog, "Memo")->toPlainText(), "first line\nsecond");
        EXPECT_EQ(dialog.focusWidget(), Child<QPlainTextEdit>(dialog, "Memo"));
        dialog.reject();
    });
}

TEST_F(PropertiesFormTest, OpenedAndClosedWithoutAChangeOffersNoOkAndLeavesTheMemoFile)
{
    setMemo(m_path, {"kept"});
    const std::string file = memoFile();
    ASSERT_FALSE(file.empty());
    const FileStamp before = stamp(file);
    m_file = TImageHandler(m_path, false);
    for (const bool moreFollow : {false, true}) {
        SCOPED_TRACE(moreFollow);
        const int result = show(
            [&](QDialog &dialog) {
                EXPECT_FALSE(Child<QPushButton>(dialog, "OKBtn")->isEnabled());
                EXPECT_TRUE(Child<QPushButton>(dialog, "CancelBtn")->isEnabled());
                EXPECT_EQ(Child<QPushButton>(dialog, "SkipBtn")->isEnabled(), moreFollow);
                EXPECT_TRUE(Child<QToolButton>(dialog, "ClearTool")->isEnabled());
                // Escape cancels even from the memo, which takes other keys.
                pressEscapeIn(Child<QPlainTextEdit>(dialog, "Memo"));
            },
            moreFollow);
        EXPECT_EQ(result, mrCancel);
    }
    EXPECT_TRUE(stamp(file) == before);
    EXPECT_EQ(memo(m_path), QStringList{"kept"});
}

TEST_F(PropertiesFormTest, AnEditedMemoIsStoredAndReadBack)
{
    setMemo(m_path, {"old"});
    m_file = TImageHandler(m_path, false);
    const int result = show([](QDialog &dialog) {
        Child<QPlainTextEdit>(dialog, "Memo")->setPlainText("Rome, 1998\nwith \"Anna\", at noon");
        auto *ok = Child<QPushButton>(dialog, "OKBtn");
        EXPECT_TRUE(ok->isEnabled());
        ok->click();
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_TRUE(m_file.GetHasMemo());
    TMemoList::FreeAll();   // from the memo file again
    EXPECT_EQ(memo(m_path), (QStringList{"Rome, 1998", "with \"Anna\", at noon"}));
    show([](QDialog &dialog) {
        EXPECT_EQ(Child<QPlainTextEdit>(dialog, "Memo")->toPlainText(), "Rome, 1998\nwith \"Anna\", at noon");
        dialog.reject();
    });
}

TEST_F(PropertiesFormTest, ClearingTheMemoIsAChangeThatDeletesIt)
{
    setMemo(m_path, {"gone soon"});
    m_file = TImageHandler(m_path, false);
    ASSERT_TRUE(m_file.GetHasMemo());
    const int result = show([](QDialog &dialog) {
        auto *clear = Child<QToolButton>(dialog, "ClearTool");
        clear->click();
        EXPECT_TRUE(Child<QPlainTextEdit>(dialog, "Memo")->toPlainText().isEmpty());
        EXPECT_FALSE(clear->isEnabled());
        Child<QPushButton>(dialog, "OKBtn")->click();
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_FALSE(m_file.GetHasMemo());
    TMemoList::FreeAll();
    EXPECT_TRUE(memo(m_path).isEmpty());
    EXPECT_TRUE(memoFile().empty()) << "the last memo gone, its file goes";
}

TEST_F(PropertiesFormTest, SkipAnswersFiveAndStoresNothing)
{
    m_file = TImageHandler(m_path, false);
    const int result = show(
        [](QDialog &dialog) {
            Child<QPlainTextEdit>(dialog, "Memo")->setPlainText("not stored");
            Child<QPushButton>(dialog, "SkipBtn")->click();
        },
        true);
    EXPECT_EQ(result, 5);
    EXPECT_TRUE(memo(m_path).isEmpty());
    EXPECT_TRUE(memoFile().empty());
}

} // namespace
