#include "semester/StudentSurface.hpp"

namespace ostrel::semester {

StudentSurface::StudentSurface(Executor& main, std::uint64_t seed, Odds odds, std::function<Banner*()> banner,
                               std::function<void(const json::Value&)> trace)
    : main_(main), random_(seed), odds_(odds), banner_(std::move(banner)), trace_(std::move(trace)) {}

void StudentSurface::present(const BannerContent& content) {
    showing_ = true;
    pending_.cancel();
    // Drawn for every banner, pressed or not, so one answer does not shift the later draws.
    const double glance = random_.unit();
    const double draw = random_.unit();
    const double look = content.isQuestion() ? shortestLook + glance * (longestLook - shortestLook)
                                             : shortestUndo + glance * (longestUndo - shortestUndo);
    std::optional<Banner::Which> which;
    std::string label;
    if (content.isQuestion()) {
        if (draw < odds_.yes) {
            which = Banner::Which::primary;
            label = *content.primary;
        } else if (draw < odds_.yes + odds_.no && content.secondary) {
            which = Banner::Which::secondary;
            label = *content.secondary;
        }
    } else if (content.secondary == "Undo" && draw < odds_.undo) {
        which = Banner::Which::secondary;
        label = "Undo";
    }
    if (!which) {
        return;
    }
    pending_ = main_.postAfter(look, [this, which = *which, label] {
        if (trace_) {
            trace_({{"effect", "student"}, {"action", "press"}, {"button", label}});
        }
        if (Banner* banner = banner_ ? banner_() : nullptr) {
            banner->press(which);
        }
    });
}

void StudentSurface::hide() {
    showing_ = false;
    pending_.cancel();
}

} // namespace ostrel::semester
