#pragma once

#include "audio/DSPComponent.h"
#include "audio/MMDisplay.h"
#include "audio/MMTypes.h"
#include "platform/Exception.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

SONAVIA_ERROR_CLASS(EMMConnectorError, platform::Exception)

struct TickHandler;

// The kinds of display a connector feeds, in the order a refresh pass visits them.
// Each spectrogram walks the buffer on its own.
enum class TMMDisplayKind {
    Levels,
    Meters,
    Oscopes,
    Lights,
    Spectrums,
    Spectrogram1,
    Spectrogram2
};
inline constexpr int kDisplayKindCount = 7;

// Hands the captured PCM to the displays. Sits behind the wave input: every buffer
// passing through is copied under a lock on the delivering thread, then, on the
// user-interface thread, each kind of display is walked through the copy in steps
// of its own size, each step no earlier than its time within the buffer, so the
// displays move smoothly over the buffer's real duration.
//
// The refresh loop runs on the user-interface thread as posted events (activate,
// a requested refresh, one turn); a turn lets pending events run, refreshes every
// active connector, sleeps 1 ms and posts the next turn. Handling one event for
// EnterIdle never waits, so no idle handler is needed to keep the loop going.
// Input is always PCM here: a non-PCM input leaves the connector idle.
class TMMConnector : public TMMDSPComponent, private TMMDisplayWatcher {
public:
    using MicrosecondSource = std::function<std::uint64_t()>;
    static constexpr std::int32_t kMaxSpeed = 5000;

    TMMConnector();
    ~TMMConnector() override;

    // Properties.
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool AutoConvert() const { return FAutoConvert; }
    void SetAutoConvert(bool value) { FAutoConvert = value; }
    bool AutoTrigger() const { return FAutoTrigger; }
    void SetAutoTrigger(bool value);
    bool Synchronize() const { return FSynchronize; }
    void SetSynchronize(bool value) { FSynchronize = value; }
    std::int32_t Speed() const { return FSpeed; }
    void SetSpeed(std::int32_t value); // 1..5000
    TMMTriggerMode TriggerMode() const { return FTriggerMode; }
    void SetTriggerMode(TMMTriggerMode value) { FTriggerMode = value; }
    std::int32_t TriggerLevel() const { return FTriggerLevel; }
    void SetTriggerLevel(std::int32_t value) { FTriggerLevel = value; }
    bool RefreshOnStop() const { return FRefreshOnStop; }
    void SetRefreshOnStop(bool value) { FRefreshOnStop = value; }
    bool RealTime() const { return FRealTime; }
    void SetRealTime(bool value); // not while open
    // One switch for every connector of the process.
    bool EnterIdle() const;
    void SetEnterIdle(bool value);
    TNotifyEvent OnTrigger; // after every refresh pass

    // Display slots. A display held by the other slot of its pair is refused.
    TMMDisplay* Level1() const { return Slot(kLevel1); }
    void SetLevel1(TMMDisplay* display) { SetSlot(kLevel1, display); }
    TMMDisplay* Level2() const { return Slot(kLevel2); }
    void SetLevel2(TMMDisplay* display) { SetSlot(kLevel2, display); }
    TMMDisplay* Meter1() const { return Slot(kMeter1); }
    void SetMeter1(TMMDisplay* display) { SetSlot(kMeter1, display); }
    TMMDisplay* Meter2() const { return Slot(kMeter2); }
    void SetMeter2(TMMDisplay* display) { SetSlot(kMeter2, display); }
    TMMOscopeDisplay* Oscope1() const { return OscopeIn(kOscope1); }
    void SetOscope1(TMMOscopeDisplay* display) { SetSlot(kOscope1, display); }
    TMMOscopeDisplay* Oscope2() const { return OscopeIn(kOscope2); }
    void SetOscope2(TMMOscopeDisplay* display) { SetSlot(kOscope2, display); }
    TMMDisplay* Light1() const { return Slot(kLight1); }
    void SetLight1(TMMDisplay* display) { SetSlot(kLight1, display); }
    TMMDisplay* Light2() const { return Slot(kLight2); }
    void SetLight2(TMMDisplay* display) { SetSlot(kLight2, display); }
    // Spectrum slots 1..4; the same analyser may sit in several of them.
    TMMDisplay* Spectrum(int number) const;
    void SetSpectrum(int number, TMMDisplay* display);
    TMMSpectrogramDisplay* Spectrogram1() const { return SpectrogramIn(kSpectrogram1); }
    void SetSpectrogram1(TMMSpectrogramDisplay* display) { SetSlot(kSpectrogram1, display); }
    TMMSpectrogramDisplay* Spectrogram2() const { return SpectrogramIn(kSpectrogram2); }
    void SetSpectrogram2(TMMSpectrogramDisplay* display) { SetSlot(kSpectrogram2, display); }

    // Takes a copy of PCM data (at most one buffer) and marks every kind pending.
    virtual void TakeBuffer(const std::uint8_t* data, std::int32_t bytes);
    // Asks for one refresh pass when AutoTrigger is off; from any thread.
    virtual void Trigger();
    // One refresh pass: at most one due step per kind.
    void RefreshPass();

