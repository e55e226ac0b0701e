#include "app/home/TabSelection.hpp"

namespace ostrel {

std::string_view TabSelection::label(HomeTab tab) {
    switch (tab) {
    case HomeTab::routines:
        return "Routines";
    case HomeTab::time:
        return "Your time";
    }
    return "";
}

} // namespace ostrel
