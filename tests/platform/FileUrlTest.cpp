#include <platform/FileUrl.h>

#include "../DriveMapLines.h"
#include "../TestSupport.h"

#include <gtest/gtest.h>

#include <QUrl>

#include <string>

namespace {

TEST(UrlPathFromWindows, EncodesEachHostNameAndJoinsBySeparator)
{
    struct Case
    {
        const char *path;
        char separator;
        const char *url;
    };
    const Case cases[] = {
        {"photo.jpg", '/', "photo.jpg"},
        {"a b&c #1.jpg", '/', "a%20b%26c%20%231.jpg"},
        {"50% off.jpg", '/', "50%25%20off.jpg"},
        {"thumbs\\tn_x.jpg", '/', "thumbs/tn_x.jpg"},
        {"thumbs\\tn_x.jpg", '\\', "thumbs\\tn_x.jpg"},
        {"..\\..\\Pics\\a?b.jpg", '/', "../../Pics/a%3Fb.jpg"},
        // A '"' in a host name stands as U+F022 in its Windows name.
        {"say \xEF\x80\xA2" "cheese\xEF\x80\xA2.jpg", '/', "say%20%22cheese%22.jpg"},
        {"caf\xC3\xA9.jpg", '/', "caf%C3%A9.jpg"},
        {"", '/', ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(UrlPathFromWindows(c.path, c.separator), c.url);
    }
}

TEST(FileUrlFromWindows, IsTheAddressOfTheHostPath)
{
    WriteDriveMap(DriveMapLine("C:", TestHostFolder(), "fixed", "0012ABCD", "System"));
    const std::string url = FileUrlFromWindows("C:\\My Pics\\a&b #1.jpg");
    EXPECT_EQ(url.rfind("file:///", 0), 0u) << url;
    EXPECT_EQ(url.find_first_of(" &#"), std::string::npos) << url;
    EXPECT_EQ(QUrl(QString::fromStdString(url), QUrl::StrictMode).toLocalFile().toStdString(),
              TestHostFolder() + "/My Pics/a&b #1.jpg");
    EXPECT_EQ(FileUrlFromWindows("Q:\\nowhere.jpg"), "");
    EXPECT_EQ(FileUrlFromWindows("relative\\x.jpg"), "");
}

} // namespace
