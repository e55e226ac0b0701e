#pragma once

#include "platform/Subscription.hpp"
#include "ui/home/HomeContext.hpp"
#include "ui/home/NewRoutineMenu.hpp"

#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QScrollArea;

namespace ostrel {
class TabSelection;
}

namespace ostrel::ui {

class CloudScene;
class SkyTabs;

// The Home window's content: a fixed 880 x 700 scene over the home sky with the tab bar, the New
// routine menu (on the Routines tab only) and the settings button in the header, and the selected
// tab's page on a pale card, scrolling inside 688 x 424 with faded edges. A change of tab destroys
// the page shown and makes the other afresh (it loads again); choosing the tab already shown
// changes nothing.
//
// Threading: the GUI thread only.
class HomeView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize size{880, 700};
    static constexpr QRect pageFrame{96, 232, 688, 424};

    // live: the window's (the sky moves and the page scrolls). The context and the selection must
    // outlive the view.
    HomeView(const HomeContext& context, TabSelection& selection, bool live, QWidget* parent = nullptr);
    ~HomeView() override;

    SkyTabs* tabs() const { return tabs_; }
    // Present only on the Routines tab.
    NewRoutineMenu* newRoutineMenu() const { return newRoutine_; }
    QAbstractButton* settingsButton() const { return settings_; }
    QScrollArea* pageArea() const { return scroll_; }
    // The page shown now (a RoutinesPage or a TimePage).
    QWidget* page() const { return page_; }

private:
    void showTab();

    const HomeContext& context_;
    TabSelection& selection_;
    bool live_;
    CloudScene* sky_;
    SkyTabs* tabs_;
    QWidget* header_;
    QPointer<NewRoutineMenu> newRoutine_;
    QAbstractButton* settings_;
    QScrollArea* scroll_;
    QPointer<QWidget> page_;
    Subscription watching_;
};

} // namespace ostrel::ui
