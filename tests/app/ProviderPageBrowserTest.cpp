// The provider's page through the real browser engine (Qt WebEngine) and a real HTTP
// server (scripts/provider-page): what reaches the server byte for byte, and what the
// station makes of the pages it gets back.
#include "StationFixture.h"
#include "app/ConfigWindow.h"
#include "app/ProviderLogin.h"
#include "app/Settings.h"
#include "platform/QtWebBrowser.h"
#include "support/ProviderPageServer.h"

#include <QJsonArray>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <csignal>
#include <memory>

namespace {

constexpr int kPageWaitMs = 60000; // the engine's first start on a busy machine

class ProviderPageBrowserTest : public apptest::StationTest {
protected:
    ProviderPageBrowserTest()
        : server(folder.path(), {QStringLiteral("u100:p:100"), QStringLiteral("u63:p:63"),
                                 QStringLiteral("u128:p:128"), QStringLiteral("uneg:p:-5"),
                                 QStringLiteral("u500:p:500"), QStringLiteral("uabc:p:abc"),
                                 QStringLiteral("unone:p:none")})
    {
        testsupport::WriteBytes(
            folder / "cfg.ini",
            "[Geral]\r\nControle=-1\r\nUsuario=u100\r\nSenha=" + app::ScramblePassword("p") +
                "\r\nPlaca=0\r\nRadio=R\r\nKbps=32000\r\nServidor=localhost:" +
                std::to_string(server.Port()) + "\r\n");
        capture->SetDevices({{"Placa USB"}});
        app::StationServices services = Services();
        services.browsers = &qtBrowsers;
        window = std::make_unique<apptest::ProbeWindow>(services);
        for (QTimer* timer :
             {&window->TimerInicio, &window->TimerVerifica, &window->TimerVerificaServidor})
            timer->stop();
    }

    platform::QtWebBrowser& Browser() const
    {
        return static_cast<platform::QtWebBrowser&>(*window->Frm_Config->WebBrowser1);
    }

    // Shows the window (which posts the login) and counts the documents completed.
    void Start()
    {
        window->show();
        QObject::connect(&Browser(), &platform::WebBrowser::DocumentComplete, &Browser(),
                         [this] { ++documents; });
    }

    // Logs in as another account and waits until its page is complete and the
    // station has read it: a read of our own, queued behind the station's, answers.
    void LogInAs(const char* user)
    {
        window->FUsuario = QString::fromLatin1(user);
        const int before = documents;
        window->PostLogin();
        ASSERT_TRUE(QTest::qWaitFor([&] { return documents > before; }, kPageWaitMs)) << user;
        bool read = false;
        Browser().ReadElementValue(QStringLiteral("limitekbps"),
                                   [&](const std::optional<QString>&) { read = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return read; }, kPageWaitMs)) << user;
    }

    // The page's own requests (a favicon comes by GET) in the order received.
    std::vector<QJsonObject> Posts() const
    {
        std::vector<QJsonObject> posts;
        for (const QJsonObject& request : server.Requests())
            if (request.value(QStringLiteral("method")).toString() == QStringLiteral("POST"))
                posts.push_back(request);
        return posts;
    }

    std::string StoredKbps() const
    {
        return app::SettingsFile(folder / "cfg.ini").Read().kbps.toStdString();
    }

    testsupport::ProviderPageServer server;
    platform::QtWebBrowserFactory qtBrowsers;
    std::unique_ptr<apptest::ProbeWindow> window;
    int documents = 0;
};

// A header's value by name, any case; all of them, to see there is exactly one.
QStringList HeaderValues(const QJsonObject& request, const QString& name)
{
    QStringList values;
    for (const QJsonValue header : request.value(QStringLiteral("headers")).toArray())
        if (header[0].toString().compare(name, Qt::CaseInsensitive) == 0)
            values << header[1].toString();
    return values;
}

