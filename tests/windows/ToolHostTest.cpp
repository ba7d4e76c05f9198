#include "BrowseFormTestSupport.h"

#include <Source/engine/Thumbnail.h>
#include <Source/windows/ToolHost.h>

#include <QAction>

#include <memory>

namespace {

// A tool window as a later unit makes one: a plain window.
class PlainToolWindow : public TToolForm
{
public:
    QWidget *Window() override { return &m_window; }

private:
    QWidget m_window;
};

class ToolHostTest : public BrowseFormTest
{
protected:
    void TearDown() override
    {
        BrowseFormTest::TearDown();
        for (size_t index = 0; index < ToolCount; ++index)
            UnregisterTool(Tool(index));
    }

    static bool enabled(TBrowseForm1 *form, const char *name)
    {
        form->UpdateCommandStates();
        QAction *action = form->Command(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action && action->isEnabled();
    }
};

TEST_F(ToolHostTest, ADialogToolsCommandIsGreyedUntilItRegistersAndOpensItOnTheWindowItCameFrom)
{
    struct Case
    {
        Tool tool;
        const char *command;
    };
    const Case cases[] = {
        {Tool::SequentialRename, "SeqRename1"}, {Tool::FolderManager, "FolderManager1"},
        {Tool::Preferences, "Preferences1"},    {Tool::ThumbnailWizard, "ThumbnailWizard1"},
        {Tool::Movie, "SaveAsMovie1"},          {Tool::Feedback, "Feedback1"},
    };
    const CPath full = pictureFolder("Full", 3);
    TBrowseForm1 *form = open(full, 3);
    form->ThumbBox->Thumbnail(0)->SetSelected(true);
    form->ThumbBox->Thumbnail(2)->SetSelected(true);
    for (const Case &test : cases) {
        SCOPED_TRACE(test.command);
        EXPECT_FALSE(enabled(form, test.command)) << "greyed while the tool is missing";

        std::unique_ptr<QWidget> dialog;
        CPath seenFolder;
        std::vector<TThumbnail *> seenSelection;
        size_t seenWindows = 0;
        RegisterTool(test.tool, {.command = [&](ToolBrowser &browser) {
                                     seenFolder = browser.ShownFolder();
                                     seenSelection = browser.Selection();
                                     seenWindows = Shell().BrowseWindows().size();
                                     dialog = std::make_unique<QWidget>();
                                     dialog->show();
                                     return false;
                                 }});
        ASSERT_TRUE(enabled(form, test.command));
        form->Command(QString::fromLatin1(test.command))->trigger();
        ASSERT_NE(dialog, nullptr) << "the command opened its tool";
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(seenFolder, full);
        EXPECT_EQ(seenSelection, (std::vector<TThumbnail *>{form->ThumbBox->Thumbnail(0), form->ThumbBox->Thumbnail(2)}));
        EXPECT_EQ(seenWindows, 1u);

        UnregisterTool(test.tool);
        EXPECT_FALSE(enabled(form, test.command)) << "greyed again once the tool goes";
    }
}

TEST_F(ToolHostTest, AToolWindowIsMadeOnFirstUseAndItsCommandTogglesIt)
{
    struct Case
    {
        Tool tool;
        const char *command;
    };
    const Case cases[] = {
        {Tool::Basket, "BasketWindow1"}, {Tool::Animation, "AnimationWindow1"}, {Tool::Batch, "BatchEngine1"},
        {Tool::Finder, "FinderWindow1"}, {Tool::FindSimilar, "FindSimilar1"},
    };
    TBrowseForm1 *form = open(pictureFolder("Full", 1), 1);
    for (const Case &test : cases) {
        SCOPED_TRACE(test.command);
        EXPECT_FALSE(enabled(form, test.command));
        int made = 0;
        RegisterTool(test.tool, {.window = [&made] {
                                     ++made;
                                     return std::make_unique<PlainToolWindow>();
                                 }});
        ASSERT_TRUE(enabled(form, test.command));
        EXPECT_EQ(made, 0) << "registered after the start: made when first used";

        QAction *command = form->Command(QString::fromLatin1(test.command));
        command->trigger();
        ASSERT_EQ(made, 1);
        TToolForm *window = coordinator->ToolWindow(test.tool);
        EXPECT_TRUE(window->Window()->isVisible());
        EXPECT_TRUE(command->isChecked());
        command->trigger();
        EXPECT_FALSE(window->Window()->isVisible());
        EXPECT_FALSE(command->isChecked());
        EXPECT_EQ(made, 1) << "one window for the program's life";
    }
}

// The open-with list answers the engine's hook: it lives exactly as long as
// its registration, and the windows' menus show it.
TEST_F(ToolHostTest, AToolsEngineHooksLiveAsLongAsItsRegistration)
{
    class List : public OpenWithHooks
    {
    public:
        CString firstApplication() const override { return "#Nothing"; }
        std::vector<OpenWithApplication> applications() const override { return {{"Viewer", "#Nothing"}}; }
    };
    List list;
    int registered = 0;
    RegisterTool(Tool::OpenWith, {.hooks = [&](bool on) {
                                      registered += on ? 1 : -1;
                                      SetOpenWithHooks(on ? &list : nullptr);
                                  }});
    EXPECT_EQ(registered, 1);
    EXPECT_EQ(OpenWith().firstApplication(), CString("#Nothing"));
    EXPECT_TRUE(ToolAvailable(Tool::OpenWith));

    // Registering again replaces the entry: the old hooks go first.
    RegisterTool(Tool::OpenWith, {.hooks = [&](bool on) {
                                      registered += on ? 1 : -1;
                                      SetOpenWithHooks(on ? &list : nullptr);
                                  }});
    EXPECT_EQ(registered, 1);
    EXPECT_EQ(OpenWith().applications().size(), 1u);

    UnregisterTool(Tool::OpenWith);
    EXPECT_EQ(registered, 0);
    EXPECT_EQ(OpenWith().firstApplication(), CString(RegisteredApplication));
    EXPECT_TRUE(OpenWith().applications().empty());
    EXPECT_FALSE(ToolAvailable(Tool::OpenWith));
}

} // namespace
