#include "SplashForm.h"

#include "ContactForm.h"

#include <lib/ProductInfo.h>
#include <lib/Shell.h>
#include <lib/imaging/ImgIO.h>
#include <platform/BitmapInfo.h>
#include <platform/Exception.h>
#include <platform/MessageBox.h>
#include <platform/Stream.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include <cstdint>
#include <cstring>
#include <cstdlib>

namespace {

constexpr int ClientWidth = 600;
constexpr int ClientHeight = 328;
constexpr int StartDelayMs = 10;
constexpr int CloseDelayMs = 5000;
constexpr int FailedCloseDelayMs = 200;
// Far beyond any splash picture: a larger file is not read into memory.
constexpr int64_t MaxSplashBytes = 64 * 1024 * 1024;

// "Splash.bmp", a Windows BMP file.   offset  size  meaning
//                                          0     2  "BM"
//                                         10     4  offset of the pixel rows
//                                         14    40+ information header: width at 18,
//                                                   signed height at 22 (negative: top-down),
//                                                   planes at 26, bits a pixel at 28,
//                                                   compression at 30
constexpr size_t FileHeaderBytes = sizeof(BITMAPFILEHEADER);
constexpr size_t HeadersBytes = FileHeaderBytes + sizeof(BITMAPINFOHEADER);

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &place, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(place);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}

} // namespace

bool TSplashForm1::IsAboutCommandLine(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("about"));
}

void TSplashForm1::ReadSplashBitmap(const QByteArray &file, CBitmap &bitmap)
{
    bitmap.DeleteBuffers();
    if (size_t(file.size()) < HeadersBytes || !file.startsWith("BM"))
        return;
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER header;
    std::memcpy(&fileHeader, file.constData(), sizeof fileHeader);
    std::memcpy(&header, file.constData() + FileHeaderBytes, sizeof header);
    const uint64_t fileBytes = uint64_t(file.size());
    if (header.biSize < sizeof(BITMAPINFOHEADER) || FileHeaderBytes + uint64_t(header.biSize) > fileHeader.bfOffBits
        || fileHeader.bfOffBits > fileBytes)
        return;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN || header.biPlanes != 1
        || (header.biBitCount != 24 && header.biBitCount != 32) || header.biCompression != BI_RGB)
        return;
    const uint64_t width = uint64_t(header.biWidth);
    const uint64_t height = uint64_t(std::abs(int64_t(header.biHeight)));
    if (!ImgSizeIsAcceptable(width, height))
        return;
    const uint64_t stride = uint64_t(CBitmap::GetBytesNextLine(int(width), header.biBitCount));
    if (stride * height > fileBytes - fileHeader.bfOffBits)
        return;   // rows the file does not hold
    header.biSize = sizeof(BITMAPINFOHEADER);   // a longer header's extra fields are not read
    bitmap.BitmapFromDIB(&header, reinterpret_cast<const unsigned char *>(file.constData()) + fileHeader.bfOffBits);
}

