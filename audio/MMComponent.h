#pragma once

#include <functional>

class TMMComponent;
using TNotifyEvent = std::function<void(TMMComponent* sender)>;

// Base of every audio component. It carries the life-cycle state a component
// checks before it propagates anything: while a form is being loaded, links and
// formats are only stored, and a component being destroyed tells no one.
class TMMComponent {
public:
    TMMComponent() = default;
    virtual ~TMMComponent() = default;
    TMMComponent(const TMMComponent&) = delete;
    TMMComponent& operator=(const TMMComponent&) = delete;

    bool Loading() const { return FLoading; }
    bool Destroying() const { return FDestroying; }

    // Loading a form: properties set between these two calls are only stored;
    // EndLoading runs Loaded so that the component applies them.
    void BeginLoading();
    void EndLoading();

protected:
    virtual void Loaded() {}
    void MarkDestroying() { FDestroying = true; }

private:
    bool FLoading = false;
    bool FDestroying = false;
};

// A component that is not drawn; devices and chain components derive from it.
class TMMNonVisualComponent : public TMMComponent {};
