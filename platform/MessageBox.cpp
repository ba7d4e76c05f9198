#include "MessageBox.h"

#include "WindowThread.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <mutex>
#include <vector>

static std::mutex s_responderLock;   // guards s_responder
static MessageBoxResponder s_responder;

void SetMessageBoxResponder(MessageBoxResponder responder)
{
    std::lock_guard lock(s_responderLock);
    s_responder = std::move(responder);
}

static MessageBoxResponder currentResponder()
{
    std::lock_guard lock(s_responderLock);
    return s_responder;
}

struct ButtonChoice
{
    QMessageBox::StandardButton button;
    int answer;
};

// The buttons of a box kind, left to right.
static std::vector<ButtonChoice> buttonsOf(UINT type)
{
    switch (type & 0xF) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
    }
}

static size_t defaultIndexOf(UINT type, size_t buttonCount)
{
    const size_t index = (type & 0xF00) >> 8;
    return index < buttonCount ? index : 0;
}

int DefaultMessageBoxAnswer(UINT type)
{
    const std::vector<ButtonChoice> buttons = buttonsOf(type);
    return buttons[defaultIndexOf(type, buttons.size())].answer;
}

static QMessageBox::Icon iconOf(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

static int showBox(QWidget *parent, const QString &text, const QString &caption, UINT type)
{
    const std::vector<ButtonChoice> buttons = buttonsOf(type);
    QMessageBox box(iconOf(type), caption, text, QMessageBox::NoButton, parent);
    for (const ButtonChoice &choice : buttons)
        box.addButton(choice.button);
    box.setDefaultButton(buttons[defaultIndexOf(type, buttons.size())].button);
    const auto hasCancel = [&buttons] {
        for (const ButtonChoice &choice : buttons) {
            if (choice.answer == IDCANCEL)
                return true;
        }
        return false;
    };
    if (!hasCancel())
        box.setEscapeButton(box.defaultButton());
    if (type & (MB_TOPMOST | MB_SETFOREGROUND))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    const QAbstractButton *clicked = box.clickedButton();
    for (const ButtonChoice &choice : buttons) {
        if (clicked == box.button(choice.button))
            return choice.answer;
    }
    return hasCancel() ? IDCANCEL : DefaultMessageBoxAnswer(type);
}

int MessageBoxA(void *window, const char *text, const char *caption, UINT type)
{
    const QString message = QString::fromUtf8(text ? text : "");
    const QString title = QString::fromUtf8(caption ? caption : "");
    int answer = IDCANCEL;
    CallOnWindowThread([&] {
        if (const MessageBoxResponder responder = currentResponder()) {
            answer = responder(message, title, type);
            return;
        }
        QWidget *parent = window ? static_cast<QWidget *>(window) : QApplication::activeWindow();
        answer = showBox(parent, message, title, type);
    });
    return answer;
}
