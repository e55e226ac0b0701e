#pragma once

#include <optional>
#include <string>

namespace ostrel {

// What one banner shows: a question has a primary button (and usually a secondary one), a result
// has only the secondary one ("Undo", "OK").
struct BannerContent {
    std::string title;  // first line, bold
    std::string detail; // second line
    std::optional<std::string> primary;
    std::optional<std::string> secondary;

    bool isQuestion() const { return primary.has_value(); }

    friend bool operator==(const BannerContent&, const BannerContent&) = default;
};

// Where the banner appears: the Qt panel, a recording surface in tests, the simulator's log. The
// banner holds the rules; a surface only draws. A surface reports a press of a button by calling
// Banner::press() with that button; presses that arrive after the banner has gone are ignored
// there, so a surface need not track what is still current.
//
// Threading: called on the main executor only.
class BannerSurface {
public:
    virtual ~BannerSurface() = default;

    // Puts the banner up with this content, replacing whatever was shown.
    virtual void present(const BannerContent& content) = 0;
    // Takes the banner down. Called only while one is up.
    virtual void hide() = 0;
};

} // namespace ostrel
