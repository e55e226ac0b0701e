#include "ui/shots/DescribeStage.hpp"

#include "ui/shots/Shot.hpp"

#include <algorithm>

namespace ostrel::ui::shots {
namespace {

// An answer naming one app that is installed and one that is not, on arriving somewhere: with no
// Wi-Fi known, both give a note.
const char* const partlyMatched = R"({"name": "library", "apps": ["Firefox", "Photoshop"], "websites": [],
    "places": [], "hide": [], "mute": true,
    "when": {"kind": "arriving at a place, such as the library or home", "hour": 0, "minute": 0, "days": [],
             "name": ""}})";

} // namespace

const std::vector<std::string>& DescribeStage::names() {
    static const std::vector<std::string> all{"idle", "working", "unavailable", "notes", "failure"};
    return all;
}

DescribeStage::DescribeStage(RoutineDraft& draft, const std::string& state, const std::string& words)
    : main_(time_.makeExecutor("main")), model_(main_) {
    if (std::find(names().begin(), names().end(), state) == names().end()) {
        throw ShotError("\"describe\": one of idle, working, unavailable, notes, failure, not \"" + state + "\"");
    }
    DescribeFill::Sources sources{main_, main_, &model_, {}, {}, nullptr, nullptr};
    sources.installedApps = [] {
        return std::vector<InstalledApps::App>{{"Firefox", "org.mozilla.firefox"}, {"Files", "org.gnome.Nautilus"}};
    };
    fill_ = std::make_unique<DescribeFill>(draft, std::move(sources));
    fill_->setWords(words);

    if (state == "unavailable") {
        model_.setAvailability(ModelAvailability::notEnabled);
    }
    fill_->probe();
    time_.settle();
    if (state == "working") {
        model_.hold();
        fill_->fill();
        time_.settle();
    } else if (state == "notes" || state == "failure") {
        model_.answer(partlyMatched);
        fill_->fill();
        time_.settle();
        if (state == "failure") {
            model_.answer("I'm not sure what you mean.");
            fill_->fill();
            time_.settle();
        }
    }
}

DescribeStage::~DescribeStage() {
    fill_.reset();
}

} // namespace ostrel::ui::shots
