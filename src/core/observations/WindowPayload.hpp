#pragma once

#include "core/foundation/Json.hpp"
#include "core/foundation/Rect.hpp"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace ostrel {

// The payload of one window event ("window.focus", "window.open" ...). It names the open item by
// its document's file path, or by the window title only for applications whose titles name the
// item; an arbitrary window title is never kept.
struct WindowPayload {
    // Where a window stands: whole screen points, origin at the top left, y growing downward.
    struct Frame {
        std::int64_t x = 0;
        std::int64_t y = 0;
        std::int64_t width = 0;
        std::int64_t height = 0;

        // The standardised rectangle (no negative extent), each value rounded halves away from
        // zero. Nothing when a value is not finite or does not fit 64 bits once rounded.
        static std::optional<Frame> make(const Rect& rect);

        static Frame fromJSON(const json::Value& value);
        json::Value toJSON() const;
        friend bool operator==(const Frame&, const Frame&) = default;
    };

    std::string bundleID;
    std::optional<std::string> document; // file path
    std::optional<std::string> title;
    std::optional<Frame> frame;
    std::optional<bool> minimized; // true or absent when made by make()

    // Applications whose window titles name the open item.
    static const std::set<std::string, std::less<>>& titleIdentifiesItem();

    // document is the window's document as a URL text; only a file URL counts, and then its
    // percent-decoded path is kept and the title never is. Without a document the title is kept
    // only for applications in titleIdentifiesItem(). A frame that has no integer form is left out.
    static WindowPayload make(std::string bundleID, std::optional<std::string_view> document,
                              std::optional<std::string> title, std::optional<Rect> frame,
                              std::optional<bool> minimized);

    // The text naming the open item: the document path, else the title, else nothing.
    std::optional<std::string> item() const;

    static WindowPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;
    friend bool operator==(const WindowPayload&, const WindowPayload&) = default;
};

} // namespace ostrel
