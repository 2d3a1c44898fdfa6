#include "support/LocalIcecast.h"

#include <QStandardPaths>

namespace testsupport {

std::filesystem::path LocalIcecast::Scripts()
{
    const char* source = std::getenv("SONAVIA_SOURCE_DIR");
    return std::filesystem::path(source != nullptr ? source : ".") / "scripts";
}

std::string RunTool(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return process.readAll().toStdString();
}

LocalIcecast::LocalIcecast(const std::filesystem::path& folder, const std::string& user,
                           const std::string& password)
{
    if (QStandardPaths::findExecutable(QStringLiteral("icecast2")).isEmpty()) {
        problem_ = "icecast2 is not installed";
        return;
    }
    const auto script = [](const char* name) {
        return QString::fromStdString((Scripts() / name).string());
    };
    port_ = std::atoi(RunTool(script("free-port"), {}, 5000).c_str());
    // Icecast drops root for nobody, which must reach its log folder (a folder inside a
    // private temporary folder).
    std::filesystem::create_directories(folder);
    for (const auto& reached : {folder.parent_path(), folder})
        std::filesystem::permissions(
            reached, std::filesystem::perms::others_exec | std::filesystem::perms::group_exec,
            std::filesystem::perm_options::add);
    server_.setProcessChannelMode(QProcess::MergedChannels);
    server_.start(script("start-icecast"),
                  {QString::fromStdString(folder.string()), QString::number(port_),
                   QString::fromStdString(user), QString::fromStdString(password)});
    const std::string waited =
        RunTool(script("wait-for"), {"10", "tcp:127.0.0.1:" + QString::number(port_)}, 15000);
    if (!server_.waitForStarted() || !waited.empty())
        problem_ = "Icecast did not start: " + waited + server_.readAll().toStdString();
}

LocalIcecast::~LocalIcecast()
{
    if (server_.state() == QProcess::NotRunning)
        return;
    server_.terminate();
    if (!server_.waitForFinished(3000)) {
        server_.kill();
        server_.waitForFinished();
    }
}

bool LocalIcecast::OnAir(const std::string& mount) const
{
    const std::string status = RunTool(
        "curl", {"-sf", "http://127.0.0.1:" + QString::number(port_) + "/status-json.xsl"}, 5000);
    return status.find("\"listenurl\":\"http://localhost:" + std::to_string(port_) + mount +
                       "\"") != std::string::npos;
}

} // namespace testsupport
