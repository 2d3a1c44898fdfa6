#include "app/SessionFile.h"

#include "app/BitrateProfile.h"
#include "platform/XmlDocument.h"

namespace app {

namespace {

platform::XmlNode RequiredChild(const platform::XmlNode& parent, const std::string& name,
                                const std::string& where)
{
    platform::XmlNode child = parent.FirstChild(name);
    if (child.IsNull())
        throw ESessionFileError("The session document has no element \"" + name + "\" under " +
                                where + ": restore the session file from " + SessionTemplateName +
                                " by deleting it and saving the settings");
    return child;
}

} // namespace

std::filesystem::path SessionFilePath(const std::filesystem::path& folder,
                                      const std::string& userName)
{
    const bool hasSeparator = userName.find_first_of(std::string("/\\\0", 3)) != std::string::npos;
    if (hasSeparator || userName == "." || userName == "..")
        throw ESessionFileError("The user name \"" + userName +
                                "\" cannot name a session file in the station folder: enter a "
                                "user name without '/', '\\' or NUL that is not \".\" or \"..\"");
    return folder / (userName + ".xml");
}

void EditSession(platform::XmlDocument& document, const SessionValues& values)
{
    platform::XmlNode root = document.DocumentElement();
    if (root.IsNull())
        throw ESessionFileError("The session document is empty: restore it from " +
                                std::string(SessionTemplateName));
    const std::string rootName = "the root \"" + root.NodeName() + "\"";

    RequiredChild(root, "Description", rootName).SetAttribute("Title", values.title);

    if (!values.captureCard)
        throw ESessionFileError("No sound card is selected: choose the capture card in the "
                                "settings window");
    platform::XmlNode groups = RequiredChild(root, "SourceGroups", rootName);
    platform::XmlNode group = RequiredChild(groups, "SourceGroup", "\"SourceGroups\"");
    RequiredChild(group, "Source", "\"SourceGroup\"")
        .SetAttribute("InputSource", *values.captureCard);

    RequiredChild(root, "Broadcast", rootName).SetAttribute("PublishServer", values.publishServer);
    RequiredChild(root, "Broadcast", rootName)
        .SetAttribute("PublishingPoint", values.publishingPoint);

    const BitrateProfile* row = FindBitrateProfile(values.kbps);
    if (row == nullptr)
        return;
    for (const platform::XmlNode& child : root.Children())
        for (platform::XmlNode node : child.Children())
            if (node.NodeName().starts_with('#'))
                node.SetValue(ApplyBitrateProfile(node.Value(), *row));
}

SessionBuild BuildSessionFile(const std::filesystem::path& folder, const std::string& userName,
                              const SessionValues& values)
{
    const std::filesystem::path session = SessionFilePath(folder, userName);
    std::filesystem::path source = session;
    if (!std::filesystem::exists(session)) {
        source = folder / SessionTemplateName;
        if (!std::filesystem::exists(source))
            return SessionBuild::TemplateMissing;
    }
    platform::XmlDocument document;
    document.LoadFromFile(source);
    EditSession(document, values);
    document.SaveToFile(session);
    return SessionBuild::Saved;
}

} // namespace app
