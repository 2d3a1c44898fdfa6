#pragma once

#include "audio/PropertyRule.h"

#include <cstdint>
#include <functional>
#include <utility>

class TMMObject;
using TMMObjectEvent = std::function<void(TMMObject* sender)>;

// A persistent value object that tells its owner when it is about to change and
// when it has changed. Grouped edits inside BeginUpdate/EndUpdate raise each
// notice only once.
class TMMObject {
public:
    virtual ~TMMObject() = default;

    void BeginUpdate();
    void EndUpdate();
    std::int32_t UpdateCount() const { return FUpdateCount; }

    TMMObjectEvent OnChanging;
    TMMObjectEvent OnChange;

protected:
    // Calls the changing or the changed notifier.
    virtual void Changed(bool changing);
    void DoChanging();
    void DoChange();

    // Property setter body: a write of the current value changes nothing; any
    // other value is stored and announced.
    template <typename T> void Set(T& field, T value)
    {
        SetProperty(field, std::move(value), [this] { Changed(false); });
    }

private:
    std::int32_t FUpdateCount = 0;
};
