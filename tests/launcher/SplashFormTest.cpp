#include "../FakeDesktop.h"
#include "../TestSupport.h"

#include <launcher/ContactForm.h>
#include <launcher/SplashForm.h>
#include <lib/ProductInfo.h>
#include <platform/HostPath.h>
#include <platform/MessageBox.h>

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QString>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// The message boxes shown while it lives: each answered with its default button.
class Boxes
{
public:
    Boxes()
    {
        SetMessageBoxResponder([this](const QString &text, const QString &caption, UINT type) {
            shown.push_back({text, caption, type});
            return DefaultMessageBoxAnswer(type);
        });
    }
    ~Boxes() { SetMessageBoxResponder({}); }

    struct Box
    {
        QString text;
        QString caption;
        UINT type;
    };
    std::vector<Box> shown;
};

// A 24- or 32-bit BMP file of width x height whose row y (from the top) is
// colour(y), stored bottom-up or top-down.
QByteArray bmpFile(int width, int height, int bits, bool topDown, QRgb (*colour)(int y))
{
    const int pixelBytes = bits / 8;
    const int stride = (width * pixelBytes + 3) & ~3;
    QByteArray rows;
    for (int stored = 0; stored < height; ++stored) {
        const int y = topDown ? stored : height - 1 - stored;
        QByteArray row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            row[x * pixelBytes] = char(qBlue(colour(y)));
            row[x * pixelBytes + 1] = char(qGreen(colour(y)));
            row[x * pixelBytes + 2] = char(qRed(colour(y)));
        }
        rows += row;
    }
    BITMAPFILEHEADER file{0x4D42, DWORD(54 + rows.size()), 0, 0, 54};
    BITMAPINFOHEADER info{40, width, topDown ? -height : height, 1, WORD(bits), BI_RGB, DWORD(rows.size()), 0, 0, 0, 0};
    QByteArray bytes(reinterpret_cast<const char *>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char *>(&info), sizeof info);
    return bytes + rows;
}

QRgb redOverBlue(int y)
{
    return y < 2 ? qRgb(220, 20, 30) : qRgb(10, 30, 210);
}

class SplashFormTest : public ::testing::Test
{
protected:
    // The test's launcher folder, which Splash.bmp and Zilo go into.
    static CPath folder() { return CPath(CString(TestWindowsPath(QStringLiteral("Launcher")).toUtf8().constData())); }
    static std::string hostFolder() { return TestHostFolder() + "/Launcher"; }

    void SetUp() override { std::filesystem::create_directory(hostFolder()); }

    TContactForm1 m_credits;
};

TEST_F(SplashFormTest, AboutModeOnlyForAnArgumentThatIsTheWord)
{
    struct Case
    {
        QStringList arguments;
        bool about;
    };
    const Case cases[] = {
        {{"about"}, true},  {{"-x", "about"}, true}, {{}, false},         {{"About"}, false},
        {{"aboutx"}, false}, {{"--about"}, false},   {{"C:\\about\\Zilo"}, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        EXPECT_EQ(TSplashForm1::IsAboutCommandLine(c.arguments), c.about);
    }
    // Installed under a folder named about, the splash still starts the organiser.
    std::filesystem::create_directories(TestHostFolder() + "/about");
    const TSplashForm1 splash({}, CPath(CString(TestWindowsPath("about").toUtf8().constData())), &m_credits);
    EXPECT_FALSE(splash.AboutMode);
    EXPECT_TRUE(splash.Timer1.isActive());
}

TEST_F(SplashFormTest, StartsTheOrganiserBesideItOnceAndClosesAfterFiveSeconds)
{
    FakeDesktop::writeLoggingProgram(hostFolder() + "/Zilo", hostFolder() + "/started.log");
    Boxes boxes;
    TSplashForm1 splash({}, folder(), &m_credits);
    splash.show();
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash.windowTitle(), QStringLiteral("ZILO Splash"));
    EXPECT_EQ(splash.Label1->text(), QString::fromUtf8(ProductName));
    EXPECT_EQ(splash.Label2->text(), QStringLiteral("V2.0 21st September 1999"));
    for (QWidget *aboutOnly : std::initializer_list<QWidget *>{splash.Label3, splash.Label4, splash.Label5,
                                                               splash.OKButton, splash.InfoButton})
        EXPECT_FALSE(aboutOnly->isVisible()) << aboutOnly->objectName().toStdString();
    ASSERT_TRUE(splash.Timer1.isActive());
    EXPECT_EQ(splash.Timer1.interval(), 10);
    EXPECT_FALSE(splash.Timer2.isActive());

    splash.Timer1Timer();
    EXPECT_FALSE(splash.Timer1.isActive());
    EXPECT_EQ(FakeDesktop::waitForFile(hostFolder() + "/started.log"), QByteArray());   // started, no arguments
    EXPECT_TRUE(HostFileExists(hostFolder() + "/started.log"));
    EXPECT_TRUE(boxes.shown.empty());
    ASSERT_TRUE(splash.Timer2.isActive());
    EXPECT_EQ(splash.Timer2.interval(), 5000);
    EXPECT_TRUE(splash.isVisible());
    splash.Timer2Timer();
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.Timer2.isActive());
}

