#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <platform/IconTheme.h>

#include <gtest/gtest.h>

#include <QIcon>

#include <filesystem>

namespace {

// The icon theme is the application's: each case puts it back.
class IconThemeTest : public testing::Test
{
protected:
    void TearDown() override
    {
        QIcon::setThemeName(m_name);
        QIcon::setThemeSearchPaths(m_paths);
    }

    // A data folder whose icons hold an "Adwaita" theme with one icon.
    std::string dataFolder() const
    {
        const std::string data = TestHostFolder() + "/share";
        std::filesystem::create_directories(data + "/icons/Adwaita/16x16/actions");
        WriteHostFile(data + "/icons/Adwaita/index.theme",
                      "[Icon Theme]\nName=Adwaita\nDirectories=16x16/actions\n\n"
                      "[16x16/actions]\nSize=16\nType=Fixed\n");
        WriteHostFile(data + "/icons/Adwaita/16x16/actions/edit-copy.png", QByteArray());
        return data;
    }

private:
    const QString m_name = QIcon::themeName();
    const QStringList m_paths = QIcon::themeSearchPaths();
};

TEST_F(IconThemeTest, ASessionWithoutADesktopThemeTakesTheInstalledOne)
{
    for (const char *bare : {"", "hicolor"}) {
        SCOPED_TRACE(bare);
        ScopedEnvironment environment;
        const std::string data = dataFolder();
        environment.set("XDG_DATA_DIRS", data);
        QIcon::setThemeName(QString::fromLatin1(bare));
        UseDesktopIconTheme();
        EXPECT_EQ(QIcon::themeName(), QStringLiteral("Adwaita"));
        EXPECT_TRUE(QIcon::themeSearchPaths().contains(QString::fromStdString(data + "/icons")));
    }
}

TEST_F(IconThemeTest, TheDesktopsOwnThemeIsKept)
{
    ScopedEnvironment environment;
    environment.set("XDG_DATA_DIRS", dataFolder());
    QIcon::setThemeName(QStringLiteral("Breeze"));
    const QStringList paths = QIcon::themeSearchPaths();
    UseDesktopIconTheme();
    EXPECT_EQ(QIcon::themeName(), QStringLiteral("Breeze"));
    EXPECT_EQ(QIcon::themeSearchPaths(), paths);
}

} // namespace
