#include "platform/EncoderSession.h"

#include "platform/Encoder.h"
#include "platform/XmlDocument.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace platform {

namespace {

[[noreturn]] void Refuse(const std::filesystem::path& file, const std::string& what,
                         const std::string& remedy = "save the settings again to rebuild it")
{
    throw EEncoderError("The session file " + file.string() + " " + what + ": " + remedy);
}

bool EqualIgnoringCase(char a, char b)
{
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

// The decimal value (1 to 9 digits) of the first name="digits" fragment in the profile
// text, the name matched without regard to case; 0 when there is none.
int FragmentValue(std::string_view profile, std::string_view name)
{
    for (auto at = profile.begin();; ++at) {
        at = std::search(at, profile.end(), name.begin(), name.end(), EqualIgnoringCase);
        if (at == profile.end())
            return 0;
        std::string_view rest(at + static_cast<std::ptrdiff_t>(name.size()), profile.end());
        if (!rest.starts_with("=\""))
            continue;
        rest.remove_prefix(2);
        const std::size_t digits = rest.find_first_not_of("0123456789");
        if (digits >= 1 && digits <= 9 && rest[digits] == '"')
            return std::stoi(std::string(rest.substr(0, digits)));
    }
}

// A DNS host name or dotted address: labels of letters, digits and '-' (not at either
// end), 1 to 63 characters each, at most 253 in all.
bool IsHostName(std::string_view host)
{
    if (host.empty() || host.size() > 253)
        return false;
    for (std::size_t from = 0; from <= host.size();) {
        const std::size_t dot = std::min(host.find('.', from), host.size());
        const std::string_view label = host.substr(from, dot - from);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (const char c : label)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-')
                return false;
        from = dot + 1;
    }
    return true;
}

// The start of a long value, for messages that quote it.
std::string Shown(const std::string& value)
{
    constexpr std::size_t Shortest = 60;
    return value.size() <= Shortest ? value
                                    : value.substr(0, Shortest) + "... (" +
                                          std::to_string(value.size()) + " characters)";
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
    const std::size_t colon = server.find(':');
    session.host = server.substr(0, colon);
    if (session.host.empty())
        Refuse(sessionFile,
               "names no publishing server (PublishServer; expected host or host:port)");
    if (!IsHostName(session.host))
        Refuse(sessionFile,
               "names the publishing server (PublishServer) \"" + Shown(session.host) +
                   "\", which cannot be a host name",
               "correct Servidor in cfg.ini (a domain name, optionally :port)");
    if (colon != std::string::npos) {
        const std::string port = server.substr(colon + 1);
        const bool digits =
            !port.empty() && port.size() <= 5 && port.find_first_not_of("0123456789") == port.npos;
        session.port = digits ? std::stoi(port) : 0;
        if (session.port <= 0 || session.port > 65535)
            Refuse(sessionFile, "names the port \"" + Shown(port) + "\", outside 1..65535",
                   "correct Servidor in cfg.ini");
    }
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
    const std::string channels = AttributeOr(encoder, "Channels", "2");
    session.channels = channels == "1" ? 1 : 2;
    return session;
}

} // namespace platform
