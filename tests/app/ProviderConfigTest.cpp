#include "app/ProviderConfig.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

TEST(ProviderConfig, ReadsTheVendorLinesAsWindows1252)
{
    testsupport::TempFolder folder;
    testsupport::WriteBytes(folder / "provedor.ini",
                            "[Provedor]\r\nServidor=radio.test\r\nSite=www.radio.test\r\n"
                            "Fone=(21) 5555-0000\r\nEMail=a@radio.test\r\nEndereco=Pra\xE7"
                            "a XV, 2\r\nCepCidade=20000-000 - Niter\xF3i - RJ\r\n");
    const auto config = app::LoadProviderConfig(folder.path());
    EXPECT_EQ(config.servidor, "radio.test");
    EXPECT_EQ(config.site, "www.radio.test");
    EXPECT_EQ(config.fone, "(21) 5555-0000");
    EXPECT_EQ(config.email, "a@radio.test");
    EXPECT_EQ(config.endereco, "Praça XV, 2");
    EXPECT_EQ(config.cepCidade, "20000-000 - Niterói - RJ");
}

TEST(ProviderConfig, WithoutTheFileTheStationStaysOnThisMachine)
{
    testsupport::TempFolder folder;
    const auto config = app::LoadProviderConfig(folder.path());
    EXPECT_EQ(config.servidor, "localhost");
    EXPECT_TRUE(config.site.isEmpty());
    EXPECT_TRUE(config.cepCidade.isEmpty());
}

TEST(ProviderConfig, TheShippedFileIsWindows1252WithEveryKey)
{
    const QByteArray source = qgetenv("SONAVIA_SOURCE_DIR");
    if (source.isEmpty())
        GTEST_SKIP() << "SONAVIA_SOURCE_DIR is not set (run through ctest)";
    const auto config =
        app::LoadProviderConfig(std::filesystem::path(source.toStdString()) / "deploy");
    EXPECT_NE(config.servidor, "localhost");
    for (const QString& line :
         {config.site, config.fone, config.email, config.endereco, config.cepCidade}) {
        EXPECT_FALSE(line.isEmpty());
        EXPECT_FALSE(line.contains(QStringLiteral("Ã"))) << line.toStdString(); // UTF-8 saved
    }
    EXPECT_TRUE(config.cepCidade.contains(QStringLiteral("São Paulo")));
}
