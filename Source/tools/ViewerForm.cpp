#include "ViewerForm.h"

#include "ViewerSettingsForm.h"

#include <Source/Glob.h>
#include <Source/engine/ThumbBitmap.h>
#include <Source/engine/ThumbBuild.h>
#include <Source/engine/Thumbnail.h>
#include <Source/engine/ZiloOptions.h>
#include <Source/windows/ToolHost.h>
#include <lib/ProductInfo.h>
#include <lib/ProgressContext.h>
#include <lib/WaitCursor.h>
#include <lib/controls/DropFile.h>
#include <lib/controls/MediaWindow.h>
#include <lib/controls/NewScrollBox.h>
#include <lib/imaging/Bitmap.h>
#include <lib/imaging/Picture.h>
#include <platform/FileDialog.h>
#include <platform/HostPath.h>
#include <platform/SystemMetrics.h>
#include <platform/Wallpaper.h>

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace {

constexpr char NotLoadedText[] = "Picture could not be loaded";
// The window a picture that could not be decoded leaves: room for the text.
constexpr int FailedPaintWidth = 160;
constexpr int FailedPaintHeight = 128;
// The border the layout leaves around the picture.
constexpr int PictureMargin = 4;
// The step of Home, End, Page Up and Page Down.
constexpr int ScrollPageStep = 32;
constexpr double RadiansPerDegree = 0.017453292519943295;

// The viewers' settings and how many viewers share them.
std::unique_ptr<TViewerOptions> s_options;
int s_viewerCount = 0;

bool isMovie(const CPath &path)
{
    const CString ext = path.GetExtPart();
    return ext.CompareNoCase(".avi") == 0 || ext.CompareNoCase(".mpg") == 0 || ext.CompareNoCase(".mpeg") == 0;
}

} // namespace

TViewerOptions *ViewerOptions()
{
    return s_options.get();
}

// The picture, or the text of a picture that could not be loaded.
class TViewerPaintBox : public QWidget
{
public:
    explicit TViewerPaintBox(TViewerForm1 *viewer, QWidget *parent) : QWidget(parent), m_viewer(viewer) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter canvas(this);
        if (const CBitmap *bitmap = m_viewer->Bitmap()) {
            // The bitmap turns only what is exposed.
            canvas.setClipRegion(event->region());
            bitmap->Paint(&canvas, 0, 0, false, nullptr);
            return;
        }
        canvas.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, NotLoadedText);
    }

private:
    TViewerForm1 *m_viewer;
};

