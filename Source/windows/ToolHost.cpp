#include "ToolHost.h"

#include <QAction>
#include <QMenu>

#include <array>
#include <utility>

namespace {

std::array<ToolEntry, ToolCount> s_tools;
ToolShell *s_shell = nullptr;

ToolEntry &entry(Tool tool)
{
    return s_tools[size_t(tool)];
}

} // namespace

void SetToolShell(ToolShell *shell)
{
    s_shell = shell;
}

ToolShell &Shell()
{
    static ToolShell none;
    return s_shell ? *s_shell : none;
}

void RegisterTool(Tool tool, ToolEntry registration)
{
    UnregisterTool(tool);
    entry(tool) = std::move(registration);
    if (entry(tool).hooks)
        entry(tool).hooks(true);
}

void UnregisterTool(Tool tool)
{
    ToolEntry gone = std::exchange(entry(tool), ToolEntry());
    if (gone.hooks)
        gone.hooks(false);
}

bool ToolAvailable(Tool tool)
{
    const ToolEntry &registered = entry(tool);
    return registered.window || registered.command || registered.thumbnails || registered.hooks;
}

bool RunTool(Tool tool, ToolBrowser &browser)
{
    // A copy: the command may register or unregister tools itself.
    const ToolEntry registered = entry(tool);
    if (registered.command)
        return registered.command(browser);
    return registered.thumbnails && registered.thumbnails(browser.Selection());
}

bool RunToolOn(Tool tool, const std::vector<TThumbnail *> &thumbnails)
{
    // A copy, as in RunTool.
    const auto command = entry(tool).thumbnails;
    return command && command(thumbnails);
}

std::unique_ptr<TToolForm> MakeToolWindow(Tool tool)
{
    const auto &window = entry(tool).window;
    return window ? window() : nullptr;
}

void FillOpenWithMenu(QMenu *menu, const std::function<void(const CString &command)> &click)
{
    menu->clear();
    for (const OpenWithApplication &application : OpenWith().applications()) {
        const CString command = application.command;
        QObject::connect(menu->addAction(application.caption.ToAnsiString()), &QAction::triggered, menu,
                         [click, command] { click(command); });
    }
}
