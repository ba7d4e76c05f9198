#include "BrowseFile.h"

#include "FolderOptions.h"
#include "ThumbBitmap.h"
#include "ThumbCache.h"
#include "ThumbProgressContext.h"
#include "UserMessages.h"
#include "VolumePath.h"
#include "ZiloOptions.h"

#include <Source/Glob.h>
#include <lib/Archive.h>
#include <lib/Drive.h>
#include <lib/SafeRegIniFile.h>
#include <lib/WaitCursor.h>
#include <platform/Debug.h>
#include <platform/Drives.h>
#include <platform/Exception.h>
#include <platform/Files.h>
#include <platform/Stream.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unordered_set>
#include <utility>

namespace {

constexpr char Magic[4] = {'Z', 'I', 'L', 'O'};
constexpr uint16_t BrowseFileVersion = 18;

// A directory entry takes at least an empty name's length byte and its
// offset, which bounds the count by the file's size before anything is
// allocated for it.
constexpr uint64_t DirectoryEntryBytes = 1 + 4;

// The file is read whole into memory: a larger one is refused rather than
// read, and a save that would make a larger one fails.
constexpr int64_t MaxBrowseFileBytes = INT32_MAX;

// A central browse file's name: eight hex digits, the attempt counter in
// decimal, then the extension.
constexpr int CentralNameHexDigits = 8;
constexpr char CentralNameExtension[] = ".zilo";

// The sort options a browse file may carry; others leave the context's values.
constexpr uint8_t LastSortProperty = 13;
constexpr uint8_t LastSortDirection = 1;

constexpr char BadBrowseFileText[] = "Not a browse file";
constexpr char TooLargeText[] = "Browse file '%s' was not saved: it would be too large to load";
constexpr char ReadFailedText[] = "Read failed";
constexpr char FolderMismatchText[] =
    "WARNING: Folder mismatch while loading browse file '%s':\n\nFolder in file:  '%s'\n\nFolder expected: "
    "'%s'\n\nThis is normal if the browse file has been moved manually or the folder has been renamed.";

struct DirectoryEntry
{
    CString name;
    uint32_t offset;
    uint64_t end = 0;   // where the next block begins, or the file's end
};

LPARAM pathParam(const CPath &path)
{
    return LPARAM(path.c_str());
}

void readMagic(CArchive &archive)
{
    char magic[sizeof Magic];
    archive.Read(magic, sizeof magic);
    if (std::memcmp(magic, Magic, sizeof Magic) != 0)
        throw Exception(BadBrowseFileText);
}

// A name that stays inside the folder it is joined to.
bool isPlainFileName(const CString &name)
{
    return !name.IsEmpty() && name.FindOneOf("\\/:") < 0 && name != "." && name != "..";
}

// The whole directory: an offset of 0 fails it. Entries whose name would leave
// the folder, or repeat an earlier one in any case, are dropped.
std::vector<DirectoryEntry> readDirectory(CArchive &archive, uint32_t count)
{
    if (count > archive.bytesLeft() / DirectoryEntryBytes)
        throw Exception(ReadFailedText);
    std::vector<DirectoryEntry> entries;
    entries.reserve(count);
    std::unordered_set<std::string> seen;
    for (uint32_t index = 0; index < count; ++index) {
        DirectoryEntry entry;
        archive >> entry.name;
        entry.offset = archive.readValue<uint32_t>();
        if (entry.offset == 0)
            throw Exception(BadBrowseFileText);
        if (isPlainFileName(entry.name) && seen.insert(entry.name.AsUpper().c_str()).second)
            entries.push_back(std::move(entry));
    }
    return entries;
}

// Keeps the entries whose blocks lie apart: past the directory, and each
// offset used once (by its first entry). Each entry's block ends where the
// next block begins, so that no bytes of the file serve two records.
std::vector<DirectoryEntry> placeBlocks(std::vector<DirectoryEntry> entries, uint64_t directoryEnd, uint64_t fileSize)
{
    std::unordered_set<uint32_t> used;
    std::erase_if(entries, [&](const DirectoryEntry &entry) {
        return entry.offset < directoryEnd || !used.insert(entry.offset).second;
    });
    std::vector<uint32_t> starts(used.begin(), used.end());
    std::sort(starts.begin(), starts.end());
    for (DirectoryEntry &entry : entries) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), entry.offset);
        entry.end = next == starts.end() ? fileSize : std::min<uint64_t>(*next, fileSize);
    }
    return entries;
}

