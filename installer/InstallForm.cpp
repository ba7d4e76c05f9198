#include "InstallForm.h"

#include "SetupData.h"
#include "Shortcut.h"
#include "WindowParts.h"

#include <lib/Path.h>
#include <lib/Shell.h>
#include <lib/WaitCursor.h>
#include <platform/CommandLine.h>
#include <platform/DesktopEntry.h>
#include <platform/DesktopFileTypes.h>
#include <platform/Exception.h>
#include <platform/Files.h>
#include <platform/HostPath.h>
#include <platform/MessageBox.h>
#include <platform/ModalDialog.h>
#include <platform/Registry.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

constexpr int SidePictureWidth = 120;
constexpr int PageHeight = 250;
const char Caption[] = "Installer";

int showBox(QWidget *owner, const QString &text, UINT type)
{
    return MessageBoxA(owner, text.toUtf8().constData(), Caption, type);
}

// The numbered lines of name, each followed by one blank, as one paragraph.
QString joinedLines(const TStrings &data, const char *name)
{
    QString text;
    for (int n = 1; !NumberedValue(data, name, n).isEmpty(); ++n)
        text += NumberedValue(data, name, n) + u' ';
    return text;
}

// Makes folder and the folders above it that are missing; results ignored,
// as the copy into it reports what did not work.
void createFolders(const QString &folder)
{
    for (qsizetype slash = folder.indexOf(u'\\', 3); slash > 0; slash = folder.indexOf(u'\\', slash + 1))
        CreateDirectoryA(folder.left(slash).toUtf8().constData(), nullptr);
    CreateDirectoryA(folder.toUtf8().constData(), nullptr);
}

bool isUninstaller(const QString &dest)
{
    const QString name = dest.section(u'\\', -1);
    const QString uninstaller = QString::fromUtf8(UninstallerName);
    return name.compare(uninstaller, Qt::CaseInsensitive) == 0
           || name.compare(uninstaller + QStringLiteral(".exe"), Qt::CaseInsensitive) == 0;
}

// Sets a string value under root; with no name, key's default value. True
// only when every step worked.
bool SetRegistryString(const QString &key, const QString &data, const QString &name, HKEY root)
{
    try {
        TRegistry registry;
        registry.SetRootKey(root);
        if (!registry.OpenKey(key, true))
            return false;
        registry.WriteString(name, data);
        return true;
    } catch (const ERegistryException &) {
        return false;
    }
}

// The default value of an extension's key before it is made ours, or empty.
QString currentDefault(const QString &extension)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_CLASSES_ROOT);
    if (!registry.OpenKeyReadOnly(extension))
        return QString();
    try {
        return registry.ReadString(QString());
    } catch (const ERegistryException &) {
        return QString();
    }
}

} // namespace