    // Chain overrides.
    void SetStreamFormat(const TWaveFormatEx* format) override;
    void ChainStart() override;
    void ChainPause() override;
    void ChainRestart() override;
    void ChainStop() override;
    void ChainReset() override;
    void BufferReady(BufferHeader* header) override;
    void PullBuffer(BufferHeader* header, bool& moreBuffers) override;
    bool OffersInputLink() const override { return true; }
    bool OffersOutputLink() const override { return true; }

    // State the application and tests may read.
    bool Running() const { return FRunning; }
    bool Active() const { return FActive; }
    std::int64_t RefreshCount(TMMDisplayKind kind) const;
    std::int32_t ValidBytes() const;
    std::int32_t CopyBufferSize() const;

    // The time source of the due checks; the microsecond clock unless replaced.
    void SetClock(MicrosecondSource clock);

    // Process-wide: connectors alive, connectors refreshed by the loop, and the
    // largest Speed among them.
    static int ConnectorCount();
    static int ActiveCount();
    static std::int32_t LargestSpeed();

private:
    friend class ConnectorWindow; // runs the refresh loop's events
    enum SlotId {
        kLevel1,
        kLevel2,
        kMeter1,
        kMeter2,
        kOscope1,
        kOscope2,
        kLight1,
        kLight2,
        kSpectrum1,
        kSpectrum2,
        kSpectrum3,
        kSpectrum4,
        kSpectrogram1,
        kSpectrogram2,
        kSlotCount
    };

    struct KindState {
        std::int32_t position = 0;
        bool pending = false;
        std::int64_t refreshCount = 0;
    };

    TMMDisplay* Slot(SlotId slot) const { return FSlots[slot]; }
    // Only the typed setters fill these slots, so the downcasts are safe.
    TMMOscopeDisplay* OscopeIn(SlotId slot) const
    {
        return static_cast<TMMOscopeDisplay*>(FSlots[slot]);
    }
    TMMSpectrogramDisplay* SpectrogramIn(SlotId slot) const
    {
        return static_cast<TMMSpectrogramDisplay*>(FSlots[slot]);
    }
    void SetSlot(SlotId slot, TMMDisplay* display);
    void DisplayDestroyed(TMMDisplay* display) override;
    static TMMDisplayKind KindOf(SlotId slot);
    bool KindHasDisplay(TMMDisplayKind kind) const;
    // How far one delivery moves the kind on, and how many bytes it reads.
    std::int32_t StepOf(TMMDisplayKind kind) const;
    std::int32_t ReadOf(TMMDisplayKind kind) const;

    void SendFormatToDisplays();
    void ClearDisplays();
    void MarkAllPending();  // caller holds FLock
    void ClearPending();    // caller holds FLock
    void FillWithSilence(); // caller holds FLock
    bool Due(std::int32_t position, std::uint64_t now) const;
    void RefreshKind(TMMDisplayKind kind, std::uint64_t now);
    void RefreshOscopes(std::uint64_t now);
    void StartPauseTimer();
    void StopPauseTimer(); // also clears the pending flags
    static void PauseTick(TickHandler* handler, void* owner);

    // Joins or leaves the loop's count of connectors it refreshes.
    void Activate();
    void Deactivate();
    void PostActivate();
    bool Refreshable() const; // active, or delivering by itself while running

    std::uint64_t FId; // names the connector in queued events
    std::atomic<bool> FEnabled{true};
    bool FAutoConvert = true;
    std::atomic<bool> FAutoTrigger{true};
    std::atomic<bool> FSynchronize{true};
    std::int32_t FSpeed = kMaxSpeed;
    std::atomic<TMMTriggerMode> FTriggerMode{tmNone};
    std::atomic<std::int32_t> FTriggerLevel{0};
    bool FRefreshOnStop = true;
    std::atomic<bool> FRealTime{true};

    std::array<TMMDisplay*, kSlotCount> FSlots{};
    // The thread inside a refresh pass (holding FLock), and the slot changes its
    // displays asked for meanwhile, made when the pass ends.
    std::atomic<std::thread::id> FPassThread{};
    std::vector<std::pair<SlotId, TMMDisplay*>> FDeferredSlots;
    bool InPassOnThisThread() const { return FPassThread.load() == std::this_thread::get_id(); }
    void ApplyDeferredSlots();

    // Guards the copy and everything the delivering, timer and refresh threads
    // share: the format in use, the valid bytes, the time stamp and the walk state.
    mutable std::mutex FLock;
    TickHandler* FPauseTimer = nullptr;
    std::uint8_t FSilence = 0;
    std::atomic<bool> FRunning{false};
    std::atomic<bool> FActive{false};
    bool FCounted = false; // counted among the loop's active connectors
    std::atomic<bool> FInputPaused{false};
    TWaveFormatEx FDisplayFormat{};
    std::vector<std::uint8_t> FCopy;
    std::int32_t FValidBytes = 0;
    std::atomic<int> FRequestsInFlight{0};
    std::array<KindState, kDisplayKindCount> FKinds{};
    std::uint64_t FStamp = 0;
    MicrosecondSource FClock;
};
