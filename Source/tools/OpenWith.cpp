#include "OpenWith.h"

#include <Source/Glob.h>
#include <lib/SafeRegIniFile.h>

#include <algorithm>

static constexpr char CountValueName[] = "Count";
static constexpr char RegisteredAssociationName[] = "&Registered Association";
static constexpr char InternalViewerName[] = "Internal &Viewer";

static bool isBuiltIn(const OpenWithApplication &application)
{
    return application.command.GetLength() > 0 && application.command.GetAt(0) == '#';
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

CString TOpenWithList::firstApplication() const
{
    return LoadApplicationList().front().command;
}

std::vector<OpenWithApplication> TOpenWithList::applications() const
{
    return LoadApplicationList();
}
