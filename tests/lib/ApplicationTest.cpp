#include "../WindowThreadQueue.h"

#include <lib/ProductInfo.h>
#include <platform/MessageBox.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

// The application object runs in a process of its own: this one has one.
TEST(Application, AnExceptionFromAHandlerIsShownAndTheLoopGoesOn)
{
    QProcess program;
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ThrowingHandlers"));
    ASSERT_TRUE(ServeUntil([&] { return program.state() == QProcess::NotRunning; }));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    const QString stop = QString::number(MB_OK | MB_ICONSTOP);
    const QStringList expected = {
        stop + '\t' + ProductName + "\tCannot read\\nC:\\Pics\\a.jpg",
        stop + '\t' + ProductName + "\tvector too long",
        QStringLiteral("went on"),
    };
    EXPECT_EQ(QString::fromUtf8(program.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), expected);
}
