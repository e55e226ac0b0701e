// The JSON codec: whatever parses encodes (unless it holds a number too large for a double), the
// encoding parses back to an equal document, and encoding settles after one round trip, compact
// and pretty alike. Raw NUL bytes are never valid JSON, wherever they stand.

#include "FuzzCheck.hpp"

#include "core/foundation/Json.hpp"

using namespace ostrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    json::Value value;
    try {
        value = json::parse(text);
    } catch (const json::DecodingError&) {
        return 0;
    }
    FUZZ_REQUIRE(text.find('\0') == std::string_view::npos);

    for (const bool pretty : {false, true}) {
        const json::EncodeOptions options{.pretty = pretty, .escapeSlashes = !pretty};
        std::string once;
        try {
            once = json::encode(value, options);
        } catch (const json::EncodingError&) {
            return 0; // a number past the range of double parses as infinity, which has no JSON form
        }
        json::Value again;
        try {
            again = json::parse(once);
        } catch (const json::DecodingError&) {
            FUZZ_REQUIRE(!"an encoding does not parse");
        }
        FUZZ_REQUIRE(again == value);
        // Stable from the first encoding: what it wrote reads back to a value that writes the same
        // text (a negative zero included, which keeps its sign).
        FUZZ_REQUIRE(json::encode(again, options) == once);
    }
    return 0;
}
