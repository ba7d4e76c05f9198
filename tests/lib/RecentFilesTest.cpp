#include <lib/RecentFiles.h>
#include <platform/Menus.h>
#include <platform/StringList.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A File menu with the recent list's place between two groups of items.
class RecentFilesTest : public testing::Test
{
protected:
    RecentFilesTest()
    {
        for (const char *caption : {"&Open...", "-", "(no recent files)", "-", "E&xit"}) {
            auto item = std::make_unique<TMenuItem>();
            item->SetCaption(caption);
            m_file.Add(std::move(item));
        }
        m_marker = m_file.Items(2);
        m_marker->OnClick = [this](TMenuItem *sender) { m_clicked = sender; };
    }

    QStringList captions() const
    {
        QStringList result;
        for (int i = 0; i < m_file.Count(); ++i)
            result << m_file.Items(i)->Caption();
        return result;
    }

    TMenuItem m_file;
    TMenuItem *m_marker = nullptr;
    TMenuItem *m_clicked = nullptr;
    TStringList m_files;
};

} // namespace

TEST_F(RecentFilesTest, BuildsOneItemPerLineAfterTheMarker)
{
    m_files.Add("C:\\Batch\\one.zile");
    m_files.Add("D:\\two & more.zile");
    BuildRecentFileMenu(m_marker, &m_files);
    EXPECT_EQ(captions(), QStringList({"&Open...", "-", "(no recent files)", "&1 one.zile", "&2 two && more.zile",
                                       "-", "E&xit"}));
    EXPECT_FALSE(m_marker->Visible());
    TMenuItem *second = m_file.Items(4);
    EXPECT_EQ(second->Hint(), "D:\\two & more.zile");
    second->Click();
    EXPECT_EQ(m_clicked, second) << "the marker's handler, with the item picked";
}

TEST_F(RecentFilesTest, RebuildingReplacesTheOldItemsUpToTheSeparator)
{
    m_files.Add("C:\\a.zile");
    m_files.Add("C:\\b.zile");
    BuildRecentFileMenu(m_marker, &m_files);
    m_files.Delete(0);
    BuildRecentFileMenu(m_marker, &m_files);
    EXPECT_EQ(captions(), QStringList({"&Open...", "-", "(no recent files)", "&1 b.zile", "-", "E&xit"}));

    m_files.Clear();
    BuildRecentFileMenu(m_marker, &m_files);
    EXPECT_EQ(captions(), QStringList({"&Open...", "-", "(no recent files)", "-", "E&xit"}));
    EXPECT_TRUE(m_marker->Visible()) << "the marker stands for the empty list";
}

TEST_F(RecentFilesTest, AddingMovesAKnownFileToTheTop)
{
    for (const char *line : {"C:\\a.zile", "C:\\b.zile", "C:\\c.zile", "C:\\d.zile"})
        m_files.Add(line);
    AddToRecentFiles("c:\\C.ZILE", m_marker, &m_files, 4);
    EXPECT_EQ(m_files.ToStringList(), QStringList({"C:\\c.zile", "C:\\a.zile", "C:\\b.zile", "C:\\d.zile"}))
        << "matched without case; the count stays";
    EXPECT_EQ(m_file.Items(3)->Caption(), "&1 c.zile");
}

TEST_F(RecentFilesTest, AddingANewFileAtTheMaximumDropsTheLast)
{
    for (const char *line : {"C:\\a.zile", "C:\\b.zile", "C:\\c.zile"})
        m_files.Add(line);
    AddToRecentFiles("C:\\new.zile", m_marker, &m_files, 3);
    EXPECT_EQ(m_files.ToStringList(), QStringList({"C:\\new.zile", "C:\\a.zile", "C:\\b.zile"}));
    EXPECT_EQ(captions(), QStringList({"&Open...", "-", "(no recent files)", "&1 new.zile", "&2 a.zile",
                                       "&3 b.zile", "-", "E&xit"}));
}

TEST_F(RecentFilesTest, AddingAnEmptyNameOnlyRebuilds)
{
    m_files.Add("C:\\a.zile");
    AddToRecentFiles("", m_marker, &m_files, 8);
    EXPECT_EQ(m_files.Count(), 1);
    EXPECT_EQ(captions(), QStringList({"&Open...", "-", "(no recent files)", "&1 a.zile", "-", "E&xit"}));
}
