#include "../ScopedEnvironment.h"
#include "../TestSupport.h"

#include <platform/LastError.h>
#include <platform/Trash.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QByteArrayList>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class TrashTest : public testing::Test
{
protected:
    void SetUp() override { m_environment.set("XDG_DATA_HOME", TestHostFolder() + "/data"); }

    std::string trash(const std::string &name) const { return TestHostFolder() + "/data/Trash/" + name; }

    ScopedEnvironment m_environment;
};

} // namespace

TEST_F(TrashTest, RecordsWhereEachFileWasAndNumbersRepeatedNames)
{
    const std::string folder = TestHostFolder() + "/my pics%";
    fs::create_directory(folder);
    DWORD error = ERROR_SUCCESS;
    for (const char *content : {"first", "second", "third"}) {
        WriteHostFile(folder + "/a b.jpg", content);
        ASSERT_EQ(MoveToTrash(folder + "/a b.jpg", error), TrashOutcome::Trashed);
    }
    EXPECT_FALSE(HostFileExists(folder + "/a b.jpg"));
    EXPECT_EQ(ReadHostFile(trash("files/a b.jpg")), "first");
    EXPECT_EQ(ReadHostFile(trash("files/a b.jpg.2")), "second");
    EXPECT_EQ(ReadHostFile(trash("files/a b.jpg.3")), "third");

    const QByteArray record = ReadHostFile(trash("info/a b.jpg.2.trashinfo"));
    const QByteArray escaped = QByteArray::fromStdString(TestHostFolder()).toPercentEncoding("/-_.!~*'()");
    EXPECT_TRUE(record.startsWith("[Trash Info]\nPath=" + escaped + "/my%20pics%25/a%20b.jpg\nDeletionDate="))
        << record.toStdString();
    EXPECT_TRUE(QByteArray(record.split('\n').value(2)).startsWith("DeletionDate=20"));
    EXPECT_EQ(fs::status(trash("files")).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(TrashTest, NeverReplacesAFileInTheTrashThatLostItsRecord)
{
    fs::create_directories(trash("files"));
    fs::create_directories(trash("info"));
    WriteHostFile(trash("files/a.jpg"), "orphan");
    WriteHostFile(TestHostFolder() + "/a.jpg", "new");
    DWORD error = ERROR_SUCCESS;
    ASSERT_EQ(MoveToTrash(TestHostFolder() + "/a.jpg", error), TrashOutcome::Trashed);
    EXPECT_EQ(ReadHostFile(trash("files/a.jpg")), "orphan");
    EXPECT_EQ(ReadHostFile(trash("files/a.jpg.2")), "new");
    EXPECT_FALSE(HostFileExists(trash("info/a.jpg.trashinfo")));
}

TEST_F(TrashTest, AnswersNoTrashWhenTheHomeTrashCannotBeMade)
{
    WriteHostFile(TestHostFolder() + "/blocker", "x");
    m_environment.set("XDG_DATA_HOME", TestHostFolder() + "/blocker/data");
    WriteHostFile(TestHostFolder() + "/a.jpg", "a");
    DWORD error = ERROR_SUCCESS;
    EXPECT_EQ(MoveToTrash(TestHostFolder() + "/a.jpg", error), TrashOutcome::NoTrash);
    EXPECT_TRUE(HostFileExists(TestHostFolder() + "/a.jpg"));
}

TEST_F(TrashTest, FailsForAMissingFile)
{
    DWORD error = ERROR_SUCCESS;
    EXPECT_EQ(MoveToTrash(TestHostFolder() + "/missing.jpg", error), TrashOutcome::Failed);
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}
