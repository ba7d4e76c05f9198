#pragma once

#include <lib/Path.h>
#include <lib/String.h>
#include <platform/Types.h>

#include <cstdint>

class TStrings;
struct WIN32_FIND_DATAA;

// Selects the constructors that take the path and touch no file: the other
// values come from a browse file afterwards.
struct PathOnly
{
    explicit PathOnly() = default;
};

// One file of a folder: its identity, its size and time as last read, and the
// single-file commands. A plain value, copied where a caller needs a
// snapshot; not guarded, so callers that share one hold their own lock.
class TFileHandler
{
public:
    // SetPath, then UpdateFileInfo.
    explicit TFileHandler(const CPath &fullPath);
    // SetPath only: size 0, modified zero.
    TFileHandler(const CPath &fullPath, PathOnly);
    // SetPath, with the size and time a folder listing found: no file is
    // looked at again.
    TFileHandler(const CPath &fullPath, const WIN32_FIND_DATAA &found);
    TFileHandler(const TFileHandler &) = default;
    TFileHandler &operator=(const TFileHandler &) = default;
    virtual ~TFileHandler();

    // The folder joined with the name.
    CPath GetFullPath() const;
    void SetPath(const CPath &fullPath);
    const CPath &GetFolder() const { return m_folder; }
    const CPath &GetName() const { return m_name; }
    uint32_t GetSize() const { return m_size; }
    const FILETIME &GetModified() const { return m_modified; }
    void SetSize(uint32_t size) { m_size = size; }
    void SetModified(const FILETIME &modified) { m_modified = modified; }

    bool Exists() const;
    bool GetIsReadOnly() const;
    // Size 0, then, when the file is found, the low 32 bits of its size and
    // its last-write time in local time. A missing file keeps its old time.
    // Answers whether the file was found.
    bool UpdateFileInfo();
    // The modified time in the user's short date format, a blank, and the
    // time without seconds.
    CString GetDateTimeString() const;

    // Deletes the file for good (not to the trash). Reports nothing.
    bool Delete() const;
    // Renames the file within its folder, never over another file. A newName
    // that is no plain file name (a separator, "..", a character Windows
    // refuses) fails too. Shows "Failed to rename '%s' to '%s'" when it
    // cannot. The handler keeps its path.
    bool RenameFile(const CString &newName) const;
    // The rename command: RenameFile, then the handler, the memo, the cached
    // thumbnail and the basket take the new name.
    bool Rename(const CString &newName);
    // A copy beside the file named "Copy of " + name, with "Copy of " put in
    // front again until the name is free. Reports its failures.
    void DuplicateFile() const;
    // Opens the file with an application command: "#Internal", "#Registered",
    // a program, or empty for the open-with list's first entry. Shows the
    // shell's error text when the shell cannot start it.
    void Open(const CString &application) const;

private:
    void takeFindData(const WIN32_FIND_DATAA &found);

    CPath m_folder;
    CPath m_name;
    uint32_t m_size = 0;     // bytes, the low 32 bits; 0 when the file was not found
    FILETIME m_modified;     // last write, local time
};

// A file handler for an image: what is known of it as an image, and the texts
// that the windows show for it.
class TImageHandler : public TFileHandler
{
public:
    // With readDimensions, the width, height and bits from the file's header
    // (zeros for a file that cannot be read); then UpdateHasMemo.
    TImageHandler(const CPath &fullPath, bool readDimensions);
    // The path only: no file, dimension or memo is looked at.
    TImageHandler(const CPath &fullPath, PathOnly);

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    int16_t GetBits() const { return m_bits; }
    bool GetHasMemo() const { return m_hasMemo; }
    void SetDimensions(int32_t width, int32_t height, int16_t bits);
    void SetHasMemo(bool hasMemo) { m_hasMemo = hasMemo; }
    // Whether the file's memo has at least one line.
    void UpdateHasMemo();

    // "Unknown", "640x480" when the bits are unknown, or "640x480 24-bit".
    CString GetDimensionString() const;
    // Width over height; 0 when the height is 0.
    double GetAspectRatio() const;

    // A list row's item strings: AddSubItems appends four (five withMemo)
    // and fills them; SetSubItems fills those already there: the folder, the
    // dimensions, the size, the date and time, and withMemo the memo on one
    // line.
    void AddSubItems(bool withMemo, TStrings &items) const;
    void SetSubItems(bool withMemo, TStrings &items) const;

    // A label pattern with its '%' codes expanded (f name, g name without
    // extension, s size, p dimensions, b bits, d date and time, n the
    // counter, raised afterwards, t the total, m the memo lines). counter and
    // total may be null, and then their codes stand for themselves.
    CString ExpandPattern(const CString &pattern, int *counter, const int *total) const;

    // Decodes the whole image and writes it as a BMP file; false when the
    // image cannot be decoded or the file cannot be written.
    bool SaveImageAsBMP(const CPath &bmpPath) const;

private:
    // What one pattern code, already in lower case, stands for.
    CString expandCode(char code, int *counter, const int *total) const;

    int32_t m_width = 0;     // pixels; 0 when not read
    int32_t m_height = 0;
    int16_t m_bits = 0;      // per pixel; 0 when not read
    bool m_hasMemo = false;
};

// Whether Windows takes name for a file or folder inside its folder: not
// empty, not "." or "..", no character below a blank (a line break would
// split every list of names the program writes) and none of \ / : * ? " < > |.
bool IsPlainFileName(const CString &name);

// The pause between two files that OpenFiles opens, so that the programs
// started do not all compete at once.
constexpr int OpenFilesPauseMs = 500;

// Opens each full path of files with application, as TFileHandler::Open,
// under the hourglass. Asks first when the list holds more files than the
// General options allow; false only when the user declined.
bool OpenFiles(const TStrings &files, const CString &application);
// The rename dialog for path; true when the user confirmed and the file was
// renamed there.
bool RenameFileWithDialog(const CPath &path);
// The rename dialog for each path of files in turn, until one is not
// confirmed; each renamed file's line becomes its new full path.
void RenameFiles(TStrings &files);