TViewerForm1::TViewerForm1(const CPath &path) : QWidget(nullptr, Qt::Window)
{
    setObjectName("ViewerForm1");
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);

    ScrollBox = new TNewScrollBox(this);
    ScrollBox->setObjectName("ScrollBox");
    ScrollBox->SetPalette(&SharedPalette);
    const TButtonType buttons =
        GeneralOptions->GetInt(TGeneralOptions::ScrollButtonsTogether) ? btTogether : btSeparate;
    for (TMyNewScrollBar *bar : {ScrollBox->HorzScrollBar(), ScrollBox->VertScrollBar()}) {
        bar->SetButtonType(buttons);
        connect(bar, &TNewScrollBar::OnChange, this, &TViewerForm1::placePaintBox);
    }
    QImage texture;
    LoadPanelTexture(CPath(CString(PanelOptions->GetString(TPanelOptions::Texture))), texture,
                     COLORREF(PanelOptions->GetInt(TPanelOptions::Colour)), 999999, 999999,
                     PanelOptions->GetInt(TPanelOptions::Greyscale) != 0,
                     PanelOptions->GetInt(TPanelOptions::FlipV) != 0, PanelOptions->GetInt(TPanelOptions::FlipH) != 0,
                     PanelOptions->GetInt(TPanelOptions::ColourStrength));
    ScrollBox->SetBitmap(QPixmap::fromImage(texture));
    PaintBox = new TViewerPaintBox(this, ScrollBox->Client());
    PaintBox->setObjectName("PaintBox");
    PaintBox->setAcceptDrops(false);   // the window takes the drops

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(StatusBar);
    StatusPanel0->setObjectName("StatusPanel0");
    StatusPanel1 = new QLabel(StatusBar);
    StatusPanel1->setObjectName("StatusPanel1");
    StatusBar->addWidget(StatusPanel0, 1);
    StatusBar->addWidget(StatusPanel1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ScrollBox, 1);
    layout->addWidget(StatusBar);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    addCommand("Flip &Horizontally", Qt::Key_H, &TViewerForm1::FlipHorizontally1Click);
    addCommand("Flip &Vertically", Qt::Key_V, &TViewerForm1::FlipVertically1Click);
    addCommand("&Negative", Qt::Key_N, &TViewerForm1::Negative1Click);
    addCommand("&Monochrome", Qt::Key_M, &TViewerForm1::Monochrome1Click);
    PopupMenu1->addSeparator();
    addCommand("&90\u00b0 Clockwise", Qt::Key_R, &TViewerForm1::Rotate901Click);
    addCommand("Prese&t Angle", Qt::Key_T, &TViewerForm1::PresetAngle1Click);
    PopupMenu1->addSeparator();
    addCommand("&Blur", Qt::Key_B, &TViewerForm1::Blur1Click);
    addCommand("&Sharpen", Qt::Key_S, &TViewerForm1::Sharpen1Click);
    addCommand("Br&ightness +", Qt::Key_I, &TViewerForm1::BrightnessUp1Click);
    addCommand("Bri&ghtness -", Qt::CTRL | Qt::Key_I, &TViewerForm1::BrightnessDown1Click);
    addCommand("&Contrast +", Qt::Key_C, &TViewerForm1::ContrastUp1Click);
    addCommand("C&ontrast -", Qt::CTRL | Qt::Key_C, &TViewerForm1::ContrastDown1Click);
    PopupMenu1->addSeparator();
    addCommand("Re&open", Qt::Key_O, &TViewerForm1::Reopen1Click);
    addCommand("&Save", Qt::CTRL | Qt::Key_S, &TViewerForm1::Save1Click);
    addCommand("Save &As...", Qt::Key_F12, &TViewerForm1::SaveAs1Click);
    addCommand("Set As &Wallpaper", QKeySequence(), &TViewerForm1::SetAsWallpaper1Click);
    PopupMenu1->addSeparator();
    addCommand("Se&ttings...", Qt::CTRL | Qt::Key_F10, &TViewerForm1::Settings1Click);
    ScrollBox->Client()->setContextMenuPolicy(Qt::CustomContextMenu);
    // A movie has no pop-up menu: the scroll area it would pop up in is hidden.
    connect(ScrollBox->Client(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu1->popup(ScrollBox->Client()->mapToGlobal(at)); });

    DropFile1 = new TDropFile(this);
    connect(DropFile1, &TDropFile::OnDropFile, this,
            [this](TDropFile *, const QString &file, const QString &, const QString &) {
                OpenViewerFile(CPath(CString(file)));
            });

    if (s_viewerCount++ == 0) {
        s_options = std::make_unique<TViewerOptions>();
        s_options->SetRegistryKey(SettingsRoot);
        s_options->Load();
    }
    Shell().AddViewer(this);

    // Shown a moment later, once it has its size.
    Timer1 = new QTimer(this);
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, &TViewerForm1::Timer1Timer);
    Timer1->start();

    OpenViewerFile(path);
}

TViewerForm1::~TViewerForm1()
{
    Shell().RemoveViewer(this);
    if (--s_viewerCount == 0)
        s_options.reset();
}

void TViewerForm1::addCommand(const char *caption, const QKeySequence &key, void (TViewerForm1::*handler)())
{
    QAction *action = PopupMenu1->addAction(caption);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, handler);
    addAction(action);   // the keys work without the menu
}

void TViewerForm1::Timer1Timer()
{
    Timer1->stop();
    show();
    activateWindow();
    setFocus();
}

