#include <platform/MessageBox.h>
#include <platform/WindowThread.h>

#include <platform/Exception.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <future>
#include <thread>

TEST(CallOnWindowThread, RunsDirectlyOnTheWindowThread)
{
    ASSERT_TRUE(IsWindowThread());
    bool ran = false;
    CallOnWindowThread([&ran] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(CallOnWindowThread, AWorkerWaitsForTheWindowThreadAndGetsItsException)
{
    std::thread::id ranOn;
    auto worker = std::async(std::launch::async, [&ranOn] {
        EXPECT_FALSE(IsWindowThread());
        CallOnWindowThread([&ranOn] { ranOn = std::this_thread::get_id(); });
        try {
            CallOnWindowThread([] { throw Exception("Write failed"); });
        } catch (const Exception &error) {
            return error.Message();
        }
        return QString();
    });
    while (worker.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        QCoreApplication::processEvents();
    EXPECT_EQ(worker.get(), "Write failed");
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(MessageBoxA, DefaultAnswerFollowsTheDefaultButton)
{
    const struct { UINT type; int answer; } cases[] = {
        {MB_OK, IDOK},
        {MB_YESNO, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_OKCANCEL | MB_DEFBUTTON3, IDOK},   // no third button
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2 | MB_ICONSTOP, IDRETRY},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(DefaultMessageBoxAnswer(c.type), c.answer);
    }
}

TEST(MessageBoxA, AResponderAnswersOnTheWindowThreadForAWorker)
{
    std::vector<QString> asked;
    SetMessageBoxResponder([&asked](const QString &text, const QString &caption, UINT type) {
        EXPECT_TRUE(IsWindowThread());
        asked.push_back(caption + ": " + text);
        return type & MB_YESNO ? IDNO : IDOK;
    });
    auto worker = std::async(std::launch::async, [] {
        return MessageBoxA(nullptr, "Delete it?", "Zilo", MB_YESNO | MB_ICONQUESTION);
    });
    while (worker.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        QCoreApplication::processEvents();
    EXPECT_EQ(worker.get(), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Done", "Zilo", MB_OK), IDOK);
    SetMessageBoxResponder({});
    EXPECT_EQ(asked, (std::vector<QString>{"Zilo: Delete it?", "Zilo: Done"}));
}

TEST(MessageBoxA, ShowsTheButtonsAndAnswersTheOnePressed)
{
    // Press "No" on the real box once it is up.
    QTimer::singleShot(0, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Save changes?");
        EXPECT_EQ(box->windowTitle(), "Zilo");
        EXPECT_EQ(box->buttons().size(), 3);
        EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MessageBoxA(nullptr, "Save changes?", "Zilo", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
}