TInstallForm1::TInstallForm1(const TStrings &setupData, const QString &sourceFolder)
    : m_sourceFolder(sourceFolder)
{
    m_data.Assign(setupData);
    setObjectName(QStringLiteral("InstallForm1"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(appName() + QStringLiteral(" Installation Program"));
    setFixedSize(477, 290);

    PageControl1 = new QStackedWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    QVBoxLayout *page1 = makePage(Page1, QStringLiteral("Page1"));
    WelcomeMemo = new QPlainTextEdit(joinedLines(m_data, "Welcome"), Page1);
    WelcomeMemo->setObjectName(QStringLiteral("WelcomeMemo"));
    WelcomeMemo->setReadOnly(true);
    WelcomeMemo->setFrameShape(QFrame::NoFrame);
    WelcomeMemo->viewport()->setAutoFillBackground(false);
    page1->addWidget(WelcomeMemo);
    page1->addWidget(WrappedLabel(QStringLiteral("Click 'Next' to begin installing the software."), Page1));

    QVBoxLayout *tabSheet1 = makePage(TabSheet1, QStringLiteral("TabSheet1"));
    auto *heading = WrappedLabel(QStringLiteral("Please read the following licence and disclaimer:"), TabSheet1);
    heading->setStyleSheet(QStringLiteral("font-weight: bold"));
    tabSheet1->addWidget(heading);
    LicenseMemo = new QPlainTextEdit(joinedLines(m_data, "License"), TabSheet1);
    LicenseMemo->setObjectName(QStringLiteral("LicenseMemo"));
    LicenseMemo->setReadOnly(true);
    LicenseMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    tabSheet1->addWidget(LicenseMemo);
    tabSheet1->addWidget(
        WrappedLabel(QStringLiteral("If you do not agree to these terms you must not use this software"), TabSheet1));

    QVBoxLayout *page2 = makePage(Page2, QStringLiteral("Page2"));
    page2->addWidget(WrappedLabel(
        QStringLiteral("You can choose if Setup should create shortcuts on the desktop or in the Start Menu."), Page2));
    CheckBox1 = new QCheckBox(QStringLiteral("Create a shortcut on the &desktop"), Page2);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("Create a shortcut in the &Start Menu"), Page2);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    for (QCheckBox *box : {CheckBox1, CheckBox2}) {
        box->setChecked(true);
        page2->addWidget(box);
    }
    page2->addWidget(WrappedLabel(QStringLiteral("Please note that if you later rename or move these shortcuts, "
                                                    "the uninstaller will not be able to automatically delete them."),
                                     Page2));
    page2->addStretch();

    QVBoxLayout *page3Layout = makePage(Page3, QStringLiteral("Page3"));
    DestLabel = WrappedLabel(QStringLiteral("Please &choose the folder into which you would like to install %1.").arg(appName()),
                      Page3);
    DestLabel->setObjectName(QStringLiteral("DestLabel"));
    DestEdit = new QLineEdit(Page3);
    DestEdit->setObjectName(QStringLiteral("DestEdit"));
    DestLabel->setBuddy(DestEdit);
    BrowseButton = new QPushButton(QStringLiteral("&Browse..."), Page3);
    BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
    auto *destRow = new QHBoxLayout;
    destRow->addWidget(DestEdit, 1);
    destRow->addWidget(BrowseButton);
    page3Layout->addWidget(DestLabel);
    page3Layout->addLayout(destRow);
    page3Layout->addWidget(WrappedLabel(QStringLiteral("Click 'Finish' to install the software into this folder."), Page3));
    page3Layout->addStretch();

    BackButton = new QPushButton(QStringLiteral("< &Back"), this);
    BackButton->setObjectName(QStringLiteral("BackButton"));
    BackButton->setEnabled(false);
    NextButton = new QPushButton(QStringLiteral("&Next >"), this);
    NextButton->setObjectName(QStringLiteral("NextButton"));
    NextButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BackButton);
    buttons->addWidget(NextButton);
    buttons->addSpacing(8);
    buttons->addWidget(CancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 8, 8);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);

    connect(NextButton, &QPushButton::clicked, this, &TInstallForm1::NextButtonClick);
    connect(BackButton, &QPushButton::clicked, this, &TInstallForm1::BackButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TInstallForm1::CancelButtonClick);
    connect(DestEdit, &QLineEdit::textChanged, this, &TInstallForm1::DestEditChange);
    connect(BrowseButton, &QPushButton::clicked, this, &TInstallForm1::BrowseButtonClick);

    DestEdit->setText(FullPath(BaseFolder(), value("Folder")));
    PageControl1->setCurrentWidget(Page1);
}

QVBoxLayout *TInstallForm1::makePage(QWidget *&page, const QString &name)
{
    page = new QWidget(PageControl1);
    page->setObjectName(name);
    auto *picture = new QLabel(page);
    picture->setObjectName(name + QStringLiteral("Picture"));
    picture->setPixmap(SidePicture(SidePictureWidth, PageHeight));
    auto *row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(picture, 0, Qt::AlignTop);
    auto *column = new QVBoxLayout;
    row->addLayout(column, 1);
    PageControl1->addWidget(page);
    return column;
}

