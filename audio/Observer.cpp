#include "audio/Observer.h"

#include <algorithm>

TMMObserver::~TMMObserver()
{
    if (FObservable != nullptr)
        FObservable->RemoveObserver(this);
}

void TMMObserver::Notify(const TMMNotification* data)
{
    if (FSuspendCount <= 0 && OnNotify)
        OnNotify(this, data);
}

TMMObservable::~TMMObservable()
{
    while (!FObservers.empty())
        RemoveObserver(FObservers.back());
}

void TMMObservable::AddObserver(TMMObserver* o)
{
    if (o->FObservable != nullptr)
        o->FObservable->RemoveObserver(o);
    FObservers.push_back(o);
    o->FObservable = this;
}

void TMMObservable::RemoveObserver(TMMObserver* o)
{
    if (o == nullptr || o->FObservable != this)
        return;
    FObservers.erase(std::find(FObservers.begin(), FObservers.end(), o));
    o->FObservable = nullptr;
}

void TMMObservable::NotifyObservers(const TMMNotification* data)
{
    if (FSuspendCount > 0)
        return;
    // A copy, so an observer may detach itself while being told.
    const std::vector<TMMObserver*> observers = FObservers;
    for (auto it = observers.rbegin(); it != observers.rend(); ++it)
        (*it)->Notify(data);
}
