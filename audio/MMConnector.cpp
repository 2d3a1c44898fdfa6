#include "audio/MMConnector.h"

#include "audio/Clock.h"
#include "audio/SeekTrigger.h"
#include "audio/TickService.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

namespace {

// The refresh loop's three events; their numbers are the private message numbers
// the connectors have always used.
constexpr auto kActivateEvent = static_cast<QEvent::Type>(0xB1F5);
constexpr auto kRequestEvent = static_cast<QEvent::Type>(0xB1F6);
constexpr auto kTurnEvent = static_cast<QEvent::Type>(0xB1F7);

// Names its connector by serial number, so an event left in the queue by a
// connector that has since been destroyed finds nobody instead of a dangling pointer.
class ConnectorEvent final : public QEvent {
public:
    ConnectorEvent(Type type, std::uint64_t connector) : QEvent(type), connector(connector) {}
    const std::uint64_t connector;
};

bool ApplicationTerminating()
{
    return QCoreApplication::instance() == nullptr || QCoreApplication::closingDown();
}

bool OnUiThread()
{
    const auto* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

} // namespace

// The connectors' shared hidden receiver on the user-interface thread.
class ConnectorWindow final : public QObject {
public:
    bool event(QEvent* e) override;

    static void StartLoop();
    // Deletes the window, at once unless one of its events is being handled.
    static void Dispose(ConnectorWindow* window);

private:
    static TMMConnector* Find(std::uint64_t id);
    static void Activate(std::uint64_t id);
    static void Request(std::uint64_t id);
    static void Turn();

    static inline std::atomic<int> handling_{0}; // depth of events being handled
};

namespace {

// Everything the connectors of the process share.
struct ConnectorRegistry {
    std::mutex mutex; // guards the list and the window; connectors may be built anywhere
    std::vector<TMMConnector*> list;
    ConnectorWindow* window = nullptr;
    std::uint64_t nextId = 1;
    std::int32_t largestSpeed = TMMConnector::kMaxSpeed;
    std::atomic<int> activeCount{0};
    std::atomic<bool> enterIdle{false};
    // One chain of turns at a time (user-interface thread only): a second chain
    // would only add sleeps and passes.
    bool turnQueued = false;

    std::vector<TMMConnector*> Snapshot()
    {
        std::lock_guard lock(mutex);
        return list;
    }

    bool Empty()
    {
        std::lock_guard lock(mutex);
        return list.empty();
    }

    bool Contains(const TMMConnector* c)
    {
        std::lock_guard lock(mutex);
        return std::find(list.begin(), list.end(), c) != list.end();
    }

