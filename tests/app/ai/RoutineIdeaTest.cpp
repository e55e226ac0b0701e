// The model's routine idea: its schema, the strict reading of an answer and the draft that checks
// the answer against the student's words and the machine.

#include "app/ai/RoutineIdea.hpp"
#include "support/Items.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

using InstalledApps::App;

const std::vector<App> installed = {
    {"Visual Studio Code", "code"},     {"Firefox", "firefox"},
    {"Slack", "com.slack.Slack"},       {"Spotify", "com.spotify.Client"},
    {"Discord", "com.discordapp.Discord"}, {"Zotero", "org.zotero.Zotero"},
};

const std::vector<CalendarSeries> classes = {
    {"s-untitled", "", 0},
    {"s-calc", "Calculus II", 0},
    {"s-bio", "Biology Lab", 0},
};

RoutineIdea::Surroundings surroundings() {
    return {installed, classes, std::nullopt, {}, {}};
}

RoutineIdea nothing() {
    RoutineIdea idea;
    idea.when.kind = std::string(Moment::onlyWhenAsked);
    return idea;
}

std::string layoutText(const RoutineEdits::Layout& layout) {
    return json::encode(json::encodeValue(layout));
}

std::string cuesText(const std::vector<Cue>& cues) {
    return json::encode(json::encodeValue(cues));
}

// ---- Schema --------------------------------------------------------------------------------

std::vector<std::string> keysOf(const nlohmann::ordered_json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) {
        keys.push_back(key);
    }
    return keys;
}

TEST(RoutineIdeaSchemaTest, PropertiesKeepSchemaOrderInTheWrittenText) {
    const auto schema = RoutineIdea::schema();
    const std::string text = schema.dump();
    EXPECT_NE(text.find(R"("properties":{"name":{)"), std::string::npos) << text;
    const std::vector<std::string> order = {"name", "apps", "websites", "places", "hide", "mute", "when"};
    EXPECT_EQ(keysOf(schema["properties"]), order);
    EXPECT_EQ(keysOf(schema["properties"]["places"]["items"]["properties"]),
              (std::vector<std::string>{"app", "side"}));
    EXPECT_EQ(keysOf(schema["properties"]["when"]["properties"]),
              (std::vector<std::string>{"kind", "hour", "minute", "days", "name"}));
    std::size_t last = 0;
    for (const std::string& key : order) {
        const std::size_t at = text.find("\"" + key + "\":{\"type\"");
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at, last) << key << " stands out of order";
        last = at;
    }
}

TEST(RoutineIdeaSchemaTest, EveryObjectRequiresAllItsPropertiesAndNoOthers) {
    const auto schema = RoutineIdea::schema();
    for (const auto* object : {&schema, &schema["properties"]["places"]["items"], &schema["properties"]["when"]}) {
        EXPECT_EQ((*object)["type"], "object");
        EXPECT_EQ((*object)["additionalProperties"], false);
        nlohmann::ordered_json required = nlohmann::ordered_json::array();
        for (const auto& key : keysOf((*object)["properties"])) {
            required.push_back(key);
        }
        EXPECT_EQ((*object)["required"], required);
    }
}

TEST(RoutineIdeaSchemaTest, TypesDescriptionsAndGuides) {
    const auto schema = RoutineIdea::schema();
    const auto at = [&](const std::string& pointer) { return schema.at(nlohmann::ordered_json::json_pointer(pointer)); };
    const struct {
        const char* pointer;
        nlohmann::ordered_json value;
    } cases[] = {
        {"/properties/name/description",
         "A short name for the routine, one to three words, such as Calc lecture, Desk or Gym"},
        {"/properties/apps/description", "Apps to open, each exactly as named in the list of installed apps"},
        {"/properties/apps/items/type", "string"},
        {"/properties/websites/description", "Web addresses to open, only if the student named a website"},
        {"/properties/places/description", "Where each app's window goes, only for apps the student placed"},
        {"/properties/hide/description", "Apps to hide, only if the student asked to hide or close them"},
        {"/properties/mute/type", "boolean"},
        {"/properties/mute/description", "Whether to mute the Mac's sound"},
        {"/properties/places/items/properties/app/description",
         "The app, exactly as named in the list of installed apps"},
        {"/properties/places/items/properties/side/enum", {"left", "right", "wholeScreen"}},
        {"/properties/when/properties/kind/description", "When the routine should happen"},
        {"/properties/when/properties/kind/enum",
         {"at a time of day", "arriving at a place, such as the library or home", "plugging in a monitor or display",
          "connecting headphones or AirPods", "opening a particular app", "a class starting", "only when asked"}},
        {"/properties/when/properties/hour/type", "integer"},
        {"/properties/when/properties/hour/description", "For a time: the hour, 0 to 23"},
        {"/properties/when/properties/hour/minimum", 0},
        {"/properties/when/properties/hour/maximum", 23},
        {"/properties/when/properties/minute/description", "For a time: the minute, 0 to 59"},
        {"/properties/when/properties/minute/minimum", 0},
        {"/properties/when/properties/minute/maximum", 59},
        {"/properties/when/properties/days/description", "For a time: the days, or empty for every weekday"},
        {"/properties/when/properties/days/items/enum",
         {"monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"}},
        {"/properties/when/properties/name/description",
         "For opening an app: the app, exactly as named in the list. For a class: the class name. Otherwise empty."},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(at(one.pointer), one.value) << one.pointer;
    }
    // Only properties carry descriptions; the nested types have none of their own.
    EXPECT_FALSE(schema.contains("description"));
    EXPECT_FALSE(schema["properties"]["when"].contains("description"));
    EXPECT_FALSE(schema["properties"]["places"]["items"]["properties"]["side"].contains("description"));
}

