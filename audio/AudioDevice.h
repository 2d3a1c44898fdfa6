#pragma once

#include "audio/MMComponent.h"
#include "audio/MMTypes.h"
#include "audio/Observer.h"
#include "platform/DeviceCaps.h"
#include "platform/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

SONAVIA_ERROR_CLASS(EMMDeviceError, platform::Exception)

// A device call failed; the message is the platform's text for the code.
class EMMMCIError : public platform::Exception {
public:
    EMMMCIError(platform::MMResult code, const std::string& message)
        : platform::Exception(message), FCode(code)
    {
    }
    const char* ClassName() const noexcept override { return "EMMMCIError"; }
    platform::MMResult Code() const { return FCode; }

private:
    platform::MMResult FCode;
};

struct TMMDeviceCaps {
    std::uint16_t ManufacturerId = 0;
    std::uint16_t ProductId = 0;
    std::uint8_t VerMajor = 0;
    std::uint8_t VerMinor = 0;
    std::string ProductName;
};

enum TMMDeviceKind : std::uint8_t {
    dtMidiIn = 0,
    dtMidiOut = 1,
    dtWaveIn = 2,
    dtWaveOut = 3,
    dtAux = 4,
    dtMixer = 5
};

// What observers of a device hear when it changed to another device.
class TMMDeviceChange : public TMMNotification {};

// A component is being destroyed: whoever refers to it lets go.
class TMMRemoval : public TMMNotification {
public:
    explicit TMMRemoval(const void* component) : Component(component) {}
    const void* Component;
};

// Base of the components that stand for one multimedia device of a kind: the
// device number, its capabilities, whether it is active, and observers that hear
// of a change of device.
class TMMCustomAudioDevice : public TMMNonVisualComponent {
public:
    TMMCustomAudioDevice();
    ~TMMCustomAudioDevice() override;

    TMMObservable& Observable() { return FObservable; }

    TMMDeviceKind DeviceKind() const { return FDeviceKind; }
    TMMDeviceId GetDeviceId() const { return FDeviceId; }
    void SetDeviceId(TMMDeviceId id);
    const TMMDeviceCaps& DeviceCaps() const { return FDeviceCaps; }
    bool GetActive() const { return FActive; }
    void SetActive(bool active);
    bool Mapper() const;
    std::int32_t DeviceCount() const;
    // The mixer serving this device, or InvalidId.
    TMMDeviceId MixerId() const;
    // Each device's name in id order, after the mapper's when asked for and present.
    void ListNames(std::vector<std::string>& names, bool withMapper) const;

    TNotifyEvent OnChange;

    // Raises EMMMCIError for a nonzero result: the kind's text for it, or
    // "MMSystem error: %d".
    static void Check(platform::DeviceCapsSource* source, platform::MMResult result);

protected:
    // Device classes set their kind at construction, before the first query.
    void SetDeviceKind(TMMDeviceKind kind);
    // The base only sets the flag; device classes open and close their device here.
    virtual void DoActivate() { FActive = true; }
    virtual void DoDeactivate() { FActive = false; }
    virtual void DeviceChanged();
    // The open device answers to another id now: store it and tell the observers.
    void AdoptDeviceId(TMMDeviceId id);
    void Loaded() override;
    void QueryCaps();

private:
    platform::DeviceCapsSource* Source() const;
    void QueryCapsOrInvalidate();

    TMMObservable FObservable;
    TMMDeviceKind FDeviceKind = dtWaveOut;
    TMMDeviceId FDeviceId = 0;
    TMMDeviceCaps FDeviceCaps;
    bool FActive = false;
    bool FLoadedActive = false;
};
