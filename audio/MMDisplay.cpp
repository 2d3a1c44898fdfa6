#include "audio/MMDisplay.h"

#include <algorithm>

TMMDisplay::~TMMDisplay()
{
    // A watcher may add or remove watchers while being told, so work on a copy.
    const std::vector<TMMDisplayWatcher*> watchers = std::move(watchers_);
    watchers_.clear();
    for (TMMDisplayWatcher* watcher : watchers)
        watcher->DisplayDestroyed(this);
}

void TMMDisplay::AddWatcher(TMMDisplayWatcher* watcher)
{
    if (watcher != nullptr)
        watchers_.push_back(watcher);
}

void TMMDisplay::RemoveWatcher(TMMDisplayWatcher* watcher)
{
    const auto found = std::find(watchers_.begin(), watchers_.end(), watcher);
    if (found != watchers_.end())
        watchers_.erase(found);
}
