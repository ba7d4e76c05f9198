#include "Memo.h"

#include <Source/Glob.h>

#include <lib/SafeRegIniFile.h>
#include <platform/Exception.h>
#include <platform/Files.h>
#include <platform/Registry.h>

#include <QRandomGenerator>

#include <algorithm>
#include <vector>

CCriticalSection TMemoList::MemoLock;

static const QString DataFileValue = QStringLiteral("DataFile");
constexpr int MemoFileNameLength = 8;

// The memo lists; guarded by MemoLock.
static std::vector<TMemoList *> &memoLists()
{
    static std::vector<TMemoList *> lists;
    return lists;
}

// A stored name comes from the registry: only eight lower-case letters name a
// memo file, so no value can point outside the data folder.
static bool isMemoFileName(const QString &name)
{
    return name.size() == MemoFileNameLength
           && std::all_of(name.begin(), name.end(), [](QChar c) { return c >= u'a' && c <= u'z'; });
}

static QString memoSection(const CPath &folder)
{
    return FolderSettingsSection(folder, MemosSection).ToAnsiString();
}

static CPath memoFilePathOf(const CString &name)
{
    return DataFolder().AppendFileName(name + ".dat");
}

static void deleteMemoFile(const CPath &file)
{
    if (file.GetFileExists() && !DeleteFileA(file))
        throw EFCreateError(QStringLiteral("Cannot create file %1").arg(file.ToAnsiString()));
}

TMemoList *TMemoList::GetForFolder(const CPath &folder)
{
    CSingleLock lock(MemoLock);
    for (TMemoList *list : memoLists()) {
        if (list->m_folder.CompareNoCase(folder) == 0)
            return list;
    }
    return new TMemoList(folder);
}

TMemoList::TMemoList(const CPath &folder)
    : m_folder(folder)
{
    memoLists().push_back(this);
    const QString stored = SettingsStore->ReadString(memoSection(folder), DataFileValue, QString());
    if (isMemoFileName(stored))
        m_dataFile = CString(stored);
    load();
}

TMemoList::~TMemoList()
{
    CSingleLock lock(MemoLock);
    auto &lists = memoLists();
    lists.erase(std::remove(lists.begin(), lists.end(), this), lists.end());
}

void TMemoList::FreeAll()
{
    CSingleLock lock(MemoLock);
    std::vector<TMemoList *> lists;
    lists.swap(memoLists());
    for (TMemoList *list : lists)
        delete list;
}

int TMemoList::GetTotals()
{
    CSingleLock lock(MemoLock);
    int total = 0;
    for (const TMemoList *list : memoLists())
        total += list->Count();
    return total;
}

CPath TMemoList::memoFilePath() const
{
    return memoFilePathOf(m_dataFile);
}

void TMemoList::load()
{
    Clear();
    m_loadFailed = false;
    if (m_dataFile.IsEmpty())
        return;
    const CPath file = memoFilePath();
    if (!file.GetFileExists())
        return;
    try {
        LoadFromFile(file.ToAnsiString());
    } catch (const Exception &) {
        Clear();
        m_loadFailed = true;   // no memos now, and none written over the file
    }
}

CString TMemoList::MakeMemoFileName()
{
    const CPath folder = DataFolder();
    for (;;) {
        CString name;
        for (int i = 0; i < MemoFileNameLength; ++i)
            name += char('a' + QRandomGenerator::global()->bounded(26));
        if (!folder.AppendFileName(name + ".dat").GetFileExists())
            return name;
    }
}

CString TMemoList::GetMemoText(const CString &key) const
{
    CSingleLock lock(MemoLock);
    return CString(Value(key.ToAnsiString()));
}

void TMemoList::SetMemoText(const CString &key, const CString &packed)
{
    CSingleLock lock(MemoLock);
    if (m_loadFailed) {
        load();
        if (m_loadFailed)
            throw EFOpenError(QStringLiteral("Cannot open file %1").arg(memoFilePath().ToAnsiString()));
    }
    if (m_dataFile.IsEmpty()) {
        m_dataFile = MakeMemoFileName();
        SettingsStore->WriteString(memoSection(m_folder), DataFileValue, m_dataFile.ToAnsiString());
    }
    const QString name = key.ToAnsiString();
    const int index = IndexOfName(name);
    if (index >= 0 && packed.IsEmpty())
        Delete(index);
    else if (index >= 0)
        Put(index, name + u'=' + packed.ToAnsiString());
    else if (!packed.IsEmpty())
        Add(name + u'=' + packed.ToAnsiString());

    if (Count() == 0) {
        deleteMemoFile(memoFilePath());
        return;
    }
    SaveToFile(memoFilePath().ToAnsiString());
}

