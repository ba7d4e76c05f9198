#pragma once

#include <lib/Path.h>
#include <lib/String.h>

#include <cstdint>
#include <vector>

class CArchive;
class CThumbBitmap;
class CThumbProgressContext;
class TMemoryStream;
class TStream;

// A folder's browse file: the records of its image files, so that a folder
// seen before opens without decoding its images again. Little-endian;
// strings as CArchive writes them.
//
//   field            size   meaning
//   magic               4   "ZILO"
//   version             2   18; any other version reads as a file without records
//   folder         string   the folder in its stored volume form
//   count N             4   records
//   sort property       1   the folder's "Sort Property" (0..13)
//   sort direction      1   the folder's "Sort Direction" (0..1)
//   directory   N entries   each: file name (string, no folder) and the block's
//                           offset from the start of the file (4, never 0)
//   record blocks       N   in directory order, each as CThumbBitmap::SaveToArchive
//                           writes it (35 bytes, then the JPEG when loaded)
//
// A block lies past the directory, and no two blocks share a byte: an entry
// whose offset points into the header or the directory, repeats an earlier
// entry's offset, or whose block runs into the next block is skipped. A file
// larger than 2 GB is refused, and never written.
//
// An object lives for one load or one save, on the worker that does it.
class CBrowseFile
{
public:
    // Takes a reference on each of records.
    explicit CBrowseFile(const CPath &folder, std::vector<CThumbBitmap *> records = {});
    // Releases every record of the list.
    virtual ~CBrowseFile();
    CBrowseFile(const CBrowseFile &) = delete;
    CBrowseFile &operator=(const CBrowseFile &) = delete;

    // Worker thread. Reads the folder's browse file into the list, a record
    // already cached for a path being used as it is. Each record read reaches
    // the owner by UM_BROWSE_RECORD_READ; the load begins and ends with
    // UM_BROWSE_LOAD_BEGIN and UM_BROWSE_LOAD_END (lParam the path as a
    // const char *). A file of another version reads as success without
    // records. False when the file cannot be opened or is damaged, or on
    // any other error (of memory, or of the relocation after the read): the
    // records read before stay in the list and in the cache, and the end
    // message still comes. Names that would leave the folder, and repeated
    // names, are skipped; so are the entries whose blocks are misplaced (see
    // above), which the count of UM_BROWSE_READ_COUNT still includes when
    // only reading their block finds them out. A stored thumbnail size above
    // TFolderOptions::MaxThumbnailSize makes its record pending.
    bool Load(CThumbProgressContext *context);

    // Worker thread. Asks the owner for its records (UM_GET_THUMBNAIL_LIST,
    // lParam a std::vector<CThumbBitmap *> to fill, a reference each) and
    // writes them by temporary file and rename, so a failed save leaves the
    // old file as it was. With no records the browse file is deleted
    // (UM_BROWSE_FILE_DELETED). False when the file could not be written,
    // would be too large to load again (reported through the context), or on
    // any other error, the relocation's included: then UM_BROWSE_SAVE_END
    // comes with wParam 0. False too when the context was terminated before
    // the owner answered (then the file is left alone).
    bool Save(CThumbProgressContext *context);

    const CPath &Folder() const { return m_folder; }
    // Held with one reference each until the object is destroyed.
    const std::vector<CThumbBitmap *> &Records() const { return m_records; }

protected:
    // Save, refusing a file larger than maxFileBytes as it refuses one that
    // Load would not read.
    bool saveWithin(CThumbProgressContext *context, int64_t maxFileBytes);

private:
    void readFile(const CPath &path, CThumbProgressContext *context);
    // archive reads and writes file or stream, which holds the whole file.
    void readBody(CArchive &archive, TMemoryStream &file, const CPath &browseFilePath, CThumbProgressContext *context);
    // False, having told the user, when the file would be larger than
    // maxFileBytes; nothing is written then.
    bool writeFile(const CPath &path, CThumbProgressContext *context, int64_t maxFileBytes) const;
    // False as soon as the stream grows past maxFileBytes.
    bool writeBody(CArchive &archive, TStream &stream, CThumbProgressContext *context, int64_t maxFileBytes) const;

    CPath m_folder;
    std::vector<CThumbBitmap *> m_records;
};

// The first record of the browse file at path, for a preview, as the
// records of folder: only the header, the directory and the first block are
// read, never the whole file. The cached record when there is one. With one
// reference for the caller; null for a file that is damaged, of another
// version, holds no record or cannot be read.
CThumbBitmap *ReadFirstBrowseRecord(const CPath &path, const CPath &folder);
// Whether path may be deleted as folder's browse file: a file ending ".zilo"
// that begins with the browse file's magic, lying right in folder or in the
// central browse-file folder. A setting may name any file; this keeps every
// other file from being deleted in its place.
bool IsDeletableBrowseFile(const CPath &path, const CPath &folder);

// Whether the folder's browse file belongs in the central browse-file folder,
// by the Disk option "Special Browse Folder Option": always (0); for a shared
// folder or one on a network drive (2); otherwise when the folder holding the
// folder's present browse file exists and is write-protected.
bool UseCentralBrowseFolder(const CPath &folder);
// After a load and before a save: moves the folder's browse file to the Disk
// option "Special Browse Folder" when UseCentralBrowseFolder says so. Any
// thread; the messages are shown on the window thread.
void Relocate(const CPath &folder);
// A name of the central folder that no file has yet: eight hex digits, a
// process-wide attempt counter and ".zilo". Any thread.
CPath MakeUniqueBrowseFileName(const CPath &centralFolder);
// Whether path is a name that MakeUniqueBrowseFileName makes, right inside
// the Disk option "Special Browse Folder": the only place a folder's settings
// may put its browse file. False before the option groups exist.
bool IsCentralBrowseFile(const CPath &path);
// Moves the folder's browse file into centralFolder under a new name and
// records that path as the folder's "Browse File"; with no browse file yet it
// only records the new name. Nothing is done for a browse file already there.
// A registry error raises, after removing the copy it would leave behind.
// Shows its failures ("Folder '%s' is write protected", "Failed to create
// browse file folder '%s'", "Failed to copy file '%s' to '%s'") and answers
// false; the browse file and the setting then stay as they were.
bool MoveBrowseFileToCentralFolder(const CPath &folder, const CPath &centralFolder);
// The folder recorded in a browse file, as a drive path, asking for its
// volume when it is missing. Empty, after a warning, for a file of another
// version or a volume that is not supplied. Raises Exception for a file that
// cannot be opened, has no browse file's magic or is too short.
CPath ReadBrowseFileFolder(const CPath &path);
