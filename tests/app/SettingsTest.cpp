#include "app/Settings.h"
#include "platform/AtomicFile.h"
#include "platform/Cp1252.h"
#include "platform/Exception.h"
#include "platform/IniFile.h"
#include "support/Corpus.h"
#include "support/TempFolder.h"

#include <QStringList>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using app::ScramblePassword;
using app::SettingsFile;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

app::AccountSettings Account()
{
    app::AccountSettings account;
    account.placa = 2;
    account.controle = -1;
    account.usuario = QStringLiteral("radioesperança");
    account.senha = QStringLiteral("pão=ção 1~");
    account.radio = QStringLiteral("Rádio Esperança FM");
    account.kbps = QStringLiteral("64008");
    return account;
}

} // namespace

TEST(Settings, AFreshFileHoldsExactlyTheSevenKeysInOrder)
{
    testsupport::TempFolder folder;
    const SettingsFile file(folder / "cfg.ini");
    EXPECT_FALSE(file.Exists());
    file.WriteDefaults(QStringLiteral("provedor.test"));
    EXPECT_TRUE(file.Exists());
    EXPECT_EQ(ReadBytes(file.Path()), "[Geral]\r\nControle=0\r\nUsuario=\r\nSenha=\r\nPlaca=0\r\n"
                                      "Radio=\r\nKbps=32000\r\nServidor=provedor.test\r\n");
    const auto stored = file.Read();
    EXPECT_EQ(stored.controle, "0");
    EXPECT_EQ(stored.usuario, "");
    EXPECT_EQ(stored.senha, "");
    EXPECT_EQ(stored.placa, "0");
    EXPECT_EQ(stored.kbps, "32000");
    EXPECT_EQ(stored.servidor, "provedor.test");
}

TEST(Settings, ScramblingIsItsOwnInverseForEveryByteString)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string scrambled = ScramblePassword(all);
    EXPECT_EQ(scrambled.size(), all.size());
    EXPECT_NE(scrambled, all);
    EXPECT_EQ(ScramblePassword(scrambled), all);
    // The key of the file format: byte b is stored as (0x1F - b) mod 256.
    EXPECT_EQ(ScramblePassword("A"), std::string(1, static_cast<char>(0x1F - 'A' + 256)));
}

TEST(Settings, NoTypeableCharacterScramblesToAByteTheFileCannotHold)
{
    for (int b = 0x20; b <= 0xFF; ++b) {
        const auto scrambled =
            static_cast<unsigned char>(ScramblePassword(std::string(1, static_cast<char>(b)))[0]);
        EXPECT_GE(scrambled, 0x20) << "byte " << b;
    }
}

TEST(Settings, SavedAccountReadsBackWithThePasswordAtItsTypedLength)
{
    testsupport::TempFolder folder;
    const SettingsFile file(folder / "cfg.ini");
    file.WriteDefaults(QStringLiteral("provedor.test"));
    const auto account = Account();
    file.WriteAccount(account);

    const auto stored = file.Read();
    EXPECT_EQ(stored.placa, "2");
    EXPECT_EQ(stored.controle, "-1");
    EXPECT_EQ(stored.usuario, account.usuario);
    EXPECT_EQ(stored.senha, account.senha);
    EXPECT_EQ(stored.radio, account.radio);
    EXPECT_EQ(stored.kbps, "64008");
    EXPECT_EQ(stored.servidor, "provedor.test");

    const std::string raw = platform::ReadProfileBytes(file.Path(), "Geral", "Senha");
    EXPECT_EQ(raw.size(), platform::ToCp1252(account.senha).size());
    EXPECT_EQ(raw, ScramblePassword(platform::ToCp1252(account.senha)));
    // Accented letters go to the file as single Windows-1252 bytes.
    EXPECT_EQ(platform::ReadProfileString(file.Path(), "Geral", "Radio"), "R\xE1"
                                                                          "dio Esperan\xE7"
                                                                          "a FM");
}

TEST(Settings, SaveKeepsTheKeysWhereTheyWereAndAddsMissingOnesInSaveOrder)
{
    testsupport::TempFolder folder;
    const SettingsFile kept(folder / "cfg.ini");
    kept.WriteDefaults(QStringLiteral("d"));
    kept.WriteAccount(Account());
    const std::string text = ReadBytes(kept.Path());
    EXPECT_LT(text.find("Controle=-1"), text.find("Usuario="));
    EXPECT_LT(text.find("Radio="), text.find("Kbps=64008"));
    EXPECT_LT(text.find("Kbps=64008"), text.find("Servidor=d"));

    const SettingsFile fresh(folder / "novo.ini");
    fresh.WriteAccount(Account());
    const std::string order = ReadBytes(fresh.Path());
    const std::vector<std::string> keys = {
        "[Geral]", "Placa=", "Controle=", "Usuario=", "Senha=", "Radio=", "Kbps="};
    for (std::size_t i = 1; i < keys.size(); ++i)
        EXPECT_LT(order.find(keys[i - 1]), order.find(keys[i])) << keys[i];
}

TEST(Settings, UnwritableFileRaisesWithItsPathAndKeepsEveryValue)
{
    testsupport::TempFolder folder;
    const SettingsFile file(folder / "cfg.ini");
    file.WriteDefaults(QStringLiteral("provedor.test"));
    const std::string before = ReadBytes(file.Path());
    ::chmod(file.Path().c_str(), 0400);
    try {
        file.WriteAccount(Account());
        FAIL() << "no error raised";
    } catch (const platform::EIniFileException& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + file.Path().string());
    }
    EXPECT_EQ(ReadBytes(file.Path()), before);
}

