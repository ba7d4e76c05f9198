#pragma once

#include <platform/StringList.h>

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class QWidget;

// Setup's wizard: welcome, licence and disclaimer, shortcuts, destination;
// Finish installs from the data file's list. Window thread.
class TInstallForm1 : public QDialog
{
    Q_OBJECT

public:
    // setupData: "Setup.dat" as read (SharedKeyProblem already checked);
    // sourceFolder: the Windows folder it lies in, where the files come from.
    TInstallForm1(const TStrings &setupData, const QString &sourceFolder);

    // The folder the destination is proposed under: $XDG_DATA_HOME (the
    // program folder must be writable), then "C:\Program Files",
    // "D:\Program Files", "E:\Program Files" where they exist, then "C:\".
    static QString BaseFolder();

    QStackedWidget *PageControl1;
    QWidget *Page1;
    QWidget *TabSheet1;
    QWidget *Page2;
    QWidget *Page3;
    QPlainTextEdit *WelcomeMemo;
    QPlainTextEdit *LicenseMemo;
    QCheckBox *CheckBox1;
    QCheckBox *CheckBox2;
    QLabel *DestLabel;
    QLineEdit *DestEdit;
    QPushButton *BrowseButton;
    QPushButton *BackButton;
    QPushButton *NextButton;
    QPushButton *CancelButton;

    void NextButtonClick();
    void BackButtonClick();
    void CancelButtonClick();
    void DestEditChange();
    void BrowseButtonClick();

    // The steps of Finish, for the tests as for the wizard.
    void FinishInstall();
    bool CopyFilesAndWriteLog();
    void RegisterFileTypes(TStringList &log);

    const QString &destination() const { return m_destination; }

private:
    // A page with the side picture; answers the column its controls go in.
    QVBoxLayout *makePage(QWidget *&page, const QString &name);
    QString value(const char *name) const { return m_data.Value(QString::fromUtf8(name)); }
    QString appName() const { return value("AppName"); }
    // False, after an error box, when the destination may not take a program.
    bool destinationIsUsable();
    // Adds the log's own line and saves it in the destination.
    void saveLog(TStringList &log);
    // The default that extension had before it became typeId's, to log.
    QString defaultToRestore(const QString &extension, const QString &typeId) const;
    // A shortcut that cannot be made is a warning, and the installation goes on.
    void makeShortcut(bool wanted, int specialFolder, const QString &name, const QString &target);
    void registerProduct();

    TStringList m_data;
    QString m_sourceFolder;
    QString m_destination;
    TStringList m_previousLog;   // the destination's log from an installation before, if any
    int m_loggedFiles = 0;       // File%d lines so far
};

// Whether the product is installed already: its uninstall entry exists or
// destination holds an "Install.log".
bool IsAlreadyInstalled(const TStrings &setupData, const QString &destination);

// Setup's run after the application object is made: reads sourceFolder's
// "Setup.dat", refuses one whose names lead into shared keys, asks before
// installing over an installation, and runs the wizard. Raises Exception
// when "Setup.dat" cannot be read (the caller's exception box shows it).
void RunSetup(const QString &sourceFolder);
