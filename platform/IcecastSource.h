#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

struct shout; // libshout's connection

namespace platform {

// Where, as whom and as what the station's stream is published.
struct IcecastTarget {
    std::string host;
    int port = 8000;
    std::string mount; // with its leading '/', as the listeners' address shows it
    std::string user;
    std::string password;
    std::string streamName;
    std::string format = "mp3"; // "mp3" or "ogg"
    int bitrate = 0;            // bits per second
    int sampleRate = 0;         // samples per second
    int channels = 2;
};

// True when libshout can announce a stream of this format ("mp3", "ogg").
bool IcecastFormatKnown(const std::string& format);

// An Icecast source: from a thread of its own it reads an encoded stream from a pipe and
// sends it to the server with libshout. The source ends when the server refuses or drops
// it, when the stream ends, or when no audio has reached the server for `stallLimit`.
class IcecastSource {
public:
    enum class Phase { Connecting, Flowing, Ended };

    // Takes ownership of `streamFd`, the reading end of the encoder's output.
    IcecastSource(IcecastTarget target, int streamFd, std::chrono::milliseconds stallLimit);
    // Drops the connection and waits for the thread (a tenth of a second at most).
    ~IcecastSource();
    IcecastSource(const IcecastSource&) = delete;
    IcecastSource& operator=(const IcecastSource&) = delete;

    // Flowing once audio has reached the server.
    Phase Now() const;
    // Why the source ended, in words for the operator: empty while it has not ended, and
    // when it ended because the stream did (the encoder's own end tells why).
    std::string Failure() const;

private:
    void Run();
    void Publish(::shout* connection);
    void End(const std::string& failure);
    std::string Where() const;
    // Why the server refused the source login, in words for the operator.
    std::string Refusal() const;
    bool Stopping() const { return stopping_.load(); }

    const IcecastTarget target_;
    const int streamFd_;
    const std::chrono::milliseconds stallLimit_;
    mutable std::mutex mutex_;
    std::atomic<Phase> phase_{Phase::Connecting};
    std::string failure_; // guarded by mutex_, set before phase_ turns Ended
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace platform
