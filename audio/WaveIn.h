#pragma once

#include "audio/Allocator.h"
#include "audio/MMTypes.h"
#include "audio/SoundComponent.h"
#include "audio/WaveInThread.h"
#include "platform/Exception.h"
#include "platform/WaveInDriver.h"

#include <QObject>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

SONAVIA_ERROR_CLASS(EMMWaveInError, platform::Exception)

class TMMCustomWaveIn;

// The wave input's hidden window: a QObject on the user-interface thread that
// receives what the device and the buffer thread post to it. Messages wait in the
// window's own locked mailbox; the posted event only wakes the window.
class TMMWaveInWindow final : public QObject {
public:
    // The private message that asks for a stop on the user-interface thread.
    static constexpr int kStopRequest = 0x8002;

    explicit TMMWaveInWindow(TMMCustomWaveIn& owner) : owner_(owner) {}

    void PostData(platform::HWaveIn handle, BufferHeader* header);
    void PostStopRequest(platform::HWaveIn handle);
    void PostDeviceFailure(platform::HWaveIn handle, platform::MMResult result);
    void PostThreadFailure(std::exception_ptr error);

protected:
    void customEvent(QEvent* event) override;

private:
    enum class Kind { Data, StopRequest, DeviceFailure, ThreadFailure };
    struct Message {
        Kind kind;
        platform::HWaveIn handle;
        BufferHeader* header;
        platform::MMResult result;
        std::exception_ptr error;
    };

    void Post(Message message);
    void Deliver(const Message& message);

    TMMCustomWaveIn& owner_;
    std::mutex mutex_;
    std::deque<Message> mailbox_;
};

// Records PCM from a capture device and hands every filled buffer down the chain.
// The source of a chain: it has an Output and no Input.
class TMMCustomWaveIn : public TMMCustomSoundComponent {
public:
    static constexpr std::int32_t kMaxBuffers = 500;
    static constexpr std::int32_t kMinBufferSize = 32;

    // The device state, a set of these flags.
    enum DeviceStateFlag : std::uint8_t {
        dsClosed = 1,
        dsOpen = 2,
        dsRecording = 4,
        dsPaused = 8,
    };

    ~TMMCustomWaveIn() override;

    bool OffersOutputLink() const override { return true; }

    virtual void SetNumBuffers(std::int32_t count);
    virtual std::int32_t GetNumBuffers() const;
    virtual void SetDeviceID(TMMDeviceId id);
    virtual TMMDeviceId GetDeviceID() const;
    virtual void SetProductName(const std::string& name); // read-only: ignored
    virtual std::string GetProductName() const;
    virtual void SetCallBackMode(TMMCBMode mode);
    virtual TMMCBMode GetCallBackMode() const;
    virtual void BindDeviceFunctions() = 0;
    [[noreturn]] virtual void Error(const std::string& message);
    virtual void Open();
    virtual void Close();
    virtual void Start();
    virtual void Pause();
    virtual void Restart();
    virtual void Stop();

    void SetStreamFormat(const TWaveFormatEx* format) override;
    void SetBufferSize(std::int32_t size) override;
    void ChainOpen() override;
    void ChainClose() override;
    void ChainStart() override;
    void ChainPause() override;
    void ChainRestart() override;
    void ChainStop() override;
    void BufferReady(BufferHeader* header) override;

    TMMMode GetMode() const { return FMode; }
    void SetMode(TMMMode mode);
    TMMBits GetBitLength() const { return FBitLength; }
    void SetBitLength(TMMBits bits);
    std::int32_t GetSampleRate() const { return FSampleRate; }
    void SetSampleRate(std::int32_t rate);
    TMMTimeFormats GetTimeFormat() const { return FTimeFormat; }
    void SetTimeFormat(TMMTimeFormats format);
    std::int32_t GetMaxRecordTime() const { return FMaxRecordTime; }
    void SetMaxRecordTime(std::int32_t value);
    std::int64_t MaxRecordBytes() const { return FMaxRecordBytes; }
    TThreadPriority GetPriority() const { return FPriority; }
    void SetPriority(TThreadPriority priority);
    std::int32_t DeviceCount() const { return FDeviceCount; }
    std::uint32_t DriverVersion() const { return FDriverVersion; }
    std::uint8_t DeviceState() const { return FState; }
    std::int64_t BytesRecorded() const { return FBytesRecorded; }
    // Buffers given to the device and not yet back.
    std::int32_t QueuedCount() const;
    platform::HWaveIn Handle() const { return FHandle; }
    // The device position in sample frames as last read, with its wraps.
    std::uint32_t LastPosition() const { return FPosition; }
    std::uint32_t WrapCount() const { return FWrapCount; }

