#pragma once

#include "Registry.h"

#include <QString>

#include <cstdint>

class TStrings;

// The component library's registry file: the key fileName under
// HKEY_CURRENT_USER, created when missing, whose subkeys are sections (made
// on write; the section "" is the key itself) holding values.
//
// Every value is written as a registry string: integers as decimal text,
// bools as 0 or 1. Reads never raise: a missing section or value, or one that
// does not hold what is asked for, reads as the default. An integer reads
// from decimal text, hexadecimal text after 0x or 0X, or a registry integer;
// a string also reads a registry integer, as decimal text. Writes raise
// ERegistryException as TRegistry's do.
//
// The section operations never move the open key, so reads may run on
// several threads at once; the virtual ones are the ones TSafeRegIniFile locks.
class TRegIniFile : public TRegistry
{
public:
    explicit TRegIniFile(const QString &fileName);

    const QString &FileName() const { return m_fileName; }

    virtual QString ReadString(const QString &section, const QString &name, const QString &defaultValue) const;
    virtual int32_t ReadInteger(const QString &section, const QString &name, int32_t defaultValue) const;
    virtual bool ReadBool(const QString &section, const QString &name, bool defaultValue) const;
    virtual void WriteString(const QString &section, const QString &name, const QString &value);
    virtual void WriteInteger(const QString &section, const QString &name, int32_t value);
    virtual void WriteBool(const QString &section, const QString &name, bool value);
    // Removes the section with its values and its subkeys.
    virtual void EraseSection(const QString &section);
    // Removes one value of the section.
    virtual void DeleteKey(const QString &section, const QString &name);

    // Replace the lines of strings: the section's value names in the order
    // they were first written; the sections in case-blind alphabetical order;
    // "name=value" lines of the section's values read as strings.
    void ReadSection(const QString &section, TStrings *strings) const;
    void ReadSections(TStrings *strings) const;
    void ReadSectionValues(const QString &section, TStrings *strings) const;
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &name) const;

private:
    // 0 when the file's key could not be opened, so that nothing lands beside it.
    KeyId sectionKey(const QString &section) const;

    QString m_fileName;
};
