#include <platform/RegIniFile.h>
#include <platform/Registry.h>
#include <platform/StringList.h>

#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QStringList linesOf(const TStrings &strings)
{
    return strings.ToStringList();
}

QStringList keyNames(const TRegistry &registry)
{
    TStringList names;
    registry.GetKeyNames(&names);
    return linesOf(names);
}

QStringList valueNames(const TRegistry &registry)
{
    TStringList names;
    registry.GetValueNames(&names);
    return linesOf(names);
}

QString messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const ERegistryException &error) {
        return error.Message();
    }
    return QStringLiteral("(no exception)");
}

// Runs body in a forked child, which touches only the registry (SQLite) and
// leaves with _exit: never the parent's Qt objects, never its exit handlers.
// Answers the child's pid; the child's status is 0 when body answered true.
pid_t forkWriter(const std::function<bool()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        bool ok = false;
        try {
            ok = body();
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    return pid;
}

int exitStatus(pid_t pid)
{
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST(TRegistry, ValuesReadBackByTypeAndRefuseOtherTypes)
{
    const char Binary[] = {1, 0, 2};
    const struct
    {
        const char *name;
        std::function<void(TRegistry &)> write;
        TRegDataType type;
        int size;
        const char *asString;   // null: ReadString raises
        bool readsAsInteger;
        int binarySize;         // -1: ReadBinaryData raises
    } cases[] = {
        {"string", [](TRegistry &r) { r.WriteString("v", "abc"); }, rdString, 4, "abc", false, -1},
        {"empty string", [](TRegistry &r) { r.WriteString("v", ""); }, rdString, 1, "", false, -1},
        {"non-ASCII string", [](TRegistry &r) { r.WriteString("v", QString::fromUtf8("\xc3\xa9t\xc3\xa9")); },
         rdString, 6, "\xc3\xa9t\xc3\xa9", false, -1},
        {"integer", [](TRegistry &r) { r.WriteInteger("v", -5); }, rdInteger, 4, nullptr, true, -1},
        {"bool", [](TRegistry &r) { r.WriteBool("v", true); }, rdInteger, 4, nullptr, true, -1},
        {"binary", [&](TRegistry &r) { r.WriteBinaryData("v", Binary, 3); }, rdBinary, 3, nullptr, false, 3},
        {"empty binary", [](TRegistry &r) { r.WriteBinaryData("v", nullptr, 0); }, rdBinary, 0, nullptr, false, 0},
        {"missing", [](TRegistry &) {}, rdUnknown, -1, "", false, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey(QStringLiteral("Software\\Types\\%1").arg(c.name), true));
        c.write(registry);
        EXPECT_EQ(registry.ValueExists("v"), c.type != rdUnknown);
        EXPECT_EQ(registry.GetDataType("v"), c.type);
        EXPECT_EQ(registry.GetDataSize("v"), c.size);
        if (c.asString)
            EXPECT_EQ(registry.ReadString("v"), QString::fromUtf8(c.asString));
        else
            EXPECT_EQ(messageOf([&] { registry.ReadString("v"); }), "Invalid data type for 'v'");
        if (c.readsAsInteger)
            EXPECT_NO_THROW(registry.ReadInteger("v"));
        else
            EXPECT_EQ(messageOf([&] { registry.ReadBool("v"); }), "Invalid data type for 'v'");
        char buffer[8] = {};
        if (c.binarySize >= 0)
            EXPECT_EQ(registry.ReadBinaryData("v", buffer, sizeof buffer), c.binarySize);
        else
            EXPECT_EQ(messageOf([&] { registry.ReadBinaryData("v", buffer, sizeof buffer); }),
                      "Invalid data type for 'v'");
    }
}

TEST(TRegistry, ReadsBackWhatWasWritten)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\RoundTrip", true));
    registry.WriteInteger("min", INT32_MIN);
    registry.WriteBool("off", false);
    const char bytes[] = {'\0', '\xff', 'x', '\0'};
    registry.WriteBinaryData("bytes", bytes, 4);
    EXPECT_EQ(registry.ReadInteger("min"), INT32_MIN);
    EXPECT_FALSE(registry.ReadBool("off"));
    char buffer[4] = {};
    EXPECT_EQ(registry.ReadBinaryData("bytes", buffer, 4), 4);
    EXPECT_EQ(QByteArray(buffer, 4), QByteArray(bytes, 4));
    // A buffer too small for the value is refused, not overrun.
    EXPECT_EQ(messageOf([&] { registry.ReadBinaryData("bytes", buffer, 3); }), "Invalid data type for 'bytes'");
    // A later write of another type replaces the value.
    registry.WriteString("min", "now text");
    EXPECT_EQ(registry.GetDataType("min"), rdString);
}

TEST(TRegistry, FailedWritesRaise)
{
    const struct
    {
        const char *name;
        std::function<void(TRegistry &)> prepare;
    } cases[] = {
        {"no key open", [](TRegistry &) {}},
        {"key opened read-only",
         [](TRegistry &r) {
             r.CreateKey("Software\\ReadOnly");
             ASSERT_TRUE(r.OpenKeyReadOnly("Software\\ReadOnly"));
         }},
        {"open key deleted",
         [](TRegistry &r) {
             ASSERT_TRUE(r.OpenKey("Software\\Gone", true));
             TRegistry other;
             ASSERT_TRUE(other.DeleteKey("Software\\Gone"));
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TRegistry registry;
        c.prepare(registry);
        EXPECT_EQ(messageOf([&] { registry.WriteString("name", "x"); }), "Failed to set data for 'name'");
        EXPECT_EQ(messageOf([&] { registry.WriteInteger("name", 1); }), "Failed to set data for 'name'");
        EXPECT_EQ(messageOf([&] { registry.WriteBinaryData("name", "x", 1); }), "Failed to set data for 'name'");
        EXPECT_FALSE(registry.DeleteValue("name"));
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Sizes", true));
    EXPECT_EQ(messageOf([&] { registry.WriteBinaryData("bad", "x", -1); }), "Failed to set data for 'bad'");
    EXPECT_FALSE(registry.ValueExists("bad"));
}

TEST(TRegistry, ReadOnlyKeyRefusesChangesBelowIt)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Locked\\Child", true));
    registry.WriteString("kept", "yes");
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\Locked"));
    EXPECT_EQ(registry.ReadString("kept"), "");   // values of Child are not Locked's
    EXPECT_FALSE(registry.OpenKey("New", true));
    EXPECT_EQ(messageOf([&] { registry.CreateKey("New"); }), "Failed to create key New");
    EXPECT_FALSE(registry.DeleteKey("Child"));
    EXPECT_TRUE(registry.KeyExists("Child"));
    EXPECT_TRUE(registry.OpenKey("Child", false));
    registry.WriteString("more", "allowed");   // reopened for writing
    EXPECT_EQ(registry.ReadString("more"), "allowed");
}

TEST(TRegistry, PathsAreRelativeToTheOpenKeyUnlessTheyStartWithABackslash)
{
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("Software\\Missing", false));
    EXPECT_EQ(registry.CurrentPath(), "");
    ASSERT_TRUE(registry.OpenKey("Software\\Zilo", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\Zilo");
    ASSERT_TRUE(registry.OpenKey("Sub\\Deeper", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\Zilo\\Sub\\Deeper");
    EXPECT_FALSE(registry.OpenKey("Software", false));   // relative: not found below Deeper
    EXPECT_EQ(registry.CurrentPath(), "Software\\Zilo\\Sub\\Deeper");
    ASSERT_TRUE(registry.OpenKey("\\Software", false));
    EXPECT_EQ(registry.CurrentPath(), "Software");
    EXPECT_TRUE(registry.KeyExists("Zilo\\Sub"));
    EXPECT_TRUE(registry.KeyExists("\\Software\\Zilo\\Sub\\Deeper"));
    EXPECT_FALSE(registry.KeyExists("Sub"));
    EXPECT_TRUE(registry.CreateKey("Zilo\\Other"));
    EXPECT_EQ(registry.CurrentPath(), "Software");   // CreateKey leaves the open key
    registry.CloseKey();
    EXPECT_TRUE(registry.KeyExists("Software\\Zilo\\Other"));   // no key open: from the root
    EXPECT_TRUE(registry.OpenKey("Software\\\\Zilo\\", false));   // empty parts do not count
    EXPECT_EQ(registry.CurrentPath(), "Software\\Zilo");
}

TEST(TRegistry, RootsAreSeparate)
{
    TRegistry user;
    ASSERT_TRUE(user.OpenKey("Software\\Shared", true));
    user.WriteInteger("n", 1);
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.KeyExists("Software\\Shared"));
    ASSERT_TRUE(machine.OpenKey("Software\\Shared", true));
    machine.WriteInteger("n", 2);
    machine.SetRootKey(HKEY_CLASSES_ROOT);
    EXPECT_EQ(machine.CurrentPath(), "");   // changing the root closes the key
    EXPECT_FALSE(machine.ValueExists("n"));
    EXPECT_EQ(user.ReadInteger("n"), 1);
}

TEST(TRegistry, NamesMatchWithoutCaseAndKeepTheirFirstCase)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\MixedCase", true));
    registry.WriteString("ValueName", "first");
    ASSERT_TRUE(registry.OpenKey("\\SOFTWARE\\mixedcase", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\MixedCase");
    EXPECT_EQ(registry.ReadString("VALUENAME"), "first");
    registry.WriteString("valuename", "second");
    EXPECT_EQ(valueNames(registry), QStringList{"ValueName"});
    EXPECT_EQ(registry.ReadString("ValueName"), "second");
    EXPECT_TRUE(registry.ValueExists("vALUEnAME"));
    EXPECT_TRUE(registry.DeleteValue("VALUEname"));
    EXPECT_FALSE(registry.ValueExists("ValueName"));
    ASSERT_TRUE(registry.OpenKey("\\", false));
    EXPECT_EQ(keyNames(registry), QStringList{"Software"});
    ASSERT_TRUE(registry.OpenKey("software", false));
    EXPECT_EQ(keyNames(registry), QStringList{"MixedCase"});
}

TEST(TRegistry, EnumeratesKeysAlphabeticallyAndValuesInWriteOrder)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Order", true));
    for (const char *name : {"zeta", "Alpha", "beta", "Gamma"})
        registry.CreateKey(name);
    EXPECT_EQ(keyNames(registry), (QStringList{"Alpha", "beta", "Gamma", "zeta"}));
    EXPECT_TRUE(registry.HasSubKeys());
    for (const char *name : {"z", "a", "m"})
        registry.WriteInteger(name, 1);
    registry.WriteInteger("z", 2);   // a rewrite keeps its place
    EXPECT_EQ(valueNames(registry), (QStringList{"z", "a", "m"}));
    registry.DeleteValue("a");
    registry.WriteInteger("a", 3);   // a new value goes last
    EXPECT_EQ(valueNames(registry), (QStringList{"z", "m", "a"}));
    // The list is replaced, not added to.
    TStringList names;
    names.Add("stale");
    registry.GetValueNames(&names);
    EXPECT_EQ(names.Count(), 3);
    ASSERT_TRUE(registry.OpenKey("Alpha", false));
    EXPECT_FALSE(registry.HasSubKeys());
    EXPECT_TRUE(keyNames(registry).isEmpty());
}

TEST(TRegistry, DeleteKeyTakesItsWholeSubtree)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Tree\\A\\B\\C", true));
    registry.WriteString("deep", "x");
    ASSERT_TRUE(registry.OpenKey("\\Software\\Tree\\A", false));
    registry.WriteInteger("top", 1);
    registry.CreateKey("D");
    registry.CloseKey();
    ASSERT_TRUE(registry.OpenKey("Software\\Tree", false));
    EXPECT_TRUE(registry.DeleteKey("a"));
    EXPECT_FALSE(registry.KeyExists("A"));
    EXPECT_FALSE(registry.KeyExists("A\\B\\C"));
    EXPECT_FALSE(registry.DeleteKey("A"));
    // Made again, it starts empty: nothing of the old tree was left behind.
    ASSERT_TRUE(registry.OpenKey("A\\B\\C", true));
    EXPECT_FALSE(registry.ValueExists("deep"));
    ASSERT_TRUE(registry.OpenKey("\\Software\\Tree\\A", false));
    EXPECT_FALSE(registry.ValueExists("top"));
    EXPECT_EQ(keyNames(registry), QStringList{"B"});
    // Roots and the empty path are never deleted.
    registry.CloseKey();
    EXPECT_FALSE(registry.DeleteKey(""));
    EXPECT_FALSE(registry.DeleteKey("\\"));
    EXPECT_TRUE(registry.KeyExists("Software\\Tree"));
}

TEST(TRegistry, MoveKeyCopiesTheTreeWithTypesAndOrder)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Src", true));
    registry.WriteString("s", "text");
    registry.WriteInteger("i", 42);
    registry.WriteBinaryData("b", "\x01\x02", 2);
    ASSERT_TRUE(registry.OpenKey("Child\\Grand", true));
    registry.WriteString("leaf", "L");
    registry.CloseKey();

    registry.MoveKey("Software\\Src", "Software\\Copy", false);
    registry.MoveKey("Software\\Src", "Software\\Moved\\Here", true);
    EXPECT_FALSE(registry.KeyExists("Software\\Src"));
    for (const char *path : {"Software\\Copy", "Software\\Moved\\Here"}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(registry.OpenKey(QString("\\") + path, false));
        EXPECT_EQ(valueNames(registry), (QStringList{"s", "i", "b"}));
        EXPECT_EQ(registry.ReadString("s"), "text");
        EXPECT_EQ(registry.ReadInteger("i"), 42);
        EXPECT_EQ(registry.GetDataType("b"), rdBinary);
        EXPECT_EQ(keyNames(registry), QStringList{"Child"});
        ASSERT_TRUE(registry.OpenKey("Child\\Grand", false));
        EXPECT_EQ(registry.ReadString("leaf"), "L");
    }
}

TEST(TRegistry, MoveKeyLeavesEverythingWhenItCannotMove)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Old", true));
    registry.WriteInteger("v", 1);
    ASSERT_TRUE(registry.OpenKey("\\Software\\Existing", true));
    registry.WriteInteger("v", 2);
    registry.CloseKey();
    const struct
    {
        const char *oldName;
        const char *newName;
    } cases[] = {
        {"Software\\Missing", "Software\\New"},    // nothing to move
        {"Software\\Old", "Software\\EXISTING"},   // target exists
        {"Software\\Old", "Software\\Old\\Inside\\Deeper"},   // into itself
        {"Software", "Software\\Old\\Inside"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.newName);
        registry.MoveKey(c.oldName, c.newName, true);
        EXPECT_TRUE(registry.OpenKey("\\Software\\Old", false));
        EXPECT_EQ(registry.ReadInteger("v"), 1);
        EXPECT_FALSE(registry.HasSubKeys());
        EXPECT_TRUE(registry.OpenKey("\\Software\\Existing", false));
        EXPECT_EQ(registry.ReadInteger("v"), 2);
        registry.CloseKey();
        EXPECT_FALSE(registry.KeyExists("Software\\New"));
    }
}

TEST(RegistryTransaction, RollbackLeavesNothingAndCommitKeepsAll)
{
    TRegistry registry;
    {
        RegistryTransaction transaction(registry);
        ASSERT_TRUE(registry.OpenKey("Software\\Undone", true));
        registry.WriteInteger("a", 1);
        TRegistry another;   // other objects of this thread join the transaction
        ASSERT_TRUE(another.OpenKey("Software\\AlsoUndone", true));
        another.WriteString("b", "x");
    }
    registry.CloseKey();
    EXPECT_FALSE(registry.KeyExists("Software\\Undone"));
    EXPECT_FALSE(registry.KeyExists("Software\\AlsoUndone"));

    {
        RegistryTransaction outer(registry);
        ASSERT_TRUE(registry.OpenKey("Software\\Kept", true));
        registry.WriteInteger("outer", 1);
        {
            RegistryTransaction inner(registry);
            registry.WriteInteger("undone", 2);
        }
        {
            RegistryTransaction inner(registry);
            registry.WriteInteger("inner", 3);
            inner.Commit();
        }
        outer.Commit();
    }
    EXPECT_EQ(valueNames(registry), (QStringList{"outer", "inner"}));
}

TEST(RegistryTransaction, OtherThreadsSeeNothingUntilCommit)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Pending", true));
    RegistryTransaction transaction(registry);
    registry.WriteInteger("v", 1);
    bool seenBefore = true;
    std::thread([&] {
        TRegistry reader;
        seenBefore = reader.OpenKey("Software\\Pending", false) && reader.ValueExists("v");
    }).join();
    transaction.Commit();
    bool seenAfter = false;
    std::thread([&] {
        TRegistry reader;
        seenAfter = reader.OpenKey("Software\\Pending", false) && reader.ValueExists("v");
    }).join();
    EXPECT_FALSE(seenBefore);
    EXPECT_TRUE(seenAfter);
}

TEST(RegistryTransaction, AProcessThatDiesMidTransactionLeavesNothing)
{
    TRegistry registry;   // the parent's connection is open before the fork
    ASSERT_TRUE(registry.OpenKey("Software\\Crash", true));
    registry.WriteInteger("before", 1);
    const pid_t child = forkWriter([] {
        TRegistry writer;
        RegistryTransaction transaction(writer);
        if (!writer.OpenKey("Software\\Crash", true))
            return false;
        for (int i = 0; i < 50; ++i)
            writer.WriteInteger(QStringLiteral("half%1").arg(i), i);
        ::_exit(0);   // dies with the transaction open
    });
    ASSERT_GT(child, 0);
    EXPECT_EQ(exitStatus(child), 0);
    EXPECT_EQ(valueNames(registry), QStringList{"before"});
    registry.WriteInteger("after", 2);   // the file is still fine to write
    EXPECT_EQ(valueNames(registry), (QStringList{"before", "after"}));
}

TEST(RegistryStore, TwoProcessesWritingAtOnceBothSucceed)
{
    constexpr int Transactions = 100;
    constexpr int ValuesPerTransaction = 5;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    // Neither process has opened the file: both race to make it and switch it to WAL.
    std::vector<pid_t> children;
    for (const char *writer : {"first", "second"}) {
        children.push_back(forkWriter([&, writer] {
            char go = 0;
            if (::read(ready[0], &go, 1) != 1)
                return false;
            TRegistry registry;
            for (int t = 0; t < Transactions; ++t) {
                RegistryTransaction transaction(registry);
                if (!registry.OpenKey(QStringLiteral("Software\\Shared\\%1").arg(t % 7), true))
                    return false;
                for (int v = 0; v < ValuesPerTransaction; ++v)
                    registry.WriteInteger(QStringLiteral("%1-%2-%3").arg(writer).arg(t).arg(v), t * 10 + v);
                transaction.Commit();
                registry.CloseKey();
            }
            return true;
        }));
        ASSERT_GT(children.back(), 0);
    }
    ASSERT_EQ(::write(ready[1], "gg", 2), 2);
    for (pid_t child : children)
        EXPECT_EQ(exitStatus(child), 0);
    ::close(ready[0]);
    ::close(ready[1]);

    TRegistry registry;
    for (const char *writer : {"first", "second"}) {
        for (int t = 0; t < Transactions; ++t) {
            ASSERT_TRUE(registry.OpenKey(QStringLiteral("\\Software\\Shared\\%1").arg(t % 7), false));
            for (int v = 0; v < ValuesPerTransaction; ++v) {
                const QString name = QStringLiteral("%1-%2-%3").arg(writer).arg(t).arg(v);
                ASSERT_EQ(registry.GetDataType(name), rdInteger) << name.toStdString();
                EXPECT_EQ(registry.ReadInteger(name), t * 10 + v);
            }
        }
    }

    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(std::getenv("ZILO_REGISTRY"), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt *statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &statement, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)), "wal");
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

