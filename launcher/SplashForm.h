#pragma once

#include <lib/Path.h>
#include <lib/imaging/Bitmap.h>

#include <QByteArray>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class TContactForm1;

// The launcher's window: the splash picture in a borderless stay-on-top
// window that starts the organiser 10 ms after it is made and closes 5 s
// later (200 ms after a start that failed, or at a click). In About mode it
// is a normal window with the credits, OK and Info, and starts nothing.
// Window thread only.
class TSplashForm1 : public QWidget
{
    Q_OBJECT

public:
    // arguments: the command line's arguments after the program's own path.
    // folder: the launcher's own folder, which holds "Splash.bmp" and the
    // organiser "Zilo". credits: the Info button's window, not owned.
    TSplashForm1(const QStringList &arguments, const CPath &folder, TContactForm1 *credits);

    // About mode: an argument equals "about" (the program's own path, which
    // may hold the word in a folder name, is no argument).
    static bool IsAboutCommandLine(const QStringList &arguments);
    // The picture of a BMP file's bytes; empty unless its headers agree with
    // each other and with the file's size (a short or malformed file is
    // treated as a missing one). 24 and 32 bits a pixel, bottom-up or top-down.
    static void ReadSplashBitmap(const QByteArray &file, CBitmap &bitmap);

    const bool AboutMode;
    const CBitmap &Picture() const { return m_picture; }

    void Timer1Timer();
    void Timer2Timer();
    void FormClick();
    void OKButtonClick();
    void InfoButtonClick();

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QPushButton *OKButton;
    QPushButton *InfoButton;
    QTimer Timer1;
    QTimer Timer2;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate();
    void LoadSplashBitmap();

    CPath m_folder;
    TContactForm1 *m_credits;
    CBitmap m_picture;
};
