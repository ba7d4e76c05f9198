#include "RegisterTools.h"

#include "BasketForm.h"
#include "Feedback.h"

#include <Source/windows/ToolHost.h>

void RegisterTools()
{
    RegisterTool(Tool::Basket, {.window = [] { return std::make_unique<TBasketForm1>(); }});
    RegisterTool(Tool::Feedback, {.command = [](ToolBrowser &) {
                                      SendFeedback();
                                      return true;
                                  }});
}
