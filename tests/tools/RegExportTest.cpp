#include "../TestSupport.h"

#include <Source/tools/RegExport.h>
#include <platform/Registry.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace {

const QString Root = QStringLiteral("Software\\Acme\\Organiser");

using Value = std::pair<QString, RegistryData>;

// Creates the key below Root (empty for Root itself) with values written in
// the order given.
void writeKey(const QString &key, const std::vector<Value> &values = {})
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(key.isEmpty() ? Root : Root + u'\\' + key, true));
    for (const auto &[name, data] : values) {
        if (const QString *text = std::get_if<QString>(&data))
            registry.WriteString(name, *text);
        else if (const int32_t *number = std::get_if<int32_t>(&data))
            registry.WriteInteger(name, *number);
        else
            registry.WriteBinaryData(name, std::get<QByteArray>(data).constData(),
                                     int(std::get<QByteArray>(data).size()));
    }
}

QStringList dumpOf(const QString &root)
{
    TStringList lines;
    CRegExportForBugReport(&lines).Export(root);
    return lines.ToStringList();
}

// Records the walk's calls in the order they came.
class RecordingExport : public CRegExport
{
public:
    QStringList calls;

protected:
    void EndKey() override { calls << QStringLiteral("end"); }
    void BeginKey(const QString &keyPath, int depth) override
    {
        calls << QStringLiteral("key %1 %2").arg(RelativeKeyPath(keyPath)).arg(depth);
    }
    void Value(const QString &name, const QString &, int depth) override
    {
        calls << QStringLiteral("value %1 %2").arg(name).arg(depth);
    }
};

} // namespace

TEST(RegExport, DumpsAStoreAsLinesForABugReport)
{
    // Written out of order, with a default value and a key without values.
    writeKey(QStringLiteral("Program"), {{QString(), QStringLiteral("the default value")},
                                         {QStringLiteral("Title"), QStringLiteral("say \"hi\"")},
                                         {QStringLiteral("Blob"), QByteArray("\x01\x02", 2)}});
    writeKey(QStringLiteral("Folders\\1234ABCD\\Photos"), {{QStringLiteral("Sort Order"), int32_t(-2)}});
    writeKey(QStringLiteral("Folders\\1234ABCD"), {{QStringLiteral("AutoSave"), QStringLiteral("1")}});
    writeKey(QString(), {{QStringLiteral("Name"), QStringLiteral("")}, {QStringLiteral("Count"), int32_t(3)}});

    EXPECT_EQ(dumpOf(Root), (QStringList{
                                "",
                                " Count = 3",
                                " Name = \"\"",
                                "",
                                " Folders",
                                "  Folders\\1234ABCD",
                                "   AutoSave = \"1\"",
                                "",
                                "   Folders\\1234ABCD\\Photos",
                                "    Sort Order = -2",
                                "",
                                " Program",
                                "  Blob = <unknown>",
                                "  Title = \"say \"hi\"\"",
                                "",
                            }));
}

// Reported in case-blind alphabetical order, whatever order they were
// written in, so that two dumps of one store are the same.
TEST(RegExport, ReportsValuesAndSubkeysInCaseBlindOrder)
{
    writeKey(QString(), {{QStringLiteral("b"), int32_t(1)}, {QStringLiteral("C"), int32_t(2)},
                         {QStringLiteral("a"), int32_t(3)}});
    for (const char *key : {"zeta", "Beta", "alpha"})
        writeKey(QString::fromLatin1(key));
    {
        // Rewriting a value keeps its place in the store's own order.
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(Root, false));
        registry.WriteInteger(QStringLiteral("b"), 4);
    }
    RecordingExport walk;
    walk.Export(Root);
    EXPECT_EQ(walk.calls, (QStringList{"key  0", "value a 0", "value b 0", "value C 0", "end", "key alpha 1",
                                       "key Beta 1", "key zeta 1"}));
    EXPECT_EQ(dumpOf(Root), dumpOf(Root));
}

TEST(RegExport, ReportsEachKeyBeforeItsValuesAndSubkeys)
{
    writeKey(QStringLiteral("Folders\\A\\B"), {{QStringLiteral("x"), int32_t(1)}});
    writeKey(QStringLiteral("Folders\\A"), {{QStringLiteral("y"), int32_t(1)}});
    RecordingExport walk;
    walk.Export(Root + QStringLiteral("\\Folders"));
    EXPECT_EQ(walk.calls, (QStringList{"key  0", "key A 1", "value y 1", "end", "key A\\B 2", "value x 2", "end"}));
}

TEST(RegExport, AMissingKeyReportsNothing)
{
    writeKey(QString(), {{QStringLiteral("a"), int32_t(1)}});
    RecordingExport walk;
    walk.Export(Root + QStringLiteral("\\Missing"));
    EXPECT_TRUE(walk.calls.isEmpty());
}
