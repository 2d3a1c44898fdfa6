#include "app/EventLog.h"
#include "platform/Cp1252.h"
#include "platform/MessageBoxes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

app::ProviderConfig Vendor()
{
    app::ProviderConfig vendor;
    vendor.site = QStringLiteral("www.exemplo.test");
    vendor.fone = QStringLiteral("(11) 1234-5678");
    vendor.email = QStringLiteral("suporte@exemplo.test");
    vendor.endereco = QStringLiteral("Rua A, 1");
    vendor.cepCidade = QStringLiteral("01000-000 - São Paulo - SP");
    return vendor;
}

class EventLogTest : public ::testing::Test {
protected:
    EventLogTest() { platform::SetApplicationTitle(QStringLiteral("Zorvane Sonavia")); }

    app::EventLog Log()
    {
        return app::EventLog(file, Vendor(), [this] { return now; });
    }

    testsupport::TempFolder folder;
    std::filesystem::path file = folder / "OnLine.log";
    QDateTime now{QDate(2026, 3, 4), QTime(9, 5, 7)};
};

const std::string kBanner = "www.exemplo.test - Zorvane Sonavia\r\n"
                            "Fone: (11) 1234-5678 - E-Mail: suporte@exemplo.test\r\n"
                            "Rua A, 1\r\n"
                            "01000-000 - S\xE3o Paulo - SP\r\n" +
                            std::string(62, '=') + "\r\n\r\n";

} // namespace

TEST_F(EventLogTest, FirstRecordFollowsTheBannerByteForByte)
{
    EXPECT_EQ(Log().WriteLog(QStringLiteral("Não foi encontrado o arquivo de codificação"),
                             QStringLiteral("Erro"), QStringLiteral("FormCreate")),
              0);
    EXPECT_EQ(testsupport::ReadBytes(file),
              kBanner + "Data/Hora............: 04/03/2026 09:05:07\r\n"
                        "A\xE7\xE3o.................: Erro\r\n"
                        "Descri\xE7\xE3o............: N\xE3o foi encontrado o arquivo de "
                        "codifica\xE7\xE3o\r\n"
                        "Processo.............: FormCreate\r\n"
                        "\r\n");
}

TEST_F(EventLogTest, LaterRecordsArePrecededByAHyphenSeparator)
{
    auto log = Log();
    log.WriteLog(QStringLiteral("um"), QStringLiteral("A"), QStringLiteral("P"));
    now = now.addSecs(3600);
    log.WriteLog(QStringLiteral("dois"), QStringLiteral("B"), QStringLiteral("Q"));
    Log().WriteLog(QStringLiteral("três"), QStringLiteral("C"), QStringLiteral("R"));
    const std::string record2 = std::string(62, '-') +
                                "\r\n\r\n"
                                "Data/Hora............: 04/03/2026 10:05:07\r\n"
                                "A\xE7\xE3o.................: B\r\n"
                                "Descri\xE7\xE3o............: dois\r\n"
                                "Processo.............: Q\r\n\r\n";
    const std::string text = testsupport::ReadBytes(file);
    EXPECT_EQ(text.find(kBanner), 0u);
    EXPECT_EQ(text.find(kBanner, 1), std::string::npos);
    EXPECT_NE(text.find(record2), std::string::npos);
    const std::string tail = "Descri\xE7\xE3o............: tr\xEAs\r\n"
                             "Processo.............: R\r\n\r\n";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(EventLogTest, EveryLabelPutsItsColonInColumn22)
{
    Log().WriteLog(QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("p"));
    const std::string text = testsupport::ReadBytes(file).substr(kBanner.size());
    std::size_t start = 0;
    for (int line = 0; line < 4; ++line) {
        EXPECT_EQ(text.substr(start + 21, 2), ": ") << "line " << line;
        start = text.find("\r\n", start) + 2;
    }
}

TEST_F(EventLogTest, ADeletedLogStartsAgainWithTheBanner)
{
    auto log = Log();
    log.WriteLog(QStringLiteral("um"), QStringLiteral("A"), QStringLiteral("P"));
    std::filesystem::remove(file);
    log.WriteLog(QStringLiteral("dois"), QStringLiteral("B"), QStringLiteral("Q"));
    const std::string text = testsupport::ReadBytes(file);
    EXPECT_EQ(text.find(kBanner), 0u);
    EXPECT_EQ(text.find("um"), std::string::npos);
    EXPECT_NE(text.find("dois"), std::string::npos);
}

TEST_F(EventLogTest, EmptyTextsEndTheirLineRightAfterTheColonAndBlank)
{
    Log().WriteLog(QString(), QStringLiteral("EConvertError"), QString());
    const std::string text = testsupport::ReadBytes(file);
    EXPECT_NE(text.find("\r\nDescri\xE7\xE3o............: \r\nProcesso.............: \r\n\r\n"),
              std::string::npos);
}

TEST_F(EventLogTest, UnwritableLogLosesTheRecordSilently)
{
    std::filesystem::create_directory(file); // a folder where the log should be
    EXPECT_EQ(Log().WriteLog(QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("p")), -1);

    app::EventLog nowhere(folder / "missing" / "OnLine.log", Vendor(), [this] { return now; });
    EXPECT_EQ(nowhere.WriteLog(QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("p")), -1);
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST_F(EventLogTest, AFailingClockCannotEscapeTheLog)
{
    app::EventLog log(file, Vendor(), []() -> QDateTime { throw std::runtime_error("clock"); });
    EXPECT_EQ(log.WriteLog(QStringLiteral("d"), QStringLiteral("a"), QStringLiteral("p")), -1);
}

TEST(LogDateTime, ShortDateSpaceLongTimeWithTheTimeLeftOutAtMidnight)
{
    EXPECT_EQ(app::FormatLogDateTime(QDateTime(QDate(2026, 1, 2), QTime(23, 59, 59))),
              "02/01/2026 23:59:59");
    EXPECT_EQ(app::FormatLogDateTime(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 0))), "02/01/2026");
    EXPECT_EQ(app::FormatLogDateTime(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 1))),
              "02/01/2026 00:00:01");
}
