#include "audio/SoundComponent.h"

namespace {
bool IsSoundComponent(const TMMDSPComponent* c)
{
    return dynamic_cast<const TMMCustomSoundComponent*>(c) != nullptr;
}
} // namespace

TMMDSPComponent* TMMCustomSoundComponent::StartPoint(bool& peerUpstream) const
{
    peerUpstream = false;
    const TMMDSPComponent* top = this;
    for (TMMDSPComponent* c = GetInput(); c != nullptr; c = c->GetInput()) {
        if (IsSoundComponent(c)) {
            peerUpstream = true;
            return const_cast<TMMCustomSoundComponent*>(this);
        }
        top = c;
    }
    return const_cast<TMMDSPComponent*>(top);
}

void TMMCustomSoundComponent::DriveDownstream(ChainOperation op)
{
    bool peerUpstream = false;
    for (TMMDSPComponent* c = StartPoint(peerUpstream); c != nullptr; c = c->GetOutput()) {
        if (c == this)
            continue;
        (c->*op)();
        if (IsSoundComponent(c))
            break;
    }
}

void TMMCustomSoundComponent::DriveStopOrClose(ChainOperation op)
{
    for (TMMDSPComponent* c = GetOutput(); c != nullptr; c = c->GetOutput()) {
        if (IsSoundComponent(c)) {
            (c->*op)();
            break;
        }
    }
    bool peerUpstream = false;
    for (TMMDSPComponent* c = StartPoint(peerUpstream); c != nullptr; c = c->GetOutput()) {
        if (c == this)
            continue;
        if (IsSoundComponent(c))
            break;
        (c->*op)();
    }
}

void TMMCustomSoundComponent::ChainOpen()
{
    FDrivenByPeer = false;
    bool peerUpstream = false;
    TMMDSPComponent* start = StartPoint(peerUpstream);
    FDrivenByPeer = peerUpstream;
    // Not yet opened, so this hands down the requested size.
    const std::int32_t size = GetBufferSize();
    for (TMMDSPComponent* c = start; c != nullptr; c = c->GetOutput()) {
        if (c == this)
            continue;
        c->SetBufferSize(size);
        c->ChainOpen();
        if (IsSoundComponent(c))
            break;
    }
    TMMDSPComponent::ChainOpen();
}

void TMMCustomSoundComponent::ChainClose()
{
    DriveStopOrClose(&TMMDSPComponent::ChainClose);
    TMMDSPComponent::ChainClose();
}

void TMMCustomSoundComponent::ChainStart()
{
    DriveDownstream(&TMMDSPComponent::ChainStart);
    TMMDSPComponent::ChainStart();
}

void TMMCustomSoundComponent::ChainPause()
{
    DriveDownstream(&TMMDSPComponent::ChainPause);
    TMMDSPComponent::ChainPause();
}

void TMMCustomSoundComponent::ChainRestart()
{
    DriveDownstream(&TMMDSPComponent::ChainRestart);
    TMMDSPComponent::ChainRestart();
}

void TMMCustomSoundComponent::ChainStop()
{
    DriveStopOrClose(&TMMDSPComponent::ChainStop);
    TMMDSPComponent::ChainStop();
}

void TMMCustomSoundComponent::ChainReset()
{
    DriveDownstream(&TMMDSPComponent::ChainReset);
    TMMDSPComponent::ChainReset();
}

void TMMCustomSoundComponent::ChainHook()
{
    DriveDownstream(&TMMDSPComponent::ChainHook);
    TMMDSPComponent::ChainHook();
}
