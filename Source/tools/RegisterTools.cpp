#include "RegisterTools.h"

#include "BasketForm.h"
#include "Feedback.h"
#include "OpenWith.h"

#include <Source/windows/ToolHost.h>

void RegisterTools()
{
    RegisterTool(Tool::Basket, {.window = [] { return std::make_unique<TBasketForm1>(); }});
    RegisterTool(Tool::Feedback, {.command = [](ToolBrowser &) {
                                      SendFeedback();
                                      return true;
                                  }});
    RegisterTool(Tool::OpenWith, {.hooks = [](bool registered) {
                                      static TOpenWithList list;
                                      SetOpenWithHooks(registered ? &list : nullptr);
                                  }});
}
