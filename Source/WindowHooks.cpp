#include "WindowHooks.h"

#include <atomic>

namespace {

CoordinatorHooks s_safeCoordinator;
DialogHooks s_safeDialogs;
std::atomic<CoordinatorHooks *> s_coordinator{nullptr};
std::atomic<DialogHooks *> s_dialogs{nullptr};

} // namespace

void SetCoordinatorHooks(CoordinatorHooks *hooks)
{
    s_coordinator = hooks;
}

CoordinatorHooks &Coordinator()
{
    CoordinatorHooks *hooks = s_coordinator;
    return hooks ? *hooks : s_safeCoordinator;
}

void SetDialogHooks(DialogHooks *hooks)
{
    s_dialogs = hooks;
}

DialogHooks &Dialogs()
{
    DialogHooks *hooks = s_dialogs;
    return hooks ? *hooks : s_safeDialogs;
}
