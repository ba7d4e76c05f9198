#pragma once

#include <Source/engine/WindowHooks.h>

// The program's dialogs behind the engine's dialog hooks: every prompt that
// the engine raises (rename, collision, delete, memo replacement, target
// folder, insert volume, drive information) opens the real dialog.
class TWindowDialogs : public DialogHooks
{
public:
    void showDriveInfo(const CPath &driveOrShare) override;
    int promptForVolume(const CString &text, bool allowForce) override;
    bool ShowRenameDialog(TImageHandler &file) override;
    CollisionChoice ShowCollisionDialog(const CPath &source, const CPath &destination) override;
    int ConfirmDeleteFiles(TImageHandler &file, bool moreFollow) override;
    bool ConfirmMemoReplacement(const CPath &destination, const TStrings &sourceLines,
                                const TStrings &destinationLines) override;
    bool ChooseTargetFolder(const TargetFolderRequest &request, CPath &folder) override;
};

// Registers the dialogs on the engine's hooks for the rest of the program's
// life; the start-up calls it once the globals exist.
void RegisterWindowDialogs();
