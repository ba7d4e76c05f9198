#include "UninstallForm.h"

#include "SetupData.h"
#include "Shortcut.h"
#include "WindowParts.h"

#include <lib/Path.h>
#include <platform/DesktopEntry.h>
#include <platform/DesktopFileTypes.h>
#include <platform/Files.h>
#include <platform/MessageBox.h>
#include <platform/ModalDialog.h>
#include <platform/Registry.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int TimerIntervalMs = 100;
const char Caption[] = "Deviva";

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

bool exists(const QString &path)
{
    return GetFileAttributesA(utf8(path).constData()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

QString InstallLogProblem(const TStrings &log, const QString &ownFolder)
{
    const QString keys = SharedKeyProblem(log);
    if (!keys.isEmpty())
        return keys;
    const QByteArray dest = utf8(log.Value(QStringLiteral("DestFolder")));
    if (IsSharedRootFolder(dest.constData()))
        return QStringLiteral("Its DestFolder is no folder of the program's own.");
    if (!IsSameFile(dest.constData(), utf8(ownFolder).constData()))
        return QStringLiteral("Its DestFolder is not the folder it lies in.");
    return QString();
}

TUninstallForm1::TUninstallForm1(const TStrings &log, const QString &ownProgram) : m_ownProgram(ownProgram)
{
    m_log.Assign(log);
    setObjectName(QStringLiteral("UninstallForm1"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    const QString appName = value("AppName");
    setWindowTitle(appName + QStringLiteral(" Uninstallation Program"));
    setFixedSize(479, 234);

    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(SidePicture(110, 234));
    IntroLabel = WrappedLabel(QStringLiteral("This will uninstall %1 from your computer. Please choose how thorough you want "
                                      "the uninstaller to be when deciding what to remove from your computer. (It is "
                                      "recommended that you use the current settings).")
                           .arg(appName),
                       this);
    IntroLabel->setObjectName(QStringLiteral("IntroLabel"));
    CheckBox1 = new QCheckBox(QStringLiteral("Remove all of this software's &files"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox2 = new QCheckBox(QStringLiteral("Remove all of this software's &registry keys"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox3 = new QCheckBox(QStringLiteral("Remove all &shortcuts to this software"), this);
    CheckBox3->setObjectName(QStringLiteral("CheckBox3"));
    YesButton = new QPushButton(QStringLiteral("Yes, uninstall it"), this);
    YesButton->setObjectName(QStringLiteral("YesButton"));
    YesButton->setAutoDefault(false);
    NoButton = new QPushButton(QStringLiteral("No, I've changed my mind"), this);
    NoButton->setObjectName(QStringLiteral("NoButton"));
    NoButton->setDefault(true);

    auto *column = new QVBoxLayout;
    column->addWidget(IntroLabel);
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3}) {
        box->setChecked(true);
        column->addWidget(box);
    }
    column->addWidget(WrappedLabel(QStringLiteral("Are you absolutely sure that you want to uninstall this software?"), this));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(YesButton);
    buttons->addWidget(NoButton);
    column->addStretch();
    column->addLayout(buttons);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 8, 8);
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addLayout(column, 1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(TimerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TUninstallForm1::Timer1Timer);
    connect(NoButton, &QPushButton::clicked, this, &TUninstallForm1::NoButtonClick);
    connect(YesButton, &QPushButton::clicked, this, &TUninstallForm1::YesButtonClick);
    Timer1->start();
    NoButton->setFocus();
}

void TUninstallForm1::Timer1Timer()
{
    YesButton->setEnabled(CheckBox1->isChecked() || CheckBox2->isChecked() || CheckBox3->isChecked());
}

void TUninstallForm1::NoButtonClick()
{
    reject();
}

void TUninstallForm1::YesButtonClick()
{
    hide();
    QString result = QStringLiteral("Uninstallation completed");
    if (CheckBox1->isChecked()) {
        const QStringList kept = RemoveFiles();
        if (!kept.isEmpty())
            result += QStringLiteral("\n\nThese folders hold files that were not installed, and were kept:\n")
                      + kept.join(u'\n');
    }
    if (CheckBox2->isChecked())
        RemoveRegistryKeys();
    if (CheckBox3->isChecked())
        RemoveShortcuts();
    MessageBoxA(this, utf8(result).constData(), Caption, MB_OK | MB_ICONINFORMATION);
    accept();
}

bool TUninstallForm1::isInside(const QString &path) const
{
    return LiesInsideFolder(utf8(path).constData(), utf8(destFolder()).constData());
}

QStringList TUninstallForm1::RemoveFiles()
{
    // A path the log leads out of the folder is refused, whatever it names.
    QStringList files;
    for (int n = 1; !NumberedValue(m_log, "File", n).isEmpty(); ++n)
        files.append(NumberedValue(m_log, "File", n));
    files.append(m_ownProgram);   // the running program goes last: the host lets it
    for (const QString &file : files) {
        if (isInside(file) && exists(file))
            DeleteFileA(utf8(file).constData());
    }

    QStringList folders;
    for (int n = 1; !NumberedValue(m_log, "Dir", n).isEmpty(); ++n) {
        if (isInside(NumberedValue(m_log, "Dir", n)))
            folders.append(NumberedValue(m_log, "Dir", n));
    }
    std::stable_sort(folders.begin(), folders.end(),
                     [](const QString &a, const QString &b) { return a.count(u'\\') > b.count(u'\\'); });
    folders.append(destFolder());
    QStringList kept;
    for (const QString &folder : folders) {
        if (exists(folder) && !RemoveDirectoryA(utf8(folder).constData()) && exists(folder))
            kept.append(folder);
    }
    return kept;
}

void TUninstallForm1::restoreExtension(int number)
{
    const QString extension = NumberedValue(m_log, "FilterExt", number);
    const QString typeId = NumberedValue(m_log, "FileTypeId", number);
    const QString shellNew = NumberedValue(m_log, "ShellNew", number);
    const QString oldDefault = NumberedValue(m_log, "FilterDefault", number);
    TRegistry registry;
    registry.SetRootKey(HKEY_CLASSES_ROOT);
    registry.DeleteKey(typeId);
    const QString shellNewKey = extension + QStringLiteral("\\ShellNew");
    if (!shellNew.isEmpty() && registry.OpenKey(shellNewKey, false)) {
        registry.DeleteValue(shellNew);
        const bool empty = !registry.HasSubKeys() && [&] {
            TStringList names;
            registry.GetValueNames(&names);
            return names.Count() == 0;
        }();
        registry.CloseKey();
        if (empty)
            registry.DeleteKey(shellNewKey);
    }
    if (!registry.OpenKey(extension, false))
        return;
    try {
        if (!oldDefault.isEmpty())
            registry.WriteString(QString(), oldDefault);
        else if (registry.ReadString(QString()).compare(typeId, Qt::CaseInsensitive) == 0)
            registry.DeleteValue(QString());
    } catch (const ERegistryException &) {
    }
    TStringList names;
    registry.GetValueNames(&names);
    const bool empty = names.Count() == 0 && !registry.HasSubKeys();
    registry.CloseKey();
    if (empty)
        registry.DeleteKey(extension);
}

void TUninstallForm1::RemoveRegistryKeys()
{
    const QString appName = value("AppName");
    TRegistry registry;
    registry.DeleteKey(SettingsKey(m_log));
    for (int n = 1; !NumberedValue(m_log, "FilterExt", n).isEmpty(); ++n) {
        restoreExtension(n);
        UnregisterDesktopFileType(NumberedValue(m_log, "FileTypeId", n).toStdString());
    }
    registry.DeleteKey(SoundEventsKey(appName));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.DeleteKey(UninstallKey(appName));
    const QString uninstaller = FullPath(destFolder(), QString::fromUtf8(UninstallerName));
    for (const QString &entry : FindShortcutsTo(CSIDL_PROGRAMS, UninstallEntryName(appName), uninstaller))
        DeleteFileA(utf8(entry).constData());
}

void TUninstallForm1::RemoveShortcuts()
{
    const QString target = value("ShortcutExe");
    QStringList entries = FindShortcutsTo(CSIDL_DESKTOP, value("ShortAppName"), target);
    entries += FindShortcutsTo(CSIDL_PROGRAMS, value("AppName"), target);
    for (const QString &entry : entries)
        DeleteFileA(utf8(entry).constData());
}

void RunDeviva(const QString &ownProgram)
{
    const QString ownFolder = CPath(CString(ownProgram)).GetDirPart().ToAnsiString();
    TStringList log;
    log.LoadFromFile(FullPath(ownFolder, QStringLiteral("Install.log")));
    const QString problem = InstallLogProblem(log, ownFolder);
    if (!problem.isEmpty()) {
        const QString text = QStringLiteral("%1 is not installed here: the installation log cannot be used. %2\n"
                                            "Nothing was removed.")
                                 .arg(log.Value(QStringLiteral("AppName")), problem);
        MessageBoxA(nullptr, utf8(text).constData(), Caption, MB_OK);
        return;
    }
    TUninstallForm1 form(log, ownProgram);
    ExecModal(form);
}
