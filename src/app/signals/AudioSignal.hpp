#pragma once

#include "core/observations/AudioDevicesPayload.hpp"
#include "core/observations/AudioPayload.hpp"
#include "core/observations/ChangeFilter.hpp"
#include "platform/AudioSystem.hpp"
#include "platform/Clock.hpp"
#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

class ObservationWriter;

// Watches the sound output: "audio.devices", the output devices now connected, and "audio", the
// default output device with its transport, data source, volume and mute. Both are written only
// when they differ from the last ones written. A burst of notices (a plug-in changes the list and
// the default at once; a volume slider sends one per step) is folded into one reading after
// `debounce` seconds of quiet awake time. The volume, mute and data-source listeners move to a
// new default device at once, so no change of the new device is missed while the reading waits.
//
// Every unreadable property is silently left out; a default device without a unique id writes no
// "audio" at all. Nothing is retried apart from the next notice.
//
// Threads: every field lives on its queue ("Ostrel.audio"), where notices and the timer run.
// start() may be called from any thread. Destroy it on the queue or after the queue stopped:
// destruction cancels the timer and the listeners.
class AudioSignal {
public:
    static constexpr double debounce = 1.0;

    // Every reference must outlive this object.
    AudioSignal(AudioSystem& audio, ObservationWriter& writer, const Clock& clock, Executor& queue);
    ~AudioSignal();

    AudioSignal(const AudioSignal&) = delete;
    AudioSignal& operator=(const AudioSignal&) = delete;

    // Posts the start to the queue: listen to the default output and the device list, follow the
    // default device, record both observations. Once; later calls do nothing.
    void start();

    // The output devices now present, in the system's order: a device whose unique id cannot be
    // read is left out, one whose name cannot be read is named by its unique id. Any thread.
    static std::vector<AudioDevicesPayload::Device> connected(const AudioSystem& audio);
    // The short name recorded for a transport; "other" for an unknown or unreadable one.
    static std::string transportName(std::optional<AudioTransport> transport);
    // The four bytes of a code, most significant first, as UTF-8 text with ill-formed bytes
    // replaced.
    static std::string fourCC(std::uint32_t code);

private:
    void begin();
    void changed();
    void follow();
    void record();

    AudioSystem& audio_;
    ObservationWriter& writer_;
    const Clock& clock_;
    Executor& queue_;

    std::atomic<bool> started_{false};
    AudioDeviceID device_ = 0;
    ChangeFilter<AudioPayload> filter_;
    ChangeFilter<AudioDevicesPayload> devicesFilter_;
    TaskHandle pending_;
    Subscription systemListener_;
    std::vector<Subscription> deviceListeners_;
    LifetimeGuard guard_; // last: callbacks posted to the queue do nothing once this is gone
};

} // namespace ostrel
