#pragma once

#include "core/observations/AudioDevicesPayload.hpp"
#include "platform/AudioSystem.hpp"
#include "platform/Displays.hpp"
#include "platform/Workspace.hpp"

#include <string>
#include <vector>

// What is plugged in or running now, for the menus that add a display cue, an audio-device cue
// or an app to put away, and for the words handed to the language model when a routine is
// described. Each list is read afresh from its role on every call; nothing fails: where there is
// nothing to give, the list is empty.
//
// Deliberately not here: choosing an app or a file (Pickers) and any wording of the names.
//
// Threading: call on the main executor, where the roles are read.
namespace ostrel::Connected {

// An external display a cue can name: its persistent UUID text and the name the system gives it.
struct Display {
    std::string uuid;
    std::string name;

    friend bool operator==(const Display&, const Display&) = default;
};

// The external displays, in the system's order: a screen without a display id, the built-in
// panel and a screen without a UUID are left out. Empty means no external display.
std::vector<Display> displays(const Displays& displays);

// The output devices of AudioSignal::connected, in its order, without the built-in, virtual and
// aggregate ones.
std::vector<AudioDevicesPayload::Device> audioDevices(const AudioSystem& audio);

// The ids of the regular running apps other than this program and the desktop's file manager
// (hidden apps included, the exclusion list not applied), stably sorted by their display names
// compared as plain text; repeats stay.
std::vector<std::string> runningApps(const Workspace& workspace);

} // namespace ostrel::Connected