TEST(Settings, PasswordThatWouldScrambleToALineBreakIsRefusedNotShortened)
{
    testsupport::TempFolder folder;
    const SettingsFile file(folder / "cfg.ini");
    file.WriteDefaults(QStringLiteral("provedor.test"));
    auto account = Account();
    account.senha = QString(QChar(0x12)) + QStringLiteral("abc"); // 0x1F - 0x12 = CR
    EXPECT_THROW(file.WriteAccount(account), platform::EIniFileException);
    EXPECT_EQ(file.Read().senha, "");
}

TEST(Settings, MissingKeysReadAsEmpty)
{
    testsupport::TempFolder folder;
    const SettingsFile file(folder / "cfg.ini");
    WriteBytes(file.Path(), "[Geral]\r\nUsuario=ana\r\n");
    const auto stored = file.Read();
    EXPECT_EQ(stored.usuario, "ana");
    EXPECT_EQ(stored.controle, "");
    EXPECT_EQ(stored.senha, "");
    EXPECT_EQ(stored.kbps, "");
    EXPECT_EQ(stored.servidor, "");
}

TEST(Settings, BitrateIsWrittenOnlyWhenItChanges)
{
    testsupport::TempFolder folder;
    const SettingsFile file(folder / "cfg.ini");
    file.WriteDefaults(QStringLiteral("provedor.test"));
    ::chmod(file.Path().c_str(), 0400); // any write would now fail
    EXPECT_FALSE(file.UpdateKbps(QStringLiteral("32000")));
    EXPECT_THROW(file.UpdateKbps(QStringLiteral("96000")), platform::EIniFileException);
    ::chmod(file.Path().c_str(), 0600);
    EXPECT_TRUE(file.UpdateKbps(QStringLiteral("96000")));
    EXPECT_EQ(file.Read().kbps, "96000");
    EXPECT_EQ(file.Read().servidor, "provedor.test");
}

TEST(Settings, CorpusOfSettingsFilesLoadsAsExpected)
{
    for (const auto& entry : testsupport::CorpusCases("settings")) {
        if (entry.outcome != "reads")
            continue; // a case for the whole program
        SCOPED_TRACE(entry.file.filename().string());
        testsupport::TempFolder folder;
        WriteBytes(folder / "cfg.ini", ReadBytes(entry.file));
        const auto stored = SettingsFile(folder / "cfg.ini").Read();
        const std::map<QString, QString> loaded{
            {"Controle", stored.controle}, {"Usuario", stored.usuario}, {"Senha", stored.senha},
            {"Placa", stored.placa},       {"Radio", stored.radio},     {"Kbps", stored.kbps},
            {"Servidor", stored.servidor}};
        for (const QString& pair : QString::fromStdString(entry.details).split(';')) {
            const QString key = pair.section('=', 0, 0);
            ASSERT_TRUE(loaded.contains(key)) << key.toStdString();
            EXPECT_EQ(loaded.at(key), pair.section('=', 1)) << key.toStdString();
        }
    }
}

TEST(Settings, EveryCorpusFileTakesASavedAccountAndReadsItBack)
{
    const auto account = Account();
    for (const auto& entry : testsupport::CorpusCases("settings")) {
        SCOPED_TRACE(entry.file.filename().string());
        testsupport::TempFolder folder;
        WriteBytes(folder / "cfg.ini", ReadBytes(entry.file));
        const SettingsFile file(folder / "cfg.ini");
        file.WriteAccount(account);
        EXPECT_TRUE(file.Usable());
        const auto stored = file.Read();
        EXPECT_EQ(stored.usuario, account.usuario);
        EXPECT_EQ(stored.senha, account.senha);
        EXPECT_EQ(stored.placa, "2");
        const std::string text = ReadBytes(file.Path());
        EXPECT_EQ(text.find('\0'), std::string::npos);
        EXPECT_EQ(text.find("[Geral]"), text.rfind("[Geral]"));
    }
}

TEST(Settings, ASaveKilledAnywhereLeavesOneWholeAccountAndARestartLeavesNoTemporaryFile)
{
    testsupport::TempFolder folder;
    const SettingsFile file(folder / "cfg.ini");
    app::AccountSettings first = Account();
    app::AccountSettings second = Account();
    second.usuario = QStringLiteral("outra");
    second.senha = QStringLiteral("outra senha");
    file.WriteAccount(first);
    std::mt19937 random(12);
    for (int kill = 0; kill < 50; ++kill) {
        const pid_t saver = fork();
        ASSERT_GE(saver, 0);
        if (saver == 0) {
            try {
                for (;;) {
                    file.WriteAccount(second);
                    file.WriteAccount(first);
                }
            } catch (...) {
            }
            _exit(1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(saver, SIGKILL);
        ::waitpid(saver, nullptr, 0);
        const auto stored = file.Read();
        const bool whole = (stored.usuario == first.usuario && stored.senha == first.senha) ||
                           (stored.usuario == second.usuario && stored.senha == second.senha);
        ASSERT_TRUE(whole) << "after kill " << kill << ": " << stored.usuario.toStdString();
    }
    platform::RemoveLeftoverTemporaries(folder.path());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"cfg.ini"});
}
