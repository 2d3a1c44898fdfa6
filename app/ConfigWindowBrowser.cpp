// The settings window's browser panel: the provider's page, the view that uncovers
// it, and the entitled bitrate read from each page it completes.
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"
#include "app/ProviderLogin.h"
#include "app/Settings.h"
#include "app/WidgetBuilders.h"
#include "platform/ExceptionRouting.h"

#include <QFrame>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int kBrowserStrip = 41; // height of the strip under the provider's page

} // namespace

void TFrm_Config::CreateBrowserPanel()
{
    PBrowser = app::AddPanel(this, "PBrowser", {34, 32, 232, 345});
    PBrowser->setAutoFillBackground(true);
    WebBrowser1 = FOwner.CreateWebBrowser();
    QWidget* page = WebBrowser1->Widget();
    page->setParent(PBrowser);
    page->setGeometry(0, 0, PBrowser->width(), PBrowser->height() - kBrowserStrip);
    connect(WebBrowser1.get(), &platform::WebBrowser::DocumentComplete, this,
            platform::Guarded([this] { WebBrowser1DocumentComplete(); }));
    BFecharNavegador = app::AddButton(PBrowser, "BFecharNavegador", QStringLiteral("Fechar"),
                                      {78, PBrowser->height() - kBrowserStrip + 8, 76, 26});
    connect(BFecharNavegador, &QPushButton::clicked, this,
            platform::Guarded([this] { BFecharClick(); }));
}

void TFrm_Config::ShowProviderPageView()
{
    PConfig->setVisible(false);
    ShowMixerPanelIfAvailable();
    ShowOnTop();
}

void TFrm_Config::WebBrowser1DocumentComplete()
{
    // The value arrives later; the window may be gone by then.
    QPointer<TFrm_Config> window(this);
    WebBrowser1->ReadElementValue(
        QString::fromLatin1(app::kLimitElementId), [window](std::optional<QString> limit) {
            if (window)
                platform::RunGuarded([&] { window->ApplyEntitledLimit(limit); });
        });
}

void TFrm_Config::ApplyEntitledLimit(const std::optional<QString>& limit)
{
    // No element, no value or not a number: the page is not the provider's answer
    // (an error page, a wrong account) and nothing changes, silently.
    if (!limit)
        return;
    const std::optional<QString> kbps = app::KbpsForLimit(*limit);
    if (!kbps || *kbps == FOwner.FKbps)
        return;
    FOwner.FKbps = *kbps;
    app::SettingsFile(FOwner.SettingsFilePath()).UpdateKbps(FOwner.FKbps);
    FOwner.RestartEncoderWithNewSession();
}
