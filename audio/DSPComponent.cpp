#include "audio/DSPComponent.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

// Every chain component of the process, in order of construction, so that a link
// change can be broadcast to all of them.
class ChainRegistry {
public:
    void Add(TMMDSPComponent* c)
    {
        std::lock_guard lock(mutex_);
        members_.push_back(c);
    }

    void Remove(TMMDSPComponent* c)
    {
        std::lock_guard lock(mutex_);
        members_.erase(std::remove(members_.begin(), members_.end(), c), members_.end());
        if (members_.empty())
            members_.shrink_to_fit();
    }

    std::vector<TMMDSPComponent*> Snapshot()
    {
        std::lock_guard lock(mutex_);
        return members_;
    }

    std::size_t Count()
    {
        std::lock_guard lock(mutex_);
        return members_.size();
    }

private:
    std::mutex mutex_; // components may be built on any thread
    std::vector<TMMDSPComponent*> members_;
};

ChainRegistry& Registry()
{
    static ChainRegistry registry;
    return registry;
}

const std::string kInputName = "Input";
const std::string kOutputName = "Output";

std::string BackName(const std::string& name)
{
    return name.substr(0, TMMDSPComponent::kMaxBackNameLength);
}

} // namespace

std::size_t ChainComponentCount()
{
    return Registry().Count();
}

TMMDSPComponent::TMMDSPComponent()
{
    Registry().Add(this);
}

TMMDSPComponent::~TMMDSPComponent()
{
    DetachFromChain();
    Registry().Remove(this);
}

void TMMDSPComponent::DetachFromChain()
{
    if (FDetached)
        return;
    FDetached = true;
    MarkDestroying();
    FreeFormat(FStreamFormat);
    SetInput(nullptr);
    SetOutput(nullptr);
}

void TMMDSPComponent::BroadcastLinkChange(TMMDSPComponent* sender, bool outputSide,
                                          const std::string& propName)
{
    for (TMMDSPComponent* c : Registry().Snapshot())
        c->NotifyLinkChange(sender, outputSide, propName);
}

TMMDSPComponent* TMMDSPComponent::LinkNamed(const std::string& propName) const
{
    if (propName == kInputName)
        return GetInput();
    if (propName == kOutputName)
        return GetOutput();
    return nullptr;
}

void TMMDSPComponent::NotifyLinkChange(TMMDSPComponent* sender, bool outputSide,
                                       const std::string& propName)
{
    if (outputSide) {
        if (sender == FInput && FInputBackName == propName && sender->LinkNamed(propName) == this)
            SetInputLink(nullptr, "");
    } else {
        if (sender == FOutput && FOutputBackName == propName && sender->LinkNamed(propName) == this)
            SetOutputLink(nullptr, "");
    }
}

void TMMDSPComponent::SetInput(TMMComponent* c)
{
    if (c == FInput)
        return;
    if (c != nullptr && !CanConnectInput(c))
        return;
    ChainStop();
    if (FInput != nullptr) {
        BroadcastLinkChange(this, false, kInputName);
        SetInputLink(nullptr, "");
        InputFormatChanged(nullptr);
    }
    if (c == nullptr)
        return;
    auto* source = static_cast<TMMDSPComponent*>(c); // CanConnectInput checked the kind
    BroadcastLinkChange(source, true, kOutputName);
    SetInputLink(source, kOutputName);
    source->SetOutputLink(this, kInputName);
    ConnectionChanged();
}

TMMDSPComponent* TMMDSPComponent::GetInput() const
{
    return FInput;
}

void TMMDSPComponent::SetOutput(TMMComponent* c)
{
    if (c == FOutput)
        return;
    if (c != nullptr && !CanConnectOutput(c))
        return;
    ChainStop();
    if (TMMDSPComponent* old = FOutput) {
        BroadcastLinkChange(this, true, kOutputName);
        old->InputFormatChanged(nullptr);
        SetOutputLink(nullptr, "");
    }
    if (c == nullptr)
        return;
    auto* sink = static_cast<TMMDSPComponent*>(c);
    BroadcastLinkChange(sink, false, kInputName);
    SetOutputLink(sink, kInputName);
    sink->SetInputLink(this, kOutputName);
    ConnectionChanged();
}

