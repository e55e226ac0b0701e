#include "core/observations/WindowPayload.hpp"

#include "core/foundation/Rounding.hpp"
#include "core/foundation/Url.hpp"
#include "core/foundation/Utf8.hpp"

namespace ostrel {

namespace {

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The file path of a file URL, percent-escapes decoded; nothing for any other text. A path that
// decodes to no text (not UTF-8, or holding a NUL byte, which no file path can) or to nothing at
// all names no file either.
std::optional<std::string> filePath(std::string_view document) {
    const auto url = Url::parse(document);
    if (!url || !url->scheme() || !equalsIgnoringAsciiCase(*url->scheme(), "file")) {
        return std::nullopt;
    }
    std::string path = percentDecode(url->path());
    if (path.empty() || !isValidUtf8(path) || path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    return path;
}

} // namespace

std::optional<WindowPayload::Frame> WindowPayload::Frame::make(const Rect& rect) {
    const Rect standard = rect.standardized();
    const auto x = roundedToInt64(standard.x);
    const auto y = roundedToInt64(standard.y);
    const auto width = roundedToInt64(standard.width);
    const auto height = roundedToInt64(standard.height);
    if (!x || !y || !width || !height) {
        return std::nullopt;
    }
    return Frame{*x, *y, *width, *height};
}

WindowPayload::Frame WindowPayload::Frame::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::int64_t>("x"), reader.required<std::int64_t>("y"),
            reader.required<std::int64_t>("width"), reader.required<std::int64_t>("height")};
}

json::Value WindowPayload::Frame::toJSON() const {
    return json::ObjectWriter().set("x", x).set("y", y).set("width", width).set("height", height).done();
}

const std::set<std::string, std::less<>>& WindowPayload::titleIdentifiesItem() {
    static const std::set<std::string, std::less<>> bundles = {"com.apple.Notes"};
    return bundles;
}

WindowPayload WindowPayload::make(std::string bundleID, std::optional<std::string_view> document,
                                  std::optional<std::string> title, std::optional<Rect> frame,
                                  std::optional<bool> minimized) {
    WindowPayload payload;
    if (document) {
        payload.document = filePath(*document);
    }
    if (!payload.document && titleIdentifiesItem().contains(bundleID)) {
        payload.title = std::move(title);
    }
    payload.bundleID = std::move(bundleID);
    if (frame) {
        payload.frame = Frame::make(*frame);
    }
    if (minimized.value_or(false)) {
        payload.minimized = true;
    }
    return payload;
}

std::optional<std::string> WindowPayload::item() const {
    if (document) {
        return document;
    }
    return title;
}

WindowPayload WindowPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    return {reader.required<std::string>("bundleID"), reader.optional<std::string>("document"),
            reader.optional<std::string>("title"), reader.optional<Frame>("frame"),
            reader.optional<bool>("minimized")};
}

json::Value WindowPayload::toJSON() const {
    return json::ObjectWriter()
        .set("bundleID", bundleID)
        .set("document", document)
        .set("title", title)
        .set("frame", frame)
        .set("minimized", minimized)
        .done();
}

} // namespace ostrel