// One block of the file in memory as a read-only stream of its own, so that
// reading a record can never reach into the next block; its bytes are not
// copied (a reopen reads thousands of blocks), so the file must outlive it.
class TBlockStream : public TStream
{
public:
    TBlockStream(const TMemoryStream &file, const DirectoryEntry &entry)
        : m_bytes(static_cast<const char *>(file.Memory()) + entry.offset),
          m_size(entry.offset < entry.end ? int64_t(entry.end - entry.offset) : 0)
    {
    }

    int32_t Read(void *buffer, int32_t count) override
    {
        if (count <= 0 || m_position >= m_size)
            return 0;
        const int32_t n = int32_t(std::min<int64_t>(count, m_size - m_position));
        std::memcpy(buffer, m_bytes + m_position, size_t(n));
        m_position += n;
        return n;
    }
    int32_t Write(const void *, int32_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        const int64_t base = origin == soCurrent ? m_position : origin == soEnd ? m_size : 0;
        if (base + offset < 0)
            return -1;
        m_position = base + offset;
        return m_position;
    }
    void SetSize(int64_t) override { throw EStreamError("Stream write error"); }

private:
    const char *const m_bytes;
    const int64_t m_size;
    int64_t m_position = 0;
};

// Holds the find-or-create lock for a scope.
class FindOrCreateScope
{
public:
    FindOrCreateScope() { EnterThumbBitmapLock(); }
    ~FindOrCreateScope() { LeaveThumbBitmapLock(); }
    FindOrCreateScope(const FindOrCreateScope &) = delete;
    FindOrCreateScope &operator=(const FindOrCreateScope &) = delete;
};

// Deletes a record made for a block that could not be read.
struct DiscardRecord
{
    void operator()(CThumbBitmap *record) const
    {
        record->SetDeleteWhenFree(true);
        record->Release();
    }
};

// The cached record of path, or a new one read from entry's block; with a
// reference for the caller. Null when the block runs into the next one (the
// entry is skipped); a block cut off by the file's end raises. Either way the
// new record is deleted again.
CThumbBitmap *findOrReadRecord(const CPath &path, const TMemoryStream &file, uint64_t fileSize,
                               const DirectoryEntry &entry)
{
    FindOrCreateScope findOrCreate;
    if (CThumbBitmap *cached = FindThumbBitmap(path))
        return cached;
    std::unique_ptr<CThumbBitmap, DiscardRecord> record(new CThumbBitmap(CThumbBitmap::FromBrowseFile, path));
    try {
        TBlockStream block(file, entry);
        CArchive archive(&block, ArRead);
        record->LoadFromArchive(archive);
    } catch (const Exception &) {
        if (entry.end >= fileSize)
            throw;
        return nullptr;
    }
    return record.release();
}

void readWholeFile(const CPath &path, TMemoryStream &memory)
{
    TFileStream file(path.ToAnsiString(), fmOpenRead | fmShareDenyWrite);
    if (file.Size() > MaxBrowseFileBytes)
        throw Exception(BadBrowseFileText);
    memory.LoadFromStream(file);
}

void writeDirectory(CArchive &archive, const std::vector<CString> &names, const std::vector<uint32_t> &offsets)
{
    for (size_t index = 0; index < names.size(); ++index) {
        archive << names[index].c_str();
        archive.writeValue(offsets[index]);
    }
}