QString TInstallForm1::BaseFolder()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const std::string windows = dataHome.isEmpty() ? std::string() : WindowsPathFromHost(dataHome.toStdString());
    if (!windows.empty())
        return QString::fromStdString(windows);
    for (const char *folder : {"C:\\Program Files", "D:\\Program Files", "E:\\Program Files"}) {
        if (CPath(folder).GetDirectoryExists())
            return QString::fromUtf8(folder);
    }
    return QStringLiteral("C:\\");
}

void TInstallForm1::NextButtonClick()
{
    if (PageControl1->currentWidget() == Page3) {
        if (!destinationIsUsable())
            return;
        FinishInstall();
        accept();
        return;
    }
    PageControl1->setCurrentIndex(PageControl1->currentIndex() + 1);
    BackButton->setEnabled(true);
    if (PageControl1->currentWidget() == Page3)
        NextButton->setText(QStringLiteral("&Finish"));
}

void TInstallForm1::BackButtonClick()
{
    NextButton->setText(QStringLiteral("&Next >"));
    PageControl1->setCurrentIndex(PageControl1->currentIndex() - 1);
    BackButton->setEnabled(PageControl1->currentIndex() > 0);
}

void TInstallForm1::CancelButtonClick()
{
    const QString text = QStringLiteral("If you cancel now, %1 will not be installed on your computer.\n\n"
                                        "Are you sure you want to cancel the installation?")
                             .arg(appName());
    if (showBox(this, text, MB_YESNO | MB_ICONQUESTION) == IDYES)
        reject();
}

void TInstallForm1::DestEditChange()
{
    m_destination = QString::fromStdString(WindowsPathFromTyped(DestEdit->text().toStdString()));
}

