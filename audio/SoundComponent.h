#pragma once

#include "audio/DSPComponent.h"

// A chain component that owns a device (a source or a sink). It drives the state
// of the plain chain components around it: every open, start, pause, restart,
// stop, close, reset and hook reaches them before its own state changes. When
// another sound component sits upstream, that one drives the shared part of the
// chain and this one is driven by its peer.
class TMMCustomSoundComponent : public TMMDSPComponent {
public:
    bool DrivenByPeer() const { return FDrivenByPeer; }

    void ChainOpen() override;
    void ChainClose() override;
    void ChainStart() override;
    void ChainPause() override;
    void ChainRestart() override;
    void ChainStop() override;
    void ChainReset() override;
    void ChainHook() override;

private:
    using ChainOperation = void (TMMDSPComponent::*)();

    // Where the walks begin: this component when a peer sits upstream, else the
    // topmost component of the chain.
    TMMDSPComponent* StartPoint(bool& peerUpstream) const;
    // Sends op to every component from the start point down, skipping this one,
    // up to and including the first other sound component.
    void DriveDownstream(ChainOperation op);
    // For stop and close: the next sound component downstream handles its own part,
    // then the plain components of this one's part get op.
    void DriveStopOrClose(ChainOperation op);

    bool FDrivenByPeer = false;
};