    void Post(QEvent::Type type, std::uint64_t connector)
    {
        std::lock_guard lock(mutex);
        if (window != nullptr)
            QCoreApplication::postEvent(window, new ConnectorEvent(type, connector));
    }
};

ConnectorRegistry& Registry()
{
    static ConnectorRegistry registry;
    return registry;
}

std::int32_t ClampToInt32(std::uint64_t value)
{
    constexpr auto top = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(std::min(value, top));
}

} // namespace

// ---------------------------------------------------------------- refresh loop

bool ConnectorWindow::event(QEvent* e)
{
    struct Handling {
        Handling() { ++handling_; }
        ~Handling() { --handling_; }
    } handling;
    const auto* ce = dynamic_cast<const ConnectorEvent*>(e);
    switch (static_cast<int>(e->type())) {
    case kActivateEvent:
        Activate(ce->connector);
        return true;
    case kRequestEvent:
        Request(ce->connector);
        return true;
    case kTurnEvent:
        Turn();
        return true;
    default:
        return QObject::event(e);
    }
}

TMMConnector* ConnectorWindow::Find(std::uint64_t id)
{
    for (TMMConnector* c : Registry().Snapshot())
        if (c->FId == id)
            return c;
    return nullptr;
}

void ConnectorWindow::Dispose(ConnectorWindow* window)
{
    if (handling_ > 0 && OnUiThread())
        window->deleteLater();
    else
        delete window;
}

void ConnectorWindow::StartLoop()
{
    auto& r = Registry();
    if (r.turnQueued)
        return;
    r.turnQueued = true;
    r.Post(kTurnEvent, 0);
}

void ConnectorWindow::Activate(std::uint64_t id)
{
    TMMConnector* c = Find(id);
    // A connector disabled since the request was posted stays out of the loop.
    if (c == nullptr || !c->FRunning || !c->FEnabled)
        return;
    c->FRequestsInFlight = 0;
    c->Activate();
}

void ConnectorWindow::Request(std::uint64_t id)
{
    TMMConnector* c = Find(id);
    if (c == nullptr)
        return;
    // The request is answered even when the pass fails, so Trigger keeps working.
    struct Answered {
        TMMConnector* c;
        ~Answered() { --c->FRequestsInFlight; }
    } answered{c};
    if (c->FEnabled && c->Refreshable())
        c->RefreshPass();
}

void ConnectorWindow::Turn()
{
    auto& r = Registry();
    bool continues = false;
    try {
        // Speed 5000 yields once per turn, Speed 1 five thousand times.
        const std::int32_t largestSpeed = TMMConnector::LargestSpeed();
        if (largestSpeed <= TMMConnector::kMaxSpeed)
            for (std::int32_t i = 0; i < TMMConnector::kMaxSpeed + 1 - largestSpeed; ++i)
                QCoreApplication::processEvents();
        if (r.activeCount > 0 && !ApplicationTerminating()) {
            for (TMMConnector* c : r.Snapshot()) {
                // A display or a yielded event may have destroyed it meanwhile.
                if (r.Contains(c) && c->FAutoTrigger && c->FEnabled && c->FActive)
                    c->RefreshPass();
            }
        }
        continues = r.activeCount > 0 && !ApplicationTerminating() && !r.Empty();
        if (continues) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (r.enterIdle)
                QCoreApplication::processEvents();
        }
    } catch (...) {
        r.turnQueued = false; // the error ends this chain; the next activation starts one
        throw;
    }
    if (continues)
        r.Post(kTurnEvent, 0);
    else
        r.turnQueued = false;
}

// ---------------------------------------------------------------- life cycle

TMMConnector::TMMConnector() : FClock(&MicrosecondClock)
{
    auto& r = Registry();
    std::lock_guard lock(r.mutex);
    FId = r.nextId++;
    if (r.list.empty()) {
        r.window = new ConnectorWindow;
        r.window->setObjectName(QStringLiteral("TMMConnectorWindow"));
        if (auto* app = QCoreApplication::instance())
            r.window->moveToThread(app->thread());
        r.largestSpeed = FSpeed;
    }
    r.list.push_back(this);
    r.largestSpeed = std::max(r.largestSpeed, FSpeed);
}

TMMConnector::~TMMConnector()
{
    ChainStop();
    DetachFromChain();
    for (TMMDisplay* display : FSlots)
        if (display != nullptr)
            display->RemoveWatcher(this);
    auto& r = Registry();
    ConnectorWindow* lastWindow = nullptr;
    {
        std::lock_guard lock(r.mutex);
        r.list.erase(std::remove(r.list.begin(), r.list.end(), this), r.list.end());
        if (r.list.empty()) {
            lastWindow = r.window;
            r.window = nullptr;
            r.turnQueued = false;
        }
    }
    // Events still queued for the window go with it.
    if (lastWindow != nullptr)
        ConnectorWindow::Dispose(lastWindow);
}

int TMMConnector::ConnectorCount()
{
    return static_cast<int>(Registry().Snapshot().size());
}

int TMMConnector::ActiveCount()
{
    return Registry().activeCount;
}

std::int32_t TMMConnector::LargestSpeed()
{
    auto& r = Registry();
    std::lock_guard lock(r.mutex);
    return r.largestSpeed;
}

void TMMConnector::SetClock(MicrosecondSource clock)
{
    std::lock_guard lock(FLock);
    FClock = clock ? std::move(clock) : MicrosecondSource(&MicrosecondClock);
}

// ---------------------------------------------------------------- properties

void TMMConnector::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    if (!value) {
        Deactivate();
        ClearDisplays();
    } else if (FRunning && FRealTime) {
        PostActivate();
    }
}

