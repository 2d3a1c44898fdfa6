#pragma once

#include "audio/BufferHeader.h"
#include "audio/MMComponent.h"
#include "audio/WaveFormat.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class TMMDSPComponent;
using TMMBufferEvent = std::function<void(TMMDSPComponent* sender, BufferHeader* header)>;

class TMMCustomDSPComponent : public TMMNonVisualComponent {};

// A member of the audio chain. Buffers flow from a source through Output links to
// consumers; formats and stream state flow the same way. Links are always
// symmetric: X's input is C exactly when C's output is X.
//
// Linking, formats and state changes belong to the user-interface thread.
// BufferReady runs on the thread of the source and through the whole chain.
class TMMDSPComponent : public TMMCustomDSPComponent {
public:
    static constexpr std::int32_t kDefaultBufferSize = 2048;
    static constexpr std::size_t kMaxBackNameLength = 20;

    TMMDSPComponent();
    ~TMMDSPComponent() override;

    virtual void ConnectionChanged();
    // The link broadcast: the partner of Sender's link PropName drops its own link
    // back when it still points at Sender.
    virtual void NotifyLinkChange(TMMDSPComponent* sender, bool outputSide,
                                  const std::string& propName);
    virtual void SetInput(TMMComponent* c);
    virtual TMMDSPComponent* GetInput() const;
    virtual void SetOutput(TMMComponent* c);
    virtual TMMDSPComponent* GetOutput() const;
    virtual void SetStreamFormat(const TWaveFormatEx* format);
    virtual TWaveFormatEx* GetStreamFormat() const;
    virtual std::int32_t GetBufferSize() const;
    virtual void SetBufferSize(std::int32_t size);
    virtual void InputFormatChanged(const TWaveFormatEx* format);
    virtual void ChainOpen();
    virtual void ChainClose();
    virtual void ChainStart();
    virtual void ChainPause();
    virtual void ChainRestart();
    virtual void ChainStop();
    virtual void ChainReset();
    virtual void ChainHook();
    virtual void BufferReady(BufferHeader* header);
    virtual void PullBuffer(BufferHeader* header, bool& moreBuffers);
    virtual void SetInputLink(TMMDSPComponent* c, const std::string& backName);
    virtual void SetOutputLink(TMMDSPComponent* c, const std::string& backName);
    virtual bool CanConnectInput(TMMComponent* c) const;
    virtual bool CanConnectOutput(TMMComponent* c) const;

    // Whether the class publishes an Input / Output link that others may attach to.
    virtual bool OffersInputLink() const { return false; }
    virtual bool OffersOutputLink() const { return false; }

    bool Opened() const { return FOpened; }
    bool Started() const { return FStarted; }
    bool Paused() const { return FPaused; }
    std::int32_t EffectiveBufferSize() const { return FEffectiveBufferSize; }
    const std::string& InputBackName() const { return FInputBackName; }
    const std::string& OutputBackName() const { return FOutputBackName; }

    // The link of the given property name ("Input" or "Output"), or none.
    TMMDSPComponent* LinkNamed(const std::string& propName) const;

    TMMBufferEvent OnBufferReady;
    // Pull-direction hooks: before asking the input for data, and after data came.
    TMMBufferEvent OnBufferLoad;
    TMMBufferEvent OnBufferLoaded;

protected:
    void Loaded() override;
    // Unlinks both sides and drops the format while the overrides of the derived
    // class still run; every derived destructor that overrides a chain operation
    // calls it first. Safe to call twice.
    void DetachFromChain();

    std::int32_t RequestedBufferSize() const { return FBufferSize; }

private:
    static void BroadcastLinkChange(TMMDSPComponent* sender, bool outputSide,
                                    const std::string& propName);
    bool Propagates() const { return !Loading() && !Destroying(); }

    TMMDSPComponent* FInput = nullptr;
    TMMDSPComponent* FOutput = nullptr;
    TWaveFormatEx* FStreamFormat = nullptr;
    std::int32_t FBufferSize = kDefaultBufferSize;
    std::int32_t FEffectiveBufferSize = kDefaultBufferSize;
    std::atomic<bool> FOpened{false};
    std::atomic<bool> FStarted{false};
    std::atomic<bool> FPaused{false};
    std::string FInputBackName;
    std::string FOutputBackName;
    bool FDetached = false;
};

// Number of chain components alive in the process.
std::size_t ChainComponentCount();