TEST_F(ProviderPageBrowserTest, TheLoginReachesTheServerByteForByte)
{
    std::string everyByte;
    for (int byte = 0; byte < 256; ++byte)
        everyByte += static_cast<char>(byte);
    struct Case {
        QString user, password;
        QByteArray body;
    };
    QByteArray everyByteEncoded =
        QByteArray::fromStdString(everyByte).toPercentEncoding("!$'()*@", "~");
    everyByteEncoded.replace("%20", "+");
    const std::vector<Case> cases{
        {QStringLiteral("u100"), QStringLiteral("p"), "Usuario=u100&Senha=p"},
        {QStringLiteral("ana maria"), QStringLiteral("a&b"), "Usuario=ana+maria&Senha=a%26b"},
        {QStringLiteral("jo\u00E3o"), QStringLiteral("\u00E7"), "Usuario=jo%E3o&Senha=%E7"},
        {platform::FromCp1252(everyByte), QStringLiteral("x"),
         "Usuario=" + everyByteEncoded + "&Senha=x"},
    };
    Start();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        window->FUsuario = cases[i].user;
        window->FSenha = cases[i].password;
        if (i > 0)
            window->PostLogin();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Posts().size() > i; }, kPageWaitMs));
    }
    const std::vector<QJsonObject> requests = Posts();
    // Each login came as one POST, none twice.
    ASSERT_EQ(requests.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const QJsonObject& request = requests[i];
        EXPECT_EQ(request.value(QStringLiteral("path")).toString(), QStringLiteral("/"));
        EXPECT_EQ(HeaderValues(request, QStringLiteral("Content-Type")),
                  QStringList{QStringLiteral("application/x-www-form-urlencoded")});
        EXPECT_EQ(HeaderValues(request, QStringLiteral("Host")),
                  QStringList{QStringLiteral("info.localhost:%1").arg(server.Port())});
        EXPECT_EQ(QByteArray::fromHex(request.value(QStringLiteral("body")).toString().toLatin1()),
                  cases[i].body)
            << "case " << i;
    }
}

TEST_F(ProviderPageBrowserTest, RealPagesSetTheEntitledBitrate)
{
    struct Step {
        const char* user;
        const char* kbps;
        bool restarts;
    };
    // In this order: each row starts from the bitrate the row before left.
    const std::vector<Step> steps{
        {"u100", "96000", true},    {"u63", "32000", true},    {"u128", "128016", true},
        {"uneg", "32000", true},    {"u500", "128016", true},  {"uabc", "128016", false},
        {"unone", "128016", false}, {"u128", "128016", false},
    };
    Start();
    for (const Step& step : steps) {
        window->calls.clear();
        if (step.user != steps.front().user)
            LogInAs(step.user);
        else
            ASSERT_TRUE(QTest::qWaitFor([&] { return !window->calls.empty(); }, kPageWaitMs));
        EXPECT_EQ(window->FKbps.toStdString(), step.kbps) << step.user;
        EXPECT_EQ(StoredKbps(), step.kbps) << step.user;
        const std::vector<std::string> restart{"BuildSessionFile", "StartEncoder"};
        EXPECT_EQ(window->calls, step.restarts ? restart : std::vector<std::string>{}) << step.user;
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ProviderPageBrowserTest, AKilledRendererOrAnUnreachablePageChangesNothing)
{
    Start();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window->FKbps == QStringLiteral("96000"); }, kPageWaitMs));
    const std::string log = Log();
    int ended = 0;
    QObject::connect(&Browser(), &platform::QtWebBrowser::RendererEnded, &Browser(),
                     [&] { ++ended; });
    ::kill(static_cast<pid_t>(Browser().View()->page()->renderProcessPid()), SIGKILL);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended == 1; }, kPageWaitMs));
    window->calls.clear();

    // The next request brings a new renderer, which reads the next page.
    LogInAs("u63");
    EXPECT_EQ(window->FKbps, QStringLiteral("32000"));

    // A server that is not there: the browser's error page holds no value.
    window->calls.clear();
    window->FServidor = QStringLiteral("localhost:9");
    LogInAs("u128");
    EXPECT_EQ(window->FKbps, QStringLiteral("32000"));
    EXPECT_TRUE(window->calls.empty());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(Log(), log);
}

} // namespace
