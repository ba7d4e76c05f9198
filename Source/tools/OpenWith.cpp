#include "OpenWith.h"

#include <Source/Glob.h>
#include <lib/SafeRegIniFile.h>

#include <algorithm>

static constexpr char CountValueName[] = "Count";
static constexpr char RegisteredAssociationName[] = "&Registered Association";
static constexpr char InternalViewerName[] = "Internal &Viewer";

bool IsBuiltInCommand(const CString &command)
{
    return command.GetLength() > 0 && command.GetAt(0) == '#';
}

static bool isBuiltIn(const OpenWithApplication &application)
{
    return IsBuiltInCommand(application.command);
}

static std::vector<OpenWithApplication> storedApplications()
{
    std::vector<OpenWithApplication> stored;
    if (!SettingsStore)
        return stored;
    const QString section = QString::fromLatin1(ApplicationsSection);
    const int count = std::clamp(SettingsStore->ReadInteger(section, QString::fromLatin1(CountValueName), 0), 0,
                                 MaxApplicationCount);
    for (int i = 1; i <= count; ++i) {
        const CString command(SettingsStore->ReadString(section, QStringLiteral("App%1").arg(i), QString()));
        if (command.IsEmpty())
            continue;   // a damaged entry: nothing to start, and an empty command would mean "the first entry"
        const CString name(SettingsStore->ReadString(section, QStringLiteral("Name%1").arg(i), QString()));
        stored.push_back({name.IsEmpty() ? command : name, command});
    }
    return stored;
}

std::vector<OpenWithApplication> LoadApplicationList()
{
    std::vector<OpenWithApplication> applications = storedApplications();
    if (std::count_if(applications.begin(), applications.end(), isBuiltIn) != 2) {
        applications.push_back({RegisteredAssociationName, RegisteredApplication});
        applications.push_back({InternalViewerName, InternalViewerApplication});
    }
    return applications;
}

void SaveApplicationList(const std::vector<OpenWithApplication> &applications, const CString &textEditor)
{
    if (!SettingsStore)
        return;
    const QString section = QString::fromLatin1(ApplicationsSection);
    TSafeRegIniFile::Transaction transaction(*SettingsStore);
    SettingsStore->EraseSection(section);
    SettingsStore->WriteString(section, QString::fromLatin1(TextEditorValueName), textEditor.ToAnsiString());
    SettingsStore->WriteInteger(section, QString::fromLatin1(CountValueName), int32_t(applications.size()));
    for (size_t i = 0; i < applications.size(); ++i) {
        SettingsStore->WriteString(section, QStringLiteral("Name%1").arg(i + 1), applications[i].caption.ToAnsiString());
        SettingsStore->WriteString(section, QStringLiteral("App%1").arg(i + 1), applications[i].command.ToAnsiString());
    }
    transaction.Commit();
}

CString LoadTextEditor()
{
    if (!SettingsStore)
        return CString();
    return CString(SettingsStore->ReadString(QString::fromLatin1(ApplicationsSection),
                                             QString::fromLatin1(TextEditorValueName), QString()));
}

bool SameApplications(const std::vector<OpenWithApplication> &a, const std::vector<OpenWithApplication> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const OpenWithApplication &x, const OpenWithApplication &y) {
        return x.caption == y.caption && x.command == y.command;
    });
}

CString TOpenWithList::firstApplication() const
{
    return LoadApplicationList().front().command;
}

std::vector<OpenWithApplication> TOpenWithList::applications() const
{
    return LoadApplicationList();
}
