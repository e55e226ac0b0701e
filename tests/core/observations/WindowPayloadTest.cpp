#include "core/observations/WindowPayload.hpp"

#include "core/observations/WindowsPayload.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using Frame = WindowPayload::Frame;

constexpr const char* notes = "com.apple.Notes";
constexpr const char* editor = "com.example.Editor";

TEST(WindowPayload, KeepsTheDocumentPathOrForTitledAppsTheTitle) {
    const struct {
        const char* bundleID;
        std::optional<std::string_view> document;
        std::optional<std::string> expectedDocument;
        std::optional<std::string> expectedTitle; // given title is always "Groceries"
    } cases[] = {
        {notes, std::nullopt, std::nullopt, "Groceries"},
        {editor, std::nullopt, std::nullopt, std::nullopt},
        {editor, "file:///Users/ana/My%20Essay.docx", "/Users/ana/My Essay.docx", std::nullopt},
        {notes, "file:///Users/ana/My%20Essay.docx", "/Users/ana/My Essay.docx", std::nullopt},
        {editor, "file:///tmp/%E2%82%AC%2Fx", "/tmp/\u20AC/x", std::nullopt},
        {editor, "FILE:///tmp/a", "/tmp/a", std::nullopt},
        {editor, "file://localhost/tmp/a?x#y", "/tmp/a", std::nullopt},
        // No file URL: the document is dropped and the title rule alone decides.
        {editor, "/Users/ana/Essay.docx", std::nullopt, std::nullopt},
        {notes, "/Users/ana/Essay.docx", std::nullopt, "Groceries"},
        {notes, "https://example.com/Essay.docx", std::nullopt, "Groceries"},
        {notes, "not a url", std::nullopt, "Groceries"},
        {notes, "", std::nullopt, "Groceries"},
        // Paths that name no file: not UTF-8, a NUL byte, nothing at all.
        {notes, "file:///tmp/%FF", std::nullopt, "Groceries"},
        {notes, "file:///tmp/a%00b", std::nullopt, "Groceries"},
        {notes, "file://", std::nullopt, "Groceries"},
        {"com.apple.notes", std::nullopt, std::nullopt, std::nullopt}, // bundle identifiers are exact
    };
    for (const auto& c : cases) {
        const auto payload =
            WindowPayload::make(c.bundleID, c.document, "Groceries", std::nullopt, std::nullopt);
        EXPECT_EQ(payload.bundleID, c.bundleID);
        EXPECT_EQ(payload.document, c.expectedDocument) << c.bundleID << " " << c.document.value_or("-");
        EXPECT_EQ(payload.title, c.expectedTitle) << c.bundleID << " " << c.document.value_or("-");
    }
}

TEST(WindowPayload, FramesAreStandardisedAndRoundedHalvesAwayFromZero) {
    const struct {
        Rect rect;
        std::optional<Frame> expected;
    } cases[] = {
        {{10.4, 20.5, 300.49, 200.5}, Frame{10, 21, 300, 201}}, {{100, 50, -40, 30}, Frame{60, 50, 40, 30}},
        {{100, 50, 40, -30}, Frame{100, 20, 40, 30}},           {{-0.5, -1.5, 0.5, 2.5}, Frame{-1, -2, 1, 3}},
        {{-2560, 0, 2560, 1440}, Frame{-2560, 0, 2560, 1440}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WindowPayload::make(editor, std::nullopt, std::nullopt, c.rect, std::nullopt).frame,
                  c.expected)
            << c.rect.x << "," << c.rect.y << "," << c.rect.width << "," << c.rect.height;
    }
}

TEST(WindowPayload, AFrameWithoutIntegerFormIsLeftOutAndTheRestKept) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Rect bad[] = {
        {nan, 0, 10, 10},
        {0, 0, inf, 10},
        {0, -inf, 10, 10},
        {0, 0, 10, nan},
        {9223372036854775808.0, 0, 10, 10},
        {0, 0, 10, -1e19},          // standardising moves y to -1e19
        {-9e18, 0, -1e18, 10},      // and here x to -1e19
        {1.7e308, 0, -1.7e308, 10}, // x becomes 0, the width still does not fit
    };
    for (const Rect& rect : bad) {
        const auto payload = WindowPayload::make(notes, std::nullopt, "Groceries", rect, true);
        EXPECT_EQ(payload.frame, std::nullopt)
            << rect.x << "," << rect.y << "," << rect.width << "," << rect.height;
        EXPECT_EQ(payload.title, "Groceries");
        EXPECT_EQ(payload.minimized, true);
    }
}