TEST_F(SplashFormTest, AFailedStartSaysSoAndClosesAfter200Ms)
{
    Boxes boxes;
    TSplashForm1 splash({}, folder(), &m_credits);   // no organiser in the folder
    splash.show();
    splash.Timer1Timer();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Unable to run ZILO.EXE"));
    EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes.shown[0].type, MB_ICONERROR | MB_OK | MB_TOPMOST);
    ASSERT_TRUE(splash.Timer2.isActive());
    EXPECT_EQ(splash.Timer2.interval(), 200);
}

TEST_F(SplashFormTest, AClickClosesTheSplashButNotTheAboutBox)
{
    TSplashForm1 splash({}, folder(), &m_credits);
    splash.show();
    splash.FormClick();
    EXPECT_FALSE(splash.isVisible());

    TSplashForm1 about({"about"}, folder(), &m_credits);
    about.show();
    EXPECT_TRUE(about.AboutMode);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(about.Timer1.isActive());
    for (QWidget *aboutOnly : std::initializer_list<QWidget *>{about.Label3, about.Label4, about.Label5,
                                                               about.OKButton, about.InfoButton})
        EXPECT_TRUE(aboutOnly->isVisible()) << aboutOnly->objectName().toStdString();
    EXPECT_EQ(about.Label4->text(),
              QStringLiteral("This software is based in part on the work of the Independent JPEG Group"));
    EXPECT_EQ(about.InfoButton->text(), QStringLiteral("&Info..."));
    about.FormClick();
    EXPECT_TRUE(about.isVisible());
    about.OKButton->click();
    EXPECT_FALSE(about.isVisible());
}

TEST_F(SplashFormTest, BottomUpAndTopDownPicturesAreDrawnUpright)
{
    for (const bool topDown : {false, true}) {
        for (const int bits : {24, 32}) {
            SCOPED_TRACE(std::to_string(bits) + (topDown ? " top-down" : " bottom-up"));
            WriteHostFile(hostFolder() + "/Splash.bmp", bmpFile(5, 4, bits, topDown, redOverBlue));
            TSplashForm1 splash({}, folder(), &m_credits);
            EXPECT_EQ(splash.Picture().Width(), 5);
            EXPECT_EQ(splash.Picture().Height(), 4);
            const QImage shown = splash.grab().toImage();
            EXPECT_EQ(shown.pixel(2, 0), qRgb(220, 20, 30));
            EXPECT_EQ(shown.pixel(2, 3), qRgb(10, 30, 210));
            EXPECT_EQ(shown.pixel(20, 20), qRgb(78, 78, 78));   // beyond the picture, the background
        }
    }
}

TEST_F(SplashFormTest, AFileWhoseHeadersDisagreeWithItsSizeGivesNoPicture)
{
    const QByteArray good = bmpFile(5, 4, 24, false, redOverBlue);
    CBitmap bitmap;
    TSplashForm1::ReadSplashBitmap(good, bitmap);
    ASSERT_FALSE(bitmap.IsEmpty());
    for (qsizetype length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        TSplashForm1::ReadSplashBitmap(good.left(length), bitmap);
        EXPECT_TRUE(bitmap.IsEmpty());
    }
    struct Damage
    {
        const char *what;
        int offset;
        uint32_t value;
        int bytes;
    };
    const Damage damages[] = {
        {"magic", 0, 0x4D41, 2},           {"rows past the end", 10, 60, 4},   {"header past the rows", 14, 48, 4},
        {"huge width", 18, 0x7FFFFFFF, 4}, {"zero width", 18, 0, 4},           {"zero height", 22, 0, 4},
        {"tall height", 22, 400000, 4},    {"planes", 26, 2, 2},               {"16 bits", 28, 16, 2},
        {"compressed", 30, BI_RLE8, 4},    {"lowest height", 22, 0x80000000u, 4},
    };
    for (const Damage &damage : damages) {
        SCOPED_TRACE(damage.what);
        QByteArray bad = good;
        std::memcpy(bad.data() + damage.offset, &damage.value, size_t(damage.bytes));
        TSplashForm1::ReadSplashBitmap(bad, bitmap);
        EXPECT_TRUE(bitmap.IsEmpty());
    }

    WriteHostFile(hostFolder() + "/Splash.bmp", good.left(good.size() - 1));
    TSplashForm1 splash({}, folder(), &m_credits);
    EXPECT_TRUE(splash.Picture().IsEmpty());
    EXPECT_EQ(splash.grab().toImage().pixel(2, 0), qRgb(78, 78, 78));
}

TEST_F(SplashFormTest, WithoutAPictureTheSplashStillStartsAndCloses)
{
    FakeDesktop::writeLoggingProgram(hostFolder() + "/Zilo", hostFolder() + "/started.log");
    TSplashForm1 splash({}, folder(), &m_credits);
    EXPECT_TRUE(splash.Picture().IsEmpty());
    splash.show();
    splash.Timer1Timer();
    FakeDesktop::waitForFile(hostFolder() + "/started.log");
    EXPECT_TRUE(HostFileExists(hostFolder() + "/started.log"));
    EXPECT_EQ(splash.Timer2.interval(), 5000);
}

} // namespace
