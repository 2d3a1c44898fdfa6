#include "platform/QtWebBrowser.h"

#include "platform/HttpHeaderText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QVBoxLayout>
#include <QWebEngineHttpRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace platform {

namespace {

// The element's value in the page's document, or null. Run in a world of its own so
// that the page's scripts cannot change what getElementById means.
QString ElementValueScript(const QString& id)
{
    const QByteArray quoted = QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact);
    return QStringLiteral("(function(){var e=document.getElementById(%1[0]);"
                          "if(!e||e.value===undefined||e.value===null)return null;"
                          "return String(e.value);})()")
        .arg(QString::fromUtf8(quoted));
}

} // namespace

QtWebBrowser::QtWebBrowser() : holder_(new QWidget)
{
    holder_->setObjectName(QStringLiteral("WebBrowser1"));
    auto* layout = new QVBoxLayout(holder_);
    layout->setContentsMargins(0, 0, 0, 0);
}

QtWebBrowser::~QtWebBrowser()
{
    // The page must go before its profile.
    delete holder_;
    delete profile_;
}

void QtWebBrowser::CreateEngine()
{
    profile_ = new QWebEngineProfile; // without a storage name: off the record
    view_ = new QWebEngineView(holder_);
    view_->setPage(new QWebEnginePage(profile_, view_));
    view_->setAccessibleName(QStringLiteral("Página do provedor"));
    holder_->layout()->addWidget(view_);
    connect(view_, &QWebEngineView::loadFinished, this, [this] { emit DocumentComplete(); });
    connect(view_->page(), &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    emit RendererEnded();
            });
}

void QtWebBrowser::Post(const QUrl& url, const QByteArray& body, const QByteArray& headerText)
{
    if (view_ == nullptr)
        CreateEngine();
    QWebEngineHttpRequest request(url, QWebEngineHttpRequest::Post);
    request.setPostData(body);
    for (const auto& [name, value] : ParseHeaderText(headerText))
        request.setHeader(name, value);
    view_->load(request);
}

void QtWebBrowser::ReadElementValue(const QString& id, ValueReader done)
{
    if (view_ == nullptr) {
        done(std::nullopt);
        return;
    }
    view_->page()->runJavaScript(ElementValueScript(id), QWebEngineScript::ApplicationWorld,
                                 [done = std::move(done)](const QVariant& value) {
                                     if (value.isNull() || !value.isValid())
                                         done(std::nullopt);
                                     else
                                         done(value.toString());
                                 });
}

} // namespace platform
