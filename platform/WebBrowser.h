#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace platform {

// An embedded web browser: it sends a page request, shows the page and reports each
// document it has finished loading, error pages included. Everything happens on the
// GUI thread; requests and reads are asynchronous.
class WebBrowser : public QObject {
    Q_OBJECT

public:
    // Called with the element's value as text, or nothing when there is no document,
    // no element of that id, or the element has no value.
    using ValueReader = std::function<void(std::optional<QString>)>;

    // Navigates with method POST, sending the body as raw bytes. The header text holds
    // "Name: value" lines, each ended by any mix of CR and LF.
    virtual void Post(const QUrl& url, const QByteArray& body, const QByteArray& headerText) = 0;
    // Reads the value of the element with this id in the current document.
    virtual void ReadElementValue(const QString& id, ValueReader done) = 0;
    // The widget that shows the page; it belongs to the browser.
    virtual QWidget* Widget() = 0;

signals:
    // A document has finished loading (or failed to, showing the browser's error page).
    void DocumentComplete();
};

class WebBrowserFactory {
public:
    virtual ~WebBrowserFactory() = default;
    virtual std::unique_ptr<WebBrowser> Create() = 0;
};

} // namespace platform
