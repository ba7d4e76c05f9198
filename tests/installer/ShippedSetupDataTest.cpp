#include <installer/SetupData.h>
#include <lib/ProductInfo.h>

#include <platform/HostPath.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <QFileInfo>

namespace {

// The data file as the build lays it out in the program folder, beside the
// test programs, with every file it lists.
std::string kitFolder()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2).toStdString();
}

TStringList shippedData()
{
    TStringList data;
    data.LoadFromFile(QString::fromStdString(WindowsPathFromHost(kitFolder() + "/Setup.dat")));
    return data;
}

TEST(ShippedSetupData, NamesTheProductAsZiloReadsItsSettingsAndSounds)
{
    const TStringList data = shippedData();
    EXPECT_EQ(data.Value(QStringLiteral("AppName")).toStdString(), ProductName);
    EXPECT_EQ(data.Value(QStringLiteral("CompanyName")).toStdString(), CompanyName);
    EXPECT_EQ(SettingsKey(data).toStdString(), std::string("Software\\") + CompanyName + '\\' + ProductName);
    EXPECT_TRUE(SharedKeyProblem(data).isEmpty());
    QStringList events;
    for (int n = 1; !NumberedValue(data, "SoundFile", n).isEmpty(); ++n)
        events.append(NumberedValue(data, "SoundKey", n));
    EXPECT_EQ(events, QStringList({"Thumbnail Loaded", "Thumbnail Failed", "Load Complete", "Folder Scan Complete"}));
}

TEST(ShippedSetupData, KitHoldsEveryFileItLists)
{
    const TStringList data = shippedData();
    QStringList programs;
    for (int n = 1; !NumberedValue(data, "Srce", n).isEmpty(); ++n) {
        const QString source = NumberedValue(data, "Srce", n);
        SCOPED_TRACE(source.toStdString());
        if (source != QLatin1String("!")) {
            EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(kitFolder()) + u'/' + source));
        }
        programs.append(NumberedValue(data, "Dest", n));
    }
    for (const char *program : {"Zilo", "Splash", "Setup", "Deviva"})
        EXPECT_TRUE(programs.contains(QString::fromUtf8(program))) << program;
    for (const char *name : {"ShortcutExe", "FileTypeExe"})
        EXPECT_TRUE(programs.contains(data.Value(QString::fromUtf8(name)))) << name;
}

} // namespace
