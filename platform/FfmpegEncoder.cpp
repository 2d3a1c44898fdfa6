#include "platform/FfmpegEncoder.h"

#include "platform/ProcessLifetime.h"

#include <QTimer>
#include <QUrl>

namespace platform {

namespace {

constexpr std::size_t KeptErrorOutput = 64 * 1024;
constexpr int GraceBeforeKillMs = 3000;

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

void FfmpegProgress::Feed(const QByteArray& bytes)
{
    pending_ += bytes;
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const QByteArray line = pending_.left(end).trimmed();
        pending_.remove(0, end + 1);
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray key = line.left(equals);
        const QByteArray value = line.mid(equals + 1);
        if (key == "total_size")
            totalSize_ = value.toLongLong();
        else if (key == "out_time_us")
            outTimeUs_ = value.toLongLong();
        else if (key == "progress")
            flowing_ = totalSize_ > 0 && outTimeUs_ > 0;
    }
}

QStringList FfmpegArguments(const EncoderSession& session, const std::string& capturePcm,
                            const std::string& password)
{
    // The user name goes in the URL, percent-encoded like any URL part; the password as
    // the protocol's own option so that the URL ffmpeg prints in its errors carries none.
    const QString url =
        QStringLiteral("icecast://%1@%2:%3/%4")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(Q(session.publishingPoint))),
                 Q(session.host), QString::number(session.port),
                 QString::fromLatin1(QUrl::toPercentEncoding(Q(session.publishingPoint))));
    return {
        "-hide_banner",
        "-nostdin",
        "-loglevel",
        "warning",
        "-nostats",
        "-progress",
        "pipe:1",
        "-stats_period",
        "0.5",
        "-f",
        "alsa",
        "-i",
        Q(capturePcm),
        "-vn",
        "-c:a",
        Q(session.audioCodec),
        "-b:a",
        QString::number(session.bitrate),
        "-ar",
        QString::number(session.sampleRate),
        "-ac",
        QString::number(session.channels),
        "-f",
        Q(session.format),
        "-content_type",
        Q(session.contentType),
        "-ice_name",
        Q(session.title),
        "-password",
        Q(password),
        // A server that stops reading (gone without a reset) ends the run too.
        "-rw_timeout",
        "10000000",
        url,
    };
}

FfmpegEncoder::FfmpegEncoder(FfmpegEncoderSettings settings) : settings_(std::move(settings)) {}

FfmpegEncoder::~FfmpegEncoder()
{
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
    const std::string pcm = settings_.resolveCapturePcm
                                ? settings_.resolveCapturePcm(session_->inputSource)
                                : std::string();
    if (pcm.empty())
        throw EEncoderError("The capture card \"" + session_->inputSource +
                            "\" of the session file is not among this machine's capture "
                            "devices: choose an available card in the settings window");

    delete process_;
    process_ = new QProcess(this);
    TieLifetimeToProgram(*process_);
    process_->setWorkingDirectory(QString::fromStdString(settings_.workingFolder.string()));
    progress_ = FfmpegProgress();
    stopRequested_ = false;
    connect(process_, &QProcess::readyReadStandardOutput, this, &FfmpegEncoder::TakeOutput);
    connect(process_, &QProcess::readyReadStandardError, this, &FfmpegEncoder::TakeOutput);
    connect(process_, &QProcess::finished, this, &FfmpegEncoder::Finished);
    process_->start(Q(settings_.program), FfmpegArguments(*session_, pcm, settings_.password));
    if (!process_->waitForStarted(5000)) {
        const std::string reason = process_->errorString().toStdString();
        state_ = kStopped;
        throw EEncoderError("The encoder program " + settings_.program + " could not be started (" +
                            reason + "): check that ffmpeg is installed");
    }
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
    return state_;
}

void FfmpegEncoder::TakeOutput()
{
    if (process_ == nullptr)
        return;
    progress_.Feed(process_->readAllStandardOutput());
    errorOutput_ += process_->readAllStandardError().toStdString();
    if (errorOutput_.size() > KeptErrorOutput)
        errorOutput_.erase(0, errorOutput_.size() - KeptErrorOutput);
    if (state_ == kStarting && progress_.Flowing())
        state_ = kRunning;
}

void FfmpegEncoder::Finished(int exitCode, QProcess::ExitStatus status)
{
    TakeOutput();
    state_ = kStopped;
    if (!stopRequested_ && settings_.reportFailure)
        settings_.reportFailure(Explanation(exitCode, status));
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
