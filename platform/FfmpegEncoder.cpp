#include "platform/FfmpegEncoder.h"

#include "platform/ProcessLifetime.h"

#include <QTimer>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::size_t KeptErrorOutput = 64 * 1024;
constexpr int GraceBeforeKillMs = 3000;

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

QStringList FfmpegArguments(const EncoderSession& session, const FfmpegInput& input)
{
    QStringList arguments{
        "-hide_banner",
        "-nostdin",
        "-loglevel",
        "warning",
        "-nostats",
        "-f",
        Q(input.format),
        "-i",
        Q(input.device),
        "-vn",
        "-c:a",
        Q(session.audioCodec),
        "-b:a",
        QString::number(session.bitrate),
        "-ar",
        QString::number(session.sampleRate),
        "-ac",
        QString::number(session.channels),
        // Each packet leaves at once, so the server hears a steady stream.
        "-flush_packets",
        "1",
    };
    if (session.format == "mp3")
        // Frames only: tags and a seek header mean nothing to a listener joining midway.
        arguments << "-id3v2_version"
                  << "0"
                  << "-write_xing"
                  << "0";
    return arguments << "-f" << Q(session.format) << "pipe:1";
}

FfmpegEncoder::FfmpegEncoder(FfmpegEncoderSettings settings) : settings_(std::move(settings)) {}

FfmpegEncoder::~FfmpegEncoder()
{
    source_.reset();
    if (process_ == nullptr || process_->state() == QProcess::NotRunning)
        return;
    process_->disconnect(this);
    process_->terminate();
    if (!process_->waitForFinished(GraceBeforeKillMs)) {
        process_->kill();
        process_->waitForFinished(1000);
    }
}

void FfmpegEncoder::LoadSession(const std::filesystem::path& sessionFile)
{
    session_ = ReadEncoderSession(sessionFile);
}

void FfmpegEncoder::Start()
{
    if (!session_)
        throw EEncoderError("The encoder was started without a session file: load one first");
    if (process_ != nullptr && process_->state() != QProcess::NotRunning)
        return;
    if (!IcecastFormatKnown(session_->format))
        throw EEncoderError("The session's stream format \"" + session_->format +
                            "\" cannot be published: use mp3 or ogg in the session template");
    const std::string pcm = settings_.resolveCapturePcm
                                ? settings_.resolveCapturePcm(session_->inputSource)
                                : std::string();
    if (pcm.empty())
        throw EEncoderError("The capture card \"" + session_->inputSource +
                            "\" of the session file is not among this machine's capture "
                            "devices: choose an available card in the settings window");
    int stream[2];
    if (pipe2(stream, O_CLOEXEC) != 0)
        throw EEncoderError(std::string("No pipe for the encoder's stream (") +
                            std::strerror(errno) + "): close other programs and try again");

    source_.reset();
    delete process_;
    process_ = new QProcess(this);
    process_->setStandardOutputFile(QProcess::nullDevice());
    TieLifetimeToProgram(*process_, [output = stream[1]] { dup2(output, STDOUT_FILENO); });
    process_->setWorkingDirectory(QString::fromStdString(settings_.workingFolder.string()));
    stopRequested_ = false;
    connect(process_, &QProcess::readyReadStandardError, this, &FfmpegEncoder::TakeOutput);
    connect(process_, &QProcess::finished, this, &FfmpegEncoder::Finished);
    process_->start(Q(settings_.program), FfmpegArguments(*session_, FfmpegInputFor(pcm)));
    close(stream[1]);
    if (!process_->waitForStarted(5000)) {
        close(stream[0]);
        const std::string reason = process_->errorString().toStdString();
        state_ = kStopped;
        throw EEncoderError("The encoder program " + settings_.program + " could not be started (" +
                            reason + "): check that ffmpeg is installed");
    }
    IcecastTarget target;
    target.host = session_->host;
    target.port = session_->port;
    target.mount = "/" + session_->publishingPoint;
    target.user = session_->publishingPoint;
    target.password = settings_.password;
    target.streamName = session_->title;
    target.format = session_->format;
    target.bitrate = session_->bitrate;
    target.sampleRate = session_->sampleRate;
    target.channels = session_->channels;
    source_ = std::make_unique<IcecastSource>(std::move(target), stream[0], settings_.stallLimit);
    state_ = kStarting;
}