static CString fileMemoKey(const CPath &file)
{
    CString key = file.GetFilePart();
    for (int i = 0; i < key.GetLength(); ++i) {
        if (key.GetAt(i) == '=')
            key.GetAt(i) = '|';
    }
    return key;
}

CMemo::CMemo(const CPath &file)
    : m_folder(file.GetDirPart())
    , m_key(fileMemoKey(file))
{
}

CMemo::CMemo(const CPath &folder, const CString &name)
    : m_folder(folder)
    , m_key(CString("*") + name)
{
}

CMemo::~CMemo() = default;

TStrings *CMemo::GetLines()
{
    if (m_lines)
        return m_lines.get();
    m_lines = std::make_unique<TStringList>();
    CSingleLock lock(TMemoList::MemoLock);
    m_lines->SetCommaText(TMemoList::GetForFolder(m_folder)->GetMemoText(m_key).ToAnsiString());
    return m_lines.get();
}

void CMemo::SetLines(const TStrings &lines)
{
    auto copy = std::make_unique<TStringList>();
    copy->Assign(lines);
    const CString packed = copy->Count() == 0 ? CString() : CString(copy->CommaText());
    m_lines = std::move(copy);
    CSingleLock lock(TMemoList::MemoLock);
    TMemoList::GetForFolder(m_folder)->SetMemoText(m_key, packed);
}

void CMemo::Delete()
{
    SetLines(TStringList());
}

void CMemo::FreeLines()
{
    m_lines.reset();
}

void FollowMovedFile(const CPath &oldPath, const CPath &newPath)
{
    // Memo keys match without case: a change of case alone keeps the memo
    // where it is, and moving it would delete it.
    if (oldPath.CompareNoCase(newPath) == 0)
        return;
    CMemo source(oldPath);
    const TStrings *lines = source.GetLines();
    if (lines->Count() == 0)
        return;
    CMemo(newPath).SetLines(*lines);
    source.Delete();
}

// The memo's text file in target: the file's name with ".txt" for its extension.
static CPath memoTextFile(const CPath &file, const CPath &target)
{
    const CString name = file.GetFilePart();
    return target.AppendFileName(name.Left(name.GetLength() - file.GetExtPart().GetLength()) + ".txt");
}

// False when the text file is there already or cannot be written.
static bool exportMemo(const TStrings &lines, const CPath &textFile)
{
    if (textFile.GetFileExists())
        return false;
    try {
        lines.SaveToFile(textFile.ToAnsiString());
    } catch (const Exception &) {
        return false;   // counted as an error by the caller
    }
    return true;
}

TMemoExportResult ExportMemos(const std::vector<CPath> &files, const CPath &target)
{
    TMemoExportResult result;
    for (const CPath &file : files) {
        CMemo memo(file);
        const TStrings *lines = memo.GetLines();
        if (lines->Count() == 0)
            ++result.ignored;
        else if (exportMemo(*lines, memoTextFile(file, target)))
            ++result.created;
        else
            ++result.errors;
    }
    return result;
}

static QStringList subkeyNames(const QString &key)
{
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(key))
        return {};
    TStringList names;
    registry.GetKeyNames(&names);
    return names.ToStringList();
}

// A folder's section lies one key per path component below the memos
// section, and a path of MAX_PATH characters has at most half as many
// components. The bound also ends the walk in a damaged store whose key is
// its own subkey.
constexpr int MaxMemoSectionDepth = MAX_PATH / 2;

// The memo file names that section and the sections below it store.
static void addMemoFileNames(const QString &section, int depth, std::vector<CString> &names)
{
    const QString stored = SettingsStore->ReadString(section, DataFileValue, QString());
    if (isMemoFileName(stored))
        names.push_back(CString(stored));
    if (depth == MaxMemoSectionDepth)
        return;
    for (const QString &subkey : subkeyNames(SettingsRoot + u'\\' + section))
        addMemoFileNames(section + u'\\' + subkey, depth + 1, names);
}

void DeleteAllMemos()
{
    CSingleLock lock(TMemoList::MemoLock);
    // A loaded list would write its memos back with the next change.
    TMemoList::FreeAll();
    const QString section = MemosSection.ToAnsiString();
    std::vector<CString> names;
    addMemoFileNames(section, 0, names);
    for (const CString &name : names)
        deleteMemoFile(memoFilePathOf(name));
    SettingsStore->EraseSection(section);
}
