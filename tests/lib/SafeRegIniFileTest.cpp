#include <lib/SafeRegIniFile.h>
#include <platform/Exception.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

TEST(TSafeRegIniFile, ReadsLikeTheRegistryFileItIs)
{
    TSafeRegIniFile settings("Software\\Zilo");
    TRegIniFile &file = settings;   // the locked operations are found through the base too
    file.WriteInteger("Main", "Count", 12);
    file.WriteBool("Main", "Shown", true);
    EXPECT_EQ(file.ReadString("Main", "Count", ""), "12");
    EXPECT_EQ(file.ReadInteger("Main", "Count", 0), 12);
    EXPECT_TRUE(file.ReadBool("Main", "Shown", false));
    EXPECT_EQ(file.ReadInteger("Main", "Missing", -1), -1);
    file.DeleteKey("Main", "Count");
    EXPECT_FALSE(file.ValueExists("Main", "Count"));
    file.EraseSection("Main");
    EXPECT_FALSE(file.SectionExists("Main"));
}

TEST(TSafeRegIniFile, ManyThreadsShareOneFile)
{
    constexpr int Writers = 6;
    constexpr int Writes = 40;
    constexpr int SectionSaves = 10;
    constexpr int SectionValues = 8;
    TSafeRegIniFile settings("Software\\Zilo");
    std::atomic<int> failures = 0;
    std::atomic<bool> savesDone = false;
    const auto guarded = [&failures](auto body) {
        return [body, &failures] {
            try {
                body();
            } catch (const Exception &) {
                ++failures;
            }
        };
    };
    std::vector<std::thread> threads;
    for (int w = 0; w < Writers; ++w) {
        threads.emplace_back(guarded([&settings, w] {
            const QString section = QStringLiteral("Writer%1").arg(w);
            for (int i = 0; i < Writes; ++i) {
                settings.WriteInteger(section, QStringLiteral("n%1").arg(i), i);
                settings.WriteBool(section, QStringLiteral("b%1").arg(i), i % 2 == 1);
                if (settings.ReadInteger(section, QStringLiteral("n%1").arg(i), -1) != i)
                    throw Exception("lost a write");
                settings.WriteString("Shared", "last", section);
            }
        }));
    }
    // Whole-section saves, each one transaction, beside the single writes.
    threads.emplace_back(guarded([&settings, &savesDone] {
        struct Done
        {
            std::atomic<bool> &flag;
            ~Done() { flag = true; }   // also when a save fails
        } done{savesDone};
        for (int save = 0; save < SectionSaves; ++save) {
            TSafeRegIniFile::Transaction transaction(settings);
            settings.EraseSection("Saved");
            for (int v = 0; v < SectionValues; ++v) {
                settings.WriteInteger("Saved", QStringLiteral("v%1").arg(v), save);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));   // the others reach the file meanwhile
            }
            transaction.Commit();
        }
    }));
    // Single writes all through the section saves.
    threads.emplace_back(guarded([&settings, &savesDone] {
        for (int i = 0; i < Writes || !savesDone; ++i) {
            settings.WriteString("Churn", "x", "1");
            settings.DeleteKey("Churn", "x");
            settings.EraseSection("Churn");
        }
    }));
    for (std::thread &thread : threads)
        thread.join();

    EXPECT_EQ(failures, 0);
    for (int w = 0; w < Writers; ++w) {
        const QString section = QStringLiteral("Writer%1").arg(w);
        TStringList names;
        settings.ReadSection(section, &names);
        EXPECT_EQ(names.Count(), 2 * Writes) << w;
        EXPECT_TRUE(settings.ReadBool(section, "b1", false));
        EXPECT_FALSE(settings.ReadBool(section, "b2", true));
    }
    for (int v = 0; v < SectionValues; ++v)
        EXPECT_EQ(settings.ReadInteger("Saved", QStringLiteral("v%1").arg(v), -1), SectionSaves - 1);
    EXPECT_TRUE(settings.ReadString("Shared", "last", "").startsWith("Writer"));
    EXPECT_FALSE(settings.SectionExists("Churn"));
}