void TViewerForm1::OpenViewerFile(const CPath &path)
{
    m_path = path;
    StatusPanel0->clear();
    StatusPanel1->clear();
    setWindowTitle((path.GetFilePart() + CaptionSuffix).ToAnsiString());
    // A movie before replaces the picture or the movie after it.
    delete MediaWindow;
    if (isMovie(path)) {
        MediaWindow = new TMediaWindow(this);
        MediaWindow->setObjectName("MediaWindow");
        if (MediaWindow->Open(QString::fromStdString(HostPathFromWindows(path.c_str())))) {
            m_bitmap.reset();
            ScrollBox->hide();
            StatusBar->hide();
            layout()->addWidget(MediaWindow);
            connect(MediaWindow, &TMediaWindow::SizeChanged, this, &TViewerForm1::fitMediaWindow);
            fitMediaWindow();
            return;
        }
        delete MediaWindow;
    }
    ScrollBox->show();
    StatusBar->show();
    loadStillPicture();
}

void TViewerForm1::fitMediaWindow()
{
    resize(MediaWindow->sizeHint());
}

void TViewerForm1::loadStillPicture()
{
    CWaitCursor wait;
    m_bitmap.reset();
    m_bits = 0;
    const std::unique_ptr<CPicture> picture(CPicture::New(m_path));
    TProgressContext progress;
    if (picture && picture->LoadFromFile(m_path, progress) && picture->buffer) {
        auto bitmap = std::make_unique<CBitmap>(picture->buffer, CSize(int(picture->width), int(picture->height)));
        // A picture too large to allocate stays "could not be loaded".
        if (!bitmap->IsEmpty()) {
            m_bits = picture->bits;
            m_bitmap = std::move(bitmap);
        }
    }
    layOut();
    PaintBox->update();
}

void TViewerForm1::layOut()
{
    const int statusHeight = StatusBar->sizeHint().height();
    int width = FailedPaintWidth;
    int height = FailedPaintHeight;
    if (m_bitmap) {
        width = m_bitmap->Width();
        height = m_bitmap->Height();
    }
    PaintBox->resize(width, height);
    ScrollBox->HorzScrollBar()->SetRange(width);
    ScrollBox->VertScrollBar()->SetRange(height);
    QSize client(width + PictureMargin, height + PictureMargin + statusHeight);
    // Client and frame differ by the window manager's frame. A window that
    // fits stays where it is (or where the window manager puts it).
    const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    QPoint topLeft = geometry().topLeft();
    bool moves = false;
    if (client.width() + frame.left() + frame.right() > screen.width()) {
        topLeft.setX(screen.left() + frame.left());
        client.setWidth(screen.width() - frame.left() - frame.right());
        moves = true;
    }
    if (client.height() + frame.top() + frame.bottom() > screen.height()) {
        topLeft.setY(screen.top() + frame.top());
        client.setHeight(screen.height() - frame.top() - frame.bottom());
        moves = true;
    }
    if (moves)
        setGeometry(QRect(topLeft, client));
    else
        resize(client);
    if (!m_bitmap)
        StatusPanel0->clear();
    else if (m_bits >= 1)
        StatusPanel0->setText(QString::asprintf("%dx%d %u-bit", width, height, m_bits));
    else
        StatusPanel0->setText(QString::asprintf("%dx%d", width, height));
    updateScrollPages();
}

void TViewerForm1::updateScrollPages()
{
    ScrollBox->HorzScrollBar()->SetPage(ScrollBox->ClientRect().width());
    ScrollBox->VertScrollBar()->SetPage(ScrollBox->ClientRect().height());
    ScrollBox->SetClientShape();
    placePaintBox();
}

void TViewerForm1::placePaintBox()
{
    const QSize visible = ScrollBox->Client()->size();
    const int x = PaintBox->width() < visible.width() - PictureMargin ? (visible.width() - PaintBox->width()) / 2 : 0;
    const int y =
        PaintBox->height() < visible.height() - PictureMargin ? (visible.height() - PaintBox->height()) / 2 : 0;
    PaintBox->move(x - ScrollBox->HorzScrollBar()->Position(), y - ScrollBox->VertScrollBar()->Position());
}

void TViewerForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateScrollPages();
}

void TViewerForm1::applyEffect(const std::function<void(CBitmap &)> &effect, bool resizes)
{
    if (!m_bitmap)
        return;
    CWaitCursor wait;
    effect(*m_bitmap);
    if (resizes)
        layOut();
    PaintBox->update();
    ScrollBox->Invalidate();
}