// ---- Reading an answer -----------------------------------------------------------------------

const char* const wholeAnswer = R"({
  "name": "calc lecture", "apps": ["Visual Studio Code"], "websites": ["canvas.school.edu"],
  "places": [{"app": "Firefox", "side": "wholeScreen"}], "hide": ["Slack"], "mute": true,
  "when": {"kind": "at a time of day", "hour": 23, "minute": 59, "days": ["sunday", "monday"], "name": ""},
  "extra": "ignored"})";

TEST(RoutineIdeaDecodeTest, ReadsAWholeAnswer) {
    RoutineIdea expected;
    expected.name = "calc lecture";
    expected.apps = {"Visual Studio Code"};
    expected.websites = {"canvas.school.edu"};
    expected.places = {{"Firefox", Side::wholeScreen}};
    expected.hide = {"Slack"};
    expected.mute = true;
    expected.when = {std::string(Moment::atTime), 23, 59, {Day::sunday, Day::monday}, ""};
    const RoutineIdea idea = RoutineIdea::decode(wholeAnswer);
    EXPECT_EQ(idea, expected);
    EXPECT_EQ(RoutineIdea::decode(idea.toJSON().dump()), idea) << "its own writing reads back";
}

TEST(RoutineIdeaDecodeTest, TheFirstBadPropertyInSchemaOrderStopsReading) {
    const struct {
        const char* what;
        const char* pointer; // into the whole answer
        const char* replacement; // JSON text, or nullptr to remove the property
        const char* message;
        bool exact;
    } cases[] = {
        {"a day with a capital", "/when/days/1", R"("Monday")", R"(Unexpected value "Monday" for Day)", true},
        {"a side that is no case", "/places/0/side", R"("whole screen")", R"(Unexpected value "whole screen" for Side)",
         true},
        {"a side in another case", "/places/0/side", R"("Left")", R"(Unexpected value "Left" for Side)", true},
        {"a day that is a number", "/when/days/0", "1", "expected a string", false},
        {"an hour past its guide", "/when/hour", "24", "\"hour\"", false},
        {"a negative hour", "/when/hour", "-1", "\"hour\"", false},
        {"a minute past its guide", "/when/minute", "60", "\"minute\"", false},
        {"an hour written as text", "/when/hour", R"("9")", "\"hour\"", false},
        {"a fractional minute", "/when/minute", "1.5", "\"minute\"", false},
        {"a name that is a number", "/name", "5", "\"name\"", false},
        {"a missing name", "/name", nullptr, "\"name\"", false},
        {"a null name", "/name", "null", "\"name\"", false},
        {"apps that are one text", "/apps", R"("Slack")", "\"apps\"", false},
        {"a website that is a number", "/websites/0", "7", "\"websites\"", false},
        {"mute as text", "/mute", R"("true")", "\"mute\"", false},
        {"mute as a number", "/mute", "1", "\"mute\"", false},
        {"a missing moment", "/when", nullptr, "\"when\"", false},
        {"a place without its app", "/places/0/app", nullptr, "\"app\"", false},
        {"a kind that is no text", "/when/kind", "3", "\"kind\"", false},
    };
    for (const auto& one : cases) {
        json::Value answer = json::parse(wholeAnswer);
        const json::Value::json_pointer pointer(one.pointer);
        if (one.replacement == nullptr) {
            answer[pointer.parent_pointer()].erase(pointer.back());
        } else {
            answer[pointer] = json::parse(one.replacement);
        }
        try {
            RoutineIdea::decode(answer.dump());
            ADD_FAILURE() << one.what << ": read without error";
        } catch (const IdeaDecodingError& error) {
            if (one.exact) {
                EXPECT_EQ(std::string(error.what()), one.message) << one.what;
            } else {
                EXPECT_NE(std::string(error.what()).find(one.message), std::string::npos)
                    << one.what << ": " << error.what();
            }
        }
    }
}

