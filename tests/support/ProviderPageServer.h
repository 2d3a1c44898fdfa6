#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <vector>

namespace testsupport {

// The provider's information page of the demo (scripts/provider-page) on a free
// loopback port, for tests that drive a real browser. It answers the login of each
// account "user:password:limit" and records every request it receives.
class ProviderPageServer {
public:
    ProviderPageServer(const std::filesystem::path& folder, const QStringList& accounts);
    ~ProviderPageServer();

    int Port() const { return port_; }
    // Each request received so far: method, path, headers (pairs), body (hex).
    std::vector<QJsonObject> Requests() const;

private:
    QProcess process_;
    std::filesystem::path record_;
    int port_ = 0;
};

} // namespace testsupport
