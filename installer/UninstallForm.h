#pragma once

#include <platform/StringList.h>

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

// Deviva's window: what to remove, then the removal from "Install.log".
// Only what the log names inside its DestFolder is removed, and of folders
// only those left empty: the user's own files there stay. Window thread.
class TUninstallForm1 : public QDialog
{
    Q_OBJECT

public:
    // log: "Install.log" as read, InstallLogProblem already checked;
    // ownProgram: Deviva's own file, removed last with the files.
    TUninstallForm1(const TStrings &log, const QString &ownProgram);

    QLabel *IntroLabel;
    QCheckBox *CheckBox1;
    QCheckBox *CheckBox2;
    QCheckBox *CheckBox3;
    QPushButton *YesButton;
    QPushButton *NoButton;
    QTimer *Timer1;

    void Timer1Timer();
    void NoButtonClick();
    void YesButtonClick();

    // The steps of Yes. RemoveFiles answers the folders that had to stay.
    QStringList RemoveFiles();
    void RemoveRegistryKeys();
    void RemoveShortcuts();

private:
    QString value(const char *name) const { return m_log.Value(QString::fromUtf8(name)); }
    QString destFolder() const { return value("DestFolder"); }
    bool isInside(const QString &path) const;
    void restoreExtension(int number);

    TStringList m_log;
    QString m_ownProgram;
};

// Why log may not guide a removal: names that lead into shared keys
// (SharedKeyProblem), or a DestFolder that is no folder of the program's own
// (a drive root, home) or not ownFolder, where Deviva runs. Empty when none.
QString InstallLogProblem(const TStrings &log, const QString &ownFolder);

// Deviva's run after the application object is made: reads the "Install.log"
// beside ownProgram, says so when it names nothing installed here or could
// lead the removal astray, and otherwise runs the window. Raises Exception
// when the log cannot be read (the caller's exception box shows it).
void RunDeviva(const QString &ownProgram);