TEST(RegistryStore, ThreadsWriteAtOnceThroughTheirOwnObjects)
{
    constexpr int Threads = 6;
    constexpr int Writes = 40;
    std::vector<std::thread> threads;
    std::atomic<int> failures = 0;
    for (int t = 0; t < Threads; ++t) {
        threads.emplace_back([t, &failures] {
            try {
                TRegistry registry;
                for (int i = 0; i < Writes; ++i) {
                    RegistryTransaction transaction(registry);
                    registry.OpenKey(QStringLiteral("\\Software\\Threads\\%1").arg(i % 3), true);
                    registry.WriteInteger(QStringLiteral("t%1-%2").arg(t).arg(i), i);
                    transaction.Commit();
                }
            } catch (const Exception &) {
                ++failures;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    TRegistry registry;
    int found = 0;
    for (int key = 0; key < 3; ++key) {
        ASSERT_TRUE(registry.OpenKey(QStringLiteral("\\Software\\Threads\\%1").arg(key), false));
        found += int(valueNames(registry).size());
    }
    EXPECT_EQ(found, Threads * Writes);
}

TEST(RegistryStore, FollowsTheRegistryFileOfTheMoment)
{
    TRegistry first;
    ASSERT_TRUE(first.OpenKey("Software\\Where", true));
    first.WriteString("file", "first");
    const std::string second = TestHostFolder() + "/Second.db";
    ::setenv("ZILO_REGISTRY", second.c_str(), 1);
    TRegistry other;
    EXPECT_FALSE(other.KeyExists("Software\\Where"));
    ASSERT_TRUE(other.OpenKey("Software\\Where", true));
    other.WriteString("file", "second");
    // Each object stays with the file it was made on, used in turn on one thread.
    first.WriteString("again", "first");
    EXPECT_EQ(first.ReadString("file"), "first");
    EXPECT_EQ(other.ReadString("file"), "second");
    EXPECT_FALSE(other.ValueExists("again"));
    EXPECT_TRUE(HostFileExists(second));
}

TEST(TRegIniFile, ReadsEveryStoredFormOrTheDefault)
{
    const struct
    {
        const char *name;
        std::optional<RegistryData> stored;
        int32_t asInteger;   // read with the default 7
        bool asBool;         // read with the default true
        const char *asString;   // read with the default "d"
    } cases[] = {
        {"decimal", QString("12"), 12, true, "12"},
        {"negative", QString("-3"), -3, true, "-3"},
        {"hex", QString("0x1F"), 31, true, "0x1F"},
        {"upper hex", QString("0X1f"), 31, true, "0X1f"},
        {"zero", QString("0"), 0, false, "0"},
        {"one", QString("1"), 1, true, "1"},
        {"not a number", QString("abc"), 7, true, "abc"},
        {"dollar hex", QString("$1F"), 7, true, "$1F"},
        {"empty", QString(""), 7, true, ""},
        {"too large", QString("4294967296"), 7, true, "4294967296"},
        {"registry integer", int32_t(5), 5, true, "5"},
        {"registry zero", int32_t(0), 0, false, "0"},
        {"binary", QByteArray("\x01", 1), 7, true, "d"},
        {"missing", std::nullopt, 7, true, "d"},
    };
    {
        TRegistry raw;
        ASSERT_TRUE(raw.OpenKey("Software\\Ini\\Forms", true));
        for (const auto &c : cases) {
            if (!c.stored)
                continue;
            if (const auto *text = std::get_if<QString>(&*c.stored))
                raw.WriteString(c.name, *text);
            else if (const auto *number = std::get_if<int32_t>(&*c.stored))
                raw.WriteInteger(c.name, *number);
            else
                raw.WriteBinaryData(c.name, std::get<QByteArray>(*c.stored).constData(), 1);
        }
    }
    TRegIniFile ini("Software\\Ini");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ini.ReadInteger("Forms", c.name, 7), c.asInteger);
        EXPECT_EQ(ini.ReadBool("Forms", c.name, true), c.asBool);
        EXPECT_EQ(ini.ReadString("Forms", c.name, "d"), QString(c.asString));
        EXPECT_EQ(ini.ValueExists("Forms", c.name), c.stored.has_value());
    }
    EXPECT_EQ(ini.ReadInteger("No section", "x", -9), -9);
    EXPECT_FALSE(ini.ReadBool("No section", "x", false));
    EXPECT_FALSE(ini.SectionExists("No section"));   // reading makes nothing
}

TEST(TRegIniFile, WritesEveryValueAsText)
{
    const struct
    {
        const char *name;
        std::function<void(TRegIniFile &)> write;
        const char *stored;
    } cases[] = {
        {"string", [](TRegIniFile &f) { f.WriteString("S", "string", "plain"); }, "plain"},
        {"integer", [](TRegIniFile &f) { f.WriteInteger("S", "integer", -42); }, "-42"},
        {"minimum", [](TRegIniFile &f) { f.WriteInteger("S", "minimum", INT32_MIN); }, "-2147483648"},
        {"true", [](TRegIniFile &f) { f.WriteBool("S", "true", true); }, "1"},
        {"false", [](TRegIniFile &f) { f.WriteBool("S", "false", false); }, "0"},
    };
    TRegIniFile ini("Software\\Written");
    for (const auto &c : cases)
        c.write(ini);
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKey("Software\\Written\\S", false));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(raw.GetDataType(c.name), rdString);
        EXPECT_EQ(raw.ReadString(c.name), c.stored);
    }
    EXPECT_EQ(ini.ReadInteger("S", "minimum", 0), INT32_MIN);
}

