#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

// Text files of a station (settings, log, session documents) are Windows-1252 on
// disk so that they move unchanged between studio machines.

// Characters outside Windows-1252 become '?', as the Windows conversion does.
std::string ToCp1252(const QString& text);
// True when every character of the text has a Windows-1252 byte.
bool FitsCp1252(const QString& text);
QString FromCp1252(std::string_view bytes);

// UTF-8 convenience forms for code that keeps its strings in std::string.
std::string Utf8ToCp1252(std::string_view utf8);
std::string Cp1252ToUtf8(std::string_view bytes);

} // namespace platform