// Runs step and answers its result; any error it raises (of the file, the
// registry or memory) answers false and goes to the debug output, so that a
// load or a save always ends with its end message and its flags cleared.
bool succeeds(const std::function<bool()> &step)
{
    try {
        return step();
    } catch (const std::exception &error) {
        OutputDebugStringA(error.what());
    } catch (...) {
        OutputDebugStringA("Unknown error");
    }
    return false;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool isDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isNetworkFolder(const CPath &folder)
{
    if (folder.GetIsShared())
        return true;
    return DriveTable && DriveTable->GetDrive(folder.GetDriveLetter()).type == DRIVE_REMOTE;
}

bool liesIn(const CPath &path, const CPath &folder)
{
    return CPath(path.GetDirPart()).CompareNoCase(folder) == 0;
}

// The Disk option "Special Browse Folder"; empty before the option groups exist.
CPath centralBrowseFolder()
{
    return DiskOptions ? CPath(CString(DiskOptions->GetString(TDiskOptions::SpecialBrowseFolder))) : CPath();
}

bool endSave(CThumbProgressContext *context, const CPath &path, bool saved)
{
    context->SetSaving(false);
    context->SendToOwner(UM_BROWSE_SAVE_END, saved ? 1 : 0, pathParam(path));
    return saved;
}

bool showFailure(const CString &text)
{
    ShowMessageBox(text, ErrorBoxFlags);
    return false;
}

// The central-name lock: guards the generator and the counter below. Taken
// with no other lock held. The generator is the unit's own, so seeding it
// disturbs no other user of random numbers.
CCriticalSection CentralNameLock;
std::minstd_rand CentralNameGenerator;
uint32_t CentralNameCounter = 0;   // attempts made by this process

// 15 bits, as the names have always had: four hex digits.
int centralNameRandom()
{
    return int(CentralNameGenerator() & 0x7FFF);
}

// Reading a record: a loading state belongs to the builder of another
// process, and an unknown one to nobody, so both read as pending.
TThumbState storedStateOf(uint8_t value)
{
    switch (value) {
    case uint8_t(TThumbState::Loaded): return TThumbState::Loaded;
    case uint8_t(TThumbState::Failed): return TThumbState::Failed;
    default: return TThumbState::Pending;
    }
}

// Whether a stored thumbnail size is one the options can have made: a larger
// one would decode to whatever size the file claims.
bool isThumbnailSizeAllowed(uint16_t width, uint16_t height)
{
    return width <= TFolderOptions::MaxThumbnailSize && height <= TFolderOptions::MaxThumbnailSize;
}

uint16_t thumbSide(int32_t pixels)
{
    return uint16_t(std::clamp<int32_t>(pixels, 0, UINT16_MAX));
}

int32_t imageSide(uint32_t pixels)
{
    return int32_t(std::min<uint32_t>(pixels, INT32_MAX));
}

} // namespace

// Record block, little-endian.  size   meaning
//   state                         1   0 loaded, 1 pending, 2 failed (loading is written as pending)
//   thumbnail width, height     2+2   pixels
//   image width, height         4+4   pixels
//   bits per pixel                2
//   last-write time             4+4   FILETIME in local time, low part first
//   build time                    4   milliseconds; 0xFFFFFFFF unknown
//   hue, saturation,          4 x 2   0..65535; 0xFFFF not computed
//     brightness, temperature
//   JPEG length                   4   only when loaded
//   JPEG bytes               length   only when loaded
void CThumbBitmap::SaveToArchive(CArchive &archive) const
{
    CSingleLock lock(m_lock);
    // A record being built, or loaded without bytes, is built again next time.
    const bool loaded = m_state.load() == TThumbState::Loaded && !m_jpeg.empty();
    const bool failed = m_state.load() == TThumbState::Failed;
    const TThumbState state = loaded ? TThumbState::Loaded : failed ? TThumbState::Failed : TThumbState::Pending;
    archive.writeValue(uint8_t(state));
    archive.writeValue(thumbSide(m_thumbWidth.load()));
    archive.writeValue(thumbSide(m_thumbHeight.load()));
    archive.writeValue(uint32_t(std::max(m_handler.GetWidth(), 0)));
    archive.writeValue(uint32_t(std::max(m_handler.GetHeight(), 0)));
    archive.writeValue(uint16_t(std::max<int16_t>(m_handler.GetBits(), 0)));
    archive.writeValue(uint32_t(m_handler.GetModified().dwLowDateTime));
    archive.writeValue(uint32_t(m_handler.GetModified().dwHighDateTime));
    archive.writeValue(uint32_t(m_buildTime.load()));
    archive.writeValue(m_hue.load());
    archive.writeValue(m_saturation.load());
    archive.writeValue(m_brightness.load());
    archive.writeValue(m_temperature.load());
    if (!loaded)
        return;
    archive.writeValue(uint32_t(m_jpeg.size()));
    archive.Write(m_jpeg.data(), int32_t(m_jpeg.size()));
}

