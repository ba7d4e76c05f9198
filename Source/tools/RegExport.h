#pragma once

#include <QString>

class TStrings;

// Walks a key of the current user's registry and its subkeys, depth first,
// and hands every key and value to its subclass: a key is reported before
// its values and before its subkeys. Subkeys and values come in case-blind
// alphabetical order, whatever order the store keeps, so two walks of one
// store report the same. One thread at a time.
class CRegExport
{
public:
    virtual ~CRegExport() = default;

    // Walks rootKey (a path below HKEY_CURRENT_USER) at depth 0. A key that
    // cannot be opened is not reported, nor anything below it.
    void Export(const QString &rootKey);

protected:
    // After the values of a key, when it had at least one.
    virtual void EndKey() {}
    // First for every key; its subkeys are one deeper.
    virtual void BeginKey(const QString &keyPath, int depth) = 0;
    // Each named value of the key (the default value is left out): an
    // integer's decimal text, a string in double quotes, "<unknown>" for any
    // other type.
    virtual void Value(const QString & /*name*/, const QString & /*text*/, int /*depth*/) {}

    const QString &RootKey() const { return m_rootKey; }
    // keyPath without the root key and the backslash after it; empty for the
    // root itself.
    QString RelativeKeyPath(const QString &keyPath) const;

private:
    void ExportKey(const QString &keyPath, int depth);

    QString m_rootKey;
};

// The walk as lines of text for a bug report: each key's path below the
// root, indented by its depth; each value one blank further in, as
// "name = text"; an empty line after a key's values.
class CRegExportForBugReport : public CRegExport
{
public:
    explicit CRegExportForBugReport(TStrings *lines) : m_lines(lines) {}

protected:
    void EndKey() override;
    void BeginKey(const QString &keyPath, int depth) override;
    void Value(const QString &name, const QString &text, int depth) override;

private:
    TStrings *m_lines;   // not owned
};
