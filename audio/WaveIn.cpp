#include "audio/WaveIn.h"

#include "audio/Clock.h"
#include "audio/WaveFormat.h"
#include "platform/ExceptionRouting.h"
#include "platform/MessageBoxes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <cstring>

using platform::HWaveIn;
using platform::MMResult;
using platform::MMSYSERR_NOERROR;

const char* const TMMCustomWaveIn::kNoDevice = "No wave audio recording device found";
const char* const TMMCustomWaveIn::kChangeWhileOpen = "Change to property while device was open";

namespace {

const std::string kLfCr = "\n\r"; // ends the call name in every device message
constexpr int kNoticeRounds = 100;
constexpr std::uint32_t kNoticeRoundMs = 10;
constexpr int kDonePolls = 65000;
constexpr auto kThreadWait = std::chrono::milliseconds(5000);
constexpr std::size_t kErrorTextLength = 255;

// Wakes the window; what to do waits in its mailbox.
const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::User + 0x3C0);

bool OnUiThread()
{
    const auto* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace

// ---- hidden window ----

void TMMWaveInWindow::Post(Message message)
{
    {
        std::lock_guard lock(mutex_);
        mailbox_.push_back(std::move(message));
    }
    QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
}

void TMMWaveInWindow::PostData(HWaveIn handle, BufferHeader* header)
{
    Post({Kind::Data, handle, header, MMSYSERR_NOERROR, nullptr});
}

void TMMWaveInWindow::PostStopRequest(HWaveIn handle)
{
    Post({Kind::StopRequest, handle, nullptr, MMSYSERR_NOERROR, nullptr});
}

void TMMWaveInWindow::PostDeviceFailure(HWaveIn handle, MMResult result)
{
    Post({Kind::DeviceFailure, handle, nullptr, result, nullptr});
}

void TMMWaveInWindow::PostThreadFailure(std::exception_ptr error)
{
    Post({Kind::ThreadFailure, 0, nullptr, MMSYSERR_NOERROR, std::move(error)});
}

void TMMWaveInWindow::customEvent(QEvent*)
{
    // Only wake events come here; one wake may find several messages or none.
    for (;;) {
        Message message;
        {
            std::lock_guard lock(mutex_);
            if (mailbox_.empty())
                return;
            message = std::move(mailbox_.front());
            mailbox_.pop_front();
        }
        Deliver(message);
    }
}

void TMMWaveInWindow::Deliver(const Message& message)
{
    try {
        if (message.kind == Kind::ThreadFailure)
            std::rethrow_exception(message.error);
        if (message.handle == 0 || message.handle != owner_.FHandle)
            return; // left over from an earlier opening
        if (message.kind == Kind::Data)
            owner_.ProcessBuffer(message.header);
        else if (message.kind == Kind::StopRequest)
            owner_.OnStopRequest(message.handle);
        else
            owner_.Fail("WaveIn", message.result);
    } catch (...) {
        owner_.Close();
        platform::ReportException(std::current_exception());
    }
}

// ---- construction ----

void TMMCustomWaveIn::Construct()
{
    BindDeviceFunctions();
    FDeviceCount = static_cast<std::int32_t>(FDriver->GetNumDevs());
    RebuildFormat();
    SetDeviceID(0);
    FDeviceWindow = std::make_unique<TMMWaveInWindow>(*this);
}

TMMCustomWaveIn::~TMMCustomWaveIn()
{
    MarkDestroying();
    if (FHandle != 0 || HasState(dsOpen))
        Close();
    EndBufferThread();
    FDeviceWindow.reset();
    DetachFromChain();
}

TMMWaveIn::TMMWaveIn()
{
    Construct();
}

void TMMWaveIn::BindDeviceFunctions()
{
    FDriver = &platform::ActiveWaveInDriver();
}

// ---- messages ----

void TMMCustomWaveIn::Error(const std::string& message)
{
    Fire(OnError);
    throw EMMWaveInError(message);
}

std::string TMMCustomWaveIn::ErrorText(MMResult result) const
{
    std::string text;
    if (!FDriver->GetErrorText(result, text))
        text = "Specified error number is out of range (unknown error)";
    return text.substr(0, kErrorTextLength);
}

void TMMCustomWaveIn::Fail(const char* call, MMResult result)
{
    Error(std::string(call) + ":" + kLfCr + ErrorText(result));
}

void TMMCustomWaveIn::CheckClosed()
{
    if (HasState(dsOpen))
        Error(kChangeWhileOpen);
}

void TMMCustomWaveIn::Fire(const TNotifyEvent& event)
{
    if (event)
        event(this);
}

void TMMCustomWaveIn::FireUnlessDestroying(const TNotifyEvent& event)
{
    if (!Destroying())
        Fire(event);
}

// ---- properties ----

void TMMCustomWaveIn::SetNumBuffers(std::int32_t count)
{
    if (count == FNumBuffers)
        return;
    CheckClosed();
    if (count >= 2)
        FNumBuffers = std::min(count, kMaxBuffers);
}

std::int32_t TMMCustomWaveIn::GetNumBuffers() const
{
    return FNumBuffers;
}

void TMMCustomWaveIn::SetDeviceID(TMMDeviceId id)
{
    CheckClosed();
    FProductName = kNoDevice;
    FDriverVersion = 0;
    if (FDeviceCount > 0 && id >= -1 && id < FDeviceCount) {
        platform::WaveInCaps caps;
        if (FDriver->GetDevCaps(id, caps) == MMSYSERR_NOERROR) {
            FProductName = caps.szPname;
            FDriverVersion = caps.vDriverVersion;
        }
    }
    FDeviceId = (id < -1 || id >= FDeviceCount) ? InvalidId : id;
}

TMMDeviceId TMMCustomWaveIn::GetDeviceID() const
{
    return FDeviceId;
}

void TMMCustomWaveIn::SetProductName(const std::string&) {}

std::string TMMCustomWaveIn::GetProductName() const
{
    return FProductName;
}

void TMMCustomWaveIn::SetCallBackMode(TMMCBMode mode)
{
    CheckClosed();
    if (mode == FCallBackMode)
        return;
    if (mode == cmCallback) {
        // Handling buffers inside the driver's notice is not safe on this platform.
        platform::ActiveMessageBoxes().Show(
            QStringLiteral("TMMWaveIn"),
            QStringLiteral("\"CallBacks\" are called at interrupt time !\n\r"
                           "This is currently only supported under Windows 95"),
            platform::MessageBoxes::Icon::Information);
        return;
    }
    FCallBackMode = mode;
}

TMMCBMode TMMCustomWaveIn::GetCallBackMode() const
{
    return FCallBackMode;
}

void TMMCustomWaveIn::SetMode(TMMMode mode)
{
    if (mode == FMode)
        return;
    CheckClosed();
    if (mode != mMono && mode != mStereo)
        return;
    FMode = mode;
    RebuildFormat();
}

void TMMCustomWaveIn::SetBitLength(TMMBits bits)
{
    if (bits == FBitLength)
        return;
    CheckClosed();
    if (bits != b8Bit && bits != b16Bit)
        return;
    FBitLength = bits;
    RebuildFormat();
}

void TMMCustomWaveIn::SetSampleRate(std::int32_t rate)
{
    rate = std::clamp(rate, 8000, 100000);
    if (rate == FSampleRate)
        return;
    CheckClosed();
    FSampleRate = rate;
    RebuildFormat();
}

void TMMCustomWaveIn::SetBufferSize(std::int32_t size)
{
    size = std::max(size, kMinBufferSize);
    if (size == RequestedBufferSize())
        return;
    CheckClosed();
    FAllocator.FreeAll();
    TMMCustomSoundComponent::SetBufferSize(size);
}

void TMMCustomWaveIn::SetTimeFormat(TMMTimeFormats format)
{
    if (format == FTimeFormat)
        return;
    FTimeFormat = format;
    const TWaveFormatEx* f = GetStreamFormat();
    if (FMaxRecordTime < 0 || f == nullptr || f->nAvgBytesPerSec == 0)
        return;
    const std::int64_t bytes = FMaxRecordBytes;
    std::int64_t value = bytes;
    if (format == tfMillisecond)
        value = BytesToMilliseconds(f, bytes);
    else if (format == tfSample)
        value = BytesToFrames(f, bytes);
    FMaxRecordTime = static_cast<std::int32_t>(std::min<std::int64_t>(value, INT32_MAX));
}

void TMMCustomWaveIn::SetMaxRecordTime(std::int32_t value)
{
    if (value == FMaxRecordTime)
        return;
    FMaxRecordTime = value;
    ComputeMaxRecordBytes();
}

void TMMCustomWaveIn::ComputeMaxRecordBytes()
{
    const TWaveFormatEx* f = GetStreamFormat();
    const std::int32_t limit = FMaxRecordTime;
    std::int64_t bytes = INT32_MAX;
    if (limit >= 0 && f != nullptr && f->nAvgBytesPerSec != 0 && f->nSamplesPerSec != 0) {
        if (FTimeFormat == tfMillisecond)
            bytes = MillisecondsToBytes(f, limit);
        else if (FTimeFormat == tfSample)
            bytes = FramesToBytes(f, limit);
        else
            bytes = limit;
        if (bytes < 0 || bytes > INT32_MAX)
            bytes = INT32_MAX;
    }
    const std::int64_t align = (f != nullptr && f->nBlockAlign > 0) ? f->nBlockAlign : 1;
    FMaxRecordBytes = bytes - bytes % align;
}

void TMMCustomWaveIn::SetPriority(TThreadPriority priority)
{
    if (priority == FPriority || priority > tpTimeCritical)
        return;
    FPriority = priority;
    if (FThread)
        FThread->PostPriority(priority);
}

std::int32_t TMMCustomWaveIn::QueuedCount() const
{
    std::lock_guard lock(FLock);
    return FQueued;
}

// ---- format ----

void TMMCustomWaveIn::RebuildFormat()
{
    BuildPcmFormat(&FFormat, (FBitLength + 1) * 8, FMode + 1,
                   static_cast<std::uint32_t>(FSampleRate));
    SetStreamFormat(&FFormat);
}

void TMMCustomWaveIn::SetStreamFormat(const TWaveFormatEx* format)
{
    Close();
    if (IsPcmFormatValid(format)) {
        FSampleRate = static_cast<std::int32_t>(format->nSamplesPerSec);
        FBitLength = static_cast<TMMBits>(format->wBitsPerSample / 8 - 1);
        FMode = static_cast<TMMMode>(format->nChannels - 1);
        if (format != &FFormat)
            FFormat = *format;
    }
    TMMCustomSoundComponent::SetStreamFormat(format);
}

bool TMMCustomWaveIn::FormatSupported(TMMDeviceId id, const TWaveFormatEx* format)
{
    if (id < -1 || id >= FDeviceCount || format == nullptr)
        return false;
    const MMResult query = FDriver->Open(nullptr, id, *format, {}, platform::WAVE_FORMAT_QUERY);
    if (query == platform::WAVERR_BADFORMAT)
        return false;
    if (query != MMSYSERR_NOERROR)
        Fail("WaveInOpen", query); // a missing or busy device is no matter of format

    if (format->wFormatTag != WAVE_FORMAT_PCM)
        return true;
    platform::WaveInCaps caps;
    if (FDriver->GetDevCaps(id, caps) != MMSYSERR_NOERROR)
        return false;
    const unsigned bits = format->wBitsPerSample;
    const unsigned channels = format->nChannels;
    if ((bits != 8 && bits != 16) || (channels != 1 && channels != 2))
        return true;
    // The whole rate decides the band, so rates above 65535 Hz are not mistaken
    // for low ones.
    const std::uint32_t rate = format->nSamplesPerSec;
    int band = -1;
    if (rate >= 8000 && rate <= 11025)
        band = 0;
    else if (rate >= 11026 && rate <= 22050)
        band = 1;
    else if (rate >= 22051 && rate <= 48000)
        band = 2;
    if (band < 0)
        return true;
    const unsigned bit = band * 4 + (bits == 16 ? 2 : 0) + (channels - 1);
    return (caps.dwFormats & (1u << bit)) != 0;
}

// ---- open ----

void TMMCustomWaveIn::Open()
{
    if (FDeviceCount == 0)
        Error(kNoDevice);
    if (FDeviceId == InvalidId)
        Error("Invalid DeviceID");
    if (GetStreamFormat() == nullptr)
        Error("Invalid wave format");
    if (HasState(dsOpen))
        Close();
    if (HasState(dsOpen) || FClosing)
        return;
    try {
        OpenDevice();
    } catch (...) {
        Fire(OnError);
        FState = dsOpen;
        Close();
        FState = dsClosed;
        throw;
    }
}

void TMMCustomWaveIn::OpenDevice()
{
    {
        std::lock_guard lock(FLock);
        FClosing = false;
        FResetting = false;
        FStopping = false;
        FStopPosted = false;
    }
    if (!FormatSupported(FDeviceId, GetStreamFormat()))
        Error("WaveInOpen:" + kLfCr + "The actual device can''t record this format");
    if (!FDeviceWindow)
        FDeviceWindow = std::make_unique<TMMWaveInWindow>(*this);
    FHandle = 0;
    FCloseDeferred = false;

    if (FCallBackMode == cmThread) {
        FThreadFailed = false;
        FThread = std::make_unique<TMMWaveInThread>(*this, FPriority.load(), FReady);
        if (!FThread->Resume()) {
            FThread.reset();
            Error("WaveIn:" + kLfCr + "Could not create thread");
        }
        if (!FReady.Wait(kThreadWait))
            Error("WaveIn:" + kLfCr + "Could not create thread");
    }

    HWaveIn handle = 0;
    const MMResult opened = FDriver->Open(
        &handle, FDeviceId, *GetStreamFormat(),
        [this](HWaveIn h, std::uint32_t msg, std::uintptr_t param) {
            DeviceCallback(this, h, msg, param);
        },
        0);
    if (opened != MMSYSERR_NOERROR)
        Fail("WaveInOpen", opened);
    FHandle = handle;

    {
        // The chain open hands this component's size to the chain; the device
        // counts as closed meanwhile, so nothing takes the size for a change while open.
        const std::uint8_t state = FState;
        FState = dsClosed;
        TMMCustomSoundComponent::ChainOpen();
        FState = state;
    }

    for (int round = 0; round < kNoticeRounds && !HasState(dsOpen); ++round)
        PumpingDelay(kNoticeRoundMs, false);
    if (!HasState(dsOpen))
        Error("WaveInOpen:" + kLfCr + "Unable to open device");

    AllocateHeaders();
    for (std::int32_t i = 0; i < FNumBuffers; ++i) {
        const MMResult prepared = FDriver->PrepareHeader(FHandle, &FHeaders[i]->hdr);
        if (prepared != MMSYSERR_NOERROR)
            Fail("WaveInPrepareHeader", prepared);
    }
    ChainOpen();
}

void TMMCustomWaveIn::AllocateHeaders()
{
    const auto size = static_cast<std::uint32_t>(GetBufferSize());
    for (std::int32_t i = 0; i < FNumBuffers; ++i) {
        if (FHeaders[i] != nullptr)
            continue;
        void* block = nullptr;
        try {
            block = FAllocator.AllocBuffer(0, kBufferHeaderBytes + size);
        } catch (const std::exception&) {
            Error("Unable to allocate memory for wave header");
        }
        auto* header = static_cast<BufferHeader*>(block);
        std::memset(header, 0, kBufferHeaderBytes); // a pooled block may hold an old header
        header->hdr.lpData = static_cast<char*>(block) + kBufferHeaderBytes;
        header->hdr.dwBufferLength = size;
        FHeaders[i] = header;
    }
}

void TMMCustomWaveIn::ChainOpen()
{
    if (!Opened())
        TMMCustomSoundComponent::ChainOpen();
    Fire(OnOpen);
}

// ---- start, pause, restart ----

MMResult TMMCustomWaveIn::QueueHeader(BufferHeader* header)
{
    SetHeaderFlags(&header->hdr, WHDR_PREPARED, WHDR_DONE);
    const MMResult result = FDriver->AddBuffer(FHandle, &header->hdr);
    if (result == MMSYSERR_NOERROR)
        ++FQueued;
    return result;
}

void TMMCustomWaveIn::Start()
{
    if (!HasState(dsOpen))
        Open();
    if (!HasState(dsOpen) || HasState(dsRecording))
        return;
    try {
        {
            std::lock_guard lock(FLock);
            FBytesRecorded = 0;
            FNextBuffer = 0;
            FInHandler = 0;
            FQueued = 0;
            FPosition = 0;
            FWrapCount = 0;
            FStopDeferred = false;
            FStopping = false;
            FResetting = false;
            FStopPosted = false;
        }
        ComputeMaxRecordBytes();
        for (std::int32_t i = 0; i < FNumBuffers; ++i) {
            MMResult result;
            {
                std::lock_guard lock(FLock);
                result = QueueHeader(FHeaders[i]);
            }
            if (result != MMSYSERR_NOERROR)
                Fail("WaveInAddBuffer", result);
        }
        ChainStart();
    } catch (...) {
        Fire(OnError);
        AddState(dsRecording);
        Close();
        FState = dsClosed;
        throw;
    }
}

void TMMCustomWaveIn::ChainStart()
{
    AddState(dsRecording);
    if (!HasState(dsPaused)) {
        const MMResult result = FDriver->Start(FHandle);
        if (result != MMSYSERR_NOERROR)
            Fail("WaveInStart", result);
    }
    TMMCustomSoundComponent::ChainStart();
    Fire(OnStart);
}

void TMMCustomWaveIn::Pause()
{
    if (!HasState(dsOpen))
        Open();
    if (!HasState(dsOpen) || HasState(dsPaused))
        return;
    try {
        if (HasState(dsRecording)) {
            const MMResult result = FDriver->Stop(FHandle);
            if (result != MMSYSERR_NOERROR)
                Fail("WaveInPause", result);
        }
        ChainPause();
    } catch (...) {
        Fire(OnError);
        Close();
        throw;
    }
}

void TMMCustomWaveIn::ChainPause()
{
    AddState(dsPaused);
    TMMCustomSoundComponent::ChainPause();
    Fire(OnPause);
}

void TMMCustomWaveIn::Restart()
{
    if (!HasState(dsRecording) || !HasState(dsPaused))
        return;
    try {
        const MMResult result = FDriver->Start(FHandle);
        if (result != MMSYSERR_NOERROR)
            Fail("WaveInRestart", result);
        ChainRestart();
    } catch (...) {
        Fire(OnError);
        Close();
        throw;
    }
}

void TMMCustomWaveIn::ChainRestart()
{
    RemoveState(dsPaused);
    TMMCustomSoundComponent::ChainRestart();
    Fire(OnRestart);
}

// ---- stop ----

void TMMCustomWaveIn::Stop()
{
    if (!HasState(dsRecording) && !HasState(dsPaused))
        return;
    if (FStopPumping && OnUiThread())
        return; // a stop is already waiting for its buffers on this thread
    try {
        MMResult stopped = MMSYSERR_NOERROR;
        MMResult reset = MMSYSERR_NOERROR;
        {
            std::lock_guard lock(FLock);
            FStopping = true;
            stopped = FDriver->Stop(FHandle);
            if (stopped == MMSYSERR_NOERROR) {
                FPosition = 0;
                FWrapCount = 0;
                FResetting = true;
                // Hands every queued buffer back.
                reset = FDriver->Reset(FHandle);
            }
        }
        if (stopped != MMSYSERR_NOERROR)
            Fail("WaveInStop", stopped);
        if (reset != MMSYSERR_NOERROR)
            Fail("WaveInReset", reset);
        WaitForQueuedBuffers();
        ChainStop();
    } catch (...) {
        Fire(OnError);
        Close();
        throw;
    }
}

void TMMCustomWaveIn::WaitForQueuedBuffers()
{
    {
        std::lock_guard lock(FLock);
        if (FInHandler != 0)
            return; // the handler's deferred stop finishes the job
    }
    if (FThreadFailed)
        return; // no one is left to take the buffers back
    const auto limit = std::chrono::milliseconds(kNoticeRounds * kNoticeRoundMs);
    if (FCallBackMode == cmWindow) {
        // The buffers come back as posted events on this very thread.
        FStopPumping = true;
        for (int round = 0; round < kNoticeRounds && QueuedCount() > 0; ++round)
            PumpingDelay(kNoticeRoundMs, true);
        FStopPumping = false;
        return;
    }
    std::unique_lock lock(FLock);
    FQueueEmptied.wait_for(lock, limit, [this] { return FQueued <= 0; });
}

void TMMCustomWaveIn::ChainStop()
{
    if ((HasState(dsRecording) || HasState(dsPaused)) && !FStopping) {
        // A chain change while recording: stop the device too, not just the flags.
        Stop();
        return;
    }
    {
        std::unique_lock lock(FLock);
        // The handler that made the stop skip its wait may have finished since:
        // the buffers the reset hands back must all be in before the counts are
        // cleared, or a late one would be taken for a buffer of the next start.
        if (FInHandler == 0 && FStopping && FCallBackMode != cmWindow && !FThreadFailed)
            FQueueEmptied.wait_for(lock, std::chrono::milliseconds(kNoticeRounds * kNoticeRoundMs),
                                   [this] { return FQueued <= 0; });
        if (FInHandler > 0) {
            FStopDeferred = true;
            return;
        }
        RemoveState(dsRecording);
        RemoveState(dsPaused);
        FNextBuffer = 0;
        FQueued = 0;
        FStopDeferred = false;
    }
    TMMCustomSoundComponent::ChainStop();
    FireUnlessDestroying(OnStop);
    if (FCloseDeferred)
        Close();
}

void TMMCustomWaveIn::OnStopRequest(HWaveIn)
{
    Stop();
}

// ---- close ----

void TMMCustomWaveIn::Close()
{
    if (!HasState(dsOpen) || (FClosing && !FCloseDeferred))
        return;
    try {
        FClosing = true;
        if (HasState(dsRecording) || HasState(dsPaused))
            Stop();
        if (FStopDeferred) {
            FCloseDeferred = true; // the deferred stop closes
            return;
        }
        FCloseDeferred = false;
        bool closeNoticeMissing = false;
        if (FHandle != 0) {
            CloseDevice();
            for (int round = 0; round < kNoticeRounds && !HasState(dsClosed); ++round)
                PumpingDelay(kNoticeRoundMs, false);
            closeNoticeMissing = !HasState(dsClosed);
        } else {
            FState = dsClosed;
        }
        if (Opened())
            TMMCustomSoundComponent::ChainClose();
        EndBufferThread();
        ChainClose();
        if (closeNoticeMissing)
            Error("WaveInOpen:" + kLfCr + "Unable to close device");
    } catch (...) {
        FClosing = false; // Close never raises; OnError has been told
    }
}

void TMMCustomWaveIn::CloseDevice()
{
    const HWaveIn handle = FHandle;
    FDriver->Stop(handle);
    FDriver->Reset(handle);
    for (BufferHeader* header : FHeaders) {
        if (header == nullptr || (HeaderFlags(&header->hdr) & WHDR_PREPARED) == 0)
            continue;
        for (int poll = 0; poll < kDonePolls && (HeaderFlags(&header->hdr) & WHDR_DONE) == 0;
             ++poll)
            std::this_thread::yield();
        SetHeaderFlags(&header->hdr, WHDR_DONE, 0);
        const MMResult result = FDriver->UnprepareHeader(handle, &header->hdr);
        if (result != MMSYSERR_NOERROR)
            Fail("WaveInUnprepareHeader", result);
    }
    const MMResult result = FDriver->Close(handle);
    if (result != MMSYSERR_NOERROR)
        Fail("WaveInClose", result);
}

void TMMCustomWaveIn::EndBufferThread()
{
    if (!FThread)
        return;
    FThread->Terminate();
    if (FReady.Wait(kThreadWait)) {
        FThread->Join();
        FThread.reset();
    } else {
        // A handler that does not come back must not hang the program.
        FThread->Detach();
        (void)FThread.release();
    }
}

void TMMCustomWaveIn::ChainClose()
{
    FHandle = 0;
    for (BufferHeader*& header : FHeaders) {
        if (header == nullptr)
            continue;
        void* block = header;
        FAllocator.FreeBuffer(block);
        header = nullptr;
    }
    FClosing = false;
    if (Opened())
        TMMCustomSoundComponent::ChainClose();
    FireUnlessDestroying(OnClose);
}

// ---- buffers ----

void TMMCustomWaveIn::DeviceCallback(TMMCustomWaveIn* self, HWaveIn handle, std::uint32_t msg,
                                     std::uintptr_t param)
{
    if (self == nullptr)
        return;
    try {
        switch (msg) {
        case platform::MM_WIM_OPEN:
            self->FState = dsOpen;
            break;
        case platform::MM_WIM_CLOSE:
            self->FState = dsClosed;
            break;
        case platform::MM_WIM_DATA: {
            auto* header = reinterpret_cast<BufferHeader*>(param);
            if (self->FCallBackMode == cmThread && self->FThread)
                self->FThread->PostData(handle, header);
            else
                self->FDeviceWindow->PostData(handle, header);
            break;
        }
        case platform::MM_WIM_ERROR:
            self->FDeviceWindow->PostDeviceFailure(handle, static_cast<MMResult>(param));
            break;
        default:
            break;
        }
    } catch (...) {
        // The device cannot be closed from its own thread: the window does it.
        self->FDeviceWindow->PostThreadFailure(std::current_exception());
    }
}

void TMMCustomWaveIn::HandleThreadMessage(HWaveIn handle, BufferHeader* header)
{
    if (handle != 0 && handle == FHandle)
        ProcessBuffer(header);
}

void TMMCustomWaveIn::BufferThreadFailed(std::exception_ptr error)
{
    FThreadFailed = true;
    // The device is closed on the user-interface thread, where every other
    // operation on it runs.
    FDeviceWindow->PostThreadFailure(std::move(error));
}

void TMMCustomWaveIn::PostStopWhenDeferred()
{
    if (FInHandler == 0 && FStopDeferred && !FStopPosted) {
        FStopPosted = true;
        FStopping = true;
        FDeviceWindow->PostStopRequest(FHandle);
    }
}

void TMMCustomWaveIn::ProcessBuffer(BufferHeader* header)
{
    bool returning = false; // comes back because of a stop or reset
    bool resetting = false;
    {
        std::lock_guard lock(FLock);
        if (!HasState(dsRecording))
            return;
        returning = FResetting || FStopping;
        resetting = FResetting;
        if (!returning) {
            ++FInHandler;
            --FQueued;
        }
    }
    if (returning) {
        // Counted once, and handed down only when it holds what the stop cut short.
        if (!resetting && header->hdr.dwBytesRecorded > 0)
            BufferReady(header);
        std::lock_guard lock(FLock);
        if (--FQueued <= 0) {
            FResetting = false;
            FQueueEmptied.notify_all();
        }
        PostStopWhenDeferred();
        return;
    }
    try {
        BufferReady(header);
        if (!FStopDeferred) {
            ReadPosition();
            MMResult result = MMSYSERR_NOERROR;
            {
                std::lock_guard lock(FLock);
                // A stop that began meanwhile has reset the device: keep the buffer.
                if (!FStopping && !FResetting && !FStopDeferred)
                    result = QueueHeader(header);
            }
            if (result != MMSYSERR_NOERROR)
                Fail("WaveInAddBuffer", result);
        }
    } catch (...) {
        Fire(OnError);
        std::lock_guard lock(FLock);
        --FInHandler;
        PostStopWhenDeferred();
        throw;
    }
    std::lock_guard lock(FLock);
    --FInHandler;
    PostStopWhenDeferred();
}

void TMMCustomWaveIn::ReadPosition()
{
    platform::MMTime time;
    time.type = platform::MMTime::Samples;
    const MMResult result = FDriver->GetPosition(FHandle, time);
    if (result != MMSYSERR_NOERROR)
        Fail("WaveInGetPosition", result);
    std::uint32_t position = time.value;
    if (time.type != platform::MMTime::Samples)
        position = static_cast<std::uint32_t>(BytesToFrames(GetStreamFormat(), time.value));
    if (FPosition >= 65535u && position <= FPosition - 65535u)
        ++FWrapCount;
    FPosition = position;
}

void TMMCustomWaveIn::BufferReady(BufferHeader* header)
{
    std::int64_t total = FBytesRecorded + header->hdr.dwBytesRecorded;
    bool stopDue = false;
    const std::int64_t limit = FMaxRecordBytes;
    if (FMaxRecordTime > 0 && total >= limit) {
        const std::int64_t excess = total - limit;
        header->hdr.dwBytesRecorded -= static_cast<std::uint32_t>(excess);
        total = limit;
        stopDue = true;
    }
    FBytesRecorded = total;
    FNextBuffer = (FNextBuffer + 1) % FNumBuffers;
    TMMCustomSoundComponent::BufferReady(header);
    if (stopDue)
        Stop();
}