TEST(RoutineIdeaDecodeTest, ReadingFollowsSchemaOrderAndRefusesWhatIsNoObject) {
    const struct {
        const char* text;
        const char* mentions;
    } cases[] = {
        // Both "name" and the days are wrong; "name" comes first in the schema.
        {R"({"when": {"kind": "x", "hour": 1, "minute": 1, "days": ["Monday"], "name": ""}, "name": 1})", "\"name\""},
        // "apps" is missing and "mute" is wrong; "apps" comes first.
        {R"({"name": "", "mute": "no", "websites": []})", "\"apps\""},
        {"[]", "expected an object"},
        {"", "JSON"},
        {R"({"name": "Desk",)", "JSON"},
    };
    for (const auto& one : cases) {
        try {
            RoutineIdea::decode(one.text);
            ADD_FAILURE() << one.text;
        } catch (const IdeaDecodingError& error) {
            EXPECT_NE(std::string(error.what()).find(one.mentions), std::string::npos) << one.text << ": "
                                                                                         << error.what();
        }
    }
}

TEST(RoutineIdeaDecodeTest, EveryCaseNameReads) {
    for (const char* side : {"left", "right", "wholeScreen"}) {
        json::Value answer = json::parse(wholeAnswer);
        answer["places"][0]["side"] = side;
        EXPECT_EQ(toString(RoutineIdea::decode(answer.dump()).places[0].side), side);
    }
    json::Value answer = json::parse(wholeAnswer);
    answer["when"]["days"] = {"monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"};
    std::vector<std::int64_t> weekdays;
    for (Day day : RoutineIdea::decode(answer.dump()).when.days) {
        weekdays.push_back(weekdayNumber(day));
    }
    EXPECT_EQ(weekdays, (std::vector<std::int64_t>{2, 3, 4, 5, 6, 7, 1}));
}

// ---- Drafting -------------------------------------------------------------------------------

struct DraftCase {
    const char* what;
    std::string words;
    std::function<void(RoutineIdea&)> change;
    std::vector<std::string> added;
    std::vector<std::string> putAway;
    std::string layout; // encoded
    std::vector<std::string> notes;
};

void expectDraft(const DraftCase& one, const RoutineIdea::Surroundings& around) {
    RoutineIdea idea = nothing();
    one.change(idea);
    const Described result = idea.draft(one.words, around);
    SCOPED_TRACE(one.what);
    EXPECT_EQ(test::ids(result.edits.added), one.added);
    EXPECT_EQ(result.edits.putAway, one.putAway);
    EXPECT_EQ(layoutText(result.edits.layout), one.layout);
    EXPECT_EQ(result.notes, one.notes);
}

