#pragma once

#include <filesystem>
#include <string>

namespace platform {

// What the encoder needs from a session file to put the station on the air.
struct EncoderSession {
    std::string title;           // station name, sent to the server as the stream name
    std::string inputSource;     // product name of the capture card
    std::string host;            // publishing server without the port
    int port = 8000;             // Icecast's customary port when the session names none
    std::string publishingPoint; // the mount point, without the leading '/'
    int bitrate = 0;             // bits per second
    int sampleRate = 0;          // samples per second
    int channels = 2;
    std::string audioCodec = "libmp3lame";
    std::string format = "mp3";
};

// Reads a session file; raises EEncoderError naming the file and the missing or bad value.
EncoderSession ReadEncoderSession(const std::filesystem::path& sessionFile);

} // namespace platform