void CThumbBitmap::LoadFromArchive(CArchive &archive)
{
    const uint8_t storedState = archive.readValue<uint8_t>();
    const uint16_t thumbWidth = archive.readValue<uint16_t>();
    const uint16_t thumbHeight = archive.readValue<uint16_t>();
    const uint32_t imageWidth = archive.readValue<uint32_t>();
    const uint32_t imageHeight = archive.readValue<uint32_t>();
    const uint16_t bits = archive.readValue<uint16_t>();
    FILETIME modified;
    modified.dwLowDateTime = archive.readValue<uint32_t>();
    modified.dwHighDateTime = archive.readValue<uint32_t>();
    const uint32_t buildTime = archive.readValue<uint32_t>();
    const uint16_t hue = archive.readValue<uint16_t>();
    const uint16_t saturation = archive.readValue<uint16_t>();
    const uint16_t brightness = archive.readValue<uint16_t>();
    const uint16_t temperature = archive.readValue<uint16_t>();
    // A size the options never make is built again, at the folder's size.
    const bool sizeAllowed = isThumbnailSizeAllowed(thumbWidth, thumbHeight);
    TThumbState state = sizeAllowed ? storedStateOf(storedState) : TThumbState::Pending;
    std::vector<uint8_t> jpeg;
    if (state == TThumbState::Loaded) {
        const uint32_t length = archive.readValue<uint32_t>();
        if (length > archive.bytesLeft() || length > uint32_t(INT32_MAX))
            throw Exception(ReadFailedText);
        jpeg.resize(length);
        archive.Read(jpeg.data(), int32_t(length));
        if (jpeg.empty())
            state = TThumbState::Pending;   // nothing to show: build it again
    }

    CSingleLock lock(m_lock);
    // A builder that claimed the record meanwhile owns its data.
    if (m_state.load() == TThumbState::Loading)
        return;
    dropData();
    m_handler.SetDimensions(imageSide(imageWidth), imageSide(imageHeight),
                            int16_t(std::min<uint16_t>(bits, INT16_MAX)));
    m_handler.SetModified(modified);
    m_jpeg = std::move(jpeg);
    m_thumbWidth = sizeAllowed ? thumbWidth : 0;
    m_thumbHeight = sizeAllowed ? thumbHeight : 0;
    m_buildTime = int32_t(buildTime);
    m_hue = hue;
    m_saturation = saturation;
    m_brightness = brightness;
    m_temperature = temperature;
    m_state = state;
}

CBrowseFile::CBrowseFile(const CPath &folder, std::vector<CThumbBitmap *> records)
    : m_folder(folder), m_records(std::move(records))
{
    for (CThumbBitmap *record : m_records)
        record->AddRef();
}

CBrowseFile::~CBrowseFile()
{
    for (CThumbBitmap *record : m_records)
        record->Release();
}

bool CBrowseFile::Load(CThumbProgressContext *context)
{
    const CPath path = GetBrowseFilePath(m_folder);
    context->SetAborted(false);
    context->SetLoading(true);
    // A relocation that raises fails the load, so that the owner hears of it.
    const bool loaded = succeeds([&] {
        context->SendToOwner(UM_BROWSE_LOAD_BEGIN, 0, pathParam(path));
        readFile(path, context);
        Relocate(m_folder);
        return true;
    });
    context->SetLoading(false);
    context->SendToOwner(UM_BROWSE_LOAD_END, loaded ? 1 : 0, pathParam(path));
    return loaded;
}

void CBrowseFile::readFile(const CPath &path, CThumbProgressContext *context)
{
    TMemoryStream file;
    readWholeFile(path, file);
    CArchive archive(&file, ArRead);
    readMagic(archive);
    if (archive.readValue<uint16_t>() == BrowseFileVersion)
        readBody(archive, file, path, context);
}