TMMDSPComponent* TMMDSPComponent::GetOutput() const
{
    return FOutput;
}

void TMMDSPComponent::SetInputLink(TMMDSPComponent* c, const std::string& backName)
{
    FInput = c;
    FInputBackName = BackName(backName);
}

void TMMDSPComponent::SetOutputLink(TMMDSPComponent* c, const std::string& backName)
{
    FOutput = c;
    FOutputBackName = BackName(backName);
}

bool TMMDSPComponent::CanConnectInput(TMMComponent* c) const
{
    auto* source = dynamic_cast<TMMDSPComponent*>(c);
    if (source == nullptr || source == this || !source->OffersOutputLink())
        return false;
    return FOutput == nullptr || FOutput->CanConnectInput(c);
}

bool TMMDSPComponent::CanConnectOutput(TMMComponent* c) const
{
    auto* sink = dynamic_cast<TMMDSPComponent*>(c);
    if (sink == nullptr || sink == this || !sink->OffersInputLink())
        return false;
    return FInput == nullptr || FInput->CanConnectOutput(c);
}

void TMMDSPComponent::ConnectionChanged()
{
    if (!Propagates())
        return;
    if (FInput != nullptr)
        InputFormatChanged(FInput->GetStreamFormat());
    else if (FOutput != nullptr)
        FOutput->InputFormatChanged(FStreamFormat);
}

void TMMDSPComponent::SetStreamFormat(const TWaveFormatEx* format)
{
    if (format != FStreamFormat) {
        if (FStarted)
            ChainStop();
        TWaveFormatEx* copy = CloneFormat(format); // may throw: keep the old copy then
        FreeFormat(FStreamFormat);
        FStreamFormat = copy;
    }
    if (Propagates() && FOutput != nullptr)
        FOutput->InputFormatChanged(FStreamFormat);
}

TWaveFormatEx* TMMDSPComponent::GetStreamFormat() const
{
    return FStreamFormat;
}

void TMMDSPComponent::InputFormatChanged(const TWaveFormatEx* format)
{
    SetStreamFormat(format);
}

void TMMDSPComponent::Loaded()
{
    TMMCustomDSPComponent::Loaded();
    SetStreamFormat(FStreamFormat);
}

std::int32_t TMMDSPComponent::GetBufferSize() const
{
    return FOpened ? FEffectiveBufferSize : FBufferSize;
}

void TMMDSPComponent::SetBufferSize(std::int32_t size)
{
    if (size == FBufferSize)
        return;
    if (FStarted)
        ChainStop();
    FBufferSize = size;
}

void TMMDSPComponent::ChainOpen()
{
    if (FOpened)
        return;
    if (FStreamFormat != nullptr && FStreamFormat->nBlockAlign > 0) {
        const std::int32_t align = FStreamFormat->nBlockAlign;
        FEffectiveBufferSize = std::max(FBufferSize - (FBufferSize % align), align);
    } else {
        FEffectiveBufferSize = FBufferSize;
    }
    FOpened = true;
    FStarted = false;
    FPaused = false;
}

void TMMDSPComponent::ChainClose()
{
    FOpened = false;
}

void TMMDSPComponent::ChainStart()
{
    if (FOpened && !FStarted)
        FStarted = true;
}

void TMMDSPComponent::ChainPause()
{
    FPaused = true;
}

void TMMDSPComponent::ChainRestart()
{
    FPaused = false;
}

void TMMDSPComponent::ChainStop()
{
    if (FStarted) {
        FStarted = false;
        FPaused = false;
    }
}

void TMMDSPComponent::ChainReset() {}

void TMMDSPComponent::ChainHook() {}

void TMMDSPComponent::BufferReady(BufferHeader* header)
{
    if (OnBufferReady)
        OnBufferReady(this, header);
    if (FOutput != nullptr)
        FOutput->BufferReady(header);
}

void TMMDSPComponent::PullBuffer(BufferHeader* header, bool& moreBuffers)
{
    if (OnBufferLoad)
        OnBufferLoad(this, header);
    if (FInput != nullptr)
        FInput->PullBuffer(header, moreBuffers);
    if (OnBufferLoaded && header->hdr.dwBytesRecorded > 0)
        OnBufferLoaded(this, header);
}
