#include "app/SessionFile.h"
#include "platform/XmlDocument.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

using app::BuildSessionFile;
using app::SessionBuild;
using app::SessionValues;
using testsupport::ReadBytes;
using testsupport::TempFolder;
using testsupport::WriteBytes;

namespace {

std::filesystem::path ShippedTemplate()
{
    const char* source = std::getenv("SONAVIA_SOURCE_DIR");
    return std::filesystem::path(source != nullptr ? source : ".") / "deploy" / "padrao.xml";
}

SessionValues Values(const std::string& kbps = "32000")
{
    return {"Rádio Mirante", std::string("Placa USB"), "ns1.exemplo.net", "mirante", kbps};
}

struct Session {
    std::string title, card, server, point, profile;
};

Session Read(const std::filesystem::path& file)
{
    platform::XmlDocument document;
    document.LoadFromFile(file);
    const platform::XmlNode root = document.DocumentElement();
    Session session;
    session.title = root.FirstChild("Description").Attribute("Title");
    session.card = root.FirstChild("SourceGroups")
                       .FirstChild("SourceGroup")
                       .FirstChild("Source")
                       .Attribute("InputSource");
    session.server = root.FirstChild("Broadcast").Attribute("PublishServer");
    session.point = root.FirstChild("Broadcast").Attribute("PublishingPoint");
    for (const auto& child : root.Children())
        for (const auto& node : child.Children())
            if (node.NodeName().starts_with('#'))
                session.profile += node.Value();
    return session;
}

class SessionFileTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::copy_file(ShippedTemplate(), folder / "padrao.xml"); }
    TempFolder folder;
};

} // namespace

TEST_F(SessionFileTest, FirstBuildCreatesTheUsersFileFromTheTemplate)
{
    const std::string templateBytes = ReadBytes(folder / "padrao.xml");
    EXPECT_EQ(BuildSessionFile(folder.path(), "mirante", Values()), SessionBuild::Saved);
    const Session session = Read(folder / "mirante.xml");
    EXPECT_EQ(session.title, "Rádio Mirante");
    EXPECT_EQ(session.card, "Placa USB");
    EXPECT_EQ(session.server, "ns1.exemplo.net");
    EXPECT_EQ(session.point, "mirante");
    EXPECT_NE(session.profile.find("bitrate=\"32000\""), std::string::npos);
    EXPECT_EQ(ReadBytes(folder / "padrao.xml"), templateBytes);
}

TEST_F(SessionFileTest, ShippedTemplateHoldsThe32000RowWithTheBitrateFirst)
{
    const Session session = Read(folder / "padrao.xml");
    const auto bitrate = session.profile.find("bitrate=\"32000\"");
    ASSERT_NE(bitrate, std::string::npos);
    EXPECT_EQ(session.profile.find("bitrate"), bitrate);
    EXPECT_EQ(session.profile.find("32000"), bitrate + 9);
    for (const char* fragment :
         {"nAvgBytesPerSec=\"4000\"", "nSamplesPerSec=\"32000\"", "lsamplesize=\"1536\"",
          "nBlockAlign=\"1536\"", "codecdata=\"008800001700001E0000\""})
        EXPECT_NE(session.profile.find(fragment), std::string::npos) << fragment;
}

TEST_F(SessionFileTest, RebuildRewritesTheExistingFileWithTheNewBitrate)
{
    ASSERT_EQ(BuildSessionFile(folder.path(), "mirante", Values("32000")), SessionBuild::Saved);
    SessionValues changed = Values("96000");
    changed.publishServer = "ns2.exemplo.net";
    ASSERT_EQ(BuildSessionFile(folder.path(), "mirante", changed), SessionBuild::Saved);
    const Session session = Read(folder / "mirante.xml");
    EXPECT_EQ(session.server, "ns2.exemplo.net");
    for (const char* fragment :
         {"bitrate=\"96000\"", "nAvgBytesPerSec=\"12000\"", "nSamplesPerSec=\"48000\"",
          "lsamplesize=\"4096\"", "nBlockAlign=\"4096\"", "codecdata=\"008800000F0000400000\""})
        EXPECT_NE(session.profile.find(fragment), std::string::npos) << fragment;
}

TEST_F(SessionFileTest, RebuildWithUnchangedValuesKeepsTheFileIdentical)
{
    ASSERT_EQ(BuildSessionFile(folder.path(), "mirante", Values()), SessionBuild::Saved);
    const std::string first = ReadBytes(folder / "mirante.xml");
    ASSERT_EQ(BuildSessionFile(folder.path(), "mirante", Values()), SessionBuild::Saved);
    EXPECT_EQ(ReadBytes(folder / "mirante.xml"), first);
}

