#include "platform/XmlDocument.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using platform::XmlDocument;
using platform::XmlNode;

namespace {

const std::string Sample = "<?xml version=\"1.0\"?>\n"
                           "<root>\n"
                           "  <a n=\"1\"/><a n=\"2\"/>\n"
                           "  <b><!-- note --><![CDATA[x=\"1\" <raw>]]>text &amp; more</b>\n"
                           "</root>\n";

} // namespace

TEST(XmlDocument, NamesTextCdataAndCommentNodesWithHashNames)
{
    XmlDocument document;
    document.LoadFromBytes(Sample, "sample");
    std::vector<std::string> names;
    for (const XmlNode& node : document.DocumentElement().FirstChild("b").Children())
        names.push_back(node.NodeName());
    EXPECT_EQ(names, (std::vector<std::string>{"#comment", "#cdata-section", "#text"}));
    const auto children = document.DocumentElement().FirstChild("b").Children();
    EXPECT_EQ(children[0].Value(), " note ");
    EXPECT_EQ(children[1].Value(), "x=\"1\" <raw>");
    EXPECT_EQ(children[2].Value(), "text & more");
}

TEST(XmlDocument, KeepsWhitespaceTextBetweenElements)
{
    XmlDocument document;
    document.LoadFromBytes(Sample, "sample");
    const auto children = document.DocumentElement().Children();
    ASSERT_GE(children.size(), 1u);
    EXPECT_EQ(children[0].NodeName(), "#text");
    EXPECT_EQ(children[0].Value(), "\n  ");
}

TEST(XmlDocument, FirstChildFindsTheFirstDirectElementOnly)
{
    XmlDocument document;
    document.LoadFromBytes("<r><x><deep/></x><a n=\"1\"/><a n=\"2\"/></r>", "s");
    XmlNode root = document.DocumentElement();
    EXPECT_EQ(root.FirstChild("a").Attribute("n"), "1");
    EXPECT_TRUE(root.FirstChild("deep").IsNull());
    EXPECT_TRUE(root.FirstChild("A").IsNull()); // names are case-sensitive
}

TEST(XmlDocument, UnchangedDocumentSavesByteForByte)
{
    XmlDocument document;
    document.LoadFromBytes(Sample, "sample");
    EXPECT_EQ(document.SaveToBytes(), Sample);
}

TEST(XmlDocument, EditsAttributesAndNodeValues)
{
    XmlDocument document;
    document.LoadFromBytes(Sample, "sample");
    XmlNode root = document.DocumentElement();
    root.FirstChild("a").SetAttribute("n", "9 & \"q\"");
    root.FirstChild("a").SetAttribute("new", "v");
    root.FirstChild("b").Children()[1].SetValue("changed");
    root.FirstChild("b").Children()[2].SetValue("a<b");

    XmlDocument reloaded;
    reloaded.LoadFromBytes(document.SaveToBytes(), "saved");
    XmlNode again = reloaded.DocumentElement();
    EXPECT_EQ(again.FirstChild("a").Attribute("n"), "9 & \"q\"");
    EXPECT_EQ(again.FirstChild("a").Attribute("new"), "v");
    EXPECT_EQ(again.FirstChild("b").Children()[1].Value(), "changed");
    EXPECT_EQ(again.FirstChild("b").Children()[2].Value(), "a<b");
}

TEST(XmlDocument, UnparsableDocumentNamesItsOriginAndKeepsThePreviousOne)
{
    XmlDocument document;
    document.LoadFromBytes("<r><kept/></r>", "first");
    try {
        document.LoadFromBytes("<r><unclosed></r>", "broken.xml");
        FAIL() << "a broken document was accepted";
    } catch (const platform::EXmlDocumentError& error) {
        EXPECT_NE(std::string(error.what()).find("broken.xml"), std::string::npos);
    }
    EXPECT_FALSE(document.DocumentElement().FirstChild("kept").IsNull());
}

TEST(XmlDocument, WindowsLatinDocumentsRoundTripInTheirEncoding)
{
    const std::string bytes = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
                              "<r t=\"R\xE1"
                              "dio\"/>\n";
    XmlDocument document;
    document.LoadFromBytes(bytes, "latin");
    EXPECT_EQ(document.DocumentElement().Attribute("t"), "Rádio");
    document.DocumentElement().SetAttribute("t", "Ação");
    EXPECT_EQ(document.SaveToBytes(), "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
                                      "<r t=\"A\xE7\xE3o\"/>\n");
}

TEST(XmlDocument, SaveFailureRaisesAndLeavesTheFileAlone)
{
    testsupport::TempFolder folder;
    const auto file = folder / "doc.xml";
    testsupport::WriteBytes(file, "<old/>");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    XmlDocument document;
    document.LoadFromBytes("<new/>", "s");
    EXPECT_THROW(document.SaveToFile(file), platform::EXmlDocumentError);
    EXPECT_EQ(testsupport::ReadBytes(file), "<old/>");
}
