#include "platform/ExceptionRouting.h"
#include "StationFixture.h"
#include "platform/Exception.h"

#include <QPushButton>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
// Some of these tests let an error unwind through Qt's frames on purpose, to show
// that StationApplication::notify still catches it. Those frames have no clean-up,
// so the event being delivered and a guarded-pointer count leak; the program's own
// handlers are guarded for exactly that reason.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:QtSharedPointer::ExternalRefCountData::getAndRef\nleak:QEventPoint::QEventPoint\n";
}
#endif

namespace {

using apptest::ProbeWindow;

// Receives posted events and fails on each, as a broken handler would.
class FailingReceiver final : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::out_of_range("índice fora do intervalo");
        return QObject::event(event);
    }
};

class ExceptionRoutingTest : public apptest::StationTest {
protected:
    void SetUp() override
    {
        window = std::make_unique<ProbeWindow>(Services());
        window->TimerInicio.stop();
        window->show();
    }

    void ExpectReported(const QString& message, const std::string& className)
    {
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, message);
        EXPECT_EQ(boxes.boxes[0].icon, platform::MessageBoxes::Icon::Error);
        EXPECT_NE(LogUtf8().find("Ação.................: " + className +
                                 "\r\nDescrição............: " + message.toStdString() +
                                 "\r\nProcesso.............: \r\n\r\n"),
                  std::string::npos)
            << LogUtf8();
    }

    std::unique_ptr<ProbeWindow> window;
};

} // namespace

TEST_F(ExceptionRoutingTest, ErrorFromATimerHandlerIsShownAndLogged)
{
    QTimer timer;
    timer.setSingleShot(true);
    bool fired = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        fired = true;
        throw platform::EConvertError("'x' is not a valid integer value");
    });
    timer.start(0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }, 2000));
    ExpectReported(QStringLiteral("'x' is not a valid integer value"), "EConvertError");
}

TEST_F(ExceptionRoutingTest, ErrorFromAGuardedButtonHandlerIsShownAndLogged)
{
    QObject::connect(window->BConfig, &QPushButton::clicked,
                     platform::Guarded([] { throw platform::EOSError("Falha ao abrir"); }));
    QTest::mouseClick(window->BConfig, Qt::LeftButton);
    ExpectReported(QStringLiteral("Falha ao abrir"), "EOSError");
}

TEST_F(ExceptionRoutingTest, ErrorEscapingAnUnguardedButtonHandlerStillReachesTheHandler)
{
    QObject::connect(window->BInfo, &QPushButton::clicked,
                     [] { throw platform::EOSError("Falha ao abrir"); });
    {
#if defined(__SANITIZE_ADDRESS__)
        __lsan::ScopedDisabler leaksOfTheUnwoundClick; // see the suppressions above
#endif
        QTest::mouseClick(window->BInfo, Qt::LeftButton);
    }
    ExpectReported(QStringLiteral("Falha ao abrir"), "EOSError");
}

TEST_F(ExceptionRoutingTest, ErrorFromAPostedEventIsShownAndLoggedWithItsLibraryClassName)
{
    FailingReceiver receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    ExpectReported(QStringLiteral("índice fora do intervalo"), "std::out_of_range");
}

TEST_F(ExceptionRoutingTest, ErrorFromAnotherThreadReachesTheHandlerOnTheUserInterfaceThread)
{
    std::thread worker(
        [] { platform::RunGuarded([] { throw platform::EOutOfResources("sem recursos"); }); });
    worker.join();
    EXPECT_TRUE(boxes.boxes.empty());
    QCoreApplication::processEvents();
    ExpectReported(QStringLiteral("sem recursos"), "EOutOfResources");
}

TEST(ExceptionRoutingAtCreation, UnwritableSettingsAreReportedAndTheWindowStillComesUp)
{
    testsupport::TempFolder folder;
    testsupport::RecordingMessageBoxes boxes;
    platform::FixedSystemInfo system;
    system.folder = folder / "gone";
    ProbeWindow window(app::StationServices{system});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, QString::fromStdString("Unable to write to " +
                                                          (folder / "gone" / "cfg.ini").string()));
    // Loading stopped at the failed write; nothing half-read was kept.
    EXPECT_TRUE(window.FServidor.isEmpty());
    EXPECT_TRUE(window.FPublishHost.isEmpty());
    EXPECT_EQ(window.windowTitle(), "Studio Sonavia");
}
