#include "app/Settings.h"

#include "platform/Cp1252.h"
#include "platform/IniFile.h"

namespace app {

std::string ScramblePassword(std::string_view bytes)
{
    std::string scrambled(bytes);
    for (char& byte : scrambled)
        byte = static_cast<char>(kPasswordKey - 1 - static_cast<unsigned char>(byte));
    return scrambled;
}

bool SettingsFile::Exists() const
{
    std::error_code error;
    return std::filesystem::exists(file_, error);
}

bool SettingsFile::Usable() const
{
    return platform::HasProfileSection(file_, kSettingsSection);
}

void SettingsFile::WriteDefaults(const QString& servidor) const
{
    WriteKeys({{"Controle", "0"},
               {"Usuario", ""},
               {"Senha", ""},
               {"Placa", "0"},
               {"Radio", ""},
               {"Kbps", "32000"},
               {"Servidor", platform::ToCp1252(servidor)}});
}

StoredSettings SettingsFile::Read() const
{
    StoredSettings settings;
    settings.controle = ReadKey("Controle");
    settings.usuario = ReadKey("Usuario");
    settings.senha = platform::FromCp1252(
        ScramblePassword(platform::ReadProfileBytes(file_, kSettingsSection, "Senha")));
    settings.placa = ReadKey("Placa");
    settings.radio = ReadKey("Radio");
    settings.kbps = ReadKey("Kbps");
    settings.servidor = ReadKey("Servidor");
    return settings;
}

void SettingsFile::WriteAccount(const AccountSettings& account) const
{
    // One replacement of the file: a save cut off half-way must not pair the new user
    // with the old password.
    WriteKeys({{"Placa", std::to_string(account.placa)},
               {"Controle", std::to_string(account.controle)},
               {"Usuario", platform::ToCp1252(account.usuario)},
               {"Senha", ScramblePassword(platform::ToCp1252(account.senha))},
               {"Radio", platform::ToCp1252(account.radio)},
               {"Kbps", platform::ToCp1252(account.kbps)}});
}

bool SettingsFile::UpdateKbps(const QString& kbps) const
{
    if (ReadKey("Kbps") == kbps)
        return false;
    WriteKey("Kbps", kbps);
    return true;
}

QString SettingsFile::ReadKey(std::string_view key) const
{
    return platform::FromCp1252(platform::ReadProfileString(file_, kSettingsSection, key));
}

void SettingsFile::WriteKey(std::string_view key, const QString& value) const
{
    platform::WriteProfileString(file_, kSettingsSection, key, platform::ToCp1252(value));
}

void SettingsFile::WriteKeys(const std::vector<std::pair<std::string, std::string>>& keys) const
{
    platform::WriteProfileStrings(file_, kSettingsSection, keys);
}

} // namespace app
