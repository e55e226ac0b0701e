#include "app/autopilot/Sound.hpp"

#include <algorithm>

namespace ostrel {

namespace {

// The default output device, or nothing when there is none or it cannot be read.
std::optional<AudioDeviceID> defaultDevice(const AudioSystem& audio) {
    const auto device = audio.defaultOutputDevice();
    if (!device || *device == 0) {
        return std::nullopt;
    }
    return device;
}

// The present device whose unique id is uid.
std::optional<AudioDeviceID> deviceWithUID(const AudioSystem& audio, const std::string& uid) {
    for (const AudioDeviceID device : audio.devices()) {
        if (audio.deviceUID(device) == uid) {
            return device;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<bool> Sound::isMuted(const AudioSystem& audio) {
    const auto device = defaultDevice(audio);
    if (!device || !audio.hasControl(*device, AudioControl::mute)) {
        return std::nullopt;
    }
    return audio.muted(*device);
}

std::optional<std::string> Sound::mute(AudioSystem& audio) {
    if (isMuted(audio) != false) {
        return std::nullopt;
    }
    // Read again: the default may have moved since the check, and the device muted is the one
    // to remember.
    const auto device = defaultDevice(audio);
    if (!device) {
        return std::nullopt;
    }
    // The id is read first: without it the device could not be found again to unmute.
    auto uid = audio.deviceUID(*device);
    if (!uid || !audio.setMuted(*device, true)) {
        return std::nullopt;
    }
    return uid;
}

void Sound::unmute(AudioSystem& audio, const std::optional<std::string>& deviceUID) {
    std::optional<AudioDeviceID> device;
    if (deviceUID) {
        device = deviceWithUID(audio, *deviceUID);
    }
    if (!device) {
        device = defaultDevice(audio);
    }
    if (device) {
        audio.setMuted(*device, false);
    }
}

} // namespace ostrel
