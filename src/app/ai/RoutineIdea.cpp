#include "app/ai/RoutineIdea.hpp"

#include "core/foundation/Graphemes.hpp"
#include "core/foundation/Text.hpp"
#include "core/foundation/Url.hpp"
#include "core/routines/Phrases.hpp"

#include <algorithm>
#include <array>
#include <set>
#include <utility>

#include <unicode/bytestream.h>
#include <unicode/casemap.h>

namespace ostrel {

namespace {

using Ordered = nlohmann::ordered_json;

constexpr std::array<Day, 7> allDays = {Day::monday, Day::tuesday,  Day::wednesday, Day::thursday,
                                        Day::friday, Day::saturday, Day::sunday};
constexpr std::array<Side, 3> allSides = {Side::left, Side::right, Side::wholeScreen};
constexpr std::array<std::string_view, 7> allKinds = {
    Moment::atTime,     Moment::arriving,      Moment::pluggingDisplay, Moment::connectingHeadphones,
    Moment::openingApp, Moment::classStarting, Moment::onlyWhenAsked};

// The guides of hour and minute; a value outside them is no answer the schema allows.
constexpr std::int64_t maxHour = 23;
constexpr std::int64_t maxMinute = 59;

constexpr std::array<std::int64_t, 5> weekdaysMondayToFriday = {2, 3, 4, 5, 6};

// ---- Schema ----------------------------------------------------------------------------------

Ordered described(const char* type, const char* description) {
    Ordered property = Ordered::object();
    property["type"] = type;
    property["description"] = description;
    return property;
}

Ordered stringArray(const char* description) {
    Ordered property = described("array", description);
    property["items"] = Ordered{{"type", "string"}};
    return property;
}

template <class Enum, std::size_t count>
Ordered caseNames(const std::array<Enum, count>& cases) {
    Ordered names = Ordered::array();
    for (Enum one : cases) {
        names.push_back(std::string(toString(one)));
    }
    return names;
}

// An object of the given properties, all of them required and no others allowed.
Ordered objectSchema(Ordered properties) {
    Ordered required = Ordered::array();
    for (const auto& [key, value] : properties.items()) {
        required.push_back(key);
    }
    Ordered schema = Ordered::object();
    schema["type"] = "object";
    schema["properties"] = std::move(properties);
    schema["required"] = std::move(required);
    schema["additionalProperties"] = false;
    return schema;
}

Ordered appPlaceSchema() {
    Ordered properties = Ordered::object();
    properties["app"] = described("string", "The app, exactly as named in the list of installed apps");
    properties["side"] = Ordered{{"type", "string"}, {"enum", caseNames(allSides)}};
    return objectSchema(std::move(properties));
}

Ordered momentSchema() {
    Ordered kinds = Ordered::array();
    for (std::string_view kind : allKinds) {
        kinds.push_back(std::string(kind));
    }
    Ordered properties = Ordered::object();
    properties["kind"] = described("string", "When the routine should happen");
    properties["kind"]["enum"] = std::move(kinds);
    properties["hour"] = described("integer", "For a time: the hour, 0 to 23");
    properties["hour"]["minimum"] = 0;
    properties["hour"]["maximum"] = maxHour;
    properties["minute"] = described("integer", "For a time: the minute, 0 to 59");
    properties["minute"]["minimum"] = 0;
    properties["minute"]["maximum"] = maxMinute;
    properties["days"] = described("array", "For a time: the days, or empty for every weekday");
    properties["days"]["items"] = Ordered{{"type", "string"}, {"enum", caseNames(allDays)}};
    properties["name"] = described("string", "For opening an app: the app, exactly as named in the list. For a "
                                             "class: the class name. Otherwise empty.");
    return objectSchema(std::move(properties));
}

// ---- Decoding --------------------------------------------------------------------------------

// Reads one object of the answer, property by property in the order asked, with messages that
// name the property and its type.
class Reader {
public:
    Reader(const json::Value& value, const char* type) : object_(value), type_(type) {
        if (!value.is_object()) {
            throw IdeaDecodingError(std::string(type_) + ": expected an object, found " + value.type_name());
        }
    }

    template <class T>
    T read(const char* key) const {
        const auto found = object_.find(key);
        if (found == object_.end() || found->is_null()) {
            throw IdeaDecodingError(std::string(type_) + ": missing \"" + key + "\"");
        }
        try {
            return json::decodeValue<T>(*found);
        } catch (const json::DecodingError& error) {
            throw IdeaDecodingError(std::string(type_) + " \"" + key + "\": " + error.what());
        }
    }

