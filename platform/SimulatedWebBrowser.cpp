#include "platform/SimulatedWebBrowser.h"

namespace platform {

void SimulatedWebBrowser::Post(const QUrl& url, const QByteArray& body,
                               const QByteArray& headerText)
{
    requests.push_back({url, body, headerText});
}

void SimulatedWebBrowser::ReadElementValue(const QString& id, ValueReader done)
{
    const auto element = elements_.find(id);
    if (element == elements_.end())
        done(std::nullopt);
    else
        done(element->second);
}

void SimulatedWebBrowser::CompleteDocument(std::map<QString, QString> elements)
{
    elements_ = std::move(elements);
    emit DocumentComplete();
}

std::unique_ptr<WebBrowser> SimulatedWebBrowserFactory::Create()
{
    auto browser = std::make_unique<SimulatedWebBrowser>();
    last = browser.get();
    return browser;
}

} // namespace platform
