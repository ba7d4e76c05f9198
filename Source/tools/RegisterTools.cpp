#include "RegisterTools.h"

#include "AnimForm.h"
#include "BasketForm.h"
#include "Feedback.h"
#include "FolderManagerForm.h"
#include "OpenWith.h"
#include "SeqRenameForm.h"
#include "ViewerForm.h"

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
    RegisterTool(Tool::Basket, {.window = [] { return std::make_unique<TBasketForm1>(); }});
    RegisterTool(Tool::Viewer, {.hooks = [](bool registered) {
                                    static TViewerWindows viewers;
                                    SetViewerHooks(registered ? &viewers : nullptr);
                                }});
    RegisterTool(Tool::Feedback, {.command = [](ToolBrowser &) {
                                      SendFeedback();
                                      return true;
                                  }});
    RegisterTool(Tool::FolderManager, {.command = [](ToolBrowser &browser) {
                                           return TFolderManagerForm1::Show(browser.ShownFolder());
                                       }});
    RegisterTool(Tool::SequentialRename, {.command = [](ToolBrowser &browser) {
                                              return TSeqRenameForm1::Show(browser);
                                          }});
    RegisterTool(Tool::OpenWith, {.hooks = [](bool registered) {
                                      static TOpenWithList list;
                                      SetOpenWithHooks(registered ? &list : nullptr);
                                  }});
}
