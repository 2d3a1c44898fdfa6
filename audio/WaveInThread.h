#pragma once

#include "audio/BufferHeader.h"
#include "audio/MMTypes.h"
#include "platform/WaveInDriver.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>

class TMMCustomWaveIn;

// An event that releases one waiter and then resets itself.
class TMMAutoResetEvent {
public:
    void Set();
    // True when the event came before the time ran out.
    bool Wait(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable signalled_;
    bool set_ = false;
};

// A thread that runs Execute once it is resumed.
class TMMThreadEx {
public:
    TMMThreadEx() = default;
    virtual ~TMMThreadEx();
    TMMThreadEx(const TMMThreadEx&) = delete;
    TMMThreadEx& operator=(const TMMThreadEx&) = delete;

    // Starts the thread; false when the system refuses one.
    bool Resume();
    void Join();
    // Lets the thread run on alone; used only when it does not end in time.
    void Detach();

protected:
    virtual void Execute() = 0;

private:
    std::thread thread_;
};

// A thread serving one wave input; every one is counted while it exists.
class TMMDSPThread : public TMMThreadEx {
public:
    TMMDSPThread();
    ~TMMDSPThread() override;
};

// Threads serving a wave input right now, process-wide.
std::size_t DSPThreadCount();

// The buffer thread: finished device buffers are posted to its queue from the
// device's thread and handled here, one after the other, down the whole chain.
class TMMWaveInThread final : public TMMDSPThread {
public:
    TMMWaveInThread(TMMCustomWaveIn& owner, TThreadPriority priority, TMMAutoResetEvent& ready);
    ~TMMWaveInThread() override;

    void PostData(platform::HWaveIn handle, BufferHeader* header);
    void PostPriority(TThreadPriority priority);
    // The terminate event: the thread ends once its queue is empty.
    void Terminate();

protected:
    void Execute() override;

private:
    struct Message {
        platform::HWaveIn handle;
        BufferHeader* header; // nullptr: a priority change
        TThreadPriority priority;
    };

    TMMCustomWaveIn& owner_;
    TMMAutoResetEvent& ready_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Message> queue_;
    TThreadPriority priority_;
    bool terminated_ = false;
};
