#include <lib/Options.h>
#include <platform/Exception.h>
#include <platform/Registry.h>
#include <platform/StringList.h>

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <optional>

namespace {

// Collects the debugger output while it lives.
class DebugCapture
{
public:
    DebugCapture()
    {
        std::lock_guard lock(s_mutex);
        s_lines.clear();
        m_previous = qInstallMessageHandler(&DebugCapture::collect);
    }
    ~DebugCapture() { qInstallMessageHandler(m_previous); }

    QStringList lines() const
    {
        std::lock_guard lock(s_mutex);
        return s_lines;
    }
    int count(const QString &line) const { return int(lines().count(line)); }

private:
    static void collect(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        std::lock_guard lock(s_mutex);
        s_lines.append(message);
    }

    static inline std::mutex s_mutex;
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};

QString lookupMessage(const std::function<void()> &action)
{
    try {
        action();
    } catch (const EConvertError &) {
        return QStringLiteral("(conversion error)");
    } catch (const Exception &error) {
        return error.Message();
    }
    return QStringLiteral("(no exception)");
}

const QString NoOption = QStringLiteral("No option stored for given index");

void setEntries(TOptionsReg &options, const QStringList &names)
{
    TStringList lines;
    for (const QString &name : names)
        lines.Add(name);
    options.SetEntries(&lines);
}

TOptionsReg &configured(TOptionsReg &options, const QStringList &entries)
{
    options.SetRegistryKey("Software\\Zilo");
    options.SetSection("Window");
    setEntries(options, entries);
    return options;
}

} // namespace

TEST(TOptions, FirstSetDefinesTheItemAndItsDefault)
{
    TOptions options;
    options.SetInt(10, 5);
    EXPECT_EQ(options.Count(), 11);
    EXPECT_EQ(options.GetInt(10), 5);
    options.SetAddressDefaults(true);
    EXPECT_EQ(options.GetInt(10), 5);
    options.SetAddressDefaults(false);
    options.SetString(4, "text");
    EXPECT_EQ(options.Count(), 11);
    EXPECT_EQ(options.GetString(4), "text");
}

