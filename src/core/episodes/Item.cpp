#include "core/episodes/Item.hpp"

#include "core/foundation/IdText.hpp"
#include "core/foundation/Text.hpp"

namespace ostrel {

namespace {

bool readsBack(const Item::Value& value) {
    return std::visit(
        [](const auto& item) {
            using T = std::decay_t<decltype(item)>;
            if constexpr (std::is_same_v<T, Item::App>) {
                return !item.bundleID.empty();
            } else if constexpr (std::is_same_v<T, Item::Document>) {
                return !item.path.empty();
            } else if constexpr (std::is_same_v<T, Item::Note>) {
                // The id splits at the first colon after the app, so the app cannot hold one.
                return !item.app.empty() && item.app.find(':') == std::string::npos && !item.title.empty();
            } else {
                return !item.url.empty();
            }
        },
        value);
}

void combine(std::size_t& seed, std::size_t value) {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

std::weak_ordering compareText(const std::string& a, const std::string& b) {
    return text::compare(a, b);
}

} // namespace

std::optional<Item> Item::make(Value value) {
    if (!readsBack(value)) {
        return std::nullopt;
    }
    return Item(std::move(value));
}

std::optional<Item> Item::app(std::string bundleID) {
    return make(App{std::move(bundleID)});
}
std::optional<Item> Item::document(std::string path) {
    return make(Document{std::move(path)});
}
std::optional<Item> Item::note(std::string app, std::string title) {
    return make(Note{std::move(app), std::move(title)});
}
std::optional<Item> Item::page(std::string url) {
    return make(Page{std::move(url)});
}

std::optional<Item> Item::fromId(std::string_view id) {
    const auto parts = idtext::split(id, 1);
    if (parts.size() != 2) {
        return std::nullopt;
    }
    const std::string_view kind = parts[0];
    const std::string rest(parts[1]);
    if (kind == "app") {
        return Item(App{rest});
    }
    if (kind == "document") {
        return Item(Document{rest});
    }
    if (kind == "page") {
        return Item(Page{rest});
    }
    if (kind == "note") {
        const auto note = idtext::split(parts[1], 1);
        if (note.size() != 2) {
            return std::nullopt;
        }
        return Item(Note{std::string(note[0]), std::string(note[1])});
    }
    return std::nullopt;
}

std::string Item::id() const {
    return std::visit(
        [](const auto& item) -> std::string {
            using T = std::decay_t<decltype(item)>;
            if constexpr (std::is_same_v<T, App>) {
                return "app:" + item.bundleID;
            } else if constexpr (std::is_same_v<T, Document>) {
                return "document:" + item.path;
            } else if constexpr (std::is_same_v<T, Note>) {
                return "note:" + item.app + ":" + item.title;
            } else {
                return "page:" + item.url;
            }
        },
        value_);
}

Item Item::fromJSON(const json::Value& value) {
    const auto id = json::decodeValue<std::string>(value);
    auto item = fromId(id);
    if (!item) {
        throw json::DecodingError("Not an Item: " + id);
    }
    return std::move(*item);
}

json::Value Item::toJSON() const {
    return id();
}

bool operator==(const Item& a, const Item& b) {
    if (a.value_.index() != b.value_.index()) {
        return false;
    }
    return std::visit(
        [&b](const auto& left) {
            using T = std::decay_t<decltype(left)>;
            const T& right = std::get<T>(b.value_);
            if constexpr (std::is_same_v<T, Item::App>) {
                return text::equal(left.bundleID, right.bundleID);
            } else if constexpr (std::is_same_v<T, Item::Document>) {
                return text::equal(left.path, right.path);
            } else if constexpr (std::is_same_v<T, Item::Note>) {
                return text::equal(left.app, right.app) && text::equal(left.title, right.title);
            } else {
                return text::equal(left.url, right.url);
            }
        },
        a.value_);
}

std::weak_ordering operator<=>(const Item& a, const Item& b) {
    if (const auto order = text::compare(a.id(), b.id()); order != 0) {
        return order;
    }
    // Ids name items uniquely, but canonically equivalent ids still need a tie-break that agrees
    // with ==; the id of a note joins its two strings, so compare them apart.
    if (a.value_.index() != b.value_.index()) {
        return a.value_.index() <=> b.value_.index();
    }
    return std::visit(
        [&b](const auto& left) -> std::weak_ordering {
            using T = std::decay_t<decltype(left)>;
            const T& right = std::get<T>(b.value_);
            if constexpr (std::is_same_v<T, Item::Note>) {
                if (const auto order = compareText(left.app, right.app); order != 0) {
                    return order;
                }
                return compareText(left.title, right.title);
            } else {
                return std::weak_ordering::equivalent; // the id holds the one string
            }
        },
        a.value_);
}

std::size_t Item::hash() const {
    std::size_t seed = value_.index();
    std::visit(
        [&seed](const auto& item) {
            using T = std::decay_t<decltype(item)>;
            if constexpr (std::is_same_v<T, App>) {
                combine(seed, text::hash(item.bundleID));
            } else if constexpr (std::is_same_v<T, Document>) {
                combine(seed, text::hash(item.path));
            } else if constexpr (std::is_same_v<T, Note>) {
                combine(seed, text::hash(item.app));
                combine(seed, text::hash(item.title));
            } else {
                combine(seed, text::hash(item.url));
            }
        },
        value_);
    return seed;
}

} // namespace ostrel
