// The main of every test program. Each test runs with its own temporary folder
// holding its registry file and program folder, so no test sees another's.

#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <string>

void SetTestHostFolder(const std::string &folder);

namespace {

class TestFolderListener : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo &) override
    {
        const char *temp = std::getenv("TMPDIR");
        std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/zilo-test-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        m_folder = pattern;
        std::filesystem::create_directory(m_folder + "/Program");
        ::setenv("ZILO_REGISTRY", (m_folder + "/Registry.db").c_str(), 1);
        ::setenv("ZILO_PROGRAM_FOLDER", (m_folder + "/Program").c_str(), 1);
        ::unsetenv("ZILO_DRIVE_MAP");
        SetTestHostFolder(m_folder);
    }

    void OnTestEnd(const testing::TestInfo &) override
    {
        std::error_code ignored;
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_folder, ignored);
        ::unsetenv("ZILO_DRIVE_MAP");
        SetTestHostFolder({});
    }

    std::string m_folder;
};

} // namespace

int main(int argc, char **argv)
{
    // Test discovery runs this program outside ctest's environment.
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TestFolderListener);
    return RUN_ALL_TESTS();
}