TEST(TOptions, UnknownIdsRaiseAndChangeNothing)
{
    TOptions options;
    options.SetInt(10, 5);
    const struct
    {
        const char *name;
        std::function<void()> action;
    } cases[] = {
        {"GetInt of an empty slot", [&] { options.GetInt(3); }},
        {"GetString of an empty slot", [&] { options.GetString(3); }},
        {"GetInt beyond the count", [&] { options.GetInt(11); }},
        {"GetInt of -1", [&] { options.GetInt(-1); }},
        {"GetString of a large negative id", [&] { options.GetString(-100000); }},
        {"UseDefault of an empty slot", [&] { options.UseDefault(3); }},
        {"SetDefault beyond the count", [&] { options.SetDefault(50); }},
        {"SetInt of -1", [&] { options.SetInt(-1, 1); }},
        {"SetString of -2", [&] { options.SetString(-2, "x"); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lookupMessage(c.action), NoOption);
        EXPECT_EQ(options.Count(), 11);
        EXPECT_EQ(options.GetInt(10), 5);
    }
}

TEST(TOptions, ValuesDefaultsAndAddressDefaults)
{
    TOptions options;
    options.SetInt(2, 1);
    options.SetInt(2, 7);   // an existing item: the value changes, the default stays
    EXPECT_EQ(options.GetInt(2), 7);
    options.UseDefault(2);
    EXPECT_EQ(options.GetInt(2), 1);

    options.SetInt(2, 8);
    options.SetString(3, "first");
    options.SetString(3, "second");
    options.UseDefault(-1);
    EXPECT_EQ(options.GetInt(2), 1);
    EXPECT_EQ(options.GetString(3), "first");

    options.SetAddressDefaults(true);
    options.SetInt(2, 9);
    EXPECT_EQ(options.GetInt(2), 9);
    options.SetAddressDefaults(false);
    EXPECT_EQ(options.GetInt(2), 1);
    options.UseDefault(2);
    EXPECT_EQ(options.GetInt(2), 9);

    options.SetInt(2, 4);
    options.SetString(3, "third");
    options.SetDefault(-1);
    options.SetAddressDefaults(true);
    EXPECT_EQ(options.GetInt(2), 4);
    EXPECT_EQ(options.GetString(3), "third");
}

TEST(TOptions, ConvertsBetweenKinds)
{
    TOptions options;
    options.SetInt(0, -3);
    options.SetString(1, "42");
    options.SetString(2, "abc");
    EXPECT_EQ(options.GetString(0), "-3");
    EXPECT_EQ(options.GetInt(1), 42);
    EXPECT_EQ(lookupMessage([&] { options.GetInt(2); }), "(conversion error)");
    EXPECT_EQ(lookupMessage([&] { options.SetString(0, "x"); }), "(conversion error)");
    EXPECT_EQ(options.GetInt(0), -3);
    options.SetString(0, "12");
    EXPECT_EQ(options.GetInt(0), 12);
    options.SetInt(2, 5);   // a string item keeps its kind
    EXPECT_EQ(options.GetString(2), "5");
    options.SetAddressDefaults(true);
    EXPECT_EQ(lookupMessage([&] { options.GetInt(2); }), "(conversion error)");   // default still "abc"
}

TEST(TOptions, AllOptionsEqualAndCopyFrom)
{
    const auto make = [](const std::function<void(TOptions &)> &fill) {
        auto options = std::make_unique<TOptions>();
        fill(*options);
        return options;
    };
    const auto intAndText = [](int32_t number, const char *text) {
        return [=](TOptions &o) {
            o.SetInt(0, number);
            o.SetString(1, text);
        };
    };
    const struct
    {
        const char *name;
        std::function<void(TOptions &)> mine;
        std::function<void(TOptions &)> theirs;
        bool equal;
    } cases[] = {
        {"two empty sets", [](TOptions &) {}, [](TOptions &) {}, true},
        {"same values", intAndText(1, "a"), intAndText(1, "a"), true},
        {"different integer", intAndText(1, "a"), intAndText(2, "a"), false},
        {"strings compare with case", intAndText(1, "a"), intAndText(1, "A"), false},
        {"different counts", intAndText(1, "a"), [](TOptions &o) { o.SetInt(0, 1); }, false},
        {"other kind", [](TOptions &o) { o.SetInt(0, 1); }, [](TOptions &o) { o.SetString(0, "1"); }, false},
        {"an empty slot in both", [](TOptions &o) { o.SetInt(1, 1); }, [](TOptions &o) { o.SetInt(1, 1); }, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto mine = make(c.mine);
        const auto theirs = make(c.theirs);
        EXPECT_EQ(mine->AllOptionsEqual(theirs.get()), c.equal);
        EXPECT_EQ(theirs->AllOptionsEqual(mine.get()), c.equal);
    }

    // Defaults compare while AddressDefaults is on.
    TOptions a, b;
    a.SetInt(0, 1);
    b.SetInt(0, 1);
    b.SetInt(0, 2);
    EXPECT_FALSE(a.AllOptionsEqual(&b));
    a.SetAddressDefaults(true);
    EXPECT_TRUE(a.AllOptionsEqual(&b));
}

TEST(TOptions, CopyFromCopiesValuesOfItemsBothSetsHold)
{
    TOptions source;
    source.SetInt(0, 10);
    source.SetString(1, "copied");
    source.SetInt(2, 30);   // other kind than the target's
    source.SetInt(4, 50);   // the target has no item here
    TOptions target;
    target.SetInt(0, 1);
    target.SetString(1, "kept default");
    target.SetString(2, "three");
    target.SetInt(3, 4);    // the source has no item here
    target.SetString(4, "ignored");
    TOptions shorter;
    shorter.SetInt(0, 99);

    shorter.CopyFrom(&source);   // different counts: nothing
    EXPECT_EQ(shorter.GetInt(0), 99);

    target.CopyFrom(&source);
    EXPECT_EQ(target.GetInt(0), 10);
    EXPECT_EQ(target.GetString(1), "copied");
    EXPECT_EQ(target.GetString(2), "three");
    EXPECT_EQ(target.GetInt(3), 4);
    EXPECT_EQ(target.GetString(4), "ignored");
    target.UseDefault(-1);   // defaults are not copied
    EXPECT_EQ(target.GetInt(0), 1);
    EXPECT_EQ(target.GetString(1), "kept default");
}

TEST(TOptions, CopyingBothWaysOnTwoThreadsNeverDeadlocksOrTearsAValue)
{
    constexpr int Items = 32;
    constexpr int Rounds = 10000;
    TOptions a, b;
    for (TOptions *options : {&a, &b}) {
        for (int id = 0; id < Items; ++id)
            options->SetString(id, "start");
    }
    std::atomic<bool> stop = false;
    // A third thread keeps replacing b's strings while the others copy them,
    // so a copy that skipped b's lock would read a freed string.
    auto writer = std::async(std::launch::async, [&] {
        for (int i = 0; !stop; ++i)
            b.SetString(i % Items, QStringLiteral("value %1 of a text long enough to live on the heap").arg(i));
    });
    const auto copier = [](TOptions &to, TOptions &from) {
        for (int i = 0; i < Rounds; ++i) {
            to.CopyFrom(&from);
            to.AllOptionsEqual(&from);
        }
    };
    auto aFromB = std::async(std::launch::async, copier, std::ref(a), std::ref(b));
    auto bFromA = std::async(std::launch::async, copier, std::ref(b), std::ref(a));
    // A watchdog against a deadlock only, not a speed check.
    const bool finished = aFromB.wait_for(std::chrono::seconds(120)) == std::future_status::ready
                          && bFromA.wait_for(std::chrono::seconds(120)) == std::future_status::ready;
    stop = true;
    writer.wait();
    ASSERT_TRUE(finished) << "CopyFrom deadlocked";
    for (TOptions *options : {&a, &b}) {
        for (int id = 0; id < Items; ++id) {
            const QString text = options->GetString(id);
            EXPECT_TRUE(text == "start" || text.startsWith("value ")) << text.toStdString();
        }
    }
}

TEST(TOptionsReg, SavesAndLoadsThroughTheRegistry)
{
    TOptionsReg saved;
    configured(saved, {"Left", "Caption", "Visible"});
    saved.SetInt(0, 120);
    saved.SetString(1, "Thumbnails");
    saved.SetInt(2, 1);
    saved.Save();

    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey("Software\\Zilo\\Window", false));
    EXPECT_EQ(raw.GetDataType("Left"), rdInteger);
    EXPECT_EQ(raw.GetDataType("Caption"), rdString);
    EXPECT_EQ(raw.ReadInteger("Left"), 120);

    TOptionsReg loaded;
    configured(loaded, {"Left", "Caption", "Visible"});
    loaded.SetInt(0, 0);
    loaded.SetString(1, "default");
    loaded.SetInt(2, 0);
    loaded.Load();
    EXPECT_TRUE(loaded.AllOptionsEqual(&saved));
    loaded.UseDefault(-1);   // loading sets values, not defaults
    EXPECT_EQ(loaded.GetString(1), "default");
}

TEST(TOptionsReg, LoadConvertsTextAndKeepsWhatItCannotRead)
{
    const struct
    {
        const char *name;
        std::optional<RegistryData> stored;
        bool integerItem;
        const char *expected;   // the item's value as text after Load; it starts as "7"
    } cases[] = {
        {"integer from an integer", int32_t(12), true, "12"},
        {"integer from decimal text", QString("12"), true, "12"},
        {"integer from hexadecimal text", QString("0x10"), true, "16"},
        {"integer from other text", QString("abc"), true, "7"},
        {"integer from binary", QByteArray("\x01\x02", 2), true, "7"},
        {"integer missing", std::nullopt, true, "7"},
        {"string from a string", QString("text"), false, "text"},
        {"string from an integer", int32_t(5), false, "7"},
        {"string from binary", QByteArray("\x01", 1), false, "7"},
        {"string missing", std::nullopt, false, "7"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        {
            TRegistry raw;
            raw.DeleteKey("Software\\Zilo\\Window");
            ASSERT_TRUE(raw.OpenKey("Software\\Zilo\\Window", true));
            if (const auto *text = c.stored ? std::get_if<QString>(&*c.stored) : nullptr)
                raw.WriteString("Item", *text);
            else if (const auto *number = c.stored ? std::get_if<int32_t>(&*c.stored) : nullptr)
                raw.WriteInteger("Item", *number);
            else if (c.stored)
                raw.WriteBinaryData("Item", std::get<QByteArray>(*c.stored).constData(),
                                    int(std::get<QByteArray>(*c.stored).size()));
        }
        TOptionsReg options;
        configured(options, {"Item"});
        if (c.integerItem)
            options.SetInt(0, 7);
        else
            options.SetString(0, "7");
        DebugCapture debug;
        options.Load();
        EXPECT_EQ(options.GetString(0), c.expected);
        EXPECT_TRUE(debug.lines().isEmpty());
    }
}

TEST(TOptionsReg, ItemsBeyondTheEntriesAreNeitherSavedNorLoaded)
{
    TOptionsReg options;
    configured(options, {"Zero", "One", "Two"});
    for (int id = 0; id < 5; ++id)
        options.SetInt(id, id * 10);
    {
        DebugCapture debug;
        options.Save();
        EXPECT_EQ(debug.count("More options than entries"), 2);
        EXPECT_EQ(debug.lines().size(), 2);
    }
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey("Software\\Zilo\\Window", false));
    TStringList names;
    raw.GetValueNames(&names);
    EXPECT_EQ(names.ToStringList(), (QStringList{"Zero", "One", "Two"}));
    for (int id = 0; id < 5; ++id)
        raw.WriteInteger(QStringLiteral("id%1").arg(id), 99);
    for (const char *name : {"Zero", "One", "Two"})
        raw.WriteInteger(name, -1);

    DebugCapture debug;
    options.Load();
    EXPECT_EQ(debug.count("More options than entries"), 2);
    for (int id = 0; id < 5; ++id)
        EXPECT_EQ(options.GetInt(id), id < 3 ? -1 : id * 10) << id;
}

TEST(TOptionsReg, SaveJoinsTheCallersTransaction)
{
    TOptionsReg options;
    configured(options, {"A", "B"});
    options.SetInt(0, 1);
    options.SetString(1, "b");
    TRegistry registry;
    {
        RegistryTransaction transaction(registry);
        options.Save();
    }   // rolled back: the whole set goes, key and all
    EXPECT_FALSE(registry.KeyExists("Software\\Zilo\\Window"));
    {
        RegistryTransaction transaction(registry);
        options.Save();
        transaction.Commit();
    }
    ASSERT_TRUE(registry.OpenKey("Software\\Zilo\\Window", false));
    EXPECT_EQ(registry.ReadString("B"), "b");
}

TEST(TOptionsReg, AnUnusableStoreNeverRaises)
{
    const std::string file = TestHostFolder() + "/no such folder/Registry.db";
    ::setenv("ZILO_REGISTRY", file.c_str(), 1);
    TOptionsReg options;
    configured(options, {"Number", "Text"});
    options.SetInt(0, 3);
    options.SetString(1, "kept");
    DebugCapture debug;
    EXPECT_NO_THROW(options.Load());
    EXPECT_EQ(options.GetInt(0), 3);
    EXPECT_EQ(options.GetString(1), "kept");
    EXPECT_NO_THROW(options.Save());
    EXPECT_EQ(debug.count("Failed to begin a registry transaction"), 1);
}

TEST(TOptionRegItems, StorageProblemsGoToTheDebuggerOutput)
{
    TRegistry readOnly;
    readOnly.CreateKey("Software\\Locked");
    ASSERT_TRUE(readOnly.OpenKeyReadOnly("Software\\Locked"));
    TOptionRegInt number(1);
    TOptionRegString text("t");
    DebugCapture debug;
    number.WriteState(&readOnly, "Number");
    text.WriteState(&readOnly, "Text");
    number.ReadState(nullptr, "Number");
    text.WriteState(nullptr, "Text");
    EXPECT_EQ(debug.lines(), (QStringList{"Failed to write integer to registry", "Failed to write string to registry",
                                          "Storage object not registry", "Storage object not registry"}));
    EXPECT_EQ(number.GetInt(), 1);
    EXPECT_FALSE(readOnly.ValueExists("Number"));
}

TEST(TOptionsReg, EntriesRaiseTheCapacity)
{
    TOptionsReg options;
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names.append(QStringLiteral("Entry%1").arg(i));
    setEntries(options, names);
    EXPECT_EQ(options.Entries().ToStringList(), names);
    EXPECT_GE(options.Capacity(), 40);
    EXPECT_EQ(options.Count(), 0);
}
