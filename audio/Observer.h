#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Data handed to observers; each notice kind derives its own.
class TMMNotification {
public:
    virtual ~TMMNotification() = default;
};

class TMMObservable;
class TMMObserver;
using TMMNotifyCallback = std::function<void(TMMObserver* sender, const TMMNotification* data)>;

// Watches one observable at a time and runs its callback on every notice.
class TMMObserver {
public:
    TMMObserver() = default;
    virtual ~TMMObserver();
    TMMObserver(const TMMObserver&) = delete;
    TMMObserver& operator=(const TMMObserver&) = delete;

    virtual void Notify(const TMMNotification* data);
    void Suspend() { ++FSuspendCount; }
    void Resume() { --FSuspendCount; }

    TMMObservable* Observable() const { return FObservable; }
    TMMNotifyCallback OnNotify;

private:
    friend class TMMObservable;
    TMMObservable* FObservable = nullptr;
    std::int32_t FSuspendCount = 0;
};

class TMMObservable {
public:
    TMMObservable() = default;
    virtual ~TMMObservable();
    TMMObservable(const TMMObservable&) = delete;
    TMMObservable& operator=(const TMMObservable&) = delete;

    // Moves o here from any observable it watched before.
    void AddObserver(TMMObserver* o);
    // Only an observer of this observable is removed.
    void RemoveObserver(TMMObserver* o);
    // Last added is told first; nothing while suspended.
    void NotifyObservers(const TMMNotification* data);
    void Suspend() { ++FSuspendCount; }
    void Resume() { --FSuspendCount; }
    std::size_t ObserverCount() const { return FObservers.size(); }

private:
    std::vector<TMMObserver*> FObservers;
    std::int32_t FSuspendCount = 0;
};
