#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

// The component library's file dialogs over Qt's own (non-native) file
// dialog, so that ExecModal's responder can answer them. Callers see Windows
// paths only: the initial folder and file name go in as Windows paths and the
// chosen file comes back as one; the dialog shows the host's folders.

// One entry of a Windows filter string: the text shown and its patterns.
struct FileFilterEntry
{
    std::string name;                    // "JPEG files (*.jpg)"
    std::vector<std::string> patterns;   // "*.jpg", "*.jpeg"

    bool operator==(const FileFilterEntry &) const = default;
};

// A Windows filter string, "Name (*.x)|*.x|Both|*.a;*.b||": names and pattern
// lists taking turns, patterns separated by semicolons (blanks around them
// dropped). An empty name ends the list, so the closing "||" does; an entry
// with no pattern is dropped.
std::vector<FileFilterEntry> ParseFileFilter(std::string_view filter);

// The name the dialog settles on for what the user typed, with filter the
// chosen entry (null when there is none). Without a default extension the
// name stays as typed; without an entry defaultExt is appended to a name that
// has no extension. A name that one of the entry's patterns matches
// (without regard to case: "a.JPG" under "*.jpg") stays too. Otherwise the
// entry's extension is appended when its first pattern names exactly one
// ("*.png"), else defaultExt ("*.*", and "log" becomes "log.txt").
std::string ApplyDefaultExtension(const std::string &name, const FileFilterEntry *filter,
                                  const std::string &defaultExt);

// The component library's dialog options that callers use.
enum TOpenOption : uint32_t {
    ofOverwritePrompt = 0x1,   // save: "... already exists" asks before an existing file is chosen
    ofPathMustExist = 0x2,     // the chosen file's folder must exist
    ofFileMustExist = 0x4,     // open: the chosen file must exist
};

// An open dialog. Set the fields, call Execute. Window thread only.
class TOpenDialog
{
public:
    TOpenDialog() : TOpenDialog(false) {}
    virtual ~TOpenDialog() = default;

    std::string Title;        // empty: "Open" or "Save As"
    std::string Filter;       // a Windows filter string; empty: every file
    int FilterIndex = 1;      // the entry shown first, from 1; after OK the one chosen
    std::string InitialDir;   // a Windows path; a folder in FileName goes first
    std::string FileName;     // a name or a Windows path; after OK the chosen file's Windows path
    std::string DefaultExt;   // without its dot: "txt"
    uint32_t Options = 0;     // TOpenOption flags

    // Shows the dialog modally over owner (or the active window) and answers
    // whether the user chose a file. A typed folder opens that folder. The
    // questions and refusals of the options are message boxes (MessageBoxA),
    // captioned with the title; after a refusal or a No the dialog stays open.
    // On Cancel FileName and FilterIndex keep their values.
    bool Execute(QWidget *owner = nullptr);

protected:
    explicit TOpenDialog(bool save) : m_save(save) {}

private:
    bool m_save;
};

// A save dialog: the same fields, and ofOverwritePrompt takes effect.
class TSaveDialog : public TOpenDialog
{
public:
    TSaveDialog() : TOpenDialog(true) {}
};
