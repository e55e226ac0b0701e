#pragma once

#include "core/foundation/Rect.hpp"
#include "platform/WindowAccessibility.hpp"
#include "platform/Workspace.hpp"

#include <map>
#include <string>
#include <vector>

namespace ostrel {

// What each setup run launched and which windows it moved, kept for the life of the application so
// that tidy-up and undo can put things back after launches and moves that finished late. One
// ledger per application, owned beside the setup runner. Entries are never removed and reading them
// does not consume them.
//
// Threading: main executor only.
class RunLedger {
public:
    struct Move {
        WindowElement window;
        Rect frame; // the window's frame before the run moved it

        friend bool operator==(const Move&, const Move&) = default;
    };

    RunLedger() = default;
    RunLedger(const RunLedger&) = delete;
    RunLedger& operator=(const RunLedger&) = delete;

    // Appends the app to the run's launches, in the order launches completed.
    void launched(const AppInstance& app, const std::string& run);
    // Appends the window with its former frame to the run's moves, in the order of the moves.
    void moved(WindowElement window, Rect from, const std::string& run);

    // The run's launches, or none.
    std::vector<AppInstance> apps(const std::string& run) const;
    // The run's moved windows with their former frames, or none.
    std::vector<Move> moves(const std::string& run) const;

private:
    std::map<std::string, std::vector<AppInstance>> apps_;
    std::map<std::string, std::vector<Move>> frames_;
};

} // namespace ostrel
