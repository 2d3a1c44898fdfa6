#include "platform/AlsaElementTypes.h"
#include "platform/MixerService.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace platform;

TEST(AlsaElementTypes, ElementNamesGiveTheirLinesComponentType)
{
    const std::tuple<const char*, std::uint32_t> cases[] = {{"Line", SRC_LINE},
                                                            {"Mic", SRC_MICROPHONE},
                                                            {"Front Mic Boost", SRC_MICROPHONE},
                                                            {"CD", SRC_COMPACTDISC},
                                                            {"Aux", SRC_AUXILIARY},
                                                            {"PCM", SRC_WAVEOUT},
                                                            {"Beep", SRC_PCSPEAKER},
                                                            {"PC Speaker", SRC_PCSPEAKER},
                                                            {"IEC958", SRC_DIGITAL},
                                                            {"Headphone", SRC_UNDEFINED},
                                                            {"Phone", SRC_TELEPHONE},
                                                            {"Synth", SRC_SYNTHESIZER},
                                                            {"Video", SRC_ANALOG},
                                                            {"Capture", SRC_UNDEFINED}};
    for (const auto& [name, type] : cases)
        EXPECT_EQ(SourceTypeForElement(name), type) << name;
}

TEST(AlsaElementTypes, ACaptureDeviceIsServedByItsCardsControl)
{
    const std::tuple<const char*, const char*> cases[] = {{"sysdefault:CARD=PCH", "hw:CARD=PCH"},
                                                          {"plughw:1,0", "hw:1"},
                                                          {"hw:2,1", "hw:2"},
                                                          {"default", "default"},
                                                          {"pulse", "pulse"}};
    for (const auto& [pcm, control] : cases)
        EXPECT_EQ(ControlNameForCapture(pcm), control) << pcm;
}
