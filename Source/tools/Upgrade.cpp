#include "Upgrade.h"

#include "RegExport.h"

#include <Source/Glob.h>
#include <Source/windows/ProgressForm.h>
#include <lib/Drive.h>
#include <lib/ProductInfo.h>
#include <lib/SafeRegIniFile.h>
#include <platform/Drives.h>
#include <platform/Registry.h>

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>

namespace {

constexpr char UpdatesSection[] = "Updates";
constexpr char OldDataVersion[] = "2.0";
constexpr char Beta2Version[] = "2.0 Beta 2";
constexpr char FinalVersion[] = "2.0 Final";

constexpr int DriveLetterCount = 26;
// Long enough for the user to see what goes on.
constexpr std::chrono::milliseconds FirstPause{1200};
constexpr std::chrono::milliseconds LetterPause{50};

// Waits for time while the window system shows and paints the windows (the
// progress window is not on the screen until it has been let through); user
// input stays queued.
void pause(std::chrono::milliseconds time)
{
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

// The progress window of a step that goes through the drive letters, shown
// while it lives: "Updating to V" and the version, and a bar that advances
// once a letter.
class UpgradeProgress
{
public:
    explicit UpgradeProgress(const char *version)
    {
        m_form.setWindowTitle(QStringLiteral("Updating to V") + QString::fromLatin1(version));
        m_form.Label->setText(QStringLiteral("Please wait while ZILO updates existing information..."));
        m_form.ProgressBar->setRange(0, DriveLetterCount);
        m_form.show();
        pause(std::chrono::milliseconds(0));
        ProcessMessages();
    }

    // After each letter: the bar moves on (it repaints itself), and whatever
    // else of the window waits to be painted is painted.
    void Advance()
    {
        m_form.ProgressBar->setValue(m_form.ProgressBar->value() + 1);
        ProcessMessages();
        pause(LetterPause);
    }

private:
    TProgressForm1 m_form;
};

bool isRecorded(const char *version)
{
    return SettingsStore->ReadInteger(UpdatesSection, version, 0) != 0;
}

// Runs step unless it is recorded or the step before it (previous) is not,
// and records it once it has run through.
void runOnce(const char *version, const char *previous, void (*step)())
{
    if (isRecorded(version) || (previous && !isRecorded(previous)))
        return;
    step();
    SettingsStore->WriteInteger(UpdatesSection, version, 1);
}

QString settingsKey(const QString &section)
{
    return SettingsRoot + u'\\' + section;
}

QString parentOf(const QString &keyPath)
{
    return keyPath.left(keyPath.lastIndexOf(u'\\'));
}

QString nameOf(const QString &keyPath)
{
    return keyPath.mid(keyPath.lastIndexOf(u'\\') + 1);
}

// Deletes key with everything below it. A missing key is left alone; one that
// stays raises.
void deleteKey(TRegistry &registry, const QString &key)
{
    if (registry.KeyExists(key) && !registry.DeleteKey(key))
        throw ERegistryException(QStringLiteral("Failed to delete key %1").arg(key));
}

// For "Folders" and then "Memos": moves the subkey oldName to newName with
// keep set, else deletes it. A key whose copy cannot be made stays: the store
// deletes it only once its copy is in place.
void MoveVolumeKeys(TRegistry &registry, const QString &oldName, const QString &newName, bool keep)
{
    for (const CPath *base : {&FoldersSection, &MemosSection}) {
        const QString folder = settingsKey(base->ToAnsiString()) + u'\\';
        if (keep)
            registry.MoveKey(folder + oldName, folder + newName, true);
        else
            deleteKey(registry, folder + oldName);
    }
}

// A drive whose keys have a serial number form to go to: one that is there,
// fixed or on the network.
bool keepsVolumeKeys(const CDrive &drive)
{
    return drive.exists && drive.ready && (drive.type == DRIVE_FIXED || drive.type == DRIVE_REMOTE);
}

QString serialName(uint32_t serial)
{
    return QStringLiteral("%1").arg(serial, 8, 16, QChar(u'0')).toUpper();
}

constexpr const char *OldSections[] = {"Options", "Folders\\Drive ", "Thumbnail Wizard"};

QString driveKeyName(char letter)
{
    return QStringLiteral("Drive ") + QChar(letter);
}

// Whether key exists under "Folders" or under "Memos".
bool volumeKeyExists(TRegistry &registry, const QString &name)
{
    for (const CPath *base : {&FoldersSection, &MemosSection}) {
        if (registry.KeyExists(settingsKey(base->ToAnsiString()) + u'\\' + name))
            return true;
    }
    return false;
}

// A section of the oldest layout or a drive letter's key: a fresh store has
// none, and its user sees no progress window.
bool hasOldData(TRegistry &registry)
{
    for (const char *section : OldSections) {
        if (registry.KeyExists(settingsKey(QString::fromLatin1(section))))
            return true;
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (volumeKeyExists(registry, driveKeyName(letter)))
            return true;
    }
    return false;
}

void convertOldData()
{
    TRegistry registry;
    if (!hasOldData(registry))
        return;
    UpgradeProgress progress(OldDataVersion);
    pause(FirstPause);
    for (const char *section : OldSections)
        deleteKey(registry, settingsKey(QString::fromLatin1(section)));
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const CDrive drive = DriveTable->GetDrive(letter);
        MoveVolumeKeys(registry, driveKeyName(letter), serialName(drive.serialNumber),
                       keepsVolumeKeys(drive));
        progress.Advance();
    }
}

// Collects the keys of a walk that the upgrade moves, parents before their
// subkeys.
class CRegExportForUpdate : public CRegExport
{
public:
    QStringList keys;
};

// A folder's wizard settings, kept under "Thumbnail Wizard" before Beta 2.
class CRegExportForUpdate20b2TnWiz : public CRegExportForUpdate
{
protected:
    void BeginKey(const QString &keyPath, int) override
    {
        if (nameOf(keyPath).compare(QStringLiteral("Thumbnail Wizard"), Qt::CaseInsensitive) == 0)
            keys << keyPath;
    }
};

// Eight digits of 0-9 and A-F, in upper case only: a volume's serial number.
bool isSerialName(const QString &name)
{
    if (name.size() != 8)
        return false;
    for (const QChar c : name) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return false;
    }
    return true;
}

