#pragma once

#include "platform/WebBrowser.h"

#include <QPointer>

class QWebEngineProfile;
class QWebEngineView;

namespace platform {

// The browser of the Qt WebEngine (Chromium). The engine, with its helper processes,
// starts at the first request, so a window that never shows a page costs nothing. It
// keeps nothing on disk: no cookies or cache outside the station's folder. A renderer
// that dies or a page that never loads leaves an empty view; the next request starts
// a new renderer.
class QtWebBrowser final : public WebBrowser {
    Q_OBJECT

public:
    QtWebBrowser();
    ~QtWebBrowser() override;

    void Post(const QUrl& url, const QByteArray& body, const QByteArray& headerText) override;
    void ReadElementValue(const QString& id, ValueReader done) override;
    QWidget* Widget() override { return holder_; }

    // The engine's view once the first request created it (for checks of the engine).
    QWebEngineView* View() const { return view_; }

signals:
    // The renderer process of the page ended abnormally (crashed or was killed).
    void RendererEnded();

private:
    void CreateEngine();

    QPointer<QWidget> holder_;
    QWebEngineProfile* profile_ = nullptr;
    QWebEngineView* view_ = nullptr;
};

class QtWebBrowserFactory final : public WebBrowserFactory {
public:
    std::unique_ptr<WebBrowser> Create() override { return std::make_unique<QtWebBrowser>(); }
};

} // namespace platform
