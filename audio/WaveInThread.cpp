#include "audio/WaveInThread.h"

#include "audio/WaveIn.h"
#include "platform/ThreadPriority.h"

#include <atomic>
#include <system_error>

void TMMAutoResetEvent::Set()
{
    std::lock_guard lock(mutex_);
    set_ = true;
    signalled_.notify_one();
}

bool TMMAutoResetEvent::Wait(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    if (!signalled_.wait_for(lock, timeout, [this] { return set_; }))
        return false;
    set_ = false;
    return true;
}

TMMThreadEx::~TMMThreadEx()
{
    if (thread_.joinable())
        thread_.detach();
}

bool TMMThreadEx::Resume()
{
    try {
        thread_ = std::thread([this] { Execute(); });
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void TMMThreadEx::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void TMMThreadEx::Detach()
{
    if (thread_.joinable())
        thread_.detach();
}

namespace {
std::atomic<std::size_t> dspThreads{0};
} // namespace

TMMDSPThread::TMMDSPThread()
{
    ++dspThreads;
}

TMMDSPThread::~TMMDSPThread()
{
    --dspThreads;
}

std::size_t DSPThreadCount()
{
    return dspThreads;
}

TMMWaveInThread::TMMWaveInThread(TMMCustomWaveIn& owner, TThreadPriority priority,
                                 TMMAutoResetEvent& ready)
    : owner_(owner), ready_(ready), priority_(priority)
{
}

TMMWaveInThread::~TMMWaveInThread()
{
    Terminate();
    Join();
}

void TMMWaveInThread::PostData(platform::HWaveIn handle, BufferHeader* header)
{
    std::lock_guard lock(mutex_);
    queue_.push_back({handle, header, priority_});
    wake_.notify_one();
}

void TMMWaveInThread::PostPriority(TThreadPriority priority)
{
    std::lock_guard lock(mutex_);
    queue_.push_back({0, nullptr, priority});
    wake_.notify_one();
}

void TMMWaveInThread::Terminate()
{
    std::lock_guard lock(mutex_);
    terminated_ = true;
    wake_.notify_one();
}

void TMMWaveInThread::Execute()
{
    platform::SetCurrentThreadPriority(kThreadPriorityValues[priority_]);
    ready_.Set(); // the queue exists: Open may go on
    try {
        for (;;) {
            Message message{};
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return !queue_.empty() || terminated_; });
                if (queue_.empty())
                    break;
                message = queue_.front();
                queue_.pop_front();
            }
            if (message.header == nullptr)
                platform::SetCurrentThreadPriority(kThreadPriorityValues[message.priority]);
            else
                owner_.HandleThreadMessage(message.handle, message.header);
        }
    } catch (...) {
        owner_.BufferThreadFailed(std::current_exception());
    }
    ready_.Set(); // Close may go on
}
