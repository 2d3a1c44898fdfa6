#include "StationFixture.h"

#include "app/ConfigWindow.h"

#include <QComboBox>
#include <QTest>
#include <cerrno>

using namespace apptest;

namespace {

class CaptureWiringTest : public StationTest {
protected:
    void WriteSettings(const std::string& placa)
    {
        testsupport::WriteBytes(folder / "cfg.ini",
                                "[Geral]\r\nUsuario=ana\r\nPlaca=" + placa + "\r\nControle=-1\r\n");
    }
};

TEST_F(CaptureWiringTest, FirstShowListsTheCardsAndStartsCapturingFromTheChosenOne)
{
    capture->SetDevices({{"Card A"}, {"Card B"}, {"Card C"}});
    WriteSettings("2");
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();
    const QComboBox& cards = *window.Frm_Config->CBPlacas;
    ASSERT_EQ(cards.count(), 3);
    EXPECT_EQ(cards.itemText(0), "Card A");
    EXPECT_EQ(cards.itemText(2), "Card C");
    EXPECT_EQ(cards.currentIndex(), 2);
    EXPECT_TRUE(window.WaveIn->Started());
    EXPECT_EQ(window.WaveIn->GetDeviceID(), 2);
    EXPECT_EQ(window.WaveIn->GetProductName(), "Card C");
    EXPECT_EQ(captureDriver->OpenCount(), 1u);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CaptureWiringTest, WithADesktopSoundServerCaptureUsesDeviceZero)
{
    capture->SetDevices({{"Default"}, {"Card B"}});
    system.soundServer = true;
    WriteSettings("1");
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();
    EXPECT_EQ(window.Frm_Config->CBPlacas->currentIndex(), 1);
    EXPECT_EQ(window.WaveIn->GetDeviceID(), 0);
    EXPECT_TRUE(window.WaveIn->Started());
}

TEST_F(CaptureWiringTest, LaterShowsLeaveTheRunningCaptureAlone)
{
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();
    ASSERT_TRUE(window.WaveIn->Started());
    const auto handle = window.WaveIn->Handle();
    window.hide();
    window.show();
    EXPECT_TRUE(window.WaveIn->Started());
    EXPECT_EQ(window.WaveIn->Handle(), handle);
    EXPECT_EQ(capture->StreamsOpened(), 1);
}

TEST_F(CaptureWiringTest, WithoutACaptureCardTheOperatorIsToldAndTheLogRecordsIt)
{
    capture->SetDevices({});
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();
    EXPECT_FALSE(window.WaveIn->Started());
    EXPECT_EQ(window.Frm_Config->CBPlacas->count(), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "No wave audio recording device found");
    EXPECT_NE(LogUtf8().find("EMMWaveInError"), std::string::npos);
}

TEST_F(CaptureWiringTest, ClosingTheProgramClosesTheDevice)
{
    {
        ProbeWindow window(Services());
        window.TimerInicio.stop();
        window.show();
        ASSERT_EQ(captureDriver->OpenCount(), 1u);
    }
    EXPECT_EQ(captureDriver->OpenCount(), 0u);
    EXPECT_EQ(capture->OpenStreams(), 0);
}

TEST_F(CaptureWiringTest, ACaptureThatFailedIsOpenedAgainQuietlyOnceTheDeviceIsBack)
{
    ProbeWindow window(Services());
    window.TimerInicio.stop();
    window.show();
    ASSERT_TRUE(window.WaveIn->Started());

    // The sound server goes away: the stream fails and the device cannot be opened.
    capture->SetOpenError(-ENOENT);
    capture->SetFailAfterBytes(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.WaveIn->Started(); }, 5000));
    for (int retry = 0; retry < 3; ++retry)
        window.TimerCapturaTimer();
    EXPECT_FALSE(window.WaveIn->Started());

    // It comes back.
    capture->SetOpenError(0);
    capture->SetFailAfterBytes(-1);
    window.TimerCapturaTimer();
    EXPECT_TRUE(window.WaveIn->Started());
    EXPECT_TRUE(window.TimerCaptura.isActive());
    EXPECT_EQ(boxes.boxes.size(), 1u);
    const std::string log = LogUtf8();
    std::size_t records = 0;
    for (auto at = log.find("EMMWaveInError"); at != std::string::npos;
         at = log.find("EMMWaveInError", at + 1))
        ++records;
    EXPECT_EQ(records, 1u);
}

} // namespace
