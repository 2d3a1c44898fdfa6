#pragma once

#include "platform/Encoder.h"
#include "platform/EncoderSession.h"
#include "platform/FfmpegCaptureInput.h"
#include "platform/IcecastSource.h"

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// The command line that captures the session's card and writes the encoded stream to
// standard output. It carries no credentials: the back end itself publishes the stream.
QStringList FfmpegArguments(const EncoderSession& session, const FfmpegInput& input);

struct FfmpegEncoderSettings {
    std::string program; // path of the ffmpeg executable
    // The ALSA PCM name of the capture card with this product name; empty when no such card.
    std::function<std::string(const std::string& productName)> resolveCapturePcm;
    std::string password; // the account password, the mount's source password
    // With no audio reaching the server for this long, the broadcast has ended.
    std::chrono::milliseconds stallLimit{5000};
    // The station folder, the process's current folder: it tells this station's encoder
    // from any other ffmpeg on the machine.
    std::filesystem::path workingFolder;
    // Receives the explanation when the broadcast ends without being asked to.
    std::function<void(const std::string& explanation)> reportFailure;
};

// The encoder as an ffmpeg process whose output an Icecast source sends to the server: 1
// from Start until encoded audio reaches the server, 2 while it does, 4 while stopping, 5
// once the broadcast has ended (refused or lost connection, stalled or ended encoder).
// Destroying the encoder ends its process.
class FfmpegEncoder final : public QObject, public Encoder {
    Q_OBJECT
public:
    explicit FfmpegEncoder(FfmpegEncoderSettings settings);
    ~FfmpegEncoder() override;

    void LoadSession(const std::filesystem::path& sessionFile) override;
    void Start() override;
    void Stop() override;
    void AfterStop() override {}
    std::uint8_t RunState() override;

    // Everything the process wrote to its error output so far (the newest 64 KiB).
    const std::string& ErrorOutput() const { return errorOutput_; }

private:
    void TakeOutput();
    void Follow();
    void Finished(int exitCode, QProcess::ExitStatus status);
    std::string Explanation(int exitCode, QProcess::ExitStatus status) const;

    FfmpegEncoderSettings settings_;
    std::optional<EncoderSession> session_;
    QProcess* process_ = nullptr;
    std::unique_ptr<IcecastSource> source_;
    std::string errorOutput_;
    std::uint8_t state_ = kStopped;
    bool stopRequested_ = false;
};

class FfmpegEncoderFactory final : public EncoderFactory {
public:
    // Settings are read at each Create, so a changed password applies to the next start.
    explicit FfmpegEncoderFactory(std::function<FfmpegEncoderSettings()> settings)
        : settings_(std::move(settings))
    {
    }
    std::unique_ptr<Encoder> Create() override;

private:
    std::function<FfmpegEncoderSettings()> settings_;
};

} // namespace platform
