#pragma once

#include "platform/Exception.h"

#include <filesystem>
#include <optional>
#include <string>

namespace platform {
class XmlDocument;
}

namespace app {

using platform::Exception;
SONAVIA_ERROR_CLASS(ESessionFileError, Exception)

// What a session file carries from the station's settings (UTF-8 text).
struct SessionValues {
    std::string title;                      // the station name
    std::optional<std::string> captureCard; // empty when no card is selected
    std::string publishServer;              // the current publishing host
    std::string publishingPoint;            // the account user name
    std::string kbps;                       // the Kbps setting
};

inline constexpr const char* SessionTemplateName = "padrao.xml";

// The per-user session file: folder + user name + ".xml". The user name is free text
// typed by the operator, so a name that could reach outside the station folder (a path
// separator, a NUL, "." or "..") is refused with ESessionFileError.
std::filesystem::path SessionFilePath(const std::filesystem::path& folder,
                                      const std::string& userName);

// Writes the values into a loaded session document. Raises ESessionFileError when a
// required element is missing or no capture card is selected.
void EditSession(platform::XmlDocument& document, const SessionValues& values);

enum class SessionBuild { Saved, TemplateMissing };

// Rebuilds the user's session file in place, or creates it from the template when it does
// not exist yet. Nothing is written when anything fails: the previous file stays as it was.
// TemplateMissing means the file had to be created and there is no template to create it
// from; the caller tells the operator.
SessionBuild BuildSessionFile(const std::filesystem::path& folder, const std::string& userName,
                              const SessionValues& values);

} // namespace app
