#include "RegisterTools.h"

#include "Feedback.h"

#include <Source/windows/ToolHost.h>

void RegisterTools()
{
    RegisterTool(Tool::Feedback, {.command = [](ToolBrowser &) {
                                      SendFeedback();
                                      return true;
                                  }});
}