void TInstallForm1::BrowseButtonClick()
{
    QFileDialog dialog(this, QStringLiteral("Folder to install into:"));
    dialog.setObjectName(QStringLiteral("FolderBrowser"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const std::string folder = WindowsPathFromHost(dialog.selectedFiles().front().toStdString());
    if (!folder.empty())
        DestEdit->setText(FullPath(QString::fromStdString(folder), value("Folder")));
}

bool TInstallForm1::destinationIsUsable()
{
    const QByteArray destination = m_destination.toUtf8();
    if (!HostPathFromWindows(destination.constData()).empty() && !IsSharedRootFolder(destination.constData()))
        return true;
    showBox(this,
            QStringLiteral("'%1' cannot take the program: please choose a folder of its own for %2.")
                .arg(m_destination, appName()),
            MB_OK | MB_ICONERROR);
    return false;
}

void TInstallForm1::makeShortcut(bool wanted, int specialFolder, const QString &name, const QString &target)
{
    if (!wanted)
        return;
    // A shortcut that fails leaves the installation whole: the settings key,
    // the uninstall entry and the sound events still follow.
    try {
        FindOrCreateShortcut(this, target, QString(), true, specialFolder, name, 0,
                             FullPath(m_destination, QStringLiteral("Zilo.png")));
    } catch (const Exception &error) {
        showBox(this, error.Message(), MB_OK | MB_ICONWARNING);
    }
}

void TInstallForm1::FinishInstall()
{
    CWaitCursor wait;
    hide();
    if (!CopyFilesAndWriteLog())
        return;
    const QString target = FullPath(m_destination, value("ShortcutExe"));
    makeShortcut(CheckBox1->isChecked(), CSIDL_DESKTOP, value("ShortAppName"), target);
    makeShortcut(CheckBox2->isChecked(), CSIDL_PROGRAMS, appName(), target);
    registerProduct();

    QString text = QStringLiteral("Installation completed.\n\nTo uninstall the software, use \"%1\" in the "
                                  "applications menu. ")
                       .arg(UninstallEntryName(appName()));
    const bool noShortcut = !CheckBox1->isChecked() && !CheckBox2->isChecked();
    if (noShortcut)
        text += value("NoShortcutText");
    showBox(this, text, MB_OK | MB_ICONINFORMATION);
    if (noShortcut)
        TShell::Open(CString(m_destination), "");
}

void TInstallForm1::registerProduct()
{
    TRegistry registry;
    try {
        registry.CreateKey(SettingsKey(m_data));
    } catch (const ERegistryException &) {
    }
    const QString uninstaller = FullPath(m_destination, QString::fromUtf8(UninstallerName));
    SetRegistryString(UninstallKey(appName()), appName(), QStringLiteral("DisplayName"), HKEY_LOCAL_MACHINE);
    SetRegistryString(UninstallKey(appName()), uninstaller, QStringLiteral("UninstallString"), HKEY_LOCAL_MACHINE);
    makeShortcut(true, CSIDL_PROGRAMS, UninstallEntryName(appName()), uninstaller);
    for (int n = 1; !NumberedValue(m_data, "SoundFile", n).isEmpty(); ++n)
        SetRegistryString(SoundEventKey(appName(), NumberedValue(m_data, "SoundKey", n)),
                          FullPath(m_destination, NumberedValue(m_data, "SoundFile", n)), QString(),
                          HKEY_CURRENT_USER);
}

void TInstallForm1::saveLog(TStringList &log)
{
    const QString path = FullPath(m_destination, QStringLiteral("Install.log"));
    log.Add(QStringLiteral("File%1=%2").arg(m_loggedFiles + 1).arg(path));
    log.SaveToFile(path);
}

bool TInstallForm1::CopyFilesAndWriteLog()
{
    createFolders(m_destination);
    m_previousLog.Clear();
    const QString logPath = FullPath(m_destination, QStringLiteral("Install.log"));
    if (CPath(CString(logPath)).GetFileExists())
        m_previousLog.LoadFromFile(logPath);
    TStringList log;
    log.Add(QStringLiteral("Installation log for %1 - Do not edit or delete this file").arg(appName()));
    log.Add(QString());
    log.Add(QStringLiteral("DestFolder=") + m_destination);
    for (const char *name : {"AppName", "ShortAppName", "CompanyName"})
        log.Add(QString::fromUtf8(name) + u'=' + value(name));
    log.Add(QStringLiteral("ShortcutExe=") + FullPath(m_destination, value("ShortcutExe")));
    for (int n = 1; !NumberedValue(m_data, "Dir", n).isEmpty(); ++n)
        log.Add(QStringLiteral("Dir%1=%2").arg(n).arg(FullPath(m_destination, NumberedValue(m_data, "Dir", n))));

    m_loggedFiles = 0;
    for (int n = 1;; ++n) {
        const QString source = NumberedValue(m_data, "Srce", n);
        const QString dest = NumberedValue(m_data, "Dest", n);
        if (source.isEmpty() || dest.isEmpty())
            break;
        const QString destPath = FullPath(m_destination, dest);
        if (source != QLatin1String("!")) {
            const QString sourcePath = FullPath(m_sourceFolder, source);
            createFolders(CPath(CString(destPath)).GetDirPart().ToAnsiString());
            const QByteArray target = destPath.toUtf8();
            const bool copied = LiesInsideFolder(target.constData(), m_destination.toUtf8().constData())
                                && ReplaceFileByCopy(sourcePath.toUtf8().constData(), target.constData());
            if (!copied) {
                showBox(this,
                        QStringLiteral("Failed to copy file '%1' to '%2' - Installation aborted")
                            .arg(sourcePath, destPath),
                        MB_OK | MB_ICONERROR);
                // What was copied stays listed, so that Deviva can take it away.
                saveLog(log);
                return false;
            }
        }
        if (!isUninstaller(dest))
            log.Add(QStringLiteral("File%1=%2").arg(++m_loggedFiles).arg(destPath));
    }
    RegisterFileTypes(log);
    saveLog(log);
    return true;
}

QString TInstallForm1::defaultToRestore(const QString &extension, const QString &typeId) const
{
    const QString current = currentDefault(extension);
    if (current.compare(typeId, Qt::CaseInsensitive) != 0)
        return current;
    // Ours already, from an installation before: the default it kept.
    for (int n = 1; !NumberedValue(m_previousLog, "FilterExt", n).isEmpty(); ++n) {
        if (NumberedValue(m_previousLog, "FilterExt", n).compare(extension, Qt::CaseInsensitive) == 0)
            return NumberedValue(m_previousLog, "FilterDefault", n);
    }
    return QString();
}

void TInstallForm1::RegisterFileTypes(TStringList &log)
{
    const QString program = FullPath(m_destination, value("FileTypeExe"));
    QString openParameter = value("OpenParam");
    const QString command = u'"' + program + QStringLiteral("\" ") + openParameter;
    const std::vector<std::string> arguments =
        SplitCommandLine(openParameter.replace(QStringLiteral("%1"), QStringLiteral("%f")).toStdString());
    for (int n = 1; !NumberedValue(m_data, "FilterExt", n).isEmpty(); ++n) {
        const QString extension = NumberedValue(m_data, "FilterExt", n);
        const QString typeId = NumberedValue(m_data, "FileTypeId", n);
        const QString shellNew = NumberedValue(m_data, "ShellNew", n);
        log.Add(QStringLiteral("FilterExt%1=%2").arg(n).arg(extension));
        log.Add(QStringLiteral("FileTypeId%1=%2").arg(n).arg(typeId));
        if (!shellNew.isEmpty())
            log.Add(QStringLiteral("ShellNew%1=%2").arg(n).arg(shellNew));
        const QString oldDefault = defaultToRestore(extension, typeId);
        if (!oldDefault.isEmpty())
            log.Add(QStringLiteral("FilterDefault%1=%2").arg(n).arg(oldDefault));

        const bool registered =
            SetRegistryString(typeId, NumberedValue(m_data, "FileTypeName", n), QString(), HKEY_CLASSES_ROOT)
            && SetRegistryString(typeId + QStringLiteral("\\shell\\open\\command"), command, QString(),
                                 HKEY_CLASSES_ROOT)
            && SetRegistryString(extension, typeId, QString(), HKEY_CLASSES_ROOT);
        if (registered && !shellNew.isEmpty())
            SetRegistryString(extension + QStringLiteral("\\ShellNew"), QString(), shellNew, HKEY_CLASSES_ROOT);

        DesktopFileTypeRequest request;
        request.extension = extension.toStdString();
        request.typeId = typeId.toStdString();
        request.typeName = NumberedValue(m_data, "FileTypeName", n).toStdString();
        request.magic = NumberedValue(m_data, "FileTypeMagic", n).toStdString();
        request.applicationName = appName().toStdString();
        request.program = program.toStdString();
        request.arguments = arguments;
        RegisterDesktopFileType(request);
    }
}

bool IsAlreadyInstalled(const TStrings &setupData, const QString &destination)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (registry.KeyExists(UninstallKey(setupData.Value(QStringLiteral("AppName")))))
        return true;
    return CPath(CString(FullPath(destination, QStringLiteral("Install.log")))).GetFileExists();
}

void RunSetup(const QString &sourceFolder)
{
    TStringList data;
    data.LoadFromFile(FullPath(sourceFolder, QStringLiteral("Setup.dat")));
    const QString problem = SharedKeyProblem(data);
    if (!problem.isEmpty()) {
        showBox(nullptr, QStringLiteral("Setup.dat cannot be used to install: %1").arg(problem), MB_OK | MB_ICONERROR);
        return;
    }
    const QString appName = data.Value(QStringLiteral("AppName"));
    const QString proposed = FullPath(TInstallForm1::BaseFolder(), data.Value(QStringLiteral("Folder")));
    if (IsAlreadyInstalled(data, proposed)) {
        const QString text =
            QStringLiteral("%1 is already installed on this computer.\nIf you continue, setup will assume you are "
                           "installing an updated version\nof the software, and all it's existing files will be "
                           "overwritten.\n\nAre you sure you want to continue?")
                .arg(appName);
        if (showBox(nullptr, text, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    TInstallForm1 form(data, sourceFolder);
    ExecModal(form);
}
