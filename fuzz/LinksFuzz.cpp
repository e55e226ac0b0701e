// Link detection in free text. Every link found is non-empty, well-formed when the text is, and
// opens the way the detector promises: with a scheme. Run with a per-input time limit (see
// scripts/fuzz.sh) so that input whose cost grows faster than its length shows up as a timeout.

#include "FuzzCheck.hpp"

#include "core/foundation/LinkDetector.hpp"
#include "core/foundation/Utf8.hpp"

using namespace ostrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const std::vector<std::string> links = LinkDetector::links(text);
    const bool wellFormed = isValidUtf8(text);
    for (const std::string& link : links) {
        FUZZ_REQUIRE(!link.empty());
        FUZZ_REQUIRE(link.find(':') != std::string::npos);
        if (wellFormed) {
            FUZZ_REQUIRE(isValidUtf8(link));
        }
    }
    return 0;
}
