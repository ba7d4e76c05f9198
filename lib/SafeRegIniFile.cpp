#include "SafeRegIniFile.h"

QString TSafeRegIniFile::ReadString(const QString &section, const QString &name, const QString &defaultValue) const
{
    CSingleLock lock(m_lock);
    return TRegIniFile::ReadString(section, name, defaultValue);
}

int32_t TSafeRegIniFile::ReadInteger(const QString &section, const QString &name, int32_t defaultValue) const
{
    CSingleLock lock(m_lock);
    return TRegIniFile::ReadInteger(section, name, defaultValue);
}

bool TSafeRegIniFile::ReadBool(const QString &section, const QString &name, bool defaultValue) const
{
    CSingleLock lock(m_lock);
    return TRegIniFile::ReadBool(section, name, defaultValue);
}

void TSafeRegIniFile::WriteString(const QString &section, const QString &name, const QString &value)
{
    CSingleLock lock(m_lock);
    TRegIniFile::WriteString(section, name, value);
}

void TSafeRegIniFile::WriteInteger(const QString &section, const QString &name, int32_t value)
{
    CSingleLock lock(m_lock);
    TRegIniFile::WriteInteger(section, name, value);
}

void TSafeRegIniFile::WriteBool(const QString &section, const QString &name, bool value)
{
    CSingleLock lock(m_lock);
    TRegIniFile::WriteBool(section, name, value);
}

void TSafeRegIniFile::EraseSection(const QString &section)
{
    CSingleLock lock(m_lock);
    TRegIniFile::EraseSection(section);
}

void TSafeRegIniFile::DeleteKey(const QString &section, const QString &name)
{
    CSingleLock lock(m_lock);
    TRegIniFile::DeleteKey(section, name);
}
