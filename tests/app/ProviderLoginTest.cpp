#include "app/ProviderLogin.h"

#include <gtest/gtest.h>

namespace {

struct Limit {
    const char* page;
    std::optional<const char*> kbps;
};

class KbpsForLimitTest : public ::testing::TestWithParam<Limit> {};

TEST_P(KbpsForLimitTest, MapsThePageValueToAProfile)
{
    const std::optional<QString> kbps = app::KbpsForLimit(QString::fromUtf8(GetParam().page));
    if (GetParam().kbps)
        EXPECT_EQ(kbps, QString::fromUtf8(*GetParam().kbps)) << GetParam().page;
    else
        EXPECT_FALSE(kbps.has_value()) << GetParam().page;
}

INSTANTIATE_TEST_SUITE_P(
    Values, KbpsForLimitTest,
    ::testing::Values(Limit{"0", "32000"}, Limit{"63", "32000"}, Limit{"-1", "32000"},
                      Limit{"-2147483648", "32000"}, Limit{"64", "64008"}, Limit{"95", "64008"},
                      Limit{"96", "96000"}, Limit{"100", "96000"}, Limit{"127", "96000"},
                      Limit{"128", "128016"}, Limit{"320", "128016"}, Limit{"2147483647", "128016"},
                      Limit{" 100 ", "96000"}, Limit{"+64", "64008"}, Limit{"", std::nullopt},
                      Limit{"abc", std::nullopt}, Limit{"96kbps", std::nullopt},
                      Limit{"96.5", std::nullopt}, Limit{"99999999999", std::nullopt},
                      Limit{"0x60", std::nullopt}));

TEST(ProviderLoginTest, TheBodyEncodesUserAndPasswordInWindows1252)
{
    EXPECT_EQ(app::LoginBody(QStringLiteral("ana & bia"), QStringLiteral("pão ç")),
              QByteArray("Usuario=ana+%26+bia&Senha=p%E3o+%E7"));
    EXPECT_EQ(app::LoginBody(QString(), QString()), QByteArray("Usuario=&Senha="));
}

TEST(ProviderLoginTest, TheAddressIsTheInfoHostOfTheServerDomain)
{
    EXPECT_EQ(app::LoginUrl(QStringLiteral("zorvane.example")).toString(),
              QStringLiteral("http://info.zorvane.example"));
    EXPECT_EQ(app::LoginUrl(QStringLiteral("localhost:8000")).toString(),
              QStringLiteral("http://info.localhost:8000"));
}

} // namespace
