#include "support/StudioMixerCard.h"

using namespace platform;
using Card = VirtualMixerService::Card;
using Control = VirtualMixerService::Control;
using Line = VirtualMixerService::Line;

namespace testsupport {
namespace {

Control Volume(const std::string& name)
{
    return Control{CT_VOLUME, 0, "Volume", name, 0, 65535, 0, {}};
}

Control Mute()
{
    return Control{CT_MUTE, CONTROLF_UNIFORM, "Mudo", "Mudo da linha", 0, 1, 0, {}};
}

Line Source(std::uint32_t type, const std::string& shortName, const std::string& name,
            std::vector<Control> controls)
{
    Line line;
    line.componentType = type;
    line.shortName = shortName;
    line.name = name;
    line.controls = std::move(controls);
    return line;
}

} // namespace

Card StudioMixerCard(const std::string& name)
{
    Card card;
    card.name = name;

    VirtualMixerService::Destination speakers;
    speakers.line = Source(DST_SPEAKERS, "Alto-falantes", "Alto-falantes",
                           {Volume("Volume principal"), Mute()});
    speakers.sources = {
        Source(SRC_LINE, "Linha", "Entrada de Linha", {Volume("Volume de linha"), Mute()}),
        Source(SRC_COMPACTDISC, "CD", "CD Áudio", {Volume("Volume do CD"), Mute()}),
        Source(SRC_MICROPHONE, "Mic", "Microfone", {Volume("Volume do microfone"), Mute()})};

    VirtualMixerService::Destination recording;
    Control mux{
        CT_MUX,   CONTROLF_UNIFORM | CONTROLF_MULTIPLE, "Gravação", "Fonte de gravação", 0, 1, 0,
        {1, 2, 0}};
    recording.line =
        Source(DST_WAVEIN, "Gravação", "Controle de gravação", {mux, Volume("Volume de gravação")});
    recording.sources = {
        Source(SRC_MICROPHONE, "Mic", "Microfone", {Volume("Gravação do microfone")}),
        Source(SRC_LINE, "Linha", "Entrada de Linha", {Volume("Gravação de linha")}),
        Source(SRC_COMPACTDISC, "CD", "CD Áudio", {Volume("Gravação do CD")})};

    card.destinations = {speakers, recording};
    return card;
}

} // namespace testsupport
