#include "audio/TickService.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct TickHandler {
    std::int32_t interval = kTickPeriodMs;
    void* owner = nullptr;
    TickCallback callback = nullptr;
    std::int32_t disableCount = 0;
    std::int32_t elapsed = 0;
    TickHandler* next = nullptr;
};

namespace {

class TickServiceState {
public:
    ~TickServiceState()
    {
        {
            std::unique_lock lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    TickHandler* Add(std::int32_t intervalMs, std::int32_t disableCount, TickCallback callback,
                     void* owner)
    {
        std::unique_lock lock(mutex_);
        if (!thread_.joinable()) {
            try {
                thread_ = std::thread([this] { Run(); });
            } catch (const std::system_error&) {
                return nullptr;
            }
        }
        auto* handler = new TickHandler;
        handler->interval = intervalMs < kTickPeriodMs ? kTickPeriodMs : intervalMs;
        handler->owner = owner;
        handler->callback = callback;
        handler->disableCount = disableCount;
        TickHandler** tail = &head_;
        while (*tail != nullptr)
            tail = &(*tail)->next;
        *tail = handler;
        ++count_;
        wake_.notify_all();
        return handler;
    }

    void Remove(TickHandler* handler)
    {
        std::unique_lock lock(mutex_);
        for (TickHandler** link = &head_; *link != nullptr; link = &(*link)->next) {
            if (*link == handler) {
                *link = handler->next;
                delete handler;
                --count_;
                return;
            }
        }
    }

    void Suspend(TickHandler* handler)
    {
        std::unique_lock lock(mutex_);
        ++handler->disableCount;
        handler->elapsed = 0;
    }

    void Resume(TickHandler* handler)
    {
        std::unique_lock lock(mutex_);
        if (handler->disableCount > 0)
            --handler->disableCount;
    }

    void Tick()
    {
        // A tick that comes while the previous one still runs is dropped.
        if (busy_.fetch_add(1) == 0) {
            std::unique_lock lock(mutex_);
            for (TickHandler* handler = head_; handler != nullptr; handler = handler->next) {
                if (handler->disableCount != 0)
                    continue;
                handler->elapsed += kTickPeriodMs;
                if (handler->elapsed >= handler->interval) {
                    handler->callback(handler, handler->owner);
                    handler->elapsed = 0;
                }
            }
        }
        busy_.fetch_sub(1);
    }

    void SetManual(bool manual) { manual_ = manual; }

    int Count()
    {
        std::unique_lock lock(mutex_);
        return count_;
    }

private:
    // The thread sleeps without ticking while no handler is registered, so an idle
    // service costs nothing and adding the first handler never races a shutdown.
    void Run()
    {
        std::unique_lock lock(mutex_);
        auto due = std::chrono::steady_clock::now();
        while (!stopping_) {
            if (count_ == 0) {
                wake_.wait(lock, [this] { return stopping_ || count_ > 0; });
                due = std::chrono::steady_clock::now();
                continue;
            }
            due += std::chrono::milliseconds(kTickPeriodMs);
            if (wake_.wait_until(lock, due, [this] { return stopping_; }))
                break;
            lock.unlock();
            if (!manual_)
                Tick();
            lock.lock();
            // After a long stall, resume the rhythm from now instead of catching up.
            const auto now = std::chrono::steady_clock::now();
            if (now - due > std::chrono::milliseconds(kTickPeriodMs * 4))
                due = now;
        }
    }

    std::mutex mutex_; // guards the handler list, its fields and the stop flag
    std::condition_variable wake_;
    TickHandler* head_ = nullptr;
    int count_ = 0;
    bool stopping_ = false;
    std::atomic<int> busy_{0};
    std::atomic<bool> manual_{false};
    std::thread thread_;
};

TickServiceState& Service()
{
    static TickServiceState service;
    return service;
}

} // namespace

TickHandler* TickServiceAdd(std::int32_t intervalMs, std::int32_t disableCount,
                            TickCallback callback, void* owner)
{
    return Service().Add(intervalMs, disableCount, callback, owner);
}

void TickServiceRemove(TickHandler* handler)
{
    if (handler != nullptr)
        Service().Remove(handler);
}

void TickServiceSuspend(TickHandler* handler)
{
    if (handler != nullptr)
        Service().Suspend(handler);
}

void TickServiceResume(TickHandler* handler)
{
    if (handler != nullptr)
        Service().Resume(handler);
}

void TickServiceTickNow()
{
    Service().Tick();
}

void TickServiceSetManual(bool manual)
{
    Service().SetManual(manual);
}

int TickServiceHandlerCount()
{
    return Service().Count();
}