TEST_F(SessionFileTest, UnknownKbpsStillWritesTheAttributesButNotTheProfile)
{
    ASSERT_EQ(BuildSessionFile(folder.path(), "mirante", Values("")), SessionBuild::Saved);
    const Session session = Read(folder / "mirante.xml");
    EXPECT_EQ(session.point, "mirante");
    EXPECT_EQ(session.profile, Read(folder / "padrao.xml").profile);
}

TEST_F(SessionFileTest, NewUserGetsANewFileAndTheOldOneStays)
{
    ASSERT_EQ(BuildSessionFile(folder.path(), "antigo", Values()), SessionBuild::Saved);
    const std::string old = ReadBytes(folder / "antigo.xml");
    SessionValues renamed = Values("64008");
    renamed.publishingPoint = "novo";
    ASSERT_EQ(BuildSessionFile(folder.path(), "novo", renamed), SessionBuild::Saved);
    EXPECT_EQ(ReadBytes(folder / "antigo.xml"), old);
    EXPECT_EQ(Read(folder / "novo.xml").point, "novo");
    EXPECT_NE(Read(folder / "novo.xml").profile.find("bitrate=\"64008\""), std::string::npos);
}

TEST_F(SessionFileTest, EmptyUserNameNamesTheFileDotXml)
{
    ASSERT_EQ(BuildSessionFile(folder.path(), "", Values()), SessionBuild::Saved);
    EXPECT_TRUE(std::filesystem::exists(folder / ".xml"));
}

TEST_F(SessionFileTest, MissingTemplateIsReportedAndNothingIsWritten)
{
    std::filesystem::remove(folder / "padrao.xml");
    EXPECT_EQ(BuildSessionFile(folder.path(), "mirante", Values()), SessionBuild::TemplateMissing);
    EXPECT_FALSE(std::filesystem::exists(folder / "mirante.xml"));
}

TEST_F(SessionFileTest, ExistingSessionDoesNotNeedTheTemplate)
{
    ASSERT_EQ(BuildSessionFile(folder.path(), "mirante", Values()), SessionBuild::Saved);
    std::filesystem::remove(folder / "padrao.xml");
    EXPECT_EQ(BuildSessionFile(folder.path(), "mirante", Values("128016")), SessionBuild::Saved);
}

TEST_F(SessionFileTest, FailedRebuildsLeaveThePreviousFileByteForByte)
{
    ASSERT_EQ(BuildSessionFile(folder.path(), "mirante", Values()), SessionBuild::Saved);
    const auto session = folder / "mirante.xml";
    const std::string good = ReadBytes(session);

    SessionValues noCard = Values("96000");
    noCard.captureCard.reset();
    EXPECT_THROW(BuildSessionFile(folder.path(), "mirante", noCard), app::ESessionFileError);
    EXPECT_EQ(ReadBytes(session), good);

    // Without the "Broadcast" element the attributes before it are already edited in
    // memory; none of it may reach the disk.
    std::string broken = good;
    broken.replace(broken.find("<Broadcast"), 10, "<Transmit");
    WriteBytes(session, broken);
    EXPECT_THROW(BuildSessionFile(folder.path(), "mirante", Values("96000")),
                 app::ESessionFileError);
    EXPECT_EQ(ReadBytes(session), broken);

    WriteBytes(session, "<WMEncoder><Description");
    EXPECT_THROW(BuildSessionFile(folder.path(), "mirante", Values()), platform::EXmlDocumentError);
    EXPECT_EQ(ReadBytes(session), "<WMEncoder><Description");
}

TEST_F(SessionFileTest, ReadOnlySessionFileRaisesAndStaysUnchanged)
{
    ASSERT_EQ(BuildSessionFile(folder.path(), "mirante", Values()), SessionBuild::Saved);
    const std::string good = ReadBytes(folder / "mirante.xml");
    std::filesystem::permissions(folder / "mirante.xml", std::filesystem::perms::owner_read);
    EXPECT_THROW(BuildSessionFile(folder.path(), "mirante", Values("64008")),
                 platform::EXmlDocumentError);
    EXPECT_EQ(ReadBytes(folder / "mirante.xml"), good);
}

TEST_F(SessionFileTest, UserNamesThatLeaveTheFolderAreRefusedBeforeAnyWrite)
{
    const auto outside = folder.path().parent_path();
    for (const std::string& name :
         {std::string("../escape"), std::string("sub/dir"), std::string("a\\b"),
          std::string("nul\0x", 5), std::string(".."), std::string(".")}) {
        try {
            BuildSessionFile(folder.path(), name, Values());
            ADD_FAILURE() << "accepted " << name;
        } catch (const app::ESessionFileError& error) {
            EXPECT_NE(std::string(error.what()).find("user name"), std::string::npos);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(outside / "escape.xml"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path()))
        ++files;
    EXPECT_EQ(files, 1u); // only the template
}
