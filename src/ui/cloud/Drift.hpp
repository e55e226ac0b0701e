#pragma once

#include "core/foundation/Date.hpp"

#include <array>
#include <string_view>
#include <utility>

namespace ostrel::ui {

// Where the drifting clouds of a window's sky stand at a given moment: pure arithmetic of the
// time, with no state kept from frame to frame, so any frame can be drawn alone and a frozen sky
// is simply the picture at t = 0. It draws nothing and knows nothing of Qt; CloudScene paints the
// clouds where this says.
//
// Threading: pure functions and constants, callable from any thread.
struct Drift {
    // One drifting cloud: its art, its width in pixels (its height is width x heightRatio), its
    // place in the band (0 top, 1 bottom), its speed in pixels a second, and where on its track
    // it stands at t = 0 (0 wholly off the left edge, 1 back there after one crossing).
    struct Nuvo {
        std::string_view image;
        double width;
        double y;
        double speed;
        double phase;
    };

    // Top-left corner of a cloud's picture, from the scene's top-left.
    struct Offset {
        double x;
        double y;

        friend bool operator==(const Offset&, const Offset&) = default;
    };

    static constexpr double heightRatio = 0.55;

    // The wall-clock seconds at 2001-01-01T00:00:00Z, the moment the clouds' t counts from.
    static constexpr Date referenceDate = 978307200;

    // The clouds, back to front.
    static constexpr std::array<Nuvo, 3> nuvos{{
        {"nuvo-1", 150, 0.55, 5.0, 0.18},
        {"nuvo-2", 96, 0.12, 3.0, 0.62},
        {"nuvo-3", 70, 0.85, 2.2, 0.9},
    }};

    // The cloud's left edge in a scene `width` wide at t seconds: always in [-w, width), wrapping
    // round so that a cloud leaving on the right comes back wholly hidden on the left. A t before
    // the reference moment wraps the same way; a t so far off that the distance is not finite counts as
    // 0.
    static double horizontal(const Nuvo& nuvo, double width, double t);

    // The picture's top-left corner: horizontal() across, and the band's top plus y of its height
    // down. band is (top, bottom) in pixels from the scene's top.
    static Offset offset(const Nuvo& nuvo, double width, std::pair<double, double> band, double t);

    // The clouds' t of a wall-clock date: seconds since the reference moment.
    static double secondsSinceReference(Date date) { return date - referenceDate; }
};

} // namespace ostrel::ui