void TMMConnector::SetAutoTrigger(bool value)
{
    if (value == FAutoTrigger)
        return;
    FAutoTrigger = value;
    if (!value)
        Deactivate();
    else if (FRunning && FEnabled && FRealTime)
        PostActivate();
}

void TMMConnector::SetSpeed(std::int32_t value)
{
    FSpeed = std::clamp(value, 1, kMaxSpeed);
    auto& r = Registry();
    std::lock_guard lock(r.mutex);
    r.largestSpeed = 1;
    for (const TMMConnector* c : r.list)
        r.largestSpeed = std::max(r.largestSpeed, c->FSpeed);
}

void TMMConnector::SetRealTime(bool value)
{
    if (value == FRealTime)
        return;
    if (Opened())
        throw EMMConnectorError("Change to property while device was open");
    FRealTime = value;
}

bool TMMConnector::EnterIdle() const
{
    return Registry().enterIdle;
}

void TMMConnector::SetEnterIdle(bool value)
{
    Registry().enterIdle = value;
}

void TMMConnector::Activate()
{
    FActive = true;
    if (!FAutoTrigger || FCounted)
        return;
    FCounted = true;
    ++Registry().activeCount;
    ConnectorWindow::StartLoop();
}

void TMMConnector::Deactivate()
{
    FActive = false;
    if (FCounted) {
        FCounted = false;
        --Registry().activeCount;
    }
}

void TMMConnector::PostActivate()
{
    Registry().Post(kActivateEvent, FId);
}

bool TMMConnector::Refreshable() const
{
    return FActive || (!FRealTime && FRunning);
}

// ---------------------------------------------------------------- slots

TMMDisplayKind TMMConnector::KindOf(SlotId slot)
{
    switch (slot) {
    case kLevel1:
    case kLevel2:
        return TMMDisplayKind::Levels;
    case kMeter1:
    case kMeter2:
        return TMMDisplayKind::Meters;
    case kOscope1:
    case kOscope2:
        return TMMDisplayKind::Oscopes;
    case kLight1:
    case kLight2:
        return TMMDisplayKind::Lights;
    case kSpectrogram1:
        return TMMDisplayKind::Spectrogram1;
    case kSpectrogram2:
        return TMMDisplayKind::Spectrogram2;
    default:
        return TMMDisplayKind::Spectrums;
    }
}

TMMDisplay* TMMConnector::Spectrum(int number) const
{
    if (number < 1 || number > 4)
        return nullptr;
    return FSlots[kSpectrum1 + number - 1];
}

void TMMConnector::SetSpectrum(int number, TMMDisplay* display)
{
    if (number >= 1 && number <= 4)
        SetSlot(static_cast<SlotId>(kSpectrum1 + number - 1), display);
}

void TMMConnector::SetSlot(SlotId slot, TMMDisplay* display)
{
    if (InPassOnThisThread()) {
        FDeferredSlots.emplace_back(slot, display);
        return;
    }
    if (FSlots[slot] == display)
        return;
    // Paired slots never hold the same display twice; the four spectrum slots may.
    const auto partner = static_cast<SlotId>(slot ^ 1);
    if (display != nullptr && KindOf(slot) != TMMDisplayKind::Spectrums &&
        FSlots[partner] == display)
        return;
    TMMDisplay* old = FSlots[slot];
    {
        std::lock_guard lock(FLock);
        FSlots[slot] = display;
        FKinds[static_cast<int>(KindOf(slot))].pending = false;
    }
    if (old != nullptr)
        old->RemoveWatcher(this);
    if (display != nullptr) {
        display->AddWatcher(this);
        SendFormatToDisplays();
    }
}

void TMMConnector::ApplyDeferredSlots()
{
    for (;;) {
        std::pair<SlotId, TMMDisplay*> change;
        {
            std::lock_guard lock(FLock);
            if (FDeferredSlots.empty())
                return;
            change = FDeferredSlots.front();
            FDeferredSlots.erase(FDeferredSlots.begin());
        }
        SetSlot(change.first, change.second);
    }
}

