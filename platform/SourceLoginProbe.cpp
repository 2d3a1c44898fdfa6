#include "platform/SourceLoginProbe.h"

#include "platform/IcecastSource.h"

#include <QByteArray>
#include <cctype>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int AnswerMs = 2000;

class Socket {
public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

bool WaitFor(int fd, short events)
{
    pollfd ready{fd, events, 0};
    return poll(&ready, 1, AnswerMs) > 0 && (ready.revents & events) != 0;
}

// A connected socket to host:port, or -1.
int Connect(const std::string& host, int port)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (const addrinfo* at = found; at != nullptr && fd < 0; at = at->ai_next) {
        fd = socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, at->ai_protocol);
        if (fd < 0)
            continue;
        int error = 0;
        socklen_t size = sizeof error;
        const bool connected =
            (connect(fd, at->ai_addr, at->ai_addrlen) == 0 || errno == EINPROGRESS) &&
            WaitFor(fd, POLLOUT) && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
            error == 0;
        if (!connected) {
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

std::string PercentEncodedPath(const std::string& path)
{
    static const char* const Hex = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~')
            encoded += c;
        else
            encoded += {'%', Hex[byte >> 4], Hex[byte & 15]};
    }
    return encoded;
}

} // namespace

SourceLoginAnswer ProbeSourceLogin(const IcecastTarget& target)
{
    const Socket socket(Connect(target.host, target.port));
    if (socket.Fd() < 0)
        return {};
    const std::string credentials =
        QByteArray::fromStdString(target.user + ":" + target.password).toBase64().toStdString();
    const std::string request = "SOURCE " + PercentEncodedPath(target.mount) +
                                " HTTP/1.0\r\nHost: " + target.host + "\r\nAuthorization: Basic " +
                                credentials + "\r\nContent-Type: audio/mpeg\r\n\r\n";
    if (!WaitFor(socket.Fd(), POLLOUT) ||
        send(socket.Fd(), request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size()))
        return {};
    // The server closes the connection after a refusal; an accepted login waits for
    // audio, so the answer ends with its headers.
    std::string answer;
    char buffer[512];
    while (answer.size() < 4096 && WaitFor(socket.Fd(), POLLIN)) {
        const ssize_t got = recv(socket.Fd(), buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    // "HTTP/1.0 403 Forbidden\r\n...\r\n\r\nMountpoint in use"
    SourceLoginAnswer parsed;
    const std::size_t space = answer.find(' ');
    if (space == std::string::npos)
        return parsed;
    parsed.status = std::atoi(answer.c_str() + space + 1);
    const std::size_t body = answer.find("\r\n\r\n");
    if (body != std::string::npos)
        parsed.text = answer.substr(body + 4);
    return parsed;
}

} // namespace platform
