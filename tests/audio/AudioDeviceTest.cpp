#include "audio/AudioDevice.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using platform::MMResult;

namespace {

// Capabilities of a made-up set of devices, with results to fail on demand.
class FakeCaps final : public platform::DeviceCapsSource {
public:
    std::vector<std::string> names;
    std::map<std::int32_t, MMResult> failures; // device id -> result of its caps call
    std::map<MMResult, std::string> texts;
    MMResult mixerResult = platform::MMSYSERR_NOERROR;
    std::int32_t mixer = -1;

    std::uint32_t NumDevs() override { return static_cast<std::uint32_t>(names.size()); }
    MMResult GetCaps(std::int32_t id, platform::DeviceCapsRecord& caps) override
    {
        if (const auto f = failures.find(id); f != failures.end())
            return f->second;
        const std::size_t index = id == -1 ? 0 : static_cast<std::size_t>(id);
        if (index >= names.size())
            return platform::MMSYSERR_BADDEVICEID;
        caps.manufacturerId = 7;
        caps.productId = static_cast<std::uint16_t>(100 + id);
        caps.driverVersion = 0x0305;
        caps.productName = id == -1 ? "Mapper" : names[index];
        return platform::MMSYSERR_NOERROR;
    }
    bool ErrorText(MMResult result, std::string& text) override
    {
        const auto found = texts.find(result);
        if (found == texts.end())
            return false;
        text = found->second;
        return true;
    }
    MMResult MixerId(std::int32_t, std::int32_t& id) override
    {
        id = mixer;
        return mixerResult;
    }
};

// A device of the mixer kind that counts how it is switched.
class CountingDevice : public TMMCustomAudioDevice {
public:
    CountingDevice() { SetDeviceKind(dtMixer); }
    int activations = 0;
    std::vector<TMMDeviceId> activatedIds;

protected:
    void DoActivate() override
    {
        ++activations;
        activatedIds.push_back(GetDeviceId());
        TMMCustomAudioDevice::DoActivate();
    }
};

class AudioDeviceTest : public ::testing::Test {
protected:
    AudioDeviceTest()
    {
        caps.names = {"Card A", "Card B"};
        platform::SetDeviceCapsSource(platform::DeviceKind::Mixer, &caps);
    }
    ~AudioDeviceTest() override
    {
        platform::SetDeviceCapsSource(platform::DeviceKind::Mixer, nullptr);
    }
    FakeCaps caps;
};

TEST_F(AudioDeviceTest, ReadsTheCapabilitiesOfItsDevice)
{
    CountingDevice device;
    EXPECT_EQ(device.DeviceKind(), dtMixer);
    EXPECT_EQ(device.GetDeviceId(), 0);
    EXPECT_EQ(device.DeviceCount(), 2);
    EXPECT_EQ(device.DeviceCaps().ProductName, "Card A");
    EXPECT_EQ(device.DeviceCaps().ManufacturerId, 7);
    EXPECT_EQ(device.DeviceCaps().ProductId, 100);
    EXPECT_EQ(device.DeviceCaps().VerMajor, 3);
    EXPECT_EQ(device.DeviceCaps().VerMinor, 5);
}

TEST_F(AudioDeviceTest, AFailingFirstQueryLeavesAnInvalidDeviceWithClearedCaps)
{
    caps.failures[0] = platform::MMSYSERR_NODRIVER;
    CountingDevice device;
    EXPECT_EQ(device.GetDeviceId(), InvalidId);
    EXPECT_EQ(device.DeviceCaps().ProductName, "");
    EXPECT_EQ(device.DeviceCaps().VerMajor, 0);
}

TEST_F(AudioDeviceTest, ChangingTheDeviceTellsObserversLastFirstThenTheOwner)
{
    CountingDevice device;
    device.SetActive(true);
    std::vector<std::string> told;
    TMMObserver first, second;
    first.OnNotify = [&](TMMObserver*, const TMMNotification* data) {
        EXPECT_NE(dynamic_cast<const TMMDeviceChange*>(data), nullptr);
        told.push_back("first");
    };
    second.OnNotify = [&](TMMObserver*, const TMMNotification*) { told.push_back("second"); };
    device.Observable().AddObserver(&first);
    device.Observable().AddObserver(&second);
    device.OnChange = [&](TMMComponent*) { told.push_back("owner"); };

    device.SetDeviceId(1);
    EXPECT_EQ(told, (std::vector<std::string>{"second", "first", "owner"}));
    EXPECT_EQ(device.DeviceCaps().ProductName, "Card B");
    EXPECT_TRUE(device.GetActive());
    EXPECT_EQ(device.activatedIds, (std::vector<TMMDeviceId>{0, 1}))
        << "reactivated on the new device";

    told.clear();
    device.SetDeviceId(1);
    EXPECT_TRUE(told.empty()) << "the same id changes nothing";
}

TEST_F(AudioDeviceTest, IdsOutsideTheDevicesAreRefused)
{
    CountingDevice device;
    try {
        device.SetDeviceId(5);
        FAIL() << "no error";
    } catch (const EMMDeviceError& e) {
        EXPECT_STREQ(e.what(), "Device id is out of range");
        EXPECT_STREQ(e.ClassName(), "EMMDeviceError");
    }
    EXPECT_EQ(device.GetDeviceId(), 0);
    device.SetDeviceId(MapperId);
    EXPECT_EQ(device.DeviceCaps().ProductName, "Mapper");
    device.SetDeviceId(InvalidId);
    EXPECT_EQ(device.DeviceCaps().ProductName, "");
}

TEST_F(AudioDeviceTest, MapperPresenceAndDeviceErrors)
{
    CountingDevice device;
    EXPECT_TRUE(device.Mapper());
    caps.failures[-1] = platform::MMSYSERR_BADDEVICEID;
    EXPECT_FALSE(device.Mapper());
    caps.failures[-1] = platform::MMSYSERR_INVALHANDLE;
    EXPECT_FALSE(device.Mapper());
    caps.failures[-1] = platform::MMSYSERR_NOMEM;
    try {
        device.Mapper();
        FAIL() << "no error";
    } catch (const EMMMCIError& e) {
        EXPECT_STREQ(e.what(), "MMSystem error: 7");
        EXPECT_EQ(e.Code(), platform::MMSYSERR_NOMEM);
    }
    caps.texts[platform::MMSYSERR_NOMEM] = "Out of memory for the device.";
    EXPECT_THROW(
        {
            try {
                device.Mapper();
            } catch (const EMMMCIError& e) {
                EXPECT_STREQ(e.what(), "Out of memory for the device.");
                throw;
            }
        },
        EMMMCIError);
}

TEST_F(AudioDeviceTest, ListsTheNamesWithOrWithoutTheMapper)
{
    CountingDevice device;
    std::vector<std::string> names;
    device.ListNames(names, true);
    EXPECT_EQ(names, (std::vector<std::string>{"Mapper", "Card A", "Card B"}));
    names.clear();
    caps.failures[-1] = platform::MMSYSERR_BADDEVICEID;
    device.ListNames(names, true);
    EXPECT_EQ(names, (std::vector<std::string>{"Card A", "Card B"}));
}

TEST_F(AudioDeviceTest, MixerIdToleratesNoDriverAndMapsNoneToInvalid)
{
    CountingDevice device;
    caps.mixer = 3;
    EXPECT_EQ(device.MixerId(), 3);
    caps.mixer = -1;
    EXPECT_EQ(device.MixerId(), InvalidId);
    caps.mixerResult = platform::MMSYSERR_NODRIVER;
    EXPECT_EQ(device.MixerId(), InvalidId);
    caps.mixerResult = platform::MMSYSERR_ERROR;
    EXPECT_THROW(device.MixerId(), EMMMCIError);
}

TEST_F(AudioDeviceTest, ActiveSetWhileLoadingTakesEffectAfterLoading)
{
    CountingDevice device;
    device.BeginLoading();
    device.SetActive(true);
    EXPECT_FALSE(device.GetActive());
    device.EndLoading();
    EXPECT_TRUE(device.GetActive());
    EXPECT_EQ(device.activations, 1);
}

TEST(ObserverTest, AnObserverWatchesOneObservableAtATime)
{
    TMMObservable a, b;
    TMMObserver o;
    int notices = 0;
    o.OnNotify = [&](TMMObserver*, const TMMNotification*) { ++notices; };
    a.AddObserver(&o);
    b.AddObserver(&o);
    EXPECT_EQ(o.Observable(), &b);
    EXPECT_EQ(a.ObserverCount(), 0u);
    a.RemoveObserver(&o); // not linked to a: left alone
    EXPECT_EQ(o.Observable(), &b);
    a.NotifyObservers(nullptr);
    b.NotifyObservers(nullptr);
    EXPECT_EQ(notices, 1);
}

TEST(ObserverTest, SuspendedObserversAndObservablesStayQuiet)
{
    TMMObservable subject;
    TMMObserver o;
    int notices = 0;
    o.OnNotify = [&](TMMObserver*, const TMMNotification*) { ++notices; };
    subject.AddObserver(&o);
    o.Suspend();
    subject.NotifyObservers(nullptr);
    o.Resume();
    subject.Suspend();
    subject.NotifyObservers(nullptr);
    EXPECT_EQ(notices, 0);
    subject.Resume();
    subject.NotifyObservers(nullptr);
    EXPECT_EQ(notices, 1);
}

TEST(ObserverTest, DestroyingEitherSideUnlinksTheOther)
{
    TMMObserver survivor;
    {
        TMMObservable subject;
        subject.AddObserver(&survivor);
        {
            TMMObserver shortLived;
            subject.AddObserver(&shortLived);
            EXPECT_EQ(subject.ObserverCount(), 2u);
        }
        EXPECT_EQ(subject.ObserverCount(), 1u);
    }
    EXPECT_EQ(survivor.Observable(), nullptr);
}

} // namespace
