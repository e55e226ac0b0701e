#pragma once

#include "app/shell/AppWindows.hpp"
#include "app/shell/ChangeNotifier.hpp"
#include "platform/Subscription.hpp"

#include <array>
#include <string_view>

namespace ostrel {

// Which page the Home window shows, shared by every way the window is opened and by the window's
// own tabs. Observers hear of a change only: choosing the tab already shown tells nobody, so the
// page is not rebuilt.
//
// Threading: main executor only.
class TabSelection {
public:
    enum class Property { tab };

    // The tabs in the order of the tab bar, and their labels.
    static constexpr std::array<HomeTab, 2> allTabs = {HomeTab::routines, HomeTab::time};
    static std::string_view label(HomeTab tab);

    HomeTab tab() const { return tab_; }
    void setTab(HomeTab tab) { notifier_.assign(tab_, tab, Property::tab); }

    [[nodiscard]] Subscription observe(ChangeNotifier<Property>::Observer observer) {
        return notifier_.observe(std::move(observer));
    }

private:
    HomeTab tab_ = HomeTab::routines;
    ChangeNotifier<Property> notifier_;
};

} // namespace ostrel
