#pragma once

#include <utility>

// The components' property rule in one place: a write of the current value
// changes nothing; any other value is stored, then what it affects runs, in order
// (recompute, repaint). Clamp or ignore out-of-range values before the call.
// Returns whether the value changed.
template <typename T, typename U, typename... Effects>
bool SetProperty(T& field, U&& value, Effects&&... effects)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    (std::forward<Effects>(effects)(), ...);
    return true;
}
