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

void SettingsFile::WriteDefaults(const QString& servidor) const
{
    WriteKey("Controle", QStringLiteral("0"));
    WriteKey("Usuario", QString());
    WriteKey("Senha", QString());
    WriteKey("Placa", QStringLiteral("0"));
    WriteKey("Radio", QString());
    WriteKey("Kbps", QStringLiteral("32000"));
    WriteKey("Servidor", servidor);
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
    WriteKey("Placa", QString::number(account.placa));
    WriteKey("Controle", QString::number(account.controle));
    WriteKey("Usuario", account.usuario);
    WriteKeyBytes("Senha", ScramblePassword(platform::ToCp1252(account.senha)));
    WriteKey("Radio", account.radio);
    WriteKey("Kbps", account.kbps);
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
    WriteKeyBytes(key, platform::ToCp1252(value));
}

void SettingsFile::WriteKeyBytes(std::string_view key, std::string_view bytes) const
{
    platform::WriteProfileString(file_, kSettingsSection, key, bytes);
}

} // namespace app