void CBrowseFile::readBody(CArchive &archive, TMemoryStream &file, const CPath &browseFilePath,
                           CThumbProgressContext *context)
{
    CString storedFolder;
    archive >> storedFolder;
    const CPath folder = DrivePathFromVolumePath(storedFolder, true, true);
    if (folder.IsEmpty()) {
        context->ReportText(VolumeNotMountedText, WarningBoxFlags);
        return;
    }
    if (folder.CompareNoCase(m_folder) != 0) {
        CString text;
        text.Format(FolderMismatchText, browseFilePath.c_str(), folder.c_str(), m_folder.c_str());
        context->ReportText(text, WarningBoxFlags);
    }
    const uint32_t count = archive.readValue<uint32_t>();
    const uint8_t sortProperty = archive.readValue<uint8_t>();
    const uint8_t sortDirection = archive.readValue<uint8_t>();
    if (sortProperty <= LastSortProperty)
        context->SetFileSortProperty(sortProperty);
    if (sortDirection <= LastSortDirection)
        context->SetFileSortDirection(sortDirection);
    std::vector<DirectoryEntry> directory = readDirectory(archive, count);
    const uint64_t fileSize = uint64_t(file.Size());
    const std::vector<DirectoryEntry> entries = placeBlocks(std::move(directory), uint64_t(file.Position()), fileSize);
    context->SendToOwner(UM_BROWSE_READ_COUNT, 0, LPARAM(entries.size()));
    m_records.reserve(m_records.size() + entries.size());
    for (const DirectoryEntry &entry : entries) {
        if (context->ShouldStop())
            break;
        // The records belong to the folder being loaded, wherever the file was made.
        CThumbBitmap *record = findOrReadRecord(m_folder.AppendFileName(entry.name), file, fileSize, entry);
        if (!record)
            continue;
        m_records.push_back(record);
        context->PostToOwner(UM_BROWSE_RECORD_READ, 0, LPARAM(record), record);
    }
    context->SendToOwner(UM_BROWSE_READ_DONE, 0, 0);
}

bool CBrowseFile::Save(CThumbProgressContext *context)
{
    return saveWithin(context, MaxBrowseFileBytes);
}

bool CBrowseFile::saveWithin(CThumbProgressContext *context, int64_t maxFileBytes)
{
    bool answered = false;
    // A relocation that raises fails the save: the file would go where it must not.
    const bool listed = succeeds([&] {
        Relocate(m_folder);
        answered = context->SendToOwner(UM_GET_THUMBNAIL_LIST, 0, LPARAM(&m_records)) != 0;
        return true;
    });
    const CPath path = GetBrowseFilePath(m_folder);
    if (!listed)
        return endSave(context, path, false);
    if (m_records.empty()) {
        // Unanswered (terminated, or the window is gone), an empty list says nothing.
        if (!answered)
            return false;
        DeleteFileA(path);
        context->SendToOwner(UM_BROWSE_FILE_DELETED, 0, pathParam(path));
        return true;
    }
    context->SetAborted(false);
    context->SetSaving(true);
    const bool saved = succeeds([&] {
        context->SendToOwner(UM_BROWSE_SAVE_BEGIN, 0, pathParam(path));
        return writeFile(path, context, maxFileBytes);
    });
    return endSave(context, path, saved);
}

bool CBrowseFile::writeFile(const CPath &path, CThumbProgressContext *context, int64_t maxFileBytes) const
{
    TMemoryStream memory;
    CArchive archive(&memory, ArWrite);
    archive.Write(Magic, sizeof Magic);
    archive.writeValue(BrowseFileVersion);
    if (!writeBody(archive, memory, context, maxFileBytes)) {
        CString text;
        text.Format(TooLargeText, path.c_str());
        context->ReportText(text, ErrorBoxFlags);
        return false;
    }
    TSafeFileStream file(path.ToAnsiString());
    memory.SaveToStream(file);
    file.Commit();
    return true;
}

