#include "app/autopilot/RunLedger.hpp"

namespace ostrel {

void RunLedger::launched(const AppInstance& app, const std::string& run) {
    apps_[run].push_back(app);
}

void RunLedger::moved(WindowElement window, Rect from, const std::string& run) {
    frames_[run].push_back({window, from});
}

std::vector<AppInstance> RunLedger::apps(const std::string& run) const {
    const auto found = apps_.find(run);
    return found == apps_.end() ? std::vector<AppInstance>{} : found->second;
}

std::vector<RunLedger::Move> RunLedger::moves(const std::string& run) const {
    const auto found = frames_.find(run);
    return found == frames_.end() ? std::vector<Move>{} : found->second;
}

} // namespace ostrel
