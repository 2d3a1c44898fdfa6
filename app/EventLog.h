#pragma once

#include "app/ProviderConfig.h"

#include <QDateTime>
#include <QString>
#include <filesystem>
#include <functional>

namespace app {

inline constexpr const char* kLogFileName = "OnLine.log";

// "dd/MM/yyyy HH:mm:ss": the Brazilian short date, a space and the long time; the
// time is left out when it is exactly midnight.
QString FormatLogDateTime(const QDateTime& moment);

// The append-only event log read by support staff. A new file starts with the
// vendor banner, every later record with a line of hyphens. Windows-1252 text with
// CR LF line ends; the file is opened and closed for every record.
class EventLog {
public:
    using Clock = std::function<QDateTime()>;

    EventLog(std::filesystem::path file, ProviderConfig vendor, Clock clock);

    // Appends one record. Returns 0 when every line was written and -1 when any
    // step failed; the first failure abandons the rest and the record is lost
    // silently. Never throws, so logging cannot re-enter the error handler.
    int WriteLog(const QString& description, const QString& action,
                 const QString& process) noexcept;

    const std::filesystem::path& Path() const { return file_; }

private:
    int Append(const QString& description, const QString& action, const QString& process);

    std::filesystem::path file_;
    ProviderConfig vendor_;
    Clock clock_;
};

} // namespace app