void TMMConnector::DisplayDestroyed(TMMDisplay* display)
{
    // Inside a pass this thread already holds the lock, and the pass reads the
    // slots afresh for every delivery.
    std::unique_lock lock(FLock, std::defer_lock);
    if (!InPassOnThisThread())
        lock.lock();
    std::erase_if(FDeferredSlots,
                  [display](const auto& change) { return change.second == display; });
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (FSlots[slot] == display) {
            FSlots[slot] = nullptr;
            FKinds[static_cast<int>(KindOf(static_cast<SlotId>(slot)))].pending = false;
        }
    }
}

bool TMMConnector::KindHasDisplay(TMMDisplayKind kind) const
{
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (FSlots[slot] != nullptr && KindOf(static_cast<SlotId>(slot)) == kind)
            return true;
    return false;
}

std::int32_t TMMConnector::ReadOf(TMMDisplayKind kind) const
{
    std::int32_t bytes = 0;
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (FSlots[slot] != nullptr && KindOf(static_cast<SlotId>(slot)) == kind)
            bytes = std::max(bytes, FSlots[slot]->BytesPerRefresh());
    return bytes;
}

std::int32_t TMMConnector::StepOf(TMMDisplayKind kind) const
{
    const std::int32_t read = ReadOf(kind);
    const SlotId spectrogram = kind == TMMDisplayKind::Spectrogram1   ? kSpectrogram1
                               : kind == TMMDisplayKind::Spectrogram2 ? kSpectrogram2
                                                                      : kSlotCount;
    if (spectrogram != kSlotCount && FSlots[spectrogram] != nullptr &&
        SpectrogramIn(spectrogram)->Accelerate())
        return read / 4;
    return read;
}

void TMMConnector::SendFormatToDisplays()
{
    const TWaveFormatEx* own = GetStreamFormat();
    if (own == nullptr)
        return;
    TWaveFormatEx format{};
    {
        std::lock_guard lock(FLock);
        if (FRunning)
            format = FDisplayFormat;
        else if (own->wFormatTag == WAVE_FORMAT_PCM)
            format = *own;
        else
            return; // no conversion path: nothing the displays could read
        FSilence = format.wBitsPerSample == 8 ? 128 : 0;
    }
    for (TMMDisplay* display : FSlots)
        if (display != nullptr)
            display->SetStreamFormat(&format);
}

void TMMConnector::ClearDisplays()
{
    for (TMMDisplay* display : FSlots)
        if (display != nullptr)
            display->ClearDisplay();
}

// ---------------------------------------------------------------- buffers

void TMMConnector::MarkAllPending()
{
    for (int kind = 0; kind < kDisplayKindCount; ++kind) {
        if (KindHasDisplay(static_cast<TMMDisplayKind>(kind))) {
            FKinds[kind].pending = true;
            FKinds[kind].position = 0;
        }
    }
}

void TMMConnector::ClearPending()
{
    for (KindState& kind : FKinds)
        kind.pending = false;
}

void TMMConnector::FillWithSilence()
{
    std::fill(FCopy.begin(), FCopy.end(), FSilence);
}

void TMMConnector::TakeBuffer(const std::uint8_t* data, std::int32_t bytes)
{
    if (!FEnabled || FInputPaused || data == nullptr)
        return;
    {
        std::lock_guard lock(FLock);
        // Tested under the lock: a buffer still arriving after a stop must never
        // reach the freed copy, and one racing a pause must not undo its silence.
        if (!FRunning || FInputPaused || FCopy.empty())
            return;
        const std::int32_t n = std::clamp(bytes, 0, static_cast<std::int32_t>(FCopy.size()));
        if (n > 0)
            std::memcpy(FCopy.data(), data, static_cast<std::size_t>(n));
        FValidBytes = n;
        FStamp = FClock();
        MarkAllPending();
    }
    if (!FRealTime && FAutoTrigger)
        RefreshPass();
}

void TMMConnector::BufferReady(BufferHeader* header)
{
    const BufferHeader* used = header;
    if (FSynchronize && header->lpSource != nullptr && header->hdr.dwBytesRecorded > 0)
        used = header->lpSource;
    TakeBuffer(reinterpret_cast<const std::uint8_t*>(used->hdr.lpData),
               ClampToInt32(used->hdr.dwBytesRecorded));
    TMMDSPComponent::BufferReady(header);
}