bool CBrowseFile::writeBody(CArchive &archive, TStream &stream, CThumbProgressContext *context,
                            int64_t maxFileBytes) const
{
    // Checked before each block, so that every offset written fits the directory.
    const auto tooLarge = [&] { return stream.Position() > maxFileBytes; };
    archive << VolumePathFromDrivePath(m_folder).c_str();
    archive.writeValue(uint32_t(m_records.size()));
    archive.writeValue(uint8_t(FolderOptionInt(m_folder, TFolderOptions::SortProperty)));
    archive.writeValue(uint8_t(FolderOptionInt(m_folder, TFolderOptions::SortDirection)));
    std::vector<CString> names;
    names.reserve(m_records.size());
    for (const CThumbBitmap *record : m_records)
        names.push_back(record->GetHandler().GetName());
    std::vector<uint32_t> offsets(m_records.size(), 0);
    const int64_t directoryPosition = stream.Position();
    writeDirectory(archive, names, offsets);
    context->SendToOwner(UM_BROWSE_WRITE_COUNT, 0, LPARAM(m_records.size()));
    for (size_t index = 0; index < m_records.size(); ++index) {
        if (tooLarge())
            return false;
        offsets[index] = uint32_t(stream.Position());
        m_records[index]->SaveToArchive(archive);
        context->PostToOwner(UM_BROWSE_RECORD_WRITTEN, 0, LPARAM(m_records[index]), m_records[index]);
    }
    if (tooLarge())
        return false;
    stream.SetPosition(directoryPosition);
    writeDirectory(archive, names, offsets);
    context->SendToOwner(UM_BROWSE_WRITE_DONE, 0, 0);
    return true;
}

bool UseCentralBrowseFolder(const CPath &folder)
{
    const int32_t use = DiskOptions ? DiskOptions->GetInt(TDiskOptions::SpecialBrowseFolderOption)
                                    : TDiskOptions::SpecialIfWriteProtected;
    if (use == TDiskOptions::AlwaysSpecial)
        return true;
    if (use == TDiskOptions::SpecialIfNetworkOrWriteProtected && isNetworkFolder(folder))
        return true;
    const CPath holder(GetBrowseFilePath(folder).GetDirPart());
    return holder.GetDirectoryExists() && IsWriteProtected(holder);
}

void Relocate(const CPath &folder)
{
    if (!DiskOptions || !UseCentralBrowseFolder(folder))
        return;
    MoveBrowseFileToCentralFolder(folder, centralBrowseFolder());
}

bool IsCentralBrowseFile(const CPath &path)
{
    const CPath centralFolder = centralBrowseFolder();
    if (centralFolder.IsEmpty() || CPath(path.GetDirPart()).CompareNoCase(centralFolder) != 0)
        return false;
    const CString name = path.GetFilePart();
    const int extensionLength = int(std::strlen(CentralNameExtension));
    const int digits = name.GetLength() - extensionLength;
    if (digits <= CentralNameHexDigits || name.Right(extensionLength).CompareNoCase(CentralNameExtension) != 0)
        return false;
    for (int index = 0; index < digits; ++index) {
        const char c = name.GetAt(index);
        if (index < CentralNameHexDigits ? !isHexDigit(c) : !isDecimalDigit(c))
            return false;
    }
    return true;
}

