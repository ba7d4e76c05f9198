#include "WindowHooks.h"

#include "ThumbCache.h"

#include <atomic>

namespace {

// The interface that a window has registered, and the safe answers until one has.
template <typename Hooks>
class Registration
{
public:
    void set(Hooks *hooks) { m_registered = hooks; }
    Hooks &get()
    {
        Hooks *hooks = m_registered;
        return hooks ? *hooks : m_safe;
    }

private:
    Hooks m_safe;
    std::atomic<Hooks *> m_registered{nullptr};
};

Registration<CoordinatorHooks> s_coordinator;
Registration<DialogHooks> s_dialogs;
Registration<ViewerHooks> s_viewer;
Registration<OpenWithHooks> s_openWith;
Registration<BasketHooks> s_basket;
Registration<AnimationHooks> s_animation;

} // namespace

void CoordinatorHooks::FileRenamed(const CPath &oldPath, const CPath &newPath)
{
    RenameThumbBitmap(oldPath, newPath);
}

void SetCoordinatorHooks(CoordinatorHooks *hooks)
{
    s_coordinator.set(hooks);
}

CoordinatorHooks &Coordinator()
{
    return s_coordinator.get();
}

void SetDialogHooks(DialogHooks *hooks)
{
    s_dialogs.set(hooks);
}

DialogHooks &Dialogs()
{
    return s_dialogs.get();
}

void SetViewerHooks(ViewerHooks *hooks)
{
    s_viewer.set(hooks);
}

ViewerHooks &Viewer()
{
    return s_viewer.get();
}

void SetOpenWithHooks(OpenWithHooks *hooks)
{
    s_openWith.set(hooks);
}

OpenWithHooks &OpenWith()
{
    return s_openWith.get();
}

void SetBasketHooks(BasketHooks *hooks)
{
    s_basket.set(hooks);
}

BasketHooks &Basket()
{
    return s_basket.get();
}

void SetAnimationHooks(AnimationHooks *hooks)
{
    s_animation.set(hooks);
}

AnimationHooks &Animation()
{
    return s_animation.get();
}
