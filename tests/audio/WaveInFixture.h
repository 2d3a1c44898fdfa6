#pragma once

#include "audio/WaveIn.h"
#include "platform/ExceptionRouting.h"
#include "platform/QueuedWaveInDriver.h"
#include "platform/VirtualCapture.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace audiotest {

// Lets posted events run until the condition holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A consumer at the end of the chain that keeps what reaches it.
class Sink : public TMMDSPComponent {
public:
    ~Sink() override { DetachFromChain(); }
    bool OffersInputLink() const override { return true; }
    bool OffersOutputLink() const override { return true; }
    void BufferReady(BufferHeader* header) override
    {
        std::lock_guard lock(mutex);
        bytes += header->hdr.dwBytesRecorded;
        ++buffers;
        if (keepSamples)
            samples.insert(samples.end(), header->hdr.lpData,
                           header->hdr.lpData + header->hdr.dwBytesRecorded);
        TMMDSPComponent::BufferReady(header);
    }
    std::int64_t Bytes()
    {
        std::lock_guard lock(mutex);
        return bytes;
    }
    std::int64_t Buffers()
    {
        std::lock_guard lock(mutex);
        return buffers;
    }

    std::mutex mutex;
    std::int64_t bytes = 0;
    std::int64_t buffers = 0;
    bool keepSamples = false;
    std::vector<char> samples;
};

// Every wave input of a test records from a virtual device; errors that reach the
// application handler are kept.
class WaveInTestBase : public ::testing::Test {
protected:
    WaveInTestBase()
    {
        auto owned = std::make_unique<platform::VirtualCaptureBackend>();
        backend = owned.get();
        driver = std::make_unique<platform::QueuedWaveInDriver>(std::move(owned));
        platform::SetActiveWaveInDriver(driver.get());
        platform::SetAppExceptionHandler(
            [this](const std::exception& e) { reported.push_back(e.what()); });
    }

    ~WaveInTestBase() override
    {
        platform::SetAppExceptionHandler(nullptr);
        platform::SetActiveWaveInDriver(nullptr);
    }

    // The station's settings: 44.1 kHz, 16-bit stereo, 4096-byte buffers.
    static void UseStationFormat(TMMWaveIn& in, TMMCBMode mode = cmThread)
    {
        in.SetCallBackMode(mode);
        in.SetBufferSize(4096);
        in.SetNumBuffers(20);
        in.SetDeviceID(MapperId);
        in.SetMode(mStereo);
        in.SetBitLength(b16Bit);
        in.SetSampleRate(44100);
        in.SetTimeFormat(tfMillisecond);
    }

    platform::VirtualCaptureBackend* backend = nullptr;
    std::unique_ptr<platform::QueuedWaveInDriver> driver;
    std::vector<std::string> reported;
};

// The message of the error a call raises, or "" when it raises none.
template <typename Call> std::string ErrorOf(Call call)
{
    try {
        call();
    } catch (const EMMWaveInError& e) {
        return e.what();
    }
    return "";
}

} // namespace audiotest