CPath MakeUniqueBrowseFileName(const CPath &centralFolder)
{
    CSingleLock lock(CentralNameLock);
    CentralNameGenerator.seed(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    CPath path;
    do {
        CString name;
        const int high = centralNameRandom();
        const int low = centralNameRandom();
        name.Format("%04X%04X%u%s", high, low, CentralNameCounter++, CentralNameExtension);
        path = centralFolder.AppendFileName(name);
    } while (path.GetFileExists());
    return path;
}

bool MoveBrowseFileToCentralFolder(const CPath &folder, const CPath &centralFolder)
{
    CWaitCursor waitCursor;
    // Without a settings section of its own a folder cannot name a browse file elsewhere.
    const CString section = FolderRegistryKey(folder);
    if (section.IsEmpty() || !SettingsStore)
        return false;
    const CPath newPath = MakeUniqueBrowseFileName(centralFolder);
    CString text;
    if (IsWriteProtected(centralFolder)) {
        text.Format("Folder '%s' is write protected", centralFolder.c_str());
        return showFailure(text);
    }
    if (!centralFolder.GetDirectoryExists() && !centralFolder.CreateDirectoryA()) {
        text.Format("Failed to create browse file folder '%s'", centralFolder.c_str());
        return showFailure(text);
    }
    const CPath oldPath = GetBrowseFilePath(folder);
    const bool hasOldFile = oldPath.GetFileExists();
    if (hasOldFile && liesIn(oldPath, centralFolder))
        return true;
    if (hasOldFile && !CopyFileA(oldPath, newPath, TRUE)) {
        text.Format("Failed to copy file '%s' to '%s'", oldPath.c_str(), newPath.c_str());
        return showFailure(text);
    }
    // The new path is recorded before the old file goes, so that a failure in
    // between leaves a browse file that the settings still find.
    try {
        SettingsStore->WriteString(section.ToAnsiString(), BrowseFileValueName, newPath.ToAnsiString());
    } catch (...) {
        // Nothing would ever find the copy.
        if (hasOldFile)
            DeleteFileA(newPath);
        throw;
    }
    // The old file usually lies in a folder that cannot be written, where it
    // stays; nothing reads it once the setting names the new one.
    if (hasOldFile)
        DeleteFileA(oldPath);
    return true;
}

CPath ReadBrowseFileFolder(const CPath &path)
{
    TFileStream file(path.ToAnsiString(), fmOpenRead | fmShareDenyWrite);
    CArchive archive(&file, ArRead);
    readMagic(archive);
    if (archive.readValue<uint16_t>() != BrowseFileVersion) {
        ShowMessageBox("Previous version's browse files cannot be loaded", WarningBoxFlags);
        return CPath();
    }
    CString storedFolder;
    archive >> storedFolder;
    const CPath folder = DrivePathFromVolumePath(storedFolder, true, false);
    if (folder.IsEmpty())
        ShowMessageBox(VolumeNotMountedText, WarningBoxFlags);
    return folder;
}

CThumbBitmap *ReadFirstBrowseRecord(const CPath &path, const CPath &folder)
{
    try {
        TFileStream file(path.ToAnsiString(), fmOpenRead | fmShareDenyWrite);
        const int64_t fileSize = file.Size();
        if (fileSize > MaxBrowseFileBytes)
            return nullptr;
        CArchive archive(&file, ArRead);
        readMagic(archive);
        if (archive.readValue<uint16_t>() != BrowseFileVersion)
            return nullptr;
        CString storedFolder;
        archive >> storedFolder;
        const uint32_t count = archive.readValue<uint32_t>();
        archive.readValue<uint8_t>();   // sort property and direction: not shown
        archive.readValue<uint8_t>();
        const std::vector<DirectoryEntry> entries =
            placeBlocks(readDirectory(archive, count), uint64_t(file.Position()), uint64_t(fileSize));
        if (entries.empty())
            return nullptr;
        // The first block alone, as a file of its own.
        const DirectoryEntry &first = entries.front();
        const int64_t blockBytes = int64_t(first.end - std::min<uint64_t>(first.offset, first.end));
        if (blockBytes <= 0)
            return nullptr;
        TMemoryStream block;
        file.SetPosition(first.offset);
        block.CopyFrom(file, blockBytes);
        const DirectoryEntry whole{first.name, 0, uint64_t(blockBytes)};
        // Its end is the block's end, so a damaged block raises rather than being skipped.
        return findOrReadRecord(folder.AppendFileName(first.name), block, uint64_t(blockBytes), whole);
    } catch (const Exception &) {
        return nullptr;
    }
}

bool IsDeletableBrowseFile(const CPath &path, const CPath &folder)
{
    const CString extension(CentralNameExtension);
    const CString name = path.GetFilePart();
    if (name.GetLength() <= extension.GetLength() || name.Right(extension.GetLength()).CompareNoCase(extension) != 0)
        return false;
    const bool inFolder = !folder.IsEmpty() && liesIn(path, folder);
    const CPath centralFolder = centralBrowseFolder();
    if (!inFolder && (centralFolder.IsEmpty() || !liesIn(path, centralFolder)))
        return false;
    try {
        TFileStream file(path.ToAnsiString(), fmOpenRead | fmShareDenyWrite);
        CArchive archive(&file, ArRead);
        readMagic(archive);
        return true;
    } catch (const Exception &) {
        return false;
    }
}
