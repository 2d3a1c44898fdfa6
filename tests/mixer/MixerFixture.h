#pragma once

#include "mixer/MMMixerControl.h"
#include "support/StudioMixerCard.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

namespace mixertest {

// The studio card installed as the only mixer, and its mixer device open, as the
// settings window binds it: the recording destination and line in under it.
class MixerTest : public ::testing::Test {
protected:
    MixerTest()
    {
        card = mixers.service.AddCard(testsupport::StudioMixerCard());
        mixer = std::make_unique<TMMMixerDevice>();
        mixer->SetActive(true);
        recording.SetMixer(mixer.get());
        recording.SetComponentType(ctDstWaveIn);
    }

    // Lets the notices the mixer posted arrive.
    static void DeliverNotices() { QCoreApplication::processEvents(); }

    std::int32_t LineIdOf(std::uint32_t destination, std::int32_t source = -1) const
    {
        return mixers.service.LineIdOf(card, destination, source);
    }

    testsupport::InstalledVirtualMixer mixers;
    std::int32_t card = -1;
    std::unique_ptr<TMMMixerDevice> mixer;
    TMMAudioLine recording;
};

// Line in as a recording source with its volume, and the recording multiplexer.
class RecordingLineTest : public MixerTest {
protected:
    RecordingLineTest()
    {
        lineIn.SetMixer(mixer.get());
        lineIn.SetComponentType(ctSrcLine);
        lineIn.SetDestLine(&recording);
        volume.SetAudioLine(&lineIn);
        mux.SetAudioLine(&recording);
        mux.SetControlType(ctMux);
    }

    // The control's value block as the card holds it.
    std::vector<std::int32_t> Stored(const TMMCustomMixerControl& control) const
    {
        return mixers.service.Values(mixer->GetDeviceId(), control.ControlId());
    }

    TMMAudioLine lineIn;
    TMMVolumeControl volume;
    TMMMixerControl mux;
};

// Destination indexes of the studio card.
inline constexpr std::uint32_t kSpeakers = 0;
inline constexpr std::uint32_t kRecording = 1;

} // namespace mixertest
