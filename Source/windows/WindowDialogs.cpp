#include "WindowDialogs.h"

#include "CollisionForm.h"
#include "DeleteForm.h"
#include "DriveInfoForm.h"
#include "MemoReplaceForm.h"
#include "RenameForm.h"
#include "TargetForm.h"
#include "VolumeForm.h"

void TWindowDialogs::showDriveInfo(const CPath &driveOrShare)
{
    TDriveInfoForm1::ShowFor(driveOrShare);
}

int TWindowDialogs::promptForVolume(const CString &text, bool allowForce)
{
    return TVolumeForm1::Ask(text, allowForce);
}

bool TWindowDialogs::ShowRenameDialog(TImageHandler &file)
{
    return TRenameForm1::ShowRenameDialog(file);
}

CollisionChoice TWindowDialogs::ShowCollisionDialog(const CPath &source, const CPath &destination)
{
    return TCollisionForm1::Ask(source, destination);
}

int TWindowDialogs::ConfirmDeleteFiles(TImageHandler &file, bool moreFollow)
{
    return ::ConfirmDeleteFiles(file, moreFollow);
}

bool TWindowDialogs::ConfirmMemoReplacement(const CPath &destination, const TStrings &sourceLines,
                                            const TStrings &destinationLines)
{
    return TMemoReplaceForm1::ConfirmMemoReplacement(destination, sourceLines, destinationLines);
}

bool TWindowDialogs::ChooseTargetFolder(const TargetFolderRequest &request, CPath &folder)
{
    return TTargetForm1::Choose(request, folder);
}

void RegisterWindowDialogs()
{
    static TWindowDialogs dialogs;
    SetDialogHooks(&dialogs);
}