void TViewerForm1::FlipHorizontally1Click()
{
    applyEffect([](CBitmap &bitmap) { bitmap.HFlip(); });
}

void TViewerForm1::FlipVertically1Click()
{
    applyEffect([](CBitmap &bitmap) {
        ImgVertFlipBuf(bitmap.GetBits(), uint32_t(CBitmap::GetBytesNextLine(bitmap.Width(), 24)),
                       uint32_t(bitmap.Height()));
    });
}

void TViewerForm1::Negative1Click()
{
    applyEffect([](CBitmap &bitmap) { bitmap.Negate(); });
}

void TViewerForm1::Monochrome1Click()
{
    // The rows are padded: convert each, as the library takes unpadded pixels.
    applyEffect([](CBitmap &bitmap) {
        const size_t stride = size_t(CBitmap::GetBytesNextLine(bitmap.Width(), 24));
        for (int32_t row = 0; row < bitmap.Height(); ++row)
            ImgRGBToGrayScale24(bitmap.GetBits() + size_t(row) * stride, uint32_t(bitmap.Width()), 1);
    });
}

void TViewerForm1::Rotate901Click()
{
    applyEffect([](CBitmap &bitmap) { bitmap.Rotate(0); }, true);
}

void TViewerForm1::PresetAngle1Click()
{
    const double degrees = s_options->GetInt(TViewerOptions::RotationAngle) / 10000.0;
    applyEffect([degrees](CBitmap &bitmap) { bitmap.Rotate(degrees * RadiansPerDegree, GetSysColor(COLOR_BTNFACE)); },
                true);
}

void TViewerForm1::Blur1Click()
{
    const int level = s_options->GetInt(TViewerOptions::BlurLevel);
    applyEffect([level](CBitmap &bitmap) { bitmap.Blur(level); });
}

void TViewerForm1::Sharpen1Click()
{
    const int level = s_options->GetInt(TViewerOptions::SharpenLevel);
    applyEffect([level](CBitmap &bitmap) { bitmap.Sharpen(level); });
}

void TViewerForm1::brightnessContrast(double brightness, double contrast)
{
    applyEffect([=](CBitmap &bitmap) { bitmap.ApplyBrightnessContrast(brightness, contrast); });
}

void TViewerForm1::BrightnessUp1Click()
{
    brightnessContrast(0.01 * s_options->GetInt(TViewerOptions::Brightness), 0);
}

void TViewerForm1::BrightnessDown1Click()
{
    brightnessContrast(-0.01 * s_options->GetInt(TViewerOptions::Brightness), 0);
}

void TViewerForm1::ContrastUp1Click()
{
    brightnessContrast(0, 0.01 * s_options->GetInt(TViewerOptions::Contrast));
}

void TViewerForm1::ContrastDown1Click()
{
    brightnessContrast(0, -0.01 * s_options->GetInt(TViewerOptions::Contrast));
}

void TViewerForm1::Reopen1Click()
{
    ProcessMessages();
    loadStillPicture();
}

void TViewerForm1::Save1Click()
{
    SaveToPath(m_path);
}

void TViewerForm1::SaveAs1Click()
{
    if (!m_bitmap)
        return;
    TSaveDialog dialog;
    dialog.Filter = CPicture::Filter(false).c_str();
    dialog.FilterIndex = CPicture::FilterIndexFromExt(m_path.GetExtPart());
    // Before any Save As, the picture's own folder.
    const QString saveFolder = s_options->GetString(TViewerOptions::SaveFolder);
    dialog.InitialDir = saveFolder.isEmpty() ? m_path.GetDirPart().c_str() : saveFolder.toStdString();
    dialog.FileName = m_path.GetFilePart().c_str();
    if (!dialog.Execute(this))
        return;
    const CPath chosen(dialog.FileName.c_str());
    s_options->SetString(TViewerOptions::SaveFolder, chosen.GetDirPart().ToAnsiString());
    s_options->Save();
    const CPath path = SaveAsPath(chosen, dialog.FilterIndex);
    if (!SaveToPath(path))
        return;
    m_path = path;
    setWindowTitle((path.GetFilePart() + CaptionSuffix).ToAnsiString());
}

