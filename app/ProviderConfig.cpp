#include "app/ProviderConfig.h"

#include "platform/Cp1252.h"
#include "platform/IniFile.h"

namespace app {

ProviderConfig LoadProviderConfig(const std::filesystem::path& folder)
{
    const auto file = folder / kProviderFileName;
    const auto read = [&](const char* key) {
        return platform::FromCp1252(platform::ReadProfileString(file, "Provedor", key));
    };
    ProviderConfig config{read("Servidor"), read("Site"),     read("Fone"),
                          read("EMail"),    read("Endereco"), read("CepCidade")};
    if (config.servidor.isEmpty())
        config.servidor = QStringLiteral("localhost");
    return config;
}

} // namespace app
