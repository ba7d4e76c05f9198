#include "ModalScript.h"

#include <Source/windows/ModalForm.h>

#include <gtest/gtest.h>

#include <QPushButton>

#include <memory>

namespace {

// Records the windows that the platform raises, in order.
class RaiseRecorder
{
public:
    RaiseRecorder()
    {
        SetWindowRaiseObserver([this](QWidget *window) { m_raised.push_back(window); });
    }
    ~RaiseRecorder() { SetWindowRaiseObserver({}); }
    const std::vector<QWidget *> &raised() const { return m_raised; }

private:
    std::vector<QWidget *> m_raised;
};

// A dialog with one button that closes it with result.
std::unique_ptr<TModalForm1> DialogWithButton(const char *name, int result)
{
    auto dialog = std::make_unique<TModalForm1>();
    dialog->setObjectName(name);
    auto *button = new QPushButton("Go", dialog.get());
    button->setObjectName("Button");
    dialog->SetButtonResult(button, result);
    return dialog;
}

} // namespace

TEST(ModalForm, ADialogOpenedFromADialogIsRaisedAboveIt)
{
    RaiseRecorder recorder;
    std::vector<QWidget *> raisedWhileOpen;
    auto first = DialogWithButton("First", mrOk);
    ModalScript script;
    script.add([&](QDialog &) {
        // The first dialog opens the second, as a button of it would.
        auto second = DialogWithButton("Second", mrYes);
        EXPECT_EQ(second->ShowModal(), mrYes);
        EXPECT_EQ(second->Link(), first.get());
        second.reset();
        EXPECT_EQ(TModalForm1::Current(), first.get());
        first->SetModalResult(mrOk);
    });
    script.add([&](QDialog &second) {
        BringModalFormsToTop();
        raisedWhileOpen = recorder.raised();
        Child<QPushButton>(second, "Button")->click();
    });
    EXPECT_EQ(first->ShowModal(), mrOk);
    ASSERT_EQ(raisedWhileOpen.size(), 2u);
    EXPECT_EQ(raisedWhileOpen[0], first.get());
    EXPECT_EQ(raisedWhileOpen[1]->objectName(), "Second");
}

TEST(ModalForm, AfterTheLastDialogActivationRaisesNothing)
{
    RaiseRecorder recorder;
    {
        auto dialog = DialogWithButton("Only", mrOk);
        EXPECT_EQ(TModalForm1::Current(), dialog.get());
    }
    EXPECT_EQ(TModalForm1::Current(), nullptr);
    BringModalFormsToTop();
    EXPECT_TRUE(recorder.raised().empty());
}

TEST(ModalForm, EscapeAndButtonsAnswerTheirResults)
{
    auto dialog = DialogWithButton("Results", mrRetry);
    {
        ModalScript script({[](QDialog &shown) { Child<QPushButton>(shown, "Button")->click(); }});
        EXPECT_EQ(dialog->ShowModal(), mrRetry);
    }
    {
        ModalScript script({[](QDialog &shown) { shown.reject(); }});
        EXPECT_EQ(dialog->ShowModal(), mrCancel);
    }
}