TEST(WindowPayload, EncodesOnlyWhatItHas) {
    const struct {
        WindowPayload payload;
        const char* json;
    } cases[] = {
        {WindowPayload::make(editor, std::nullopt, "Secret plans", std::nullopt, false),
         R"({"bundleID":"com.example.Editor"})"},
        {WindowPayload::make(editor, std::nullopt, std::nullopt, std::nullopt, std::nullopt),
         R"({"bundleID":"com.example.Editor"})"},
        {WindowPayload::make(notes, std::nullopt, "Groceries", Rect{10.4, 20.5, 300.49, 200.5}, true),
         R"({"bundleID":"com.apple.Notes","frame":{"height":201,"width":300,"x":10,"y":21},"minimized":true,"title":"Groceries"})"},
        {WindowPayload::make(editor, "file:///a/b%20c", std::nullopt, std::nullopt, std::nullopt),
         R"({"bundleID":"com.example.Editor","document":"/a/b c"})"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::encodeRecord(c.payload), c.json);
        EXPECT_EQ(json::decodeRecord<WindowPayload>(c.json), c.payload);
    }
}

TEST(WindowPayload, ItemIsTheDocumentElseTheTitle) {
    const struct {
        const char* json;
        std::optional<std::string> item;
    } cases[] = {
        {R"({"bundleID":"x","document":"/a","title":"T"})", "/a"},
        {R"({"bundleID":"x","title":"T"})", "T"},
        {R"({"bundleID":"x","document":"/a"})", "/a"},
        {R"({"bundleID":"x"})", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::decodeRecord<WindowPayload>(c.json).item(), c.item) << c.json;
    }
}

TEST(WindowPayload, DecodesAsWrittenAndStrictly) {
    const struct {
        const char* text;
        std::optional<WindowPayload> expected;
    } cases[] = {
        // Read back exactly: no path conversion, title rule or rounding on the way in.
        {R"({"bundleID":"x","document":"file:///a%20b","title":"T","minimized":false})",
         WindowPayload{"x", "file:///a%20b", "T", std::nullopt, false}},
        {R"({"bundleID":"x","frame":{"x":-1,"y":2,"width":3,"height":4,"z":5},"unknown":[1]})",
         WindowPayload{"x", std::nullopt, std::nullopt, Frame{-1, 2, 3, 4}, std::nullopt}},
        {R"({"bundleID":"x","document":null,"frame":null})", WindowPayload{"x", {}, {}, {}, {}}},
        {R"({"document":"/a"})", std::nullopt},
        {R"({"bundleID":7})", std::nullopt},
        {R"({"bundleID":"x","title":1})", std::nullopt},
        {R"({"bundleID":"x","minimized":1})", std::nullopt},
        {R"({"bundleID":"x","minimized":"true"})", std::nullopt},
        {R"({"bundleID":"x","frame":[1,2,3,4]})", std::nullopt},
        {R"({"bundleID":"x","frame":{"x":1,"y":2,"width":3}})", std::nullopt},
        {R"({"bundleID":"x","frame":{"x":1.5,"y":2,"width":3,"height":4}})", std::nullopt},
        {R"({"bundleID":"x","frame":{"x":"1","y":2,"width":3,"height":4}})", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::tryDecodeRecord<WindowPayload>(c.text), c.expected) << c.text;
    }
}

TEST(WindowsPayload, KeepsTheListedOrderAndFailsAsAWhole) {
    const WindowsPayload payload{
        {WindowPayload{"b", {}, {}, {}, {}}, WindowPayload{"a", "/x", {}, {}, true}}};
    const std::string json = json::encodeRecord(payload);
    EXPECT_EQ(json, R"({"windows":[{"bundleID":"b"},{"bundleID":"a","document":"/x","minimized":true}]})");
    EXPECT_EQ(json::decodeRecord<WindowsPayload>(json), payload);

    const struct {
        const char* text;
        std::optional<WindowsPayload> expected;
    } cases[] = {
        {R"({"windows":[],"front":"a"})", WindowsPayload{}},
        {"{}", std::nullopt},
        {R"({"windows":{}})", std::nullopt},
        {R"({"windows":[{"bundleID":"a"},{"title":"no bundle"}]})", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::tryDecodeRecord<WindowsPayload>(c.text), c.expected) << c.text;
    }
}

} // namespace
} // namespace ostrel
