// The provider's information page: the account sent to it at the first show and
// after every save, and the view of the settings window that shows it.
#include "app/ConfigWindow.h"
#include "app/MainWindow.h"
#include "app/ProviderLogin.h"
#include "platform/QtWebBrowser.h"

void TFrm_OnLine::PostLogin()
{
    Frm_Config->WebBrowser1->Post(app::LoginUrl(FServidor), app::LoginBody(FUsuario, FSenha),
                                  app::kLoginHeaderText);
}

void TFrm_OnLine::BInfoClick()
{
    Frm_Config->ShowProviderPageView();
}

std::unique_ptr<platform::WebBrowser> TFrm_OnLine::CreateWebBrowser()
{
    if (FServices.browsers != nullptr)
        return FServices.browsers->Create();
    return std::make_unique<platform::QtWebBrowser>();
}
