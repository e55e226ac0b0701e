#pragma once

#include "core/foundation/Calendar.hpp"
#include "core/foundation/Date.hpp"
#include "ui/shell/MenuStatus.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::ui {

// The three texts at the top of the menu: a small upper-cased caption, a title and a line under
// it. An empty line is not drawn.
struct MenuHeader {
    std::string caption;
    std::string title;
    std::string line;

    friend bool operator==(const MenuHeader&, const MenuHeader&) = default;
};

// One row of the menu: a symbol (an Icons name), a title and an optional badge at its end.
struct MenuItem {
    MenuAction action = MenuAction::quit;
    std::string symbol;
    std::string title;
    std::optional<std::string> badge;

    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};

// Everything the status menu shows for one status, and the size of the panel that holds it. The
// panel grows by one row's height for each optional row, and each height has its own cloud art.
struct MenuContent {
    static constexpr int width = 380;
    static constexpr int baseRows = 5;     // pause or resume, routines, time, settings, quit
    static constexpr int rowPitch = 35;    // a row and the gap under it
    static constexpr int baseHeight = 400; // the panel's height at four rows, the art's grid

    MenuHeader header;
    std::vector<MenuItem> items;

    static MenuContent of(const MenuStatus& status);

    // The rows the status gives: the base ones, one for setup left to finish and one to undo.
    static int rowCount(const MenuStatus& status);
    static int height(int rowCount) { return (rowCount - 4) * rowPitch + baseHeight; }
    // "menu-5" ... "menu-7": the cloud art of a panel of rowCount rows.
    static std::string art(int rowCount);
    static std::string toolTip(const MenuStatus& status);

    int rowCount() const { return static_cast<int>(items.size()); }
    int height() const { return height(rowCount()); }
    std::string art() const { return art(rowCount()); }

    // When "Pause for today" pressed at now ends: the first moment of the next local day. Walked
    // by the calendar, not by adding 24 hours, so a pause on a day with a clock change still ends
    // at midnight. In milliseconds since 1970.
    static std::int64_t pauseEnd(Date now, const Calendar& calendar);

    friend bool operator==(const MenuContent&, const MenuContent&) = default;
};

} // namespace ostrel::ui
