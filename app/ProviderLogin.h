#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

namespace app {

// The login request to the provider's information page and the bitrate its answer
// entitles the account to.

// "Content-type: application/x-www-form-urlencoded", then LF and CR, in that order.
inline constexpr const char* kLoginHeaderText =
    "Content-type: application/x-www-form-urlencoded\n\r";
// The id of the page element that holds the entitled bitrate in kbit/s.
inline constexpr const char* kLimitElementId = "limitekbps";

// "http://info." + the server domain, without a path.
QUrl LoginUrl(const QString& servidor);
// "Usuario=" + encoded user + "&Senha=" + encoded password, each in Windows-1252.
QByteArray LoginBody(const QString& usuario, const QString& senha);
// The Kbps setting for the page's value: below 64 "32000", below 96 "64008", below
// 128 "96000", else "128016". Nothing for an empty value or one that is not an integer.
std::optional<QString> KbpsForLimit(const QString& limit);

} // namespace app
