#pragma once

#include "platform/Availability.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// The system's id of an audio device, valid while the device is present; 0 is no device. A
// device unplugged and plugged in again may come back with another id.
using AudioDeviceID = std::uint32_t;

// How a device is connected. unknown: the system gives a kind this list does not name.
enum class AudioTransport { builtIn, airPlay, bluetooth, bluetoothLowEnergy, displayPort, aggregate, hdmi, usb, virtualDevice, unknown };

// The output controls a device may have, each read and listened to on its own.
enum class AudioControl { volume, mute, dataSource };

// A change of the system's audio setup; read again what is wanted.
enum class AudioSystemChange { defaultOutput, devices };

// The sound system: its devices, the default output and the default's controls.
//
// Every call may fail (the device went away mid-read, the server is busy): it returns an empty
// optional then, and a list read an empty list. Nothing throws.
//
// Threading: every member may be called from any thread. Notices reach each callback on the
// executor it subscribed with; destroying the subscription stops them.
class AudioSystem {
public:
    using SystemCallback = std::function<void(AudioSystemChange)>;
    using DeviceCallback = std::function<void(AudioDeviceID, AudioControl)>;

    virtual ~AudioSystem() = default;

    virtual Availability availability() const = 0;

    // The default output device; 0 when there is none.
    virtual std::optional<AudioDeviceID> defaultOutputDevice() const = 0;
    // Every device, input or output, in the system's order.
    virtual std::vector<AudioDeviceID> devices() const = 0;
    // Whether the device has at least one output stream (it can play sound).
    virtual std::optional<bool> hasOutputStreams(AudioDeviceID device) const = 0;
    // The device's persistent unique id, the same across plugging and restarts.
    virtual std::optional<std::string> deviceUID(AudioDeviceID device) const = 0;
    virtual std::optional<std::string> deviceName(AudioDeviceID device) const = 0;
    virtual std::optional<AudioTransport> transport(AudioDeviceID device) const = 0;

    // Whether the device has that output control at all; the reads below fail when it has not.
    virtual bool hasControl(AudioDeviceID device, AudioControl control) const = 0;
    // The selected data source (speakers, headphone jack...) as the system's four-byte code,
    // most significant byte first.
    virtual std::optional<std::uint32_t> dataSource(AudioDeviceID device) const = 0;
    // The output volume the user sees, 0...1.
    virtual std::optional<float> volume(AudioDeviceID device) const = 0;
    virtual std::optional<bool> muted(AudioDeviceID device) const = 0;
    // Mutes or unmutes the device's output. False when the device is gone, has no mute control or
    // the system refuses; the control's notice follows a change.
    virtual bool setMuted(AudioDeviceID device, bool muted) = 0;

    // Told when the default output device or the device list changes.
    virtual Subscription subscribe(Executor& executor, SystemCallback callback) = 0;
    // Told when that control of that device changes. Empty (no notices ever) when the device is
    // not there or lacks the control.
    virtual Subscription subscribe(AudioDeviceID device, AudioControl control, Executor& executor,
                                   DeviceCallback callback) = 0;
};

} // namespace ostrel
