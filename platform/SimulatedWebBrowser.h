#pragma once

#include "platform/WebBrowser.h"

#include <QPointer>
#include <QWidget>
#include <map>
#include <vector>

namespace platform {

// A browser without an engine, for tests: it records each request, holds the element
// values of the "current document" as the test sets them, and reports a completed
// document when the test says so.
class SimulatedWebBrowser final : public WebBrowser {
    Q_OBJECT

public:
    struct Request {
        QUrl url;
        QByteArray body;
        QByteArray headerText;
    };

    ~SimulatedWebBrowser() override { delete widget_; }

    void Post(const QUrl& url, const QByteArray& body, const QByteArray& headerText) override;
    void ReadElementValue(const QString& id, ValueReader done) override;
    QWidget* Widget() override { return widget_; }

    // Replaces the current document's elements (id -> value) and reports it complete.
    void CompleteDocument(std::map<QString, QString> elements);

    std::vector<Request> requests;

private:
    std::map<QString, QString> elements_;
    QPointer<QWidget> widget_ = new QWidget; // its parent, once it has one, may delete it first
};

// Makes simulated browsers and keeps the last one made for the test to drive.
class SimulatedWebBrowserFactory final : public WebBrowserFactory {
public:
    std::unique_ptr<WebBrowser> Create() override;
    SimulatedWebBrowser* last = nullptr;
};

} // namespace platform
