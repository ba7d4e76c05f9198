#include "../WindowThreadQueue.h"

#include <Source/engine/UserMessages.h>
#include <Source/windows/MainForm.h>
#include <lib/ProductInfo.h>
#include <platform/Instance.h>
#include <platform/Messages.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <vector>

namespace {

// What the first instance's window was handed: a message, and for
// WM_COPYDATA its kind and bytes.
struct Handed
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    uintptr_t kind;
    QByteArray data;
};

} // namespace

// This process stands for the first instance: the real program, started on the
// same settings, must hand over to it and end. A start that names a folder
// hands its "browsefile=" on; any other only asks the first to show itself.
TEST(SecondStart, HandsItsFolderToTheFirstInstanceAndEnds)
{
    const struct
    {
        const char *name;
        QStringList arguments;
        UINT message;
        QByteArray data;
    } cases[] = {
        {"without a folder", {}, UM_ACTIVATE_INSTANCE, {}},
        {"with a folder", {QStringLiteral("browsefile=C:\\Elsewhere\\")}, WM_COPYDATA, "browsefile=C:\\Elsewhere\\"},
        {"with a folder of blanks and other arguments", {QStringLiteral("-x"), QStringLiteral("browsefile=C:\\My Pics\\")},
         WM_COPYDATA, "browsefile=C:\\My Pics\\"},
    };
    for (const auto &each : cases) {
        SCOPED_TRACE(each.name);
        std::vector<Handed> handed;
        const CMessageWindow window([&](UINT message, WPARAM wParam, LPARAM lParam) {
            Handed one{message, wParam, lParam, 0, {}};
            if (message == WM_COPYDATA) {
                const auto &copy = *reinterpret_cast<const COPYDATASTRUCT *>(lParam);
                one.kind = copy.dwData;
                one.data = QByteArray(static_cast<const char *>(copy.lpData), qsizetype(copy.cbData));
            }
            handed.push_back(one);
            return LRESULT(1);
        });
        const CInstanceWindow first(MainFormClassName, ProductName, window.Handle());

        QProcess second;   // the environment, and so the settings, are this test's
        second.start(QCoreApplication::applicationDirPath() + QStringLiteral("/Zilo"), each.arguments);
        ASSERT_TRUE(ServeUntil([&] { return second.state() == QProcess::NotRunning && !handed.empty(); }));
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
        ASSERT_EQ(handed.size(), 1u);
        EXPECT_EQ(handed[0].message, each.message);
        EXPECT_EQ(handed[0].wParam, 0u);
        if (each.message == WM_COPYDATA) {
            EXPECT_EQ(handed[0].kind, uintptr_t(UM_ACTIVATE_INSTANCE));
            EXPECT_EQ(handed[0].data, each.data);
        } else {
            EXPECT_EQ(handed[0].lParam, 0);
        }
    }
}
