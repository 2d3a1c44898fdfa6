#include "app/EventLog.h"

#include "platform/Cp1252.h"
#include "platform/MessageBoxes.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace app {
namespace {

constexpr int kRuleWidth = 62;

// Closes the descriptor on every path out of a record.
class LogFile {
public:
    explicit LogFile(const std::filesystem::path& path)
        : fd_(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644))
    {
    }
    ~LogFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    bool WriteLine(const QString& text)
    {
        const std::string bytes = platform::ToCp1252(text) + "\r\n";
        const char* data = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            const ssize_t written = ::write(fd_, data, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            left -= static_cast<std::size_t>(written);
        }
        return true;
    }

    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

} // namespace

QString FormatLogDateTime(const QDateTime& moment)
{
    const QString date = moment.date().toString(QStringLiteral("dd/MM/yyyy"));
    if (moment.time().msecsSinceStartOfDay() == 0)
        return date;
    return date + QLatin1Char(' ') + moment.time().toString(QStringLiteral("HH:mm:ss"));
}

EventLog::EventLog(std::filesystem::path file, ProviderConfig vendor, Clock clock)
    : file_(std::move(file)), vendor_(std::move(vendor)), clock_(std::move(clock))
{
}

int EventLog::WriteLog(const QString& description, const QString& action,
                       const QString& process) noexcept
{
    try {
        return Append(description, action, process);
    } catch (...) {
        return -1;
    }
}

int EventLog::Append(const QString& description, const QString& action, const QString& process)
{
    std::error_code error;
    const bool existed = std::filesystem::exists(file_, error);
    if (error)
        return -1;

    std::vector<QString> lines;
    if (existed) {
        lines = {QString(kRuleWidth, QLatin1Char('-')), QString()};
    } else {
        lines = {vendor_.site + QStringLiteral(" - ") + platform::ApplicationTitle(),
                 QStringLiteral("Fone: ") + vendor_.fone + QStringLiteral(" - E-Mail: ") +
                     vendor_.email,
                 vendor_.endereco,
                 vendor_.cepCidade,
                 QString(kRuleWidth, QLatin1Char('=')),
                 QString()};
    }
    lines.push_back(QStringLiteral("Data/Hora............: ") + FormatLogDateTime(clock_()));
    lines.push_back(QStringLiteral("Ação.................: ") + action);
    lines.push_back(QStringLiteral("Descrição............: ") + description);
    lines.push_back(QStringLiteral("Processo.............: ") + process);
    lines.push_back(QString());

    LogFile log(file_);
    if (!log.IsOpen())
        return -1;
    for (const QString& line : lines) {
        if (!log.WriteLine(line))
            return -1;
    }
    return log.Close() ? 0 : -1;
}

} // namespace app
