#pragma once

#include <lib/Path.h>

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class CBitmap;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class TDropFile;
class TMediaWindow;
class TNewScrollBox;
class TViewerOptions;

// The viewers' one settings set; null while no viewer window exists.
TViewerOptions *ViewerOptions();

// The internal viewer: one window per opened file, showing a still image at
// its own size in a scrolling area, with effects that change only the window's
// copy until it is saved. Made hidden, shown at its first timer tick; frees
// itself when closed. Window thread.
class TViewerForm1 : public QWidget
{
    Q_OBJECT

public:
    explicit TViewerForm1(const CPath &path);
    ~TViewerForm1() override;

    // Shows path in this window: its caption, its picture or "Picture could
    // not be loaded". Also Reopen, drops and files dropped from the shell.
    void OpenViewerFile(const CPath &path);

    const CPath &Path() const { return m_path; }
    // Null while no picture is shown.
    const CBitmap *Bitmap() const { return m_bitmap.get(); }

    // The pop-up menu's commands.
    void FlipHorizontally1Click();
    void FlipVertically1Click();
    void Negative1Click();
    void Monochrome1Click();
    void Rotate901Click();
    void PresetAngle1Click();
    void Blur1Click();
    void Sharpen1Click();
    void BrightnessUp1Click();
    void BrightnessDown1Click();
    void ContrastUp1Click();
    void ContrastDown1Click();
    void Reopen1Click();
    void Save1Click();
    void SaveAs1Click();
    void SetAsWallpaper1Click();
    void Settings1Click();

    // Saves the shown picture to path in the format its extension selects,
    // asking first when a file is there. Answers whether it was written.
    bool SaveToPath(const CPath &path);

    // The name Save As writes when the user chose chosen under the filter
    // entry filterIndex: the entry's extension is appended unless the name
    // has it already, in any case.
    static CPath SaveAsPath(const CPath &chosen, int filterIndex);

    QStatusBar *StatusBar;
    QLabel *StatusPanel0;
    QLabel *StatusPanel1;
    TNewScrollBox *ScrollBox;
    QWidget *PaintBox;   // the picture, in the scroll area
    QMenu *PopupMenu1;
    QTimer *Timer1;
    // Only while a movie plays.
    QPointer<TMediaWindow> MediaWindow;
    TDropFile *DropFile1;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void Timer1Timer();
    void loadStillPicture();
    // The window's client area takes the media window's size.
    void fitMediaWindow();
    // Fits the window to the picture and the screen, then centres it.
    void layOut();
    // Centres the picture in the visible area, less the scroll positions.
    void placePaintBox();
    void updateScrollPages();
    // Runs effect on the bitmap under a wait cursor and repaints; resizes
    // redoes the layout.
    void applyEffect(const std::function<void(CBitmap &)> &effect, bool resizes = false);
    void brightnessContrast(double brightness, double contrast);
    void addCommand(const char *caption, const QKeySequence &key, void (TViewerForm1::*handler)());

    CPath m_path;
    uint32_t m_bits = 0;
    std::unique_ptr<CBitmap> m_bitmap;
};