void FfmpegEncoder::Stop()
{
    if (process_ == nullptr || process_->state() == QProcess::NotRunning)
        return;
    stopRequested_ = true;
    state_ = kStopping;
    // ffmpeg finishes the stream cleanly on TERM; one that hangs is killed.
    process_->terminate();
    QTimer::singleShot(GraceBeforeKillMs, process_, [process = process_] {
        if (process->state() != QProcess::NotRunning)
            process->kill();
    });
}

std::uint8_t FfmpegEncoder::RunState()
{
    if (process_ != nullptr && process_->state() != QProcess::NotRunning) {
        // Poll as well as relying on signals: the poll may run inside a handler that
        // keeps the event loop busy.
        process_->waitForReadyRead(0);
        TakeOutput();
        if (process_->state() != QProcess::NotRunning)
            process_->waitForFinished(0);
    }
    Follow();
    return state_;
}

void FfmpegEncoder::TakeOutput()
{
    if (process_ == nullptr)
        return;
    errorOutput_ += process_->readAllStandardError().toStdString();
    if (errorOutput_.size() > KeptErrorOutput)
        errorOutput_.erase(0, errorOutput_.size() - KeptErrorOutput);
}

void FfmpegEncoder::Follow()
{
    if (!source_ || state_ == kStopped)
        return;
    switch (source_->Now()) {
    case IcecastSource::Phase::Flowing:
        if (state_ == kStarting)
            state_ = kRunning;
        break;
    case IcecastSource::Phase::Ended:
        // Refused, lost or stalled: the encoder's work is over. A stopped (SIGSTOP)
        // encoder only ends on KILL.
        if (!source_->Failure().empty() && process_->state() != QProcess::NotRunning) {
            process_->kill();
            process_->waitForFinished(1000);
        }
        break;
    case IcecastSource::Phase::Connecting:
        break;
    }
}

void FfmpegEncoder::Finished(int exitCode, QProcess::ExitStatus status)
{
    TakeOutput();
    state_ = kStopped;
    if (stopRequested_ || !settings_.reportFailure)
        return;
    // The source's reason is the cause; the encoder only followed (it lost its reader).
    const std::string failure = source_ ? source_->Failure() : std::string();
    settings_.reportFailure(failure.empty() ? Explanation(exitCode, status) : failure);
}

std::string FfmpegEncoder::Explanation(int exitCode, QProcess::ExitStatus status) const
{
    std::string what =
        status == QProcess::CrashExit
            ? "The encoder (ffmpeg) crashed"
            : "The encoder (ffmpeg) ended with exit code " + std::to_string(exitCode);
    what += " while publishing to " + session_->host + ":" + std::to_string(session_->port) + "/" +
            session_->publishingPoint;
    // The last lines ffmpeg wrote say why.
    std::string tail = errorOutput_;
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r'))
        tail.pop_back();
    std::size_t from = tail.size();
    for (int lines = 0; lines < 3 && from != std::string::npos && from > 0; ++lines)
        from = tail.rfind('\n', from - 1);
    tail = from == std::string::npos ? tail : tail.substr(from + 1);
    // ffmpeg names its parts with their address ("[tcp @ 0x55d0...]"), which differs in
    // every run; without it the same cause reads the same each time.
    for (std::size_t at = tail.find(" @ 0x"); at != std::string::npos;
         at = tail.find(" @ 0x", at)) {
        const std::size_t end = tail.find_first_not_of("0123456789abcdefABCDEF", at + 5);
        tail.erase(at, (end == std::string::npos ? tail.size() : end) - at);
    }
    // One line, so that the event log keeps its layout.
    for (char& c : tail)
        if (c == '\n' || c == '\r')
            c = ' ';
    return tail.empty() ? what : what + ": " + tail;
}

std::unique_ptr<Encoder> FfmpegEncoderFactory::Create()
{
    return std::make_unique<FfmpegEncoder>(settings_());
}

} // namespace platform
