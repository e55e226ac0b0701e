#pragma once

namespace ostrel {

// A rectangle of floating-point origin and size, in screen points with y growing downward, as
// window positions and sizes are reported. Width or height may be negative until standardised.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    // The same area with width and height not negative: a negative extent moves the origin to the
    // other edge.
    Rect standardized() const {
        Rect result = *this;
        if (result.width < 0) {
            result.x += result.width;
            result.width = -result.width;
        }
        if (result.height < 0) {
            result.y += result.height;
            result.height = -result.height;
        }
        return result;
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace ostrel
