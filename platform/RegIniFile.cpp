#include "RegIniFile.h"

#include "StringList.h"

static QString textOf(const std::optional<RegistryData> &value, const QString &defaultValue)
{
    if (!value)
        return defaultValue;
    if (const auto *text = std::get_if<QString>(&*value))
        return *text;
    if (const auto *number = std::get_if<int32_t>(&*value))
        return QString::number(*number);
    return defaultValue;
}

// Decimal, or hexadecimal after 0x or 0X; StrToInt's "$" form is not a stored form.
static int32_t integerOf(const std::optional<RegistryData> &value, int32_t defaultValue)
{
    if (!value)
        return defaultValue;
    if (const auto *number = std::get_if<int32_t>(&*value))
        return *number;
    int32_t parsed = 0;
    const auto *text = std::get_if<QString>(&*value);
    if (text && !text->contains(u'$') && TryStrToInt(*text, parsed))
        return parsed;
    return defaultValue;
}

TRegIniFile::TRegIniFile(const QString &fileName)
    : m_fileName(fileName)
{
    OpenKey(fileName, true);
}

TRegIniFile::KeyId TRegIniFile::sectionKey(const QString &section) const
{
    return currentKey() != 0 ? findKey(section) : 0;
}

QString TRegIniFile::ReadString(const QString &section, const QString &name, const QString &defaultValue) const
{
    const KeyId key = sectionKey(section);
    return key != 0 ? textOf(readValue(key, name), defaultValue) : defaultValue;
}

int32_t TRegIniFile::ReadInteger(const QString &section, const QString &name, int32_t defaultValue) const
{
    const KeyId key = sectionKey(section);
    return key != 0 ? integerOf(readValue(key, name), defaultValue) : defaultValue;
}

bool TRegIniFile::ReadBool(const QString &section, const QString &name, bool defaultValue) const
{
    return ReadInteger(section, name, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const QString &section, const QString &name, const QString &value)
{
    writeValue(currentKey() != 0 ? createKey(section) : 0, name, value);
}

void TRegIniFile::WriteInteger(const QString &section, const QString &name, int32_t value)
{
    WriteString(section, name, QString::number(value));
}

void TRegIniFile::WriteBool(const QString &section, const QString &name, bool value)
{
    WriteString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TRegIniFile::EraseSection(const QString &section)
{
    if (currentKey() != 0)
        deleteKey(section);
}

void TRegIniFile::DeleteKey(const QString &section, const QString &name)
{
    deleteValue(sectionKey(section), name);
}

void TRegIniFile::ReadSection(const QString &section, TStrings *strings) const
{
    strings->Clear();
    const KeyId key = sectionKey(section);
    if (key == 0)
        return;
    for (const QString &name : valueNames(key))
        strings->Add(name);
}

void TRegIniFile::ReadSections(TStrings *strings) const
{
    strings->Clear();
    for (const QString &name : subkeyNames(currentKey()))
        strings->Add(name);
}

void TRegIniFile::ReadSectionValues(const QString &section, TStrings *strings) const
{
    strings->Clear();
    const KeyId key = sectionKey(section);
    if (key == 0)
        return;
    for (const QString &name : valueNames(key))
        strings->Add(name + u'=' + textOf(readValue(key, name), QString()));
}

bool TRegIniFile::SectionExists(const QString &section) const
{
    return sectionKey(section) != 0;
}

bool TRegIniFile::ValueExists(const QString &section, const QString &name) const
{
    const KeyId key = sectionKey(section);
    return key != 0 && readValue(key, name).has_value();
}
