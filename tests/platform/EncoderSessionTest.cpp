#include "platform/EncoderSession.h"
#include "platform/Encoder.h"
#include "support/Corpus.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using platform::ReadEncoderSession;
using testsupport::TempFolder;
using testsupport::WriteBytes;

namespace {

std::string Document(const std::string& server, const std::string& profile,
                     const std::string& card = "Placa")
{
    return "<S><Description Title=\"T\"/><SourceGroups><SourceGroup><Source InputSource=\"" + card +
           "\"/></SourceGroup></SourceGroups><Broadcast PublishServer=\"" + server +
           "\" PublishingPoint=\"user\"/><Profile>" + profile + "</Profile></S>";
}

const std::string Profile = "<![CDATA[bitrate=\"96000\" nSamplesPerSec=\"48000\"]]>";

} // namespace

TEST(EncoderSession, ReadsHostPortMountAndProfile)
{
    TempFolder folder;
    WriteBytes(folder / "s.xml", Document("ns1.localhost:8123", Profile));
    const auto session = ReadEncoderSession(folder / "s.xml");
    EXPECT_EQ(session.host, "ns1.localhost");
    EXPECT_EQ(session.port, 8123);
    EXPECT_EQ(session.publishingPoint, "user");
    EXPECT_EQ(session.inputSource, "Placa");
    EXPECT_EQ(session.bitrate, 96000);
    EXPECT_EQ(session.sampleRate, 48000);
    EXPECT_EQ(session.audioCodec, "libmp3lame"); // the default when the session names none
}

TEST(EncoderSession, HostWithoutPortUsesIcecastsPort)
{
    TempFolder folder;
    WriteBytes(folder / "s.xml", Document("ns2.exemplo.net", Profile));
    EXPECT_EQ(ReadEncoderSession(folder / "s.xml").port, 8000);
}

TEST(EncoderSession, ShippedTemplateNamesItsCodecAndProfile)
{
    TempFolder folder;
    const char* source = std::getenv("SONAVIA_SOURCE_DIR");
    std::string bytes = testsupport::ReadBytes(std::filesystem::path(source ? source : ".") /
                                               "deploy" / "padrao.xml");
    // The template leaves the station's values empty; fill the ones the encoder needs.
    bytes.replace(bytes.find("InputSource=\"\""), 14, "InputSource=\"Placa\"");
    bytes.replace(bytes.find("PublishServer=\"\""), 16, "PublishServer=\"ns1.x\"");
    bytes.replace(bytes.find("PublishingPoint=\"\""), 18, "PublishingPoint=\"u\"");
    WriteBytes(folder / "s.xml", bytes);
    const auto session = ReadEncoderSession(folder / "s.xml");
    EXPECT_EQ(session.bitrate, 32000);
    EXPECT_EQ(session.sampleRate, 32000);
    EXPECT_EQ(session.audioCodec, "libmp3lame");
    EXPECT_EQ(session.format, "mp3");
}

TEST(EncoderSession, UnusableSessionsAreRefusedWithTheirFault)
{
    TempFolder folder;
    const struct {
        std::string document;
        std::string named;
    } cases[] = {
        {Document("", Profile), "PublishServer"},
        {Document("host:99999", Profile), "port"},
        {Document("a b:80", Profile), "PublishServer"},
        {Document("host", "<![CDATA[nothing]]>"), "bitrate"},
        {Document("host", Profile, ""), "InputSource"},
        {"<S><unclosed></S>", "s.xml"},
    };
    for (const auto& bad : cases) {
        WriteBytes(folder / "s.xml", bad.document);
        try {
            ReadEncoderSession(folder / "s.xml");
            ADD_FAILURE() << "accepted " << bad.document;
        } catch (const platform::EEncoderError& error) {
            EXPECT_NE(std::string(error.what()).find(bad.named), std::string::npos) << error.what();
        }
    }
}

TEST(EncoderSession, CorpusOfSessionFilesGivesTheExpectedOutcome)
{
    for (const auto& entry : testsupport::CorpusCases("sessions")) {
        SCOPED_TRACE(entry.file.filename().string());
        if (entry.outcome == "accept") {
            const auto session = ReadEncoderSession(entry.file);
            EXPECT_EQ(session.host + " " + std::to_string(session.port) + " " +
                          std::to_string(session.bitrate),
                      entry.details);
            continue;
        }
        ASSERT_EQ(entry.outcome, "refuse");
        try {
            ReadEncoderSession(entry.file);
            ADD_FAILURE() << "accepted";
        } catch (const platform::EEncoderError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(entry.details), std::string::npos) << message;
            // A long value is quoted by its start only.
            EXPECT_LT(message.size(), 400u) << message;
        }
    }
}
