#include "RegExport.h"

#include <platform/Registry.h>
#include <platform/StringList.h>

namespace {

// The names of the open key's values or subkeys, in case-blind order. Names
// of one key never differ only in case, so the order is total.
QStringList sortedNames(const TRegistry &registry, void (TRegistry::*names)(TStrings *) const)
{
    TStringList list;
    (registry.*names)(&list);
    list.Sort();
    return list.ToStringList();
}

QString valueText(const TRegistry &registry, const QString &name)
{
    switch (registry.GetDataType(name)) {
    case rdInteger: return QString::number(registry.ReadInteger(name));
    case rdString:
    case rdExpandString: return u'"' + registry.ReadString(name) + u'"';
    default: return QStringLiteral("<unknown>");
    }
}

QString indent(int depth)
{
    return QString(depth, u' ');
}

} // namespace

void CRegExport::Export(const QString &rootKey)
{
    m_rootKey = rootKey;
    ExportKey(rootKey, 0);
}

QString CRegExport::RelativeKeyPath(const QString &keyPath) const
{
    return keyPath.size() > m_rootKey.size() ? keyPath.mid(m_rootKey.size() + 1) : QString();
}

void CRegExport::ExportKey(const QString &keyPath, int depth)
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(keyPath))
        return;
    BeginKey(keyPath, depth);
    int reported = 0;
    for (const QString &name : sortedNames(registry, &TRegistry::GetValueNames)) {
        if (name.isEmpty())
            continue;
        Value(name, valueText(registry, name), depth);
        ++reported;
    }
    if (reported > 0)
        EndKey();
    const QStringList subkeys = sortedNames(registry, &TRegistry::GetKeyNames);
    registry.CloseKey();
    for (const QString &name : subkeys)
        ExportKey(keyPath + u'\\' + name, depth + 1);
}

void CRegExportForBugReport::EndKey()
{
    m_lines->Add(QString());
}

void CRegExportForBugReport::BeginKey(const QString &keyPath, int depth)
{
    m_lines->Add(indent(depth) + RelativeKeyPath(keyPath));
}

void CRegExportForBugReport::Value(const QString &name, const QString &text, int depth)
{
    m_lines->Add(indent(depth) + u' ' + name + QStringLiteral(" = ") + text);
}
