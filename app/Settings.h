#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

// The password key. With K = 0x20 the bytes 0x20..0xFF (everything a user can
// type in Windows-1252) scramble onto 0xFF..0x20, so a stored password never holds
// a NUL, CR or LF that the settings file would cut it at.
inline constexpr unsigned char kPasswordKey = 0x20;

// Each byte b becomes (K - 1 - b) mod 256. Its own inverse: the same call
// scrambles before writing and unscrambles after reading. Length is unchanged.
std::string ScramblePassword(std::string_view bytes);

inline constexpr const char* kSettingsFileName = "cfg.ini";
inline constexpr const char* kSettingsSection = "Geral";

// The keys of the settings file as text, exactly as stored (password in clear).
struct StoredSettings {
    QString controle;
    QString usuario;
    QString senha;
    QString placa;
    QString radio;
    QString kbps;
    QString servidor;
};

// What the settings window saves.
struct AccountSettings {
    int placa = -1;    // index of the chosen card, -1 for none
    int controle = -1; // index of the chosen mixer line, -1 for none
    QString usuario;
    QString senha; // in clear; scrambled on the way to the file
    QString radio;
    QString kbps;
};

// The station's settings file. Every operation opens, reads or rewrites and
// closes the file; nothing is cached. A failed write raises EIniFileException
// "Unable to write to <path>" and leaves the file as it was.
class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& Path() const { return file_; }
    bool Exists() const;
    // False for a file without the section (empty, damaged, not a settings file).
    bool Usable() const;

    // Controle "0", Usuario, Senha empty, Placa "0", Radio empty, Kbps "32000",
    // Servidor = the provider's domain, in that order.
    void WriteDefaults(const QString& servidor) const;

    // A missing key reads as empty.
    StoredSettings Read() const;

    // Placa, Controle, Usuario, Senha (scrambled), Radio, Kbps, in that order.
    void WriteAccount(const AccountSettings& account) const;

    // Writes Kbps only when it differs from the stored value; true when written.
    bool UpdateKbps(const QString& kbps) const;

private:
    QString ReadKey(std::string_view key) const;
    void WriteKey(std::string_view key, const QString& value) const;
    // Windows-1252 values, written in one replacement of the file.
    void WriteKeys(const std::vector<std::pair<std::string, std::string>>& keys) const;

    std::filesystem::path file_;
};

} // namespace app