void TMMConnector::PullBuffer(BufferHeader* header, bool& moreBuffers)
{
    TMMDSPComponent::PullBuffer(header, moreBuffers);
    TakeBuffer(reinterpret_cast<const std::uint8_t*>(header->hdr.lpData),
               ClampToInt32(header->hdr.dwBytesRecorded));
}

std::int32_t TMMConnector::ValidBytes() const
{
    std::lock_guard lock(FLock);
    return FValidBytes;
}

std::int32_t TMMConnector::CopyBufferSize() const
{
    std::lock_guard lock(FLock);
    return static_cast<std::int32_t>(FCopy.size());
}

std::int64_t TMMConnector::RefreshCount(TMMDisplayKind kind) const
{
    std::lock_guard lock(FLock);
    return FKinds[static_cast<int>(kind)].refreshCount;
}

// ---------------------------------------------------------------- refresh

bool TMMConnector::Due(std::int32_t position, std::uint64_t now) const
{
    if (!FSynchronize)
        return true;
    const std::int64_t delay = ScaleRounded(position, 1000000, FDisplayFormat.nAvgBytesPerSec);
    return static_cast<std::int64_t>(now - FStamp) >= delay;
}

void TMMConnector::RefreshPass()
{
    if (!FEnabled || !Refreshable())
        return;
    {
        std::lock_guard lock(FLock);
        if (FCopy.empty())
            return;
        FPassThread = std::this_thread::get_id();
        struct EndPass {
            std::atomic<std::thread::id>& thread;
            ~EndPass() { thread = std::thread::id(); }
        } endPass{FPassThread};
        const std::uint64_t now = FClock();
        for (int kind = 0; kind < kDisplayKindCount; ++kind) {
            if (!FKinds[kind].pending)
                continue;
            if (static_cast<TMMDisplayKind>(kind) == TMMDisplayKind::Oscopes)
                RefreshOscopes(now);
            else
                RefreshKind(static_cast<TMMDisplayKind>(kind), now);
        }
    }
    ApplyDeferredSlots();
    if (OnTrigger)
        OnTrigger(this);
}

void TMMConnector::RefreshKind(TMMDisplayKind kind, std::uint64_t now)
{
    KindState& state = FKinds[static_cast<int>(kind)];
    if (!Due(state.position, now))
        return;
    const std::int64_t step = StepOf(kind);
    const std::int64_t at = state.position;
    state.position = ClampToInt32(static_cast<std::uint64_t>(at + step));
    // The fit is tested with the bytes a display reads, which for an accelerated
    // spectrogram is four steps, so no display ever reads past the valid bytes.
    if (step <= 0 || at + ReadOf(kind) > FValidBytes) {
        state.pending = false;
        return;
    }
    for (int slot = 0; slot < kSlotCount; ++slot)
        if (FSlots[slot] != nullptr && KindOf(static_cast<SlotId>(slot)) == kind)
            FSlots[slot]->ConsumePcm(FCopy.data() + at);
    ++state.refreshCount;
}

void TMMConnector::RefreshOscopes(std::uint64_t now)
{
    KindState& state = FKinds[static_cast<int>(TMMDisplayKind::Oscopes)];
    TMMOscopeDisplay* reference = Oscope1() != nullptr ? Oscope1() : Oscope2();
    if (reference == nullptr || !Due(state.position, now))
        return;
    const std::int64_t step = ReadOf(TMMDisplayKind::Oscopes);
    std::int64_t start = state.position;
    if (FTriggerMode != tmNone && !FInputPaused && start < FValidBytes) {
        const std::int32_t offset = SeekTrigger(&FDisplayFormat, FCopy.data() + start,
                                                FValidBytes - static_cast<std::int32_t>(start),
                                                FTriggerLevel, FTriggerMode, 0);
        if (offset > 0)
            start += offset;
    }
    const std::int64_t advance = reference->Scroll() && reference->Accelerate()
                                     ? static_cast<std::int64_t>(reference->FFTLength() / 4) *
                                           (reference->BitLength() + 1) * (reference->Mode() + 1)
                                     : step;
    state.position = ClampToInt32(static_cast<std::uint64_t>(start + advance));
    if (step <= 0 || start + step > FValidBytes) {
        state.pending = false;
        return;
    }
    for (SlotId slot : {kOscope1, kOscope2})
        if (FSlots[slot] != nullptr)
            FSlots[slot]->ConsumePcm(FCopy.data() + start);
    ++state.refreshCount;
}

