#pragma once

#include <array>
#include <string>

namespace app {

// One row of the codec profiles the station may broadcast with: the bitrate (as the
// Kbps setting spells it) and the audio-format values the encoder profile carries for it.
struct BitrateProfile {
    const char* bitrate;
    const char* nAvgBytesPerSec;
    const char* nSamplesPerSec;
    const char* blockSize; // both lsamplesize and nBlockAlign
    const char* codecdata;
};

extern const std::array<BitrateProfile, 4> BitrateProfiles;

// The row whose bitrate is exactly this text; nullptr for any other value.
const BitrateProfile* FindBitrateProfile(const std::string& kbps);

// Rewrites the attribute-like fragments (name="value") of an encoder profile text from
// the row of the bitrate the text holds now to the target row. Only the source row's
// literal values are searched for, so values that match no row stay as they are.
std::string ApplyBitrateProfile(const std::string& text, const BitrateProfile& row);

} // namespace app
