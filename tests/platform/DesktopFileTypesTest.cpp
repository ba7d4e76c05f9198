#include <platform/DesktopEntry.h>
#include <platform/DesktopFileTypes.h>
#include <platform/HostPath.h>

#include "../FakeDesktop.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

namespace {

class DesktopFileTypes : public testing::Test
{
protected:
    FakeDesktop m_desktop;
    std::string m_program = WindowsPathFromHost(TestHostFolder() + "/My Zilo/Zilo");

    DesktopFileTypeRequest request(const std::string &extension, const std::string &id) const
    {
        return {extension, id, "Zilo browse file", "ZILO", "Vantrel's Image Organiser", m_program, {"browsefile=%f"}};
    }
    QByteArray userAssociations() const { return ReadHostFile(m_desktop.root() + "/config/mimeapps.list"); }
};

TEST_F(DesktopFileTypes, OwnTypeGetsPackageHandlerAndDefault)
{
    const auto type = RegisterDesktopFileType(request(".zilo", "Zilo.BrowseFile"));
    ASSERT_TRUE(type);
    EXPECT_TRUE(type->own);
    EXPECT_EQ(type->mimeType, "application/x-zilo.browsefile");

    const QByteArray package = ReadHostFile(m_desktop.root() + "/data/mime/packages/zilo.browsefile.xml");
    EXPECT_TRUE(package.contains("<glob pattern=\"*.zilo\"/>"));
    EXPECT_TRUE(package.contains("value=\"ZILO\""));
    // The database was rebuilt with the type.
    EXPECT_TRUE(HostFileExists(m_desktop.root() + "/data/mime/application/x-zilo.browsefile.xml"));

    const auto handler = ReadDesktopEntry(DesktopFileTypeHandlerPath("Zilo.BrowseFile"));
    ASSERT_TRUE(handler);
    EXPECT_TRUE(handler->noDisplay);
    EXPECT_EQ(handler->program, m_program);
    EXPECT_EQ(handler->arguments, std::vector<std::string>{"browsefile=%f"});
    EXPECT_EQ(handler->mimeTypes, std::vector<std::string>{"application/x-zilo.browsefile"});
    EXPECT_TRUE(userAssociations().contains("application/x-zilo.browsefile=zilo.browsefile.desktop"))
        << userAssociations().constData();
}

TEST_F(DesktopFileTypes, ExistingTypeIsOnlyListed)
{
    m_desktop.writeUserAssociations("[Default Applications]\nimage/jpeg=viewer.desktop;\n");
    const auto type = RegisterDesktopFileType(request(".jpg", "Zilo.JPEG"));
    ASSERT_TRUE(type);
    EXPECT_FALSE(type->own);
    EXPECT_EQ(type->mimeType, "image/jpeg");
    EXPECT_FALSE(HostFileExists(m_desktop.root() + "/data/mime/packages/zilo.jpeg.xml"));
    const auto handler = ReadDesktopEntry(DesktopFileTypeHandlerPath("Zilo.JPEG"));
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->mimeTypes, std::vector<std::string>{"image/jpeg"});
    EXPECT_EQ(userAssociations(), QByteArray("[Default Applications]\nimage/jpeg=viewer.desktop;\n"));
}

TEST_F(DesktopFileTypes, UnregisterTakesAwayOnlyOurs)
{
    ASSERT_TRUE(RegisterDesktopFileType(request(".zilo", "Zilo.BrowseFile")));
    m_desktop.writeUserAssociations("[Default Applications]\n"
                                    "application/x-zilo.browsefile=zilo.browsefile.desktop;\n"
                                    "image/png=viewer.desktop;zilo.browsefile.desktop;\n"
                                    "[Added Associations]\ntext/plain=editor.desktop;\n");
    EXPECT_TRUE(UnregisterDesktopFileType("Zilo.BrowseFile"));
    EXPECT_FALSE(HostFileExists(m_desktop.root() + "/data/mime/packages/zilo.browsefile.xml"));
    EXPECT_FALSE(HostFileExists(m_desktop.root() + "/data/applications/zilo.browsefile.desktop"));
    EXPECT_EQ(userAssociations(), QByteArray("[Default Applications]\nimage/png=viewer.desktop;\n"
                                             "[Added Associations]\ntext/plain=editor.desktop;\n"));
}

TEST_F(DesktopFileTypes, RefusesRequestsThatNameSharedFiles)
{
    struct Case
    {
        const char *extension;
        const char *id;
    };
    const Case cases[] = {{"zilo", "Zilo.BrowseFile"}, {".", "Zilo.BrowseFile"}, {".zilo", ""},
                          {".zilo", "../applications/x"}, {".zilo", ".hidden"}, {".z/x", "Zilo.BrowseFile"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.extension) + " " + c.id);
        EXPECT_FALSE(RegisterDesktopFileType(request(c.extension, c.id)));
    }
    EXPECT_FALSE(UnregisterDesktopFileType(""));
    EXPECT_FALSE(UnregisterDesktopFileType("../mimeapps"));
}

} // namespace
