#include "support/ProviderPageServer.h"

#include <QFile>
#include <QJsonDocument>
#include <csignal>
#include <cstdlib>
#include <stdexcept>
#include <sys/prctl.h>

namespace testsupport {

ProviderPageServer::ProviderPageServer(const std::filesystem::path& folder,
                                       const QStringList& accounts)
    : record_(folder / "page-requests.jsonl")
{
    const char* source = std::getenv("SONAVIA_SOURCE_DIR");
    QStringList arguments{QStringLiteral("0"), QStringLiteral("--record"),
                          QString::fromStdString(record_.string())};
    for (const QString& account : accounts)
        arguments << QStringLiteral("--account") << account;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test killed half-way (a timeout, a sanitizer's abort) takes the server with it,
    // so no orphan keeps the test runner's output open.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.start(
        QString::fromStdString(
            (std::filesystem::path(source ? source : ".") / "scripts" / "provider-page").string()),
        arguments);
    if (!process_.waitForStarted(10000) || !process_.waitForReadyRead(10000))
        throw std::runtime_error("scripts/provider-page did not start (is python3 installed?)");
    port_ = process_.readLine().trimmed().toInt();
    if (port_ == 0)
        throw std::runtime_error("scripts/provider-page printed no port");
}

ProviderPageServer::~ProviderPageServer()
{
    process_.kill();
    process_.waitForFinished(5000);
}

std::vector<QJsonObject> ProviderPageServer::Requests() const
{
    std::vector<QJsonObject> requests;
    QFile file(QString::fromStdString(record_.string()));
    if (!file.open(QIODevice::ReadOnly))
        return requests;
    while (!file.atEnd())
        requests.push_back(QJsonDocument::fromJson(file.readLine()).object());
    return requests;
}

} // namespace testsupport
