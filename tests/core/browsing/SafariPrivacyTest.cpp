#include "core/browsing/SafariPrivacy.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(SafariPrivacy, ReadsOnlyWhenTheFocusedTitleIsTheScriptsWindow) {
    const struct {
        std::optional<std::string_view> title;
        std::string_view scriptName;
        bool readable;
    } cases[] = {
        {std::nullopt, "", false},
        {std::nullopt, "Course page", false},
        {"", "", true},
        {"Course page", "Course page", true},
        {"Course page", "course page", false},
        {"Private Browsing", "Course page", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafariPrivacy::canRead(c.title, c.scriptName), c.readable)
            << c.title.value_or("(none)") << " / " << c.scriptName;
    }
}

} // namespace
} // namespace ostrel
