#pragma once

#include "platform/AudioSystem.hpp"

#include <optional>
#include <string>

namespace ostrel {

// The default output's mute, as the setup runner reads and sets it.
class Sound {
public:
    Sound() = delete;

    // True when the default output is muted, false when audible; nothing when there is no default
    // output, it has no mute control or the read fails.
    static std::optional<bool> isMuted(const AudioSystem& audio);

    // Mutes the default output, only when it is known to be audible. Gives the muted device's
    // unique id, so that the same device can be unmuted later; nothing when nothing was muted.
    static std::optional<std::string> mute(AudioSystem& audio);

    // Unmutes the device of deviceUID while it is present, otherwise (or without an id) the
    // current default output. A failure is ignored: there is nothing left to do about it.
    static void unmute(AudioSystem& audio, const std::optional<std::string>& deviceUID);
};

} // namespace ostrel
