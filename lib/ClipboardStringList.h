#pragma once

#include <platform/StringList.h>
#include <platform/Types.h>

// A string list that travels through the clipboard in a format of its own:
// its text (every line ended by CR LF) as UTF-8 with a terminating NUL.
// Window thread only.
class TClipboardStringList : public TStringList
{
public:
    // The registered clipboard format under which the list travels.
    virtual UINT GetClipboardFormat() const = 0;

    bool IsDataAvailable() const;
    // Replaces what the clipboard held by the list, then empties the list. When
    // the clipboard cannot take it, nothing is put and the list is kept.
    void SetToClipboard();
    // Replaces the lines by those on the clipboard and answers true; answers
    // false, leaving the list, when the clipboard holds nothing in the format.
    bool GetFromClipboard();
    // Empties the clipboard of every format.
    void ClearClipboard() const;
};
