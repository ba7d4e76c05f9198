#include "FileDialogTestSupport.h"

#include "../WindowThreadQueue.h"

#include <Source/windows/MemoReplaceForm.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

using MemoReplaceFormTest = FileDialogTest;

TEST_F(MemoReplaceFormTest, KeepEscapeAndTheCloseBoxKeepTheDestinationMemo)
{
    const std::vector<ModalScript::Step> answers = {
        [](QDialog &dialog) { Child<QPushButton>(dialog, "KeepBtn")->click(); },
        [](QDialog &dialog) { dialog.reject(); },
        [](QDialog &dialog) { dialog.close(); },
    };
    for (const ModalScript::Step &answer : answers) {
        ModalScript script({[&](QDialog &dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Confirm Memo Replacement");
            EXPECT_EQ(Child<QLabel>(dialog, "FileLabel")->text(), "b.jpg");
            EXPECT_EQ(Child<QPlainTextEdit>(dialog, "Memo1")->toPlainText(), "source\nlines");
            EXPECT_EQ(Child<QPlainTextEdit>(dialog, "Memo2")->toPlainText(), "destination");
            answer(dialog);
        }});
        EXPECT_FALSE(
            TMemoReplaceForm1::ConfirmMemoReplacement(pics("b.jpg"), lines({"source", "lines"}), lines({"destination"})));
    }
}

TEST_F(MemoReplaceFormTest, ReplaceShowsTheSourceMemoInPlaceBeforeItCloses)
{
    bool shownOpen = false;
    ModalScript script({[&](QDialog &dialog) {
        auto *replace = Child<QPushButton>(dialog, "ReplaceBtn");
        EXPECT_TRUE(replace->isDefault());
        replace->click();
        // The answer stands: the dialog stays to show it, and Escape changes nothing.
        shownOpen = dialog.isVisible();
        EXPECT_EQ(Child<QPlainTextEdit>(dialog, "Memo2")->toPlainText(), "source\nlines");
        EXPECT_FALSE(replace->isEnabled());
        EXPECT_FALSE(Child<QPushButton>(dialog, "KeepBtn")->isEnabled());
        dialog.reject();
        EXPECT_TRUE(ServeUntil([&] { return !dialog.isVisible(); }));
    }});
    EXPECT_TRUE(
        TMemoReplaceForm1::ConfirmMemoReplacement(pics("b.jpg"), lines({"source", "lines"}), lines({"destination"})));
    EXPECT_TRUE(shownOpen);
}

} // namespace
