#include "../windows/BrowseFormTestSupport.h"
#include "../windows/ModalScript.h"

#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/Thumbnail.h>
#include <Source/tools/RegisterTools.h>
#include <Source/tools/ThumbnailWizard.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>

namespace {

// The program's tools, registered as at start-up.
class ThumbnailWizardCommandTest : public BrowseFormTest
{
protected:
    void SetUp() override
    {
        BrowseFormTest::SetUp();
        RegisterTools();
    }
    void TearDown() override
    {
        BrowseFormTest::TearDown();
        for (size_t tool = 0; tool < ToolCount; ++tool)
            UnregisterTool(Tool(tool));
    }
};

TEST_F(ThumbnailWizardCommandTest, CtrlWOpensTheWizardOnTheSelection)
{
    TBrowseForm1 *browser = open(pictureFolder(QStringLiteral("Holiday Pics"), 4), 4);
    ASSERT_TRUE(ServeUntil([&] {
        for (int index = 0; index < 4; ++index) {
            if (browser->ThumbBox->Thumbnail(index)->GetThumbBitmap()->GetState() != TThumbState::Loaded)
                return false;
        }
        return true;
    }));
    browser->ThumbBox->Thumbnail(1)->SetSelected(true);
    browser->ThumbBox->Thumbnail(3)->SetSelected(true);
    browser->UpdateCommandStates();
    QAction *command = browser->Command("ThumbnailWizard1");
    ASSERT_TRUE(command->isEnabled());
    EXPECT_EQ(command->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));

    QString count;
    QString file;
    ModalScript script({[&](QDialog &dialog) {
        count = Child<QLabel>(dialog, "CountLabel")->text();
        file = Child<QLineEdit>(dialog, "Edit1")->text();
        dialog.reject();
    }});
    command->trigger();
    EXPECT_EQ(script.shown(), (std::vector<QString>{"ThumbnailWizardForm1"}));
    EXPECT_EQ(count, QStringLiteral("Number of thumbnails selected: 2"));
    EXPECT_EQ(file, QStringLiteral("holiday_pics.htm"));
}

} // namespace
