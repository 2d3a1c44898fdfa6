#pragma once

#include <QString>
#include <filesystem>

namespace app {

// What a deployment says about the provider of the station service: the server
// domain new settings files start with, and the vendor lines of the log banner.
// It ships beside the executable as "provedor.ini" (Windows-1252, section
// "Provedor"); the program never writes it.
struct ProviderConfig {
    QString servidor;  // server domain; hosts are "ns1.", "ns2.", "info." + it
    QString site;      // web address
    QString fone;      // telephone number
    QString email;     // support e-mail address
    QString endereco;  // street address
    QString cepCidade; // postal code and city
};

inline constexpr const char* kProviderFileName = "provedor.ini";

// Reads the folder's provider file. A missing file or key falls back to a station
// that talks to this machine only ("localhost"), so an unconfigured deployment
// never sends an account to a server nobody chose; vendor lines then stay empty.
ProviderConfig LoadProviderConfig(const std::filesystem::path& folder);

} // namespace app
