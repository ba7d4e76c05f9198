#include "ModalScript.h"

#include "../Source/GlobTestSupport.h"

#include <Source/engine/VolumePath.h>
#include <Source/engine/WindowHooks.h>
#include <Source/windows/VolumeForm.h>

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

namespace {

// The engine's prompt reaching the dialog, as the hooks will route it.
class VolumeDialogs : public DialogHooks
{
public:
    VolumeDialogs() { SetDialogHooks(this); }
    ~VolumeDialogs() override { SetDialogHooks(nullptr); }
    int promptForVolume(const CString &text, bool allowForce) override { return TVolumeForm1::Ask(text, allowForce); }
};

} // namespace

TEST(VolumeForm, EachButtonAnswersItsResult)
{
    const struct
    {
        const char *button;
        int answer;
    } cases[] = {{"OKBtn", IDOK}, {"CancelBtn", IDCANCEL}, {"ForceBtn", VolumeForce}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.button);
        ModalScript script({[&](QDialog &dialog) { Child<QPushButton>(dialog, c.button)->click(); }});
        EXPECT_EQ(TVolumeForm1::Ask("Insert it", true), c.answer);
    }
    EXPECT_EQ(VolumeForce, 5);
}

TEST(VolumeForm, ShowsTheTextAndOffersForceOnlyWhenAllowed)
{
    for (const bool allowForce : {true, false}) {
        SCOPED_TRACE(allowForce);
        bool forceEnabled = !allowForce;
        ModalScript script({[&](QDialog &dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Volume Not Mounted");
            EXPECT_EQ(Child<QLabel>(dialog, "Label")->text(), "Where is it?");
            forceEnabled = Child<QPushButton>(dialog, "ForceBtn")->isEnabled();
            dialog.reject();
        }});
        EXPECT_EQ(TVolumeForm1::Ask("Where is it?", allowForce), IDCANCEL);
        EXPECT_EQ(forceEnabled, allowForce);
    }
}

TEST(VolumeForm, AWorkersPromptIsAnsweredByTheDialogOnTheWindowThread)
{
    VolumeDialogs dialogs;
    QString shownText;
    ModalScript script({[&](QDialog &dialog) {
        shownText = Child<QLabel>(dialog, "Label")->text();
        Child<QPushButton>(dialog, "ForceBtn")->click();
    }});
    EXPECT_EQ(RunOnWorker([] { return PromptForVolume(0x1234ABCD, true); }), VolumeForce);
    EXPECT_EQ(shownText, "Please insert the volume with serial number 1234ABCD into any drive");
}
