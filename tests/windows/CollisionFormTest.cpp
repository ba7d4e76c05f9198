#include "FileDialogTestSupport.h"

#include <Source/windows/CollisionForm.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class CollisionFormTest : public FileDialogTest
{
protected:
    void SetUp() override
    {
        FileDialogTest::SetUp();
        m_source = writeShownPicture("src/a.jpg", 64, 48);
        m_destination = writeShownPicture("dest/a.jpg", 32, 24);
    }

    CPath m_source;
    CPath m_destination;
};

TEST_F(CollisionFormTest, ShowsBothFiles)
{
    QString title, heading, name, folder, source, destination, sourceSize, destinationSize, sourceDate;
    ModalScript script({[&](QDialog &shown) {
        title = shown.windowTitle();
        heading = Child<QLabel>(shown, "Label1")->text();
        name = Child<QLabel>(shown, "FileNameLabel")->text();
        folder = Child<QLabel>(shown, "DestFolderLabel")->text();
        source = Child<QLineEdit>(shown, "SrceEdit")->text();
        destination = Child<QLineEdit>(shown, "DestEdit")->text();
        sourceSize = Child<QLabel>(shown, "SrceSizeLabel")->text();
        destinationSize = Child<QLabel>(shown, "DestSizeLabel")->text();
        sourceDate = Child<QLabel>(shown, "SrceDateLabel")->text();
        shown.reject();
    }});
    TCollisionForm1::Ask(m_source, m_destination);

    EXPECT_EQ(title, "File Name Collision");
    EXPECT_EQ(heading, "A file with this name already exists in folder");
    EXPECT_EQ(name, "a.jpg");
    EXPECT_EQ(folder, windows("dest").ToAnsiString());
    EXPECT_EQ(source, m_source.ToAnsiString());
    EXPECT_EQ(destination, m_destination.ToAnsiString());
    EXPECT_EQ(sourceSize, "64x48 24-bit");
    EXPECT_EQ(destinationSize, "32x24 24-bit");
    EXPECT_EQ(sourceDate, TFileHandler(m_source).GetDateTimeString().ToAnsiString());
}

TEST_F(CollisionFormTest, EachButtonAnswersItsChoice)
{
    const struct
    {
        const char *button;
        CollisionChoice choice;
    } cases[] = {
        {"IgnoreAllButton", CollisionIgnoreAll},
        {"RenameSrceButton", CollisionRenameSource},
        {"SkipSrceButton", CollisionSkip},
        {"RenameDestButton", CollisionRenameDestination},
        {"DeleteDestButton", CollisionDeleteDestination},
        {"CancelButton", CollisionCancel},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.button);
        ModalScript script({[&](QDialog &shown) { Child<QPushButton>(shown, test.button)->click(); }});
        EXPECT_EQ(TCollisionForm1::Ask(m_source, m_destination), test.choice);
        EXPECT_EQ(script.shown(), std::vector<QString>{"CollisionForm1"});
    }
}

TEST_F(CollisionFormTest, EscapeCancelsWithoutAChoice)
{
    TCollisionForm1 form(nullptr, m_source, m_destination);
    ModalScript script({[](QDialog &shown) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&shown, &escape);
    }});
    EXPECT_EQ(form.ShowModal(), mrCancel);
    EXPECT_EQ(form.Choice(), 5);
}

TEST_F(CollisionFormTest, IgnoreAllIsTheDefault)
{
    TCollisionForm1 form(nullptr, m_source, m_destination);
    ModalScript script({[](QDialog &shown) {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&shown, &enter);
    }});
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_EQ(form.Choice(), CollisionIgnoreAll);
}

} // namespace
