#include "platform/IcecastSource.h"

#include "platform/SourceLoginProbe.h"

#include <algorithm>
#include <csignal>
#include <memory>
#include <netdb.h>
#include <poll.h>
#include <shout/shout.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A server that neither accepts nor refuses within this time counts as unreachable.
constexpr auto ConnectLimit = 10s;
// How long the thread may wait before it looks at the stop request again.
constexpr int TurnMs = 100;

struct ShoutFree {
    void operator()(shout_t* shout) const
    {
        // Closed first, whatever the attempt did, so that its socket never stays open.
        shout_close(shout);
        shout_free(shout);
    }
};
using Shout = std::unique_ptr<shout_t, ShoutFree>;

void InitialiseLibraryOnce()
{
    static const bool initialised = [] {
        shout_init();
        return true;
    }();
    (void)initialised;
}

unsigned ShoutFormat(const std::string& format)
{
    return format == "ogg" ? SHOUT_FORMAT_OGG : SHOUT_FORMAT_MP3;
}

// The connection as libshout expects it; false when a value is refused.
bool Configure(shout_t* shout, const IcecastTarget& target, const std::string& address)
{
    const std::string kbps = std::to_string(target.bitrate / 1000);
    const std::string rate = std::to_string(target.sampleRate);
    const std::string channels = std::to_string(target.channels);
    return shout_set_host(shout, address.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_port(shout, static_cast<unsigned short>(target.port)) == SHOUTERR_SUCCESS &&
           shout_set_protocol(shout, SHOUT_PROTOCOL_HTTP) == SHOUTERR_SUCCESS &&
           shout_set_tls(shout, SHOUT_TLS_DISABLED) == SHOUTERR_SUCCESS &&
           shout_set_content_format(shout, ShoutFormat(target.format), SHOUT_USAGE_AUDIO,
                                    nullptr) == SHOUTERR_SUCCESS &&
           shout_set_mount(shout, target.mount.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_user(shout, target.user.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_password(shout, target.password.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_meta(shout, SHOUT_META_NAME, target.streamName.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_audio_info(shout, SHOUT_AI_BITRATE, kbps.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_audio_info(shout, SHOUT_AI_SAMPLERATE, rate.c_str()) == SHOUTERR_SUCCESS &&
           shout_set_audio_info(shout, SHOUT_AI_CHANNELS, channels.c_str()) == SHOUTERR_SUCCESS &&
           // Its own thread must never wait on the network: a stop or a stall is noticed
           // within a turn, whatever the server does.
           shout_set_nonblocking(shout, SHOUT_BLOCKING_NONE) == SHOUTERR_SUCCESS;
}

// The numeric addresses of host, in the resolver's order. libshout tries only the first
// address of a name when it does not block, and "localhost" names often lead with an
// IPv6 address that a server listening on IPv4 does not answer.
std::vector<std::string> Addresses(const std::string& host, int port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return {};
    std::vector<std::string> addresses;
    for (const addrinfo* at = found; at != nullptr; at = at->ai_next) {
        char text[NI_MAXHOST];
        if (getnameinfo(at->ai_addr, at->ai_addrlen, text, sizeof text, nullptr, 0,
                        NI_NUMERICHOST) == 0 &&
            std::find(addresses.begin(), addresses.end(), text) == addresses.end())
            addresses.emplace_back(text);
    }
    freeaddrinfo(found);
    return addresses;
}

} // namespace

bool IcecastFormatKnown(const std::string& format)
{
    return format == "mp3" || format == "ogg";
}

IcecastSource::IcecastSource(IcecastTarget target, int streamFd,
                             std::chrono::milliseconds stallLimit)
    : target_(std::move(target)), streamFd_(streamFd), stallLimit_(stallLimit)
{
    InitialiseLibraryOnce();
    thread_ = std::thread(&IcecastSource::Run, this);
}

IcecastSource::~IcecastSource()
{
    stopping_ = true;
    thread_.join();
}

IcecastSource::Phase IcecastSource::Now() const
{
    return phase_.load();
}

std::string IcecastSource::Failure() const
{
    std::lock_guard lock(mutex_);
    return failure_;
}

std::string IcecastSource::Where() const
{
    return "Publishing to " + target_.host + ":" + std::to_string(target_.port) + target_.mount;
}

void IcecastSource::End(const std::string& failure)
{
    {
        std::lock_guard lock(mutex_);
        failure_ = failure;
    }
    phase_ = Phase::Ended;
    // The encoder learns at once that nobody reads its output any more.
    close(streamFd_);
}

void IcecastSource::Run()
{
    // A server that goes away must not end the program: a write to its socket then
    // fails with EPIPE on this thread instead.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    // The server is only asked once there is audio to send: an encoder that ends at once
    // (no card, bad option) must not take the mount even for a moment, since the server
    // keeps it reserved and would refuse the next start as "in use".
    const auto audioWaiting = Clock::now() + ConnectLimit;
    short ready = 0;
    while (ready == 0 && !Stopping() && Clock::now() < audioWaiting) {
        pollfd stream{streamFd_, POLLIN, 0};
        if (poll(&stream, 1, TurnMs) > 0)
            ready = stream.revents;
    }
    if (Stopping() || (ready != 0 && (ready & POLLIN) == 0))
        return End(""); // the encoder ended; its own end says why
    if (ready == 0)
        return End(Where() + " stalled: the encoder sent no audio for " +
                   std::to_string(ConnectLimit.count()) + " s");

    const std::vector<std::string> addresses = Addresses(target_.host, target_.port);
    if (addresses.empty())
        return End(Where() + " failed: cannot connect (no address is known for " + target_.host +
                   ": check Servidor and the network)");
    const auto deadline = Clock::now() + ConnectLimit;
    Shout shout;
    int result = SHOUTERR_NOCONNECT;
    for (const std::string& address : addresses) {
        shout.reset(shout_new());
        if (!shout || !Configure(shout.get(), target_, address))
            return End(Where() + " failed: libshout refused the connection settings (" +
                       (shout ? shout_get_error(shout.get()) : "out of memory") + ")");
        result = shout_open(shout.get());
        while (result == SHOUTERR_BUSY && !Stopping() && Clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            result = shout_get_connected(shout.get());
        }
        if (result != SHOUTERR_NOCONNECT && result != SHOUTERR_SOCKET)
            break;
    }
    if (Stopping())
        return End("");
    if (result == SHOUTERR_BUSY)
        return End(Where() + " failed: cannot connect (no answer from the server within " +
                   std::to_string(ConnectLimit.count()) + " s: check Servidor and the network)");
    if (result == SHOUTERR_NOLOGIN)
        return End(Where() + " failed: " + Refusal());
    if (result != SHOUTERR_SUCCESS && result != SHOUTERR_CONNECTED)
        return End(Where() + " failed: cannot connect (the server " + target_.host + " port " +
                   std::to_string(target_.port) +
                   " does not answer: check Servidor, the network and that the server runs)");
    Publish(shout.get());
}

std::string IcecastSource::Refusal() const
{
    const SourceLoginAnswer answer = ProbeSourceLogin(target_);
    if (answer.status == 401)
        return "login refused (the server did not accept user \"" + target_.user +
               "\" with the account's password: check them)";
    if (answer.status == 403 && answer.text.find("in use") != std::string::npos)
        return "mount in use (another source is publishing on " + target_.mount +
               ": stop it or wait until the server drops it)";
    std::string text = answer.text.substr(0, 200);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return answer.status == 0 ? "the server refused the source and does not say why"
                              : "the server refused the source (HTTP " +
                                    std::to_string(answer.status) + ": " + text + ")";
}

void IcecastSource::Publish(shout_t* shout)
{
    unsigned char buffer[4096];
    long long given = 0;
    long long reached = 0;
    auto lastProgress = Clock::now();
    while (!Stopping()) {
        pollfd stream{streamFd_, POLLIN, 0};
        if (poll(&stream, 1, TurnMs) > 0) {
            const ssize_t read = ::read(streamFd_, buffer, sizeof buffer);
            if (read == 0 || (read < 0 && errno != EINTR && errno != EAGAIN))
                return End(""); // the encoder ended; its own end says why
            if (read > 0) {
                given += read;
                const int sent = shout_send(shout, buffer, static_cast<std::size_t>(read));
                if (sent != SHOUTERR_SUCCESS && sent != SHOUTERR_BUSY)
                    return End(Where() + " failed: connection lost (" + shout_get_error(shout) +
                               ": the server dropped the source)");
            }
        }
        // What libshout still holds has not reached the server.
        const long long queued = std::max<long long>(0, shout_queuelen(shout));
        if (given - queued > reached) {
            reached = given - queued;
            lastProgress = Clock::now();
            phase_ = Phase::Flowing;
        } else if (Clock::now() - lastProgress > stallLimit_) {
            const std::string seconds = std::to_string((stallLimit_.count() + 999) / 1000) + " s";
            return End(Where() + (queued > 0
                                      ? " stalled: the server took no audio for " + seconds
                                      : " stalled: the encoder sent no audio for " + seconds));
        }
    }
    End("");
}

} // namespace platform
