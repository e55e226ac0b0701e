#pragma once

#include "app/editor/Connected.hpp"
#include "app/signals/PlaceSignal.hpp"
#include "core/calendar/CalendarSeries.hpp"
#include "core/routines/Cue.hpp"

#include <optional>
#include <string>
#include <vector>

// The routine editor's "Add a moment" menu: every moment this machine can start a routine at right
// now (a time, a class starting, the Wi-Fi it is on, each display and output device plugged in, an
// app opening). It is worked out afresh each time the menu opens, so it shows what is connected at
// that moment; a cue already chosen stays chosen after its device goes.
//
// Deliberately not here: adding the cue (RoutineDraft::add skips one already listed) and the app
// picker that the last entry asks.
//
// Threading: none of its own; callers read the machine on the main executor.
namespace ostrel::MomentMenu {

struct Entry {
    std::string label;
    std::optional<Cue> cue = std::nullopt; // added when chosen
    bool picksApp = false;                 // asks for an app and adds a cue of opening it
    std::vector<Entry> submenu = {};       // the classes, each with its cue; empty for a plain entry

    friend bool operator==(const Entry&, const Entry&) = default;
};

// The cue "At a time…" adds: Monday to Friday at nine in the morning.
Cue defaultTime();

// In order: "At a time…"; "When a class starts" with one entry per series by title (compared as
// plain code points, equal titles in the given order), when there are series; "On this Wi-Fi
// (NAME)" when the network is known; "When NAME is plugged in" per display; "When NAME connects"
// per output device; "When you open an app…".
std::vector<Entry> entries(const std::vector<CalendarSeries>& series, const std::optional<PlaceSignal::Network>& network,
                           const std::vector<Connected::Display>& displays,
                           const std::vector<AudioDevicesPayload::Device>& audioDevices);

} // namespace ostrel::MomentMenu
