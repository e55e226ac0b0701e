#include "core/foundation/Json.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using json::Value;

struct Sample {
    std::string name;
    std::optional<std::int64_t> count;
    std::vector<double> values;

    static Sample fromJSON(const Value& value) {
        const json::ObjectReader reader(value);
        return {reader.required<std::string>("name"), reader.optional<std::int64_t>("count"),
                reader.value<std::vector<double>>("values", {})};
    }
    Value toJSON() const {
        return json::ObjectWriter().set("name", name).set("count", count).set("values", values).done();
    }
    friend bool operator==(const Sample&, const Sample&) = default;
};

TEST(Json, EncodesCompactSortedWithUnescapedSlashes) {
    const struct {
        Value value;
        std::string expected;
    } cases[] = {
        {Value{{"b", 1}, {"a", "x/y"}, {"B", true}}, R"({"B":true,"a":"x/y","b":1})"},
        {Value(1440.0), "1440"},
        {Value(-0.0), "-0.0"},
        {Value(0.1), "0.1"},
        {Value(1.5e300), "1.5e+300"},
        {Value(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808"},
        {Value("quote\" back\\ tab\t nl\n bell\x07 é"), R"("quote\" back\\ tab\t nl\n bell\u0007 é")"},
        {Value::array(), "[]"},
        {Value::object(), "{}"},
        {Value{{"z", Value::array({1, 2})}, {"a", Value::object()}}, R"({"a":{},"z":[1,2]})"},
        {Value(nullptr), "null"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::encode(c.value), c.expected);
    }
    EXPECT_EQ(json::encode(Value("a/b"), {.escapeSlashes = true}), R"("a\/b")");
}

TEST(Json, PrettyFormIndentsTwoSpacesOneKeyALine) {
    const Value value{{"b", Value::array({1})}, {"a", Value::object()}};
    EXPECT_EQ(json::encode(value, {.pretty = true}), "{\n  \"a\" : {},\n  \"b\" : [\n    1\n  ]\n}");
}

TEST(Json, RefusesNonFiniteNumbersAndInvalidText) {
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()}) {
        EXPECT_THROW(json::encode(Value{{"x", bad}}), json::EncodingError);
    }
    EXPECT_THROW(json::encode(Value(std::string("\xFF"))), json::EncodingError);
}

TEST(Json, RecordsRoundTripAndLeaveOutAbsentOptionals) {
    const Sample full{"n/a", 3, {1.0, 2.5}};
    EXPECT_EQ(json::encodeRecord(full), R"({"count":3,"name":"n/a","values":[1,2.5]})");
    EXPECT_EQ(json::decodeRecord<Sample>(json::encodeRecord(full)), full);
    EXPECT_EQ(json::encodeRecord(Sample{"x", std::nullopt, {}}), R"({"name":"x","values":[]})");
}

TEST(Json, DecodingIsStrict) {
    const struct {
        const char* text;
        std::optional<Sample> expected;
    } cases[] = {
        {R"({"name":"a"})", Sample{"a", std::nullopt, {}}},
        {R"({"name":"a","count":null,"values":null})", Sample{"a", std::nullopt, {}}},
        {R"({"name":"a","unknown":{"deep":[1]}})", Sample{"a", std::nullopt, {}}},
        {R"({"name":"a","count":2.0,"values":[1]})",
         Sample{"a", 2, {1.0}}},                                       // integral float reads as integer
        {R"({"count":1})", std::nullopt},                              // missing required
        {R"({"name":null})", std::nullopt},                            // null required
        {R"({"name":1})", std::nullopt},                               // number for text
        {R"({"name":"a","count":true})", std::nullopt},                // no bool to integer
        {R"({"name":"a","count":"1"})", std::nullopt},                 // no text to integer
        {R"({"name":"a","count":1.5})", std::nullopt},                 // no fraction to integer
        {R"({"name":"a","count":9223372036854775808})", std::nullopt}, // past int64
        {R"({"name":"a","values":[true]})", std::nullopt},             // no bool to double
        {R"({"name":"a","values":{}})", std::nullopt},
        {R"(["name"])", std::nullopt},
        {R"({"name":"a")", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json::tryDecodeRecord<Sample>(c.text), c.expected) << c.text;
    }
    EXPECT_THROW(json::decodeRecord<Sample>(R"({"name":1})"), json::DecodingError);
    // The whole text is one value: nothing may follow it, a NUL no more than anything else.
    using namespace std::string_literals;
    for (const std::string& text : {R"({"name":"a"} junk)"s, "{\"name\":\"a\"}\0junk"s, "{\"name\":\"a\"}\0"s,
                                    "{\"name\":\"a\0\"}"s, "\0{\"name\":\"a\"}"s}) {
        EXPECT_EQ(json::tryDecodeRecord<Sample>(text), std::nullopt) << text.size();
        EXPECT_THROW(json::parse(text), json::DecodingError) << text.size();
    }
    EXPECT_EQ(json::tryDecodeRecord<Sample>(R"({"name":"a\u0000b"})"), (Sample{std::string("a\0b", 3), std::nullopt, {}}));
    EXPECT_EQ(json::decodeValue<int>(Value(2147483647)), 2147483647);
    EXPECT_THROW(json::decodeValue<int>(Value(2147483648LL)), json::DecodingError);
}

TEST(Json, RefusesNulBytesAnywhere) {
    using namespace std::string_view_literals;
    for (const std::string_view text : {R"({"items":[]})"
                                        "\0junk"sv,
                                        "[1]\0"sv, "\"a\0b\""sv, "{\"a\":\0 1}"sv, "\0"sv}) {
        EXPECT_THROW(json::parse(text), json::DecodingError) << testing::PrintToString(std::string(text));
    }
}

} // namespace
} // namespace ostrel
