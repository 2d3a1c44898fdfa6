#include "platform/CaptureDeviceNames.h"
#include "platform/QueuedWaveInDriver.h"
#include "platform/VirtualCapture.h"

#include <gtest/gtest.h>

TEST(CaptureDeviceNames, FindsTheDeviceByTheProductNameTheListShows)
{
    auto backend = std::make_unique<platform::VirtualCaptureBackend>();
    backend->SetDevices({{"Placa A"}, {"Placa B"}});
    platform::QueuedWaveInDriver driver(std::move(backend));
    platform::SetActiveWaveInDriver(&driver);

    platform::WaveInCaps second;
    ASSERT_EQ(driver.GetDevCaps(1, second), platform::MMSYSERR_NOERROR);
    EXPECT_FALSE(second.pcmName.empty());
    EXPECT_EQ(platform::CapturePcmForProductName("Placa B"), second.pcmName);
    EXPECT_EQ(platform::CapturePcmForProductName("Placa C"), "");
    EXPECT_EQ(platform::CapturePcmForProductName("placa b"), ""); // names match exactly

    platform::SetActiveWaveInDriver(nullptr);
}