    const json::Value& raw(const char* key) const {
        const auto found = object_.find(key);
        if (found == object_.end() || found->is_null()) {
            throw IdeaDecodingError(std::string(type_) + ": missing \"" + key + "\"");
        }
        return *found;
    }

    std::int64_t bounded(const char* key, std::int64_t max) const {
        const auto number = read<std::int64_t>(key);
        if (number < 0 || number > max) {
            throw IdeaDecodingError(std::string(type_) + " \"" + key + "\": " + std::to_string(number) +
                                    " is outside 0 to " + std::to_string(max));
        }
        return number;
    }

private:
    const json::Value& object_;
    const char* type_;
};

template <class Enum, std::size_t count>
Enum readCase(const json::Value& value, const std::array<Enum, count>& cases, const char* type) {
    if (!value.is_string()) {
        throw IdeaDecodingError(std::string(type) + ": expected a string, found " + value.type_name());
    }
    const auto& text = value.get_ref<const std::string&>();
    for (Enum one : cases) {
        if (text == toString(one)) {
            return one;
        }
    }
    throw IdeaDecodingError("Unexpected value \"" + text + "\" for " + type);
}

template <class T, class ReadOne>
std::vector<T> readArray(const json::Value& value, const char* what, ReadOne readOne) {
    if (!value.is_array()) {
        throw IdeaDecodingError(std::string(what) + ": expected an array, found " + value.type_name());
    }
    std::vector<T> result;
    result.reserve(value.size());
    for (const json::Value& element : value) {
        result.push_back(readOne(element));
    }
    return result;
}

AppPlace decodeAppPlace(const json::Value& value) {
    const Reader reader(value, "AppPlace");
    AppPlace place;
    place.app = reader.read<std::string>("app");
    place.side = readCase(reader.raw("side"), allSides, "Side");
    return place;
}

Moment decodeMoment(const json::Value& value) {
    const Reader reader(value, "Moment");
    Moment moment;
    moment.kind = reader.read<std::string>("kind");
    moment.hour = reader.bounded("hour", maxHour);
    moment.minute = reader.bounded("minute", maxMinute);
    moment.days = readArray<Day>(reader.raw("days"), "Moment \"days\"",
                                 [](const json::Value& day) { return readCase(day, allDays, "Day"); });
    moment.name = reader.read<std::string>("name");
    return moment;
}

// ---- Drafting --------------------------------------------------------------------------------

std::string couldNotFindApp(const std::string& name) {
    return "Couldn't find an app called " + name + ".";
}

// The first user-perceived character upper-cased, the same in every locale; the rest as it is.
std::string capitalisedFirst(const std::string& text) {
    const auto clusters = graphemeClusters(text);
    if (clusters.empty()) {
        return text;
    }
    const std::string_view first = clusters.front();
    std::string result;
    icu::StringByteSink<std::string> sink(&result);
    UErrorCode status = U_ZERO_ERROR;
    icu::CaseMap::utf8ToUpper("", 0, icu::StringPiece(first.data(), static_cast<int32_t>(first.size())), sink,
                              nullptr, status);
    if (U_FAILURE(status)) {
        return text;
    }
    // The clusters are views into text, so the rest starts where the first one ends.
    result.append(text, static_cast<std::size_t>(first.data() + first.size() - text.data()));
    return result;
}

// A page for a web address the model wrote, or nothing when it is no web page: a text without a
// scheme is taken as https; only http and https with a host are kept.
std::optional<Item> page(const std::string& website) {
    const std::string full = website.find("://") == std::string::npos ? "https://" + website : website;
    const auto url = Url::parse(full);
    if (!url || !url->scheme() || !url->host() || url->host()->empty()) {
        return std::nullopt;
    }
    const std::string scheme = text::lowercased(*url->scheme());
    if (scheme != "http" && scheme != "https") {
        return std::nullopt;
    }
    return Item::page(url->text());
}

bool containsText(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

// Lower-cased and composed, so that containment is that of Unicode text.
std::string folded(const std::string& text) {
    return text::composed(text::lowercased(text));
}

std::string_view kindOf(Phrases::Moment moment) {
    switch (moment) {
    case Phrases::Moment::time:
        return Moment::atTime;
    case Phrases::Moment::arriving:
        return Moment::arriving;
    case Phrases::Moment::display:
        return Moment::pluggingDisplay;
    case Phrases::Moment::headphones:
        return Moment::connectingHeadphones;
    case Phrases::Moment::openApp:
        return Moment::openingApp;
    }
    return Moment::onlyWhenAsked;
}

bool addsApp(const std::vector<Item>& added, const std::string& bundleID) {
    const auto item = Item::app(bundleID);
    return item && std::find(added.begin(), added.end(), *item) != added.end();
}

} // namespace

std::string_view toString(Day day) {
    switch (day) {
    case Day::monday:
        return "monday";
    case Day::tuesday:
        return "tuesday";
    case Day::wednesday:
        return "wednesday";
    case Day::thursday:
        return "thursday";
    case Day::friday:
        return "friday";
    case Day::saturday:
        return "saturday";
    case Day::sunday:
        return "sunday";
    }
    return "";
}

std::string_view toString(Side side) {
    switch (side) {
    case Side::left:
        return "left";
    case Side::right:
        return "right";
    case Side::wholeScreen:
        return "wholeScreen";
    }
    return "";
}

std::int64_t weekdayNumber(Day day) {
    return day == Day::sunday ? 1 : static_cast<std::int64_t>(day) + 2;
}

nlohmann::ordered_json RoutineIdea::schema() {
    Ordered properties = Ordered::object();
    properties["name"] =
        described("string", "A short name for the routine, one to three words, such as Calc lecture, Desk or Gym");
    properties["apps"] = stringArray("Apps to open, each exactly as named in the list of installed apps");
    properties["websites"] = stringArray("Web addresses to open, only if the student named a website");
    properties["places"] = described("array", "Where each app's window goes, only for apps the student placed");
    properties["places"]["items"] = appPlaceSchema();
    properties["hide"] = stringArray("Apps to hide, only if the student asked to hide or close them");
    properties["mute"] = described("boolean", "Whether to mute the Mac's sound");
    properties["when"] = momentSchema();
    return objectSchema(std::move(properties));
}

RoutineIdea RoutineIdea::decode(std::string_view text) {
    json::Value value;
    try {
        value = json::parse(text);
    } catch (const json::DecodingError& error) {
        throw IdeaDecodingError(error.what());
    }
    return fromJSON(value);
}

RoutineIdea RoutineIdea::fromJSON(const json::Value& value) {
    const Reader reader(value, "RoutineIdea");
    RoutineIdea idea;
    idea.name = reader.read<std::string>("name");
    idea.apps = reader.read<std::vector<std::string>>("apps");
    idea.websites = reader.read<std::vector<std::string>>("websites");
    idea.places = readArray<AppPlace>(reader.raw("places"), "RoutineIdea \"places\"", decodeAppPlace);
    idea.hide = reader.read<std::vector<std::string>>("hide");
    idea.mute = reader.read<bool>("mute");
    idea.when = decodeMoment(reader.raw("when"));
    return idea;
}

nlohmann::ordered_json RoutineIdea::toJSON() const {
    Ordered placesJSON = Ordered::array();
    for (const AppPlace& place : places) {
        Ordered one = Ordered::object();
        one["app"] = place.app;
        one["side"] = std::string(toString(place.side));
        placesJSON.push_back(std::move(one));
    }
    Ordered daysJSON = Ordered::array();
    for (Day day : when.days) {
        daysJSON.push_back(std::string(toString(day)));
    }
    Ordered whenJSON = Ordered::object();
    whenJSON["kind"] = when.kind;
    whenJSON["hour"] = when.hour;
    whenJSON["minute"] = when.minute;
    whenJSON["days"] = std::move(daysJSON);
    whenJSON["name"] = when.name;

    Ordered result = Ordered::object();
    result["name"] = name;
    result["apps"] = apps;
    result["websites"] = websites;
    result["places"] = std::move(placesJSON);
    result["hide"] = hide;
    result["mute"] = mute;
    result["when"] = std::move(whenJSON);
    return result;
}

Described RoutineIdea::draft(const std::string& words, const Surroundings& surroundings) const {
    const auto& installed = surroundings.apps;
    Described result;
    RoutineEdits& edits = result.edits;
    std::vector<std::string>& notes = result.notes;

    if (!name.empty()) {
        edits.name = capitalisedFirst(name);
    }

    for (const std::string& app : apps) {
        if (const auto bundleID = InstalledApps::match(app, installed)) {
            if (auto item = Item::app(*bundleID)) {
                edits.added.push_back(std::move(*item));
            }
        } else if (!app.empty()) {
            notes.push_back(couldNotFindApp(app));
        }
    }

    for (const std::string& website : websites) {
        if (auto item = page(website)) {
            edits.added.push_back(std::move(*item));
        }
    }

    // What the student's own words ask to hide wins over what the model opens.
    std::vector<std::string> installedNames;
    installedNames.reserve(installed.size());
    for (const auto& app : installed) {
        installedNames.push_back(app.name);
    }
    std::set<std::string, text::Less> wordHidden;
    for (const std::string& hiddenName : Phrases::hidden(words, installedNames)) {
        if (auto bundleID = InstalledApps::match(hiddenName, installed)) {
            wordHidden.insert(std::move(*bundleID));
        }
    }
    std::erase_if(edits.added, [&](const Item& item) {
        const auto* app = std::get_if<Item::App>(&item.value());
        return app != nullptr && wordHidden.contains(app->bundleID);
    });

    // Places come from the model but only count when the words speak of placing windows.
    if (Phrases::placesWindows(words)) {
        for (const AppPlace& place : places) {
            const auto bundleID = InstalledApps::match(place.app, installed);
            if (!bundleID) {
                if (!place.app.empty()) {
                    notes.push_back(couldNotFindApp(place.app));
                }
                continue;
            }
            if (!addsApp(edits.added, *bundleID)) {
                if (auto item = Item::app(*bundleID)) {
                    edits.added.push_back(std::move(*item));
                }
            }
            switch (place.side) {
            case Side::left:
                edits.layout.insert_or_assign(*bundleID, RoutineEdits::Placement::left());
                break;
            case Side::right:
                edits.layout.insert_or_assign(*bundleID, RoutineEdits::Placement::right());
                break;
            case Side::wholeScreen:
                edits.layout.insert_or_assign(*bundleID, RoutineEdits::Placement::full());
                break;
            }
        }
    }

    std::set<std::string, text::Less> putAway = wordHidden;
    for (const std::string& app : hide) {
        if (auto bundleID = InstalledApps::match(app, installed)) {
            putAway.insert(std::move(*bundleID));
        } else if (!app.empty()) {
            notes.push_back(couldNotFindApp(app));
        }
    }
    for (const std::string& bundleID : putAway) {
        if (!addsApp(edits.added, bundleID)) {
            edits.putAway.push_back(bundleID);
        }
    }

    edits.mute = mute;

    const auto spoken = Phrases::moment(words);
    const std::string_view kind = spoken ? kindOf(*spoken) : std::string_view(when.kind);
    std::optional<Cue> cue;
    if (kind == Moment::atTime) {
        Cue::Time time;
        if (when.days.empty()) {
            time.weekdays.assign(weekdaysMondayToFriday.begin(), weekdaysMondayToFriday.end());
        } else {
            for (Day day : when.days) {
                time.weekdays.push_back(weekdayNumber(day));
            }
            std::sort(time.weekdays.begin(), time.weekdays.end());
        }
        time.minute = when.hour * 60 + when.minute;
        cue = Cue{std::move(time)};
    } else if (kind == Moment::arriving) {
        if (const auto& network = surroundings.network) {
            cue = Cue{Cue::WiFi{network->hash, network->name}};
            notes.push_back("It'll happen on the " + network->name + " Wi-Fi, the network you're on now.");
        } else {
            notes.emplace_back("Connect to the Wi-Fi there, then add it under When.");
        }
    } else if (kind == Moment::pluggingDisplay) {
        if (!surroundings.displays.empty()) {
            const auto& display = surroundings.displays.front();
            cue = Cue{Cue::Display{display.uuid, display.name}};
        } else {
            notes.emplace_back("Plug the display in, then add it under When.");
        }
    } else if (kind == Moment::connectingHeadphones) {
        if (!surroundings.audio.empty()) {
            const auto& device = surroundings.audio.front();
            cue = Cue{Cue::AudioDevice{device.uid, device.name}};
        } else {
            notes.emplace_back("Connect the headphones, then add them under When.");
        }
    } else if (kind == Moment::openingApp) {
        if (auto bundleID = InstalledApps::match(when.name, installed)) {
            cue = Cue{Cue::App{std::move(*bundleID)}};
        } else if (!when.name.empty()) {
            notes.push_back(couldNotFindApp(when.name));
        }
    } else if (kind == Moment::classStarting && !when.name.empty()) {
        // An empty name is part of every title: it would pick the first class at random.
        const std::string wanted = folded(when.name);
        const auto found =
            std::find_if(surroundings.series.begin(), surroundings.series.end(), [&](const CalendarSeries& one) {
                // An untitled series would likewise stand in every name.
                const std::string title = folded(one.title);
                return containsText(title, wanted) || (!title.empty() && containsText(wanted, title));
            });
        if (found != surroundings.series.end()) {
            cue = Cue{Cue::Event{found->key}};
        } else {
            notes.push_back("Couldn't find a class called " + when.name + " in your calendar.");
        }
    }
    if (cue) {
        edits.cues.push_back(std::move(*cue));
    }
    return result;
}

} // namespace ostrel