TEST(RoutineIdeaDraftTest, OpeningPlacingAndHiding) {
    const std::vector<DraftCase> cases = {
        {"unknown apps are noted, empty ones skipped, repeats kept",
         "open slack",
         [](RoutineIdea& idea) { idea.apps = {"Slack", "Notion", "", "slack"}; },
         {"app:com.slack.Slack", "app:com.slack.Slack"},
         {},
         "{}",
         {"Couldn't find an app called Notion."}},
        {"places from the model count only when the words place windows",
         "open slack and firefox",
         [](RoutineIdea& idea) {
             idea.apps = {"Slack"};
             idea.places = {{"Firefox", Side::left}};
         },
         {"app:com.slack.Slack"},
         {},
         "{}",
         {}},
        {"words with a side place nothing the model did not place",
         "slack on the left please",
         [](RoutineIdea& idea) { idea.apps = {"Slack"}; },
         {"app:com.slack.Slack"},
         {},
         "{}",
         {}},
        {"a placed app is added once and takes its last side",
         "code on the left, firefox full screen",
         [](RoutineIdea& idea) {
             idea.apps = {"Visual Studio Code"};
             idea.places = {{"Visual Studio Code", Side::left}, {"Firefox", Side::wholeScreen},
                            {"visual studio code", Side::right}};
         },
         {"app:code", "app:firefox"},
         {},
         R"({"code":{"right":{}},"firefox":{"full":{}}})",
         {}},
        {"an unknown placed app is noted, an empty one skipped",
         "notion on the right",
         [](RoutineIdea& idea) { idea.places = {{"Notion", Side::right}, {"", Side::left}}; },
         {},
         {},
         "{}",
         {"Couldn't find an app called Notion."}},
        {"what the words hide is taken out of what opens and put away",
         "open slack and spotify, hide spotify and discord",
         [](RoutineIdea& idea) { idea.apps = {"Spotify", "Slack"}; },
         {"app:com.slack.Slack"},
         {"com.discordapp.Discord", "com.spotify.Client"},
         "{}",
         {}},
        {"an app both placed and hidden stays open and placed",
         "hide slack, then slack on the left",
         [](RoutineIdea& idea) {
             idea.apps = {"Slack"};
             idea.places = {{"Slack", Side::left}};
             idea.hide = {"Slack"};
         },
         {"app:com.slack.Slack"},
         {},
         R"({"com.slack.Slack":{"left":{}}})",
         {}},
        {"the model's hide list, sorted, without repeats, unknown ones noted",
         "my desk",
         [](RoutineIdea& idea) { idea.hide = {"Zotero", "Discord", "Notion", "", "discord"}; },
         {},
         {"com.discordapp.Discord", "org.zotero.Zotero"},
         "{}",
         {"Couldn't find an app called Notion."}},
        {"an app the model both opens and hides stays open",
         "open zotero",
         [](RoutineIdea& idea) {
             idea.apps = {"Zotero"};
             idea.hide = {"Zotero", "Discord"};
         },
         {"app:org.zotero.Zotero"},
         {"com.discordapp.Discord"},
         "{}",
         {}},
        {"notes keep the order the steps make them",
         "close Spotify; left and right",
         [](RoutineIdea& idea) {
             idea.apps = {"Notes"};
             idea.places = {{"Pages", Side::left}};
             idea.hide = {"Mail"};
         },
         {},
         {"com.spotify.Client"},
         "{}",
         {"Couldn't find an app called Notes.", "Couldn't find an app called Pages.",
          "Couldn't find an app called Mail."}},
    };
    for (const DraftCase& one : cases) {
        expectDraft(one, surroundings());
    }
}

TEST(RoutineIdeaDraftTest, WebsitesNeedAWebSchemeAndAHost) {
    const struct {
        const char* website;
        std::vector<std::string> added;
    } cases[] = {
        {"canvas.school.edu/courses", {"page:https://canvas.school.edu/courses"}},
        {"https://docs.example.org", {"page:https://docs.example.org"}},
        {"http://intranet.school.edu", {"page:http://intranet.school.edu"}},
        {"HTTPS://Example.com", {"page:HTTPS://Example.com"}},
        {"ftp://files.example.com", {}},
        {"javascript://alert(1)", {}},
        {"file:///etc/hosts", {}},
        {"https:///no-host", {}},
        {"", {}},
        {"not a web address", {}},
    };
    for (const auto& one : cases) {
        RoutineIdea idea = nothing();
        idea.websites = {one.website};
        const Described result = idea.draft("open it", surroundings());
        EXPECT_EQ(test::ids(result.edits.added), one.added) << one.website;
        EXPECT_TRUE(result.notes.empty()) << one.website;
    }
}

TEST(RoutineIdeaDraftTest, NameIsCapitalisedAndAnIdeaMatchingNothingLeavesEmptyEdits) {
    const struct {
        const char* given;
        std::optional<std::string> name;
    } cases[] = {
        {"calc lecture", "Calc lecture"}, {"Gym", "Gym"}, {"", std::nullopt},
        {"écrire", "Écrire"},             {"ßport", "SSport"}, {"e\xCC\x81tude", "E\xCC\x81tude"},
    };
    for (const auto& one : cases) {
        RoutineIdea idea = nothing();
        idea.name = one.given;
        idea.mute = true;
        idea.apps = {"Notion"};
        const Described result = idea.draft("", surroundings());
        RoutineEdits expected;
        expected.name = one.name;
        expected.mute = true;
        EXPECT_EQ(result.edits, expected) << one.given;
        EXPECT_EQ(result.notes, std::vector<std::string>{"Couldn't find an app called Notion."});
    }
}