    TNotifyEvent OnError;
    TNotifyEvent OnOpen;
    TNotifyEvent OnStart;
    TNotifyEvent OnPause;
    TNotifyEvent OnRestart;
    TNotifyEvent OnStop;
    TNotifyEvent OnClose;

    // The message texts of the device's failures.
    static const char* const kNoDevice;
    static const char* const kChangeWhileOpen;

protected:
    TMMCustomWaveIn() = default;
    // The construction proper; the final class calls it once BindDeviceFunctions
    // can reach its own table.
    void Construct();

    platform::WaveInDriver* FDriver = nullptr; // the device function table

private:
    friend class TMMWaveInWindow;
    friend class TMMWaveInThread;

    // Handles one finished buffer on the thread of the callback mode.
    void ProcessBuffer(BufferHeader* header);
    void HandleThreadMessage(platform::HWaveIn handle, BufferHeader* header);
    void BufferThreadFailed(std::exception_ptr error);
    void OnStopRequest(platform::HWaveIn handle);
    static void DeviceCallback(TMMCustomWaveIn* self, platform::HWaveIn handle, std::uint32_t msg,
                               std::uintptr_t param);

    void Fail(const char* call, platform::MMResult result); // raises "<call>:\n\r<text>"
    std::string ErrorText(platform::MMResult result) const;
    void CheckClosed(); // raises "Change to property while device was open"
    bool HasState(DeviceStateFlag flag) const { return (FState & flag) != 0; }
    void AddState(DeviceStateFlag flag) { FState |= flag; }
    void RemoveState(DeviceStateFlag flag) { FState &= static_cast<std::uint8_t>(~flag); }
    void RebuildFormat();
    void ComputeMaxRecordBytes();
    bool FormatSupported(TMMDeviceId id, const TWaveFormatEx* format);
    void OpenDevice();
    void AllocateHeaders();
    // Hands a header to the device; under FLock. Returns the device's result.
    platform::MMResult QueueHeader(BufferHeader* header);
    void ReadPosition();
    void CloseDevice();
    void EndBufferThread();
    void PostStopWhenDeferred(); // under FLock
    void WaitForQueuedBuffers();
    void Fire(const TNotifyEvent& event);
    void FireUnlessDestroying(const TNotifyEvent& event);

    // Properties.
    std::int32_t FNumBuffers = 10;
    TMMDeviceId FDeviceId = 0;
    std::string FProductName;
    std::uint32_t FDriverVersion = 0;
    TMMCBMode FCallBackMode = cmWindow;
    TMMMode FMode = mMono;
    TMMBits FBitLength = b8Bit;
    std::int32_t FSampleRate = 11025;
    TMMTimeFormats FTimeFormat = tfByte;
    std::atomic<std::int32_t> FMaxRecordTime{-1};
    std::atomic<std::int64_t> FMaxRecordBytes{INT32_MAX};
    std::atomic<TThreadPriority> FPriority{tpHigher};
    std::int32_t FDeviceCount = 0;
    TWaveFormatEx FFormat{};

    // Device.
    std::atomic<platform::HWaveIn> FHandle{0};
    std::atomic<std::uint8_t> FState{dsClosed};
    std::array<BufferHeader*, kMaxBuffers> FHeaders{};
    std::unique_ptr<TMMWaveInWindow> FDeviceWindow;
    TMMAllocator FAllocator;

    // Shared with the buffer thread; the counts and the stop flags change under FLock.
    mutable std::mutex FLock;
    std::condition_variable FQueueEmptied;
    std::atomic<std::int32_t> FNextBuffer{0};
    std::atomic<std::int64_t> FBytesRecorded{0};
    std::int32_t FInHandler = 0;
    std::int32_t FQueued = 0;
    std::atomic<bool> FStopDeferred{false};
    std::atomic<bool> FCloseDeferred{false};
    std::atomic<bool> FStopping{false};
    std::atomic<bool> FClosing{false};
    std::atomic<bool> FResetting{false};
    bool FStopPosted = false;
    bool FStopPumping = false; // a stop is waiting on the user-interface thread
    std::atomic<std::uint32_t> FPosition{0};
    std::atomic<std::uint32_t> FWrapCount{0};

    // Buffer thread.
    std::unique_ptr<TMMWaveInThread> FThread;
    std::atomic<bool> FThreadFailed{false};
    TMMAutoResetEvent FReady;
};

// The wave input over the platform's capture service.
class TMMWaveIn final : public TMMCustomWaveIn {
public:
    TMMWaveIn();
    // Binds to the platform's active capture driver.
    void BindDeviceFunctions() override;
};
