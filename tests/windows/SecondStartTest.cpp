#include "../WindowThreadQueue.h"

#include <Source/engine/ProductInfo.h>
#include <Source/engine/UserMessages.h>
#include <Source/windows/MainForm.h>
#include <platform/Instance.h>
#include <platform/Messages.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>

#include <vector>

namespace {

struct Posted
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

} // namespace

// This process stands for the first instance: the real program, started on the
// same settings, must hand over to it and end.
TEST(SecondStart, PostsToTheFirstInstanceAndEnds)
{
    std::vector<Posted> posted;
    const CMessageWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) {
        posted.push_back({message, wParam, lParam});
        return LRESULT(0);
    });
    const CInstanceWindow first(MainFormClassName, ProductName, window.Handle());

    QProcess second;   // the environment, and so the settings, are this test's
    second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/Zilo"),
                 {QStringLiteral("browsefile=C:\\Elsewhere\\")});
    ASSERT_TRUE(ServeUntil([&] { return second.state() == QProcess::NotRunning && !posted.empty(); }));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, UM_ACTIVATE_INSTANCE);
    EXPECT_EQ(posted[0].wParam, 0u);
    EXPECT_EQ(posted[0].lParam, 0);
}