TSplashForm1::TSplashForm1(const QStringList &arguments, const CPath &folder, TContactForm1 *credits)
    : QWidget(nullptr, Qt::FramelessWindowHint), AboutMode(IsAboutCommandLine(arguments)), m_folder(folder),
      m_credits(credits)
{
    setObjectName(QStringLiteral("SplashForm1"));
    if (!AboutMode)
        setWindowFlag(Qt::WindowStaysOnTopHint);
    setFixedSize(ClientWidth, ClientHeight);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(78, 78, 78));
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);

    // The heights are the fonts' cells, internal leading included: the
    // letters themselves take about six sevenths.
    QFont large(QStringLiteral("Arial"));
    large.setPixelSize(24);
    Label1 = makeLabel(this, "Label1", QRect(212, 24, 376, 33), QString());
    Label1->setFont(large);
    QFont medium(QStringLiteral("Arial"));
    medium.setPixelSize(21);
    Label2 = makeLabel(this, "Label2", QRect(212, 72, 376, 33), QString());
    Label2->setFont(medium);
    // A click on the two titles is a click on the window.
    for (QLabel *title : {Label1, Label2})
        title->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label3 = makeLabel(this, "Label3", QRect(320, 118, 268, 99),
                       QStringLiteral("Written by Morwen Astley with GCC and Qt 6. Imaging by libjpeg-turbo, "
                                      "libpng, libtiff and giflib. Docking toolbars and caption bar on Qt, "
                                      "by the Qt Project."));
    Label3->setWordWrap(true);
    Label4 = makeLabel(this, "Label4", QRect(184, 298, 404, 31),
                       QStringLiteral("This software is based in part on the work of the Independent JPEG Group"));
    Label5 = makeLabel(this, "Label5", QRect(332, 216, 256, 77), QString());
    Label5->setWordWrap(true);
    // The notices in the small type of a dialog, so that the longest fits its line.
    QFont small = font();
    small.setPixelSize(11);
    for (QLabel *notice : {Label3, Label4, Label5})
        notice->setFont(small);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(8, 260, 70, 25);
    OKButton->setDefault(true);
    InfoButton = new QPushButton(QStringLiteral("&Info..."), this);
    InfoButton->setObjectName(QStringLiteral("InfoButton"));
    InfoButton->setGeometry(8, 292, 70, 25);
    for (QWidget *aboutOnly : std::initializer_list<QWidget *>{Label3, Label4, Label5, OKButton, InfoButton})
        aboutOnly->setVisible(false);

    Timer1.setInterval(StartDelayMs);
    Timer2.setInterval(CloseDelayMs);
    connect(&Timer1, &QTimer::timeout, this, &TSplashForm1::Timer1Timer);
    connect(&Timer2, &QTimer::timeout, this, &TSplashForm1::Timer2Timer);
    connect(OKButton, &QPushButton::clicked, this, &TSplashForm1::OKButtonClick);
    connect(InfoButton, &QPushButton::clicked, this, &TSplashForm1::InfoButtonClick);
    FormCreate();
}

void TSplashForm1::FormCreate()
{
    setWindowTitle(QStringLiteral("ZILO Splash"));
    LoadSplashBitmap();
    Label1->setText(QString::fromUtf8(ProductName));
    Label2->setText(QStringLiteral("V%1 %2").arg(QString::fromUtf8(ProductVersion), QString::fromUtf8(ReleaseDate)));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
    if (AboutMode) {
        for (QWidget *aboutOnly : std::initializer_list<QWidget *>{Label3, Label5, Label4, OKButton, InfoButton})
            aboutOnly->setVisible(true);
        return;
    }
    Timer1.start();
}

void TSplashForm1::LoadSplashBitmap()
{
    // Any failure leaves no picture, and the background colour shows.
    try {
        TFileStream file(m_folder.AppendFileName("Splash.bmp").ToAnsiString(), fmOpenRead | fmShareDenyWrite);
        const int64_t size = file.Size();
        if (size <= 0 || size > MaxSplashBytes)
            return;
        QByteArray bytes(qsizetype(size), Qt::Uninitialized);
        file.ReadBuffer(bytes.data(), int32_t(size));
        ReadSplashBitmap(bytes, m_picture);
    } catch (const Exception &) {
        m_picture.DeleteBuffers();
    }
}

void TSplashForm1::paintEvent(QPaintEvent *)
{
    if (m_picture.IsEmpty())
        return;
    QPainter canvas(this);
    m_picture.Paint(&canvas, 0, 0, true, nullptr);
}

void TSplashForm1::mousePressEvent(QMouseEvent *)
{
    FormClick();
}

void TSplashForm1::keyPressEvent(QKeyEvent *event)
{
    const bool answers = event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return
                         || event->key() == Qt::Key_Enter;
    if (AboutMode && answers) {
        OKButtonClick();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TSplashForm1::Timer1Timer()
{
    Timer1.stop();
    const CPath program = m_folder.AppendFileName("Zilo");
    if (TShell::OpenProgram(program.c_str(), "") != -1) {
        MessageBoxA(nullptr, "Unable to run ZILO.EXE", "Error", MB_ICONERROR | MB_OK | MB_TOPMOST);
        Timer2.setInterval(FailedCloseDelayMs);
    }
    Timer2.start();
}

void TSplashForm1::Timer2Timer()
{
    Timer2.stop();
    close();
}

void TSplashForm1::FormClick()
{
    if (!AboutMode)
        Timer2Timer();
}

void TSplashForm1::OKButtonClick()
{
    close();
}

void TSplashForm1::InfoButtonClick()
{
    if (m_credits)
        m_credits->ShowModal();
}
