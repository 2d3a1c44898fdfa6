#include "platform/EncoderSession.h"

#include "platform/Encoder.h"
#include "platform/XmlDocument.h"

#include <regex>

namespace platform {

namespace {

[[noreturn]] void Refuse(const std::filesystem::path& file, const std::string& what)
{
    throw EEncoderError("The session file " + file.string() + " " + what +
                        ": save the settings again to rebuild it");
}

// The decimal value of the first name="digits" fragment in the profile text, or 0.
int FragmentValue(const std::string& profile, const std::string& name)
{
    const std::regex fragment(name + "=\"([0-9]{1,9})\"", std::regex::icase);
    std::smatch match;
    return std::regex_search(profile, match, fragment) ? std::stoi(match[1]) : 0;
}

std::string AttributeOr(const XmlNode& node, const char* name, const std::string& fallback)
{
    const std::string value = node.IsNull() ? std::string() : node.Attribute(name);
    return value.empty() ? fallback : value;
}

} // namespace

EncoderSession ReadEncoderSession(const std::filesystem::path& sessionFile)
{
    XmlDocument document;
    try {
        document.LoadFromFile(sessionFile);
    } catch (const EXmlDocumentError& error) {
        throw EEncoderError(error.what());
    }
    const XmlNode root = document.DocumentElement();
    EncoderSession session;

    session.title = root.FirstChild("Description").IsNull()
                        ? std::string()
                        : root.FirstChild("Description").Attribute("Title");
    const XmlNode source =
        root.FirstChild("SourceGroups").IsNull() ||
                root.FirstChild("SourceGroups").FirstChild("SourceGroup").IsNull()
            ? XmlNode()
            : root.FirstChild("SourceGroups").FirstChild("SourceGroup").FirstChild("Source");
    session.inputSource = source.IsNull() ? std::string() : source.Attribute("InputSource");
    if (session.inputSource.empty())
        Refuse(sessionFile, "names no capture card (InputSource)");

    const XmlNode broadcast = root.FirstChild("Broadcast");
    const std::string server =
        broadcast.IsNull() ? std::string() : broadcast.Attribute("PublishServer");
    const std::regex hostAndPort(R"(^([^:/\s]+)(?::([0-9]{1,5}))?$)");
    std::smatch match;
    if (!std::regex_match(server, match, hostAndPort))
        Refuse(sessionFile, "names no usable publishing server (PublishServer \"" + server +
                                "\"; expected host or host:port)");
    session.host = match[1];
    if (match[2].matched)
        session.port = std::stoi(match[2]);
    if (session.port <= 0 || session.port > 65535)
        Refuse(sessionFile, "names the port " + std::string(match[2]) + ", outside 1..65535");
    session.publishingPoint = broadcast.Attribute("PublishingPoint");
    if (session.publishingPoint.empty())
        Refuse(sessionFile, "names no publishing point (the account user name)");

    std::string profile;
    for (const XmlNode& child : root.Children())
        for (const XmlNode& node : child.Children())
            if (node.NodeName().starts_with('#'))
                profile += node.Value();
    session.bitrate = FragmentValue(profile, "bitrate");
    session.sampleRate = FragmentValue(profile, "nSamplesPerSec");
    if (session.bitrate <= 0 || session.sampleRate <= 0)
        Refuse(sessionFile, "holds no audio profile with bitrate and nSamplesPerSec");

    const XmlNode encoder = root.FirstChild("Encoder");
    session.audioCodec = AttributeOr(encoder, "AudioCodec", session.audioCodec);
    session.format = AttributeOr(encoder, "Format", session.format);
    session.contentType = AttributeOr(encoder, "ContentType", session.contentType);
    const std::string channels = AttributeOr(encoder, "Channels", "2");
    session.channels = channels == "1" ? 1 : 2;
    return session;
}

} // namespace platform
