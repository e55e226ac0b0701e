#include "Commands.hpp"
#include "core/browsing/WebPage.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Utf8.hpp"

#include <iostream>
#include <optional>

namespace ostrel::dev {

namespace {

json::Value orNull(const std::optional<std::string>& text) {
    return text ? json::Value(*text) : json::Value();
}

} // namespace

int pageCommand(const Arguments& arguments) {
    if (arguments.empty()) {
        throw UsageError{"expects at least one URL"};
    }
    for (const std::string& url : arguments) {
        // An argument that is not UTF-8 is no URL either; it is echoed repaired so the line stays JSON.
        const json::Value line{{"url", repairUtf8(url)},
                               {"site", orNull(WebPage::site(url))},
                               {"address", orNull(WebPage::address(url))}};
        std::cout << json::encode(line) << '\n';
    }
    if (arguments.size() >= 2) {
        std::cout << json::encode(json::Value{{"stablePage", orNull(WebPage::stablePage(arguments))}})
                  << '\n';
    }
    return 0;
}

} // namespace ostrel::dev
