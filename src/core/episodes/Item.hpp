#pragma once

// One thing a routine opens. Its id ("app:" + bundle identifier, "document:" + path,
// "note:" + app + ":" + title, "page:" + URL) is its stable text and its JSON form; routine edits,
// run records and the assistant's answers carry items that way.

#include "core/foundation/Json.hpp"

#include <compare>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace ostrel {

class Item {
public:
    struct App {
        std::string bundleID;
    };
    struct Document {
        std::string path;
    };
    struct Note { // a note of an app whose window titles name its items
        std::string app;
        std::string title;
    };
    struct Page {
        std::string url;
    };
    using Value = std::variant<App, Document, Note, Page>;
    enum class Kind { app, document, note, page }; // in the order of Value's alternatives

    // Each gives nothing when its id would not read back as the same item: an empty part, or a
    // note app with a colon. Callers treat such a thing as absent.
    static std::optional<Item> app(std::string bundleID);
    static std::optional<Item> document(std::string path);
    static std::optional<Item> note(std::string app, std::string title);
    static std::optional<Item> page(std::string url);
    static std::optional<Item> make(Value value);

    // Gives nothing for a malformed id.
    static std::optional<Item> fromId(std::string_view id);

    const Value& value() const { return value_; }
    Kind kind() const { return static_cast<Kind>(value_.index()); }
    std::string id() const;

    // A JSON string holding the id. Decoding throws json::DecodingError "Not an Item: <text>" for a
    // malformed id, and the codec's type error for anything but a string.
    static Item fromJSON(const json::Value& value);
    json::Value toJSON() const;

    // Same kind with equal strings, compared as Unicode text.
    friend bool operator==(const Item& a, const Item& b);
    // Ascending by id text, then by kind and strings, so that it agrees with ==.
    friend std::weak_ordering operator<=>(const Item& a, const Item& b);

    std::size_t hash() const;

private:
    explicit Item(Value value) : value_(std::move(value)) {}

    Value value_;
};

} // namespace ostrel

template <>
struct std::hash<ostrel::Item> {
    std::size_t operator()(const ostrel::Item& item) const { return item.hash(); }
};
