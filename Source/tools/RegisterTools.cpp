#include "RegisterTools.h"

#include "AnimForm.h"
#include "BasketForm.h"
#include "BatchForm.h"
#include "Feedback.h"
#include "FindSimilarForm.h"
#include "FinderForm.h"
#include "FolderManagerForm.h"
#include "MakeMovie.h"
#include "OpenWith.h"
#include "OptionForm.h"
#include "SeqRenameForm.h"
#include "ThumbSettingsForm.h"
#include "ThumbnailWizard.h"
#include "ViewerForm.h"

#include <Source/engine/Thumbnail.h>
#include <Source/windows/ToolHost.h>

namespace {

// Each file opened with the internal viewer gets a window of its own, which
// frees itself when closed.
class TViewerWindows : public ViewerHooks
{
public:
    void openViewer(const CPath &path) override { new TViewerForm1(path); }
};

} // namespace

void RegisterTools()
{
    RegisterTool(Tool::Animation, {.window = [] { return std::make_unique<TAnimForm1>(); }});
    RegisterTool(Tool::Batch, {.window = [] { return std::make_unique<TBatchForm1>(); }});
    RegisterTool(Tool::Basket, {.window = [] { return std::make_unique<TBasketForm1>(); }});
    RegisterTool(Tool::Finder, {.window = [] { return std::make_unique<TFinderForm1>(); }});
    RegisterTool(Tool::FindSimilar, {.window = [] { return std::make_unique<TFindSimilarForm1>(); }});
    RegisterTool(Tool::Viewer, {.hooks = [](bool registered) {
                                    static TViewerWindows viewers;
                                    SetViewerHooks(registered ? &viewers : nullptr);
                                }});
    RegisterTool(Tool::Feedback, {.command = [](ToolBrowser &) {
                                      SendFeedback();
                                      return true;
                                  }});
    RegisterTool(Tool::Movie, {.thumbnails = [](const std::vector<TThumbnail *> &thumbnails) {
                                   CAviFile avi;
                                   MakeMovie(avi, thumbnails);
                                   return true;
                               }});
    RegisterTool(Tool::Preferences, {.command = [](ToolBrowser &browser) {
                                         return TOptionForm1::ShowPreferences(browser);
                                     }});
    RegisterTool(Tool::FolderManager, {.command = [](ToolBrowser &browser) {
                                           return TFolderManagerForm1::Show(browser.ShownFolder());
                                       }});
    RegisterTool(Tool::SequentialRename, {.command = [](ToolBrowser &browser) {
                                              return TSeqRenameForm1::Show(browser);
                                          }});
    SetThumbSettingsMaker([](QWidget *owner, const QString &caption) -> std::unique_ptr<ThumbSettingsPanel> {
        return std::make_unique<TThumbSettingsForm1>(owner, caption);
    });
    RegisterTool(Tool::OpenWith, {.hooks = [](bool registered) {
                                      static TOpenWithList list;
                                      SetOpenWithHooks(registered ? &list : nullptr);
                                  }});
    RegisterTool(Tool::ThumbnailWizard, {.command = [](ToolBrowser &browser) {
                                             std::vector<CThumbBitmap *> records;
                                             for (TThumbnail *thumbnail : browser.Selection()) {
                                                 if (CThumbBitmap *record = thumbnail->GetThumbBitmap())
                                                     records.push_back(record);
                                             }
                                             return TThumbnailWizardForm1::ShowWizard(browser.ShownFolder(), records);
                                         }});
}