CPath TViewerForm1::SaveAsPath(const CPath &chosen, int filterIndex)
{
    const CString ext = CPicture::ExtFromFilterIndex(filterIndex);
    // "a.JPG" under the JPEG entry is a JPEG already.
    if (ext.IsEmpty() || chosen.GetExtPart().CompareNoCase(ext) == 0)
        return chosen;
    return CPath(chosen + ext);
}

bool TViewerForm1::SaveToPath(const CPath &path)
{
    if (!m_bitmap)
        return false;
    if (path.GetFileExists()) {
        CString question;
        question.Format("Do you want to overwrite '%s'?", path.c_str());
        if (ShowMessageBox(question, QuestionBoxFlags) != IDYES)
            return false;
    }
    ProcessMessages();
    CWaitCursor wait;
    // GIF, TIFF and the metafiles have no writer here: their index selects none.
    const std::unique_ptr<CPicture> picture(CPicture::New(CPicture::FilterIndexFromExt(path.GetExtPart())));
    bool saved = false;
    if (picture) {
        if (auto *jpeg = dynamic_cast<CPictureJPG *>(picture.get())) {
            jpeg->quality = uint32_t(JpegOptions->JpegQuality());
            jpeg->progressive = JpegOptions->GetInt(TJpegOptions::Encoding) != 0;
        }
        unsigned width = 0, height = 0;
        picture->SetBuffer(m_bitmap->NewRGB(width, height));
        picture->width = width;
        picture->height = height;
        TProgressContext progress;
        saved = picture->buffer && picture->SaveToFile(path, progress);
    }
    if (!saved)
        ShowMessageBox("Error while saving image", ErrorBoxFlags);
    return saved;
}

void TViewerForm1::SetAsWallpaper1Click()
{
    if (!m_bitmap)
        return;
    const CPath path = WallpaperPath();
    if (path.IsEmpty())
        return;
    if (!m_bitmap->WriteBMP(path)
        || !SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char *>(path.c_str()), SPIF_UPDATEINIFILE))
        return;
    ShowMessageBox(WallpaperHint, MB_ICONINFORMATION | MB_OK);
}

void TViewerForm1::Settings1Click()
{
    TViewerSettingsForm1::ShowSettings(this, *s_options);
}

void TViewerForm1::keyPressEvent(QKeyEvent *event)
{
    TMyNewScrollBar *horizontal = ScrollBox->HorzScrollBar();
    TMyNewScrollBar *vertical = ScrollBox->VertScrollBar();
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Left:
        horizontal->SetPosition(horizontal->Position() - 1);
        return;
    case Qt::Key_Right:
        horizontal->SetPosition(horizontal->Position() + 1);
        return;
    case Qt::Key_Home:
        horizontal->SetPosition(horizontal->Position() - ScrollPageStep);
        return;
    case Qt::Key_End:
        horizontal->SetPosition(horizontal->Position() + ScrollPageStep);
        return;
    case Qt::Key_Up:
        vertical->SetPosition(vertical->Position() - 1);
        return;
    case Qt::Key_Down:
        vertical->SetPosition(vertical->Position() + 1);
        return;
    case Qt::Key_PageUp:
        vertical->SetPosition(vertical->Position() - ScrollPageStep);
        return;
    case Qt::Key_PageDown:
        vertical->SetPosition(vertical->Position() + ScrollPageStep);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void TViewerForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (TThumbnailDragObject::From(event->mimeData()))
        event->acceptProposedAction();
}

void TViewerForm1::dropEvent(QDropEvent *event)
{
    const TThumbnailDragObject *drag = TThumbnailDragObject::From(event->mimeData());
    if (!drag)
        return;
    const std::vector<TThumbnail *> thumbnails = drag->Thumbnails();
    if (thumbnails.empty() || !thumbnails.front()->GetThumbBitmap())
        return;
    event->acceptProposedAction();
    OpenViewerFile(thumbnails.front()->GetThumbBitmap()->GetFullPath());
}