TEST(RoutineIdeaDraftTest, TheMomentBecomesOneCue) {
    RoutineIdea::Surroundings connected = surroundings();
    connected.network = PlaceSignal::Network{"eduroam", "0123456789abcdef"};
    connected.displays = {{"6D3F2C1A-0000-4000-8000-000000000001", "DELL U2720Q"},
                          {"6D3F2C1A-0000-4000-8000-000000000002", "LG"}};
    connected.audio = {{"bt-1", "AirPods Pro", "bluetooth"}, {"usb-2", "Headset", "usb"}};
    const RoutineIdea::Surroundings bare = surroundings();

    const struct {
        const char* what;
        std::string words;
        Moment when;
        bool isConnected;
        std::string cues; // encoded
        std::vector<std::string> notes;
    } cases[] = {
        {"a time on weekdays by default", "my morning desk", {"at a time of day", 9, 30, {}, ""}, false,
         R"([{"time":{"minute":570,"weekdays":[2,3,4,5,6]}}])", {}},
        {"days sorted into weekday numbers", "", {"at a time of day", 0, 5, {Day::monday, Day::sunday}, ""}, false,
         R"([{"time":{"minute":5,"weekdays":[1,2]}}])", {}},
        {"repeated days kept", "", {"at a time of day", 23, 59, {Day::friday, Day::monday, Day::friday}, ""}, false,
         R"([{"time":{"minute":1439,"weekdays":[2,6,6]}}])", {}},
        {"words naming a time win over the model's kind", "slack at 9am", {"a class starting", 9, 0, {}, "Calculus"},
         false, R"([{"time":{"minute":540,"weekdays":[2,3,4,5,6]}}])", {}},
        {"arriving on the Wi-Fi now", "when I get to the library", {"at a time of day", 8, 0, {}, ""}, true,
         R"([{"wifi":{"name":"eduroam","network":"0123456789abcdef"}}])",
         {"It'll happen on the eduroam Wi-Fi, the network you're on now."}},
        {"arriving without Wi-Fi", "when I get to the library", {"at a time of day", 8, 0, {}, ""}, false, "[]",
         {"Connect to the Wi-Fi there, then add it under When."}},
        {"the first display connected", "", {"plugging in a monitor or display", 0, 0, {}, ""}, true,
         R"([{"display":{"name":"DELL U2720Q","uuid":"6D3F2C1A-0000-4000-8000-000000000001"}}])", {}},
        {"no display connected", "when I plug in my monitor", {"only when asked", 0, 0, {}, ""}, false, "[]",
         {"Plug the display in, then add it under When."}},
        {"the first audio device", "with my airpods", {"only when asked", 0, 0, {}, ""}, true,
         R"([{"audioDevice":{"name":"AirPods Pro","uid":"bt-1"}}])", {}},
        {"no audio device", "", {"connecting headphones or AirPods", 0, 0, {}, ""}, false, "[]",
         {"Connect the headphones, then add them under When."}},
        {"opening an installed app", "when i open zotero", {"opening a particular app", 0, 0, {}, "Zotero"}, false,
         R"([{"app":{"_0":"org.zotero.Zotero"}}])", {}},
        {"opening an unknown app", "", {"opening a particular app", 0, 0, {}, "Notion"}, false, "[]",
         {"Couldn't find an app called Notion."}},
        {"opening no app", "", {"opening a particular app", 0, 0, {}, ""}, false, "[]", {}},
        {"a class by the start of its title", "", {"a class starting", 0, 0, {}, "CALC"}, false,
         R"([{"event":{"_0":"s-calc"}}])", {}},
        {"a class whose title stands in the name", "", {"a class starting", 0, 0, {}, "my biology lab section"},
         false, R"([{"event":{"_0":"s-bio"}}])", {}},
        {"an unknown class", "", {"a class starting", 0, 0, {}, "Chemistry"}, false, "[]",
         {"Couldn't find a class called Chemistry in your calendar."}},
        {"a class without a name", "", {"a class starting", 0, 0, {}, ""}, false, "[]", {}},
        {"only when asked", "", {"only when asked", 7, 0, {}, "Slack"}, false, "[]", {}},
        {"a kind the schema does not know", "", {"sometimes", 7, 0, {}, ""}, false, "[]", {}},
    };
    for (const auto& one : cases) {
        RoutineIdea idea = nothing();
        idea.when = one.when;
        const Described result = idea.draft(one.words, one.isConnected ? connected : bare);
        EXPECT_EQ(cuesText(result.edits.cues), one.cues) << one.what;
        EXPECT_EQ(result.notes, one.notes) << one.what;
    }
}

} // namespace
} // namespace ostrel
