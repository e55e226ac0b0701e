#include "app/signals/AudioSignal.hpp"

#include "core/foundation/Utf8.hpp"
#include "core/observations/ObservationWriter.hpp"
#include "core/observations/Signal.hpp"

#include <array>

namespace ostrel {

namespace {

// The controls followed on the default device, in the order their listeners are moved.
constexpr std::array followedControls{AudioControl::volume, AudioControl::mute, AudioControl::dataSource};

} // namespace

AudioSignal::AudioSignal(AudioSystem& audio, ObservationWriter& writer, const Clock& clock, Executor& queue)
    : audio_(audio), writer_(writer), clock_(clock), queue_(queue) {}

AudioSignal::~AudioSignal() {
    // Callbacks first, so none runs while the listeners and the timer go.
    guard_.invalidate();
}

void AudioSignal::start() {
    if (started_.exchange(true)) {
        return;
    }
    queue_.post(guard_.wrap([this] { begin(); }));
}

void AudioSignal::begin() {
    systemListener_ = audio_.subscribe(queue_, guard_.wrap([this](AudioSystemChange) { changed(); }));
    follow();
    record();
}

void AudioSignal::changed() {
    follow();
    pending_ = queue_.postAfter(debounce, guard_.wrap([this] { record(); }), TimeBase::monotonic);
}

void AudioSignal::follow() {
    const AudioDeviceID device = audio_.defaultOutputDevice().value_or(0);
    if (device == device_) {
        return;
    }
    deviceListeners_.clear();
    if (device != 0) {
        for (const AudioControl control : followedControls) {
            if (audio_.hasControl(device, control)) {
                deviceListeners_.push_back(audio_.subscribe(
                    device, control, queue_, guard_.wrap([this](AudioDeviceID, AudioControl) { changed(); })));
            }
        }
    }
    device_ = device;
}

void AudioSignal::record() {
    AudioDevicesPayload devices = AudioDevicesPayload::make(connected(audio_));
    if (devicesFilter_.changed(devices)) {
        writer_.record(Signal::audioDevices, devices, clock_.now());
    }
    if (device_ == 0) {
        return;
    }
    const std::optional<std::string> uid = audio_.deviceUID(device_);
    if (!uid) {
        return;
    }
    std::string name = audio_.deviceName(device_).value_or(*uid);
    std::string transport = transportName(audio_.transport(device_));
    std::optional<std::string> dataSource;
    if (audio_.hasControl(device_, AudioControl::dataSource)) {
        if (const auto code = audio_.dataSource(device_)) {
            dataSource = fourCC(*code);
        }
    }
    std::optional<double> volume;
    if (audio_.hasControl(device_, AudioControl::volume)) {
        if (const auto level = audio_.volume(device_)) {
            volume = static_cast<double>(*level);
        }
    }
    std::optional<bool> muted;
    if (audio_.hasControl(device_, AudioControl::mute)) {
        muted = audio_.muted(device_);
    }
    AudioPayload payload(*uid, std::move(name), std::move(transport), std::move(dataSource), volume, muted);
    if (filter_.changed(payload)) {
        writer_.record(Signal::audio, payload, clock_.now());
    }
}

std::vector<AudioDevicesPayload::Device> AudioSignal::connected(const AudioSystem& audio) {
    std::vector<AudioDevicesPayload::Device> found;
    for (const AudioDeviceID device : audio.devices()) {
        if (!audio.hasOutputStreams(device).value_or(false)) {
            continue;
        }
        std::optional<std::string> uid = audio.deviceUID(device);
        if (!uid) {
            continue;
        }
        std::string name = audio.deviceName(device).value_or(*uid);
        found.push_back({std::move(*uid), std::move(name), transportName(audio.transport(device))});
    }
    return found;
}

std::string AudioSignal::transportName(std::optional<AudioTransport> transport) {
    if (!transport) {
        return "other";
    }
    switch (*transport) {
    case AudioTransport::builtIn:
        return "builtin";
    case AudioTransport::airPlay:
        return "airplay";
    case AudioTransport::bluetooth:
    case AudioTransport::bluetoothLowEnergy:
        return "bluetooth";
    case AudioTransport::displayPort:
        return "displayport";
    case AudioTransport::aggregate:
        return "aggregate";
    case AudioTransport::hdmi:
        return "hdmi";
    case AudioTransport::usb:
        return "usb";
    case AudioTransport::virtualDevice:
        return "virtual";
    case AudioTransport::unknown:
        break;
    }
    return "other";
}

std::string AudioSignal::fourCC(std::uint32_t code) {
    const std::string bytes{static_cast<char>(code >> 24), static_cast<char>((code >> 16) & 0xFF),
                            static_cast<char>((code >> 8) & 0xFF), static_cast<char>(code & 0xFF)};
    return repairUtf8(bytes);
}

} // namespace ostrel