// A share kept before Beta 2 as its path without the backslashes in front:
// any key below the root that is neither marked nor a serial number form.
class CRegExportForUpdate20b2Shared : public CRegExportForUpdate
{
protected:
    void BeginKey(const QString &keyPath, int) override
    {
        const QString relative = RelativeKeyPath(keyPath);
        if (relative.isEmpty() || relative.startsWith(u'*') || isSerialName(relative.section(u'\\', 0, 0)))
            return;
        keys << keyPath;
    }
};

// Moves each key to where target says, in the order collected: a key whose
// parent moved before it is gone from its old place and is left alone.
void moveKeys(TRegistry &registry, const QStringList &keys, QString (*target)(const QString &))
{
    for (const QString &key : keys)
        registry.MoveKey(key, target(key), true);
}

QString wizardTarget(const QString &key)
{
    return parentOf(key) + QStringLiteral("\\*TnWiz");
}

QString sharedTarget(const QString &key)
{
    return parentOf(key) + u'\\' + SharedPathMarker.ToAnsiString() + u'\\' + nameOf(key);
}

// A mapped drive's key as Beta 2 kept it: the letter's character code.
QString beta2MappedName(char letter)
{
    return serialName(uint32_t(letter));
}

// A share or a mapped drive in the Beta 2 form (the wizard keys the caller
// has found already): only a store that Beta 2 wrote shows the progress window.
bool hasBeta2SharesOrMappedDrives(TRegistry &registry)
{
    for (const CPath *base : {&FoldersSection, &MemosSection}) {
        CRegExportForUpdate20b2Shared shares;
        shares.Export(settingsKey(base->ToAnsiString()));
        if (!shares.keys.isEmpty())
            return true;
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (volumeKeyExists(registry, beta2MappedName(letter)))
            return true;
    }
    return false;
}

void convertBeta2()
{
    TRegistry registry;
    CRegExportForUpdate20b2TnWiz wizards;
    wizards.Export(settingsKey(FoldersSection.ToAnsiString()));
    if (wizards.keys.isEmpty() && !hasBeta2SharesOrMappedDrives(registry))
        return;
    UpgradeProgress progress(Beta2Version);
    moveKeys(registry, wizards.keys, wizardTarget);
    for (const CPath *base : {&FoldersSection, &MemosSection}) {
        CRegExportForUpdate20b2Shared shares;
        shares.Export(settingsKey(base->ToAnsiString()));
        moveKeys(registry, shares.keys, sharedTarget);
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const QString mapped = MappedPathMarker.ToAnsiString() + u'\\' + QChar(letter);
        for (const CPath *base : {&FoldersSection, &MemosSection}) {
            const QString folder = settingsKey(base->ToAnsiString()) + u'\\';
            registry.MoveKey(folder + beta2MappedName(letter), folder + mapped, true);
        }
        progress.Advance();
    }
}

void dropObsoleteSoundEvent()
{
    TRegistry registry;
    deleteKey(registry, QStringLiteral("AppEvents\\Schemes\\Apps\\%1\\Folder Tidy Complete")
                            .arg(QString::fromUtf8(ShortName)));
}

} // namespace

void UpgradeOldData()
{
    runOnce(OldDataVersion, nullptr, convertOldData);
}

void UpgradeFrom20Beta2()
{
    runOnce(Beta2Version, OldDataVersion, convertBeta2);
}

void UpgradeTo20Final()
{
    runOnce(FinalVersion, Beta2Version, dropObsoleteSoundEvent);
}
