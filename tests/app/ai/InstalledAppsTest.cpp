#include "app/ai/InstalledApps.hpp"
#include "app/ai/OnDevice.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using InstalledApps::App;

TEST(InstalledAppsMatchTest, ThreePassesEachOverTheWholeList) {
    const std::vector<App> apps = {
        {"Visual Studio Code", "code"},   {"Code", "code-oss"},          {"Zotero", "org.zotero.Zotero"},
        {"Text Editor", "org.gnome.TextEditor"}, {"Tex", "tex"}, {"Écrire", "ecrire"},
    };
    const struct {
        const char* given;
        std::optional<std::string> found;
    } cases[] = {
        {"code", "code-oss"},            // equal beats contained in an earlier app
        {"  ZOTERO\t", "org.zotero.Zotero"}, // case and blanks around it
        {"studio", "code"},              // part of a longer name
        {"open zotero please", "org.zotero.Zotero"}, // holds a whole name
        {"my tex notes", std::nullopt},  // a name of three characters is never found in a phrase
        {"editor", "org.gnome.TextEditor"},
        {"E\xCC\x81" "crire", "ecrire"}, // canonically equivalent text matches
        {"", std::nullopt},
        {" \t ", std::nullopt},
        {"tex", "tex"},
        {"tex\n", std::nullopt},         // line breaks are not trimmed
        {"Firefox", std::nullopt},
    };
    for (const auto& one : cases) {
        EXPECT_EQ(InstalledApps::match(one.given, apps), one.found) << '"' << one.given << '"';
    }
    EXPECT_EQ(InstalledApps::match("zotero", {}), std::nullopt);
}

TEST(OnDeviceTest, EachStateHasItsSentenceAndAvailableHasNone) {
    EXPECT_EQ(OnDevice::unavailableReason(ModelAvailability::available), "");
    EXPECT_EQ(OnDevice::unavailableReason(ModelAvailability::notEligible), "This Mac can't run the on-device model.");
    EXPECT_EQ(OnDevice::unavailableReason(ModelAvailability::notEnabled),
              "Turn on the on-device model in Ostrel's settings to use this.");
    EXPECT_EQ(OnDevice::unavailableReason(ModelAvailability::notReady),
              "The on-device model is still downloading. Try again in a while.");
    EXPECT_EQ(OnDevice::unavailableReason(ModelAvailability::other), "The on-device model isn't available right now.");
}

} // namespace
} // namespace ostrel
