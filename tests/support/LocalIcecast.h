#pragma once

#include <QProcess>
#include <filesystem>
#include <string>

namespace testsupport {

// A real Icecast server on a free loopback port (scripts/start-icecast) whose mount
// "/<user>" takes a source with the given account; ended with the object.
class LocalIcecast {
public:
    LocalIcecast(const std::filesystem::path& folder, const std::string& user,
                 const std::string& password);
    ~LocalIcecast();
    LocalIcecast(const LocalIcecast&) = delete;
    LocalIcecast& operator=(const LocalIcecast&) = delete;

    // False (with the reason in Problem) when the server did not come up.
    bool Running() const { return problem_.empty(); }
    const std::string& Problem() const { return problem_; }
    int Port() const { return port_; }
    qint64 Pid() const { return server_.processId(); }
    // True while a source publishes on the mount, as the server's status page says.
    bool OnAir(const std::string& mount) const;

    // The scripts folder of the source tree (SONAVIA_SOURCE_DIR).
    static std::filesystem::path Scripts();

private:
    QProcess server_;
    int port_ = 0;
    std::string problem_;
};

// Output of a short helper program run to its end (empty when it did not end in time).
std::string RunTool(const QString& program, const QStringList& arguments, int timeoutMs);

} // namespace testsupport