TEST(TRegIniFile, SectionsListEraseAndDelete)
{
    TRegIniFile ini("Software\\Sections");
    ini.WriteString("Zed", "b", "2");
    ini.WriteString("Zed", "a", "1");
    ini.WriteString("alpha", "x", "");
    ini.WriteString("", "top", "t");   // the file's own key
    ini.CreateKey("Zed\\Sub");

    TStringList lines;
    ini.ReadSections(&lines);
    EXPECT_EQ(linesOf(lines), (QStringList{"alpha", "Zed"}));
    ini.ReadSection("zed", &lines);
    EXPECT_EQ(linesOf(lines), (QStringList{"b", "a"}));
    ini.ReadSectionValues("Zed", &lines);
    EXPECT_EQ(linesOf(lines), (QStringList{"b=2", "a=1"}));
    ini.ReadSectionValues("alpha", &lines);
    EXPECT_EQ(linesOf(lines), QStringList{"x="});
    ini.ReadSection("missing", &lines);
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_EQ(ini.ReadString("", "top", ""), "t");

    ini.DeleteKey("Zed", "B");
    EXPECT_FALSE(ini.ValueExists("Zed", "b"));
    EXPECT_TRUE(ini.ValueExists("Zed", "a"));
    ini.EraseSection("ZED");
    EXPECT_FALSE(ini.SectionExists("Zed"));
    EXPECT_FALSE(ini.KeyExists("\\Software\\Sections\\Zed\\Sub"));
    EXPECT_TRUE(ini.SectionExists("alpha"));
    ini.EraseSection("");   // never the file itself
    EXPECT_EQ(ini.ReadString("", "top", ""), "t");
}
