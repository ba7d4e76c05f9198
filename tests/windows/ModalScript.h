#pragma once

#include <platform/ModalDialog.h>

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

// Answers the program's modal dialogs for one scope: each dialog shown is
// handed to the next step, in order; a dialog for which no step is left is
// cancelled. Keeps the object name of each dialog shown.
class ModalScript
{
public:
    using Step = std::function<void(QDialog &)>;

    explicit ModalScript(std::vector<Step> steps = {}) : m_steps(steps.begin(), steps.end())
    {
        SetModalResponder([this](QDialog &dialog) {
            m_shown.push_back(dialog.objectName());
            if (m_steps.empty()) {
                dialog.reject();
                return;
            }
            const Step step = m_steps.front();
            m_steps.pop_front();
            step(dialog);
        });
    }
    ~ModalScript() { SetModalResponder({}); }
    ModalScript(const ModalScript &) = delete;
    ModalScript &operator=(const ModalScript &) = delete;

    void add(Step step) { m_steps.push_back(std::move(step)); }
    const std::vector<QString> &shown() const { return m_shown; }

private:
    std::deque<Step> m_steps;
    std::vector<QString> m_shown;
};

// The named child of a dialog, which the test expects to exist.
template<typename Widget>
Widget *Child(QDialog &dialog, const char *name)
{
    Widget *widget = dialog.findChild<Widget *>(name);
    if (!widget)
        ADD_FAILURE() << "no " << name << " in " << dialog.objectName().toStdString();
    return widget;
}