void TMMConnector::Trigger()
{
    if (!FEnabled || !Refreshable() || FAutoTrigger || FRequestsInFlight > 0)
        return;
    if (OnUiThread()) {
        RefreshPass();
        return;
    }
    ++FRequestsInFlight;
    Registry().Post(kRequestEvent, FId);
}

// ---------------------------------------------------------------- chain

void TMMConnector::SetStreamFormat(const TWaveFormatEx* format)
{
    TMMDSPComponent::SetStreamFormat(format);
    SendFormatToDisplays();
}

void TMMConnector::ChainStart()
{
    TMMDSPComponent::ChainStart();
    const TWaveFormatEx* own = GetStreamFormat();
    if (own == nullptr || FRunning)
        return;
    // Only PCM input is shown; without a conversion path anything else stays idle.
    const std::int32_t size = GetBufferSize();
    if (own->wFormatTag != WAVE_FORMAT_PCM || size <= 0)
        return;
    {
        std::lock_guard lock(FLock);
        FDisplayFormat = *own;
        FCopy.assign(static_cast<std::size_t>(size), 0);
        FValidBytes = 0;
        for (KindState& kind : FKinds)
            kind = KindState{};
        FRunning = true;
    }
    SetSpeed(FSpeed); // recomputes the largest Speed
    SendFormatToDisplays();
    if (FEnabled && FRealTime)
        PostActivate();
}

void TMMConnector::StartPauseTimer()
{
    std::int32_t size = 0;
    std::int32_t interval = kTickPeriodMs;
    {
        std::lock_guard lock(FLock);
        ClearPending();
        size = static_cast<std::int32_t>(FCopy.size());
        if (size <= 8191)
            interval = static_cast<std::int32_t>(BytesToMilliseconds(&FDisplayFormat, size));
    }
    FPauseTimer = TickServiceAdd(interval, 0, &TMMConnector::PauseTick, this);
    if (FPauseTimer == nullptr)
        throw platform::EOutOfResources("Not enough timers available");
}

void TMMConnector::StopPauseTimer()
{
    if (FPauseTimer == nullptr)
        return;
    // Once removed, the tick cannot be running, so the lock is taken only after.
    TickServiceRemove(FPauseTimer);
    FPauseTimer = nullptr;
    std::lock_guard lock(FLock);
    ClearPending();
}

void TMMConnector::PauseTick(TickHandler*, void* owner)
{
    // The silent copy is shown again once per buffer period, so the displays
    // fall back to rest while the input is paused.
    auto* c = static_cast<TMMConnector*>(owner);
    std::lock_guard lock(c->FLock);
    c->FStamp = c->FClock();
    c->MarkAllPending();
}

void TMMConnector::ChainPause()
{
    if (FRunning && !FInputPaused) {
        {
            std::lock_guard lock(FLock);
            FInputPaused = true;
            FillWithSilence();
        }
        if (FRealTime)
            StartPauseTimer();
    }
    TMMDSPComponent::ChainPause();
}

void TMMConnector::ChainRestart()
{
    if (FInputPaused) {
        FInputPaused = false;
        if (FRealTime)
            StopPauseTimer();
    }
    TMMDSPComponent::ChainRestart();
}

void TMMConnector::ChainStop()
{
    if (FRunning) {
        StopPauseTimer();
        Deactivate();
        {
            std::lock_guard lock(FLock);
            FRunning = false;
            FInputPaused = false;
            std::vector<std::uint8_t>().swap(FCopy);
            FValidBytes = 0;
        }
        if (FRefreshOnStop)
            ClearDisplays();
    }
    TMMDSPComponent::ChainStop();
}

void TMMConnector::ChainReset()
{
    std::lock_guard lock(FLock);
    if (FRunning && !FCopy.empty())
        FillWithSilence();
}
