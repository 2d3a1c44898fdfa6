#include "app/ProviderLogin.h"

#include "app/UrlEncodeForm.h"
#include "platform/Cp1252.h"
#include "platform/Exception.h"

namespace app {

namespace {

QByteArray Encoded(const QString& text)
{
    return QByteArray::fromStdString(UrlEncodeForm(platform::ToCp1252(text)));
}

} // namespace

QUrl LoginUrl(const QString& servidor)
{
    return QUrl(QStringLiteral("http://info.") + servidor);
}

QByteArray LoginBody(const QString& usuario, const QString& senha)
{
    return "Usuario=" + Encoded(usuario) + "&" + "Senha=" + Encoded(senha);
}

std::optional<QString> KbpsForLimit(const QString& limit)
{
    if (limit.isEmpty())
        return std::nullopt;
    int kbps = 0;
    try {
        kbps = platform::StrToInt(limit.toStdString());
    } catch (const platform::EConvertError&) {
        return std::nullopt;
    }
    if (kbps < 64)
        return QStringLiteral("32000");
    if (kbps < 96)
        return QStringLiteral("64008");
    if (kbps < 128)
        return QStringLiteral("96000");
    return QStringLiteral("128016");
}

} // namespace app
