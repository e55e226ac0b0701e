#include "app/home/TabSelection.hpp"
#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/home/HomeView.hpp"
#include "ui/home/TimePage.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"

#include <QApplication>

#include <memory>

namespace ostrel::ui::shots {

namespace {

struct HomeState {
    std::optional<std::string> db;
    std::string tz = "UTC";
    std::optional<std::int64_t> at;
    std::string tab = "routines";
    std::string span = "today";
    std::optional<std::string> config;
};

HomeState readState(const json::Value& value) {
    HomeState state;
    try {
        const json::ObjectReader reader(value);
        state.db = reader.optional<std::string>("db");
        state.tz = reader.value<std::string>("tz", "UTC");
        state.at = reader.optional<std::int64_t>("at");
        state.tab = reader.value<std::string>("tab", "routines");
        state.span = reader.value<std::string>("span", "today");
        state.config = reader.optional<std::string>("config");
    } catch (const json::DecodingError& e) {
        throw ShotError(e.what());
    }
    if (state.tab != "routines" && state.tab != "time") {
        throw ShotError("\"tab\": routines or time, not \"" + state.tab + "\"");
    }
    if (state.span != "today" && state.span != "week") {
        throw ShotError("\"span\": today or week, not \"" + state.span + "\"");
    }
    return state;
}

} // namespace

QImage home(const json::Value& value) {
    const HomeState state = readState(value);
    std::unique_ptr<Calendar> calendar;
    try {
        calendar = std::make_unique<Calendar>(state.tz, "en_US");
    } catch (const std::exception& e) {
        throw ShotError("\"tz\": " + std::string(e.what()));
    }
    // The clock stands at the moment asked; the database is read where it is, never written.
    VirtualTime time(state.at ? static_cast<Date>(*state.at) / 1000 : 1'757'916'000.0);
    VirtualRuntime runtime(time);
    SimulatedMachine machine(MachineState::withOwnApp(), &time);
    const Platform platform = machine.platform();
    std::unique_ptr<Settings> settings;
    try {
        settings = state.config ? std::make_unique<Settings>(*state.config) : std::make_unique<Settings>(Settings::inMemory);
    } catch (const std::exception& e) {
        throw ShotError("\"config\": " + std::string(e.what()));
    }
    std::unique_ptr<Store> store;
    if (state.db) {
        try {
            store = std::make_unique<Store>(*state.db, Store::Access::reader);
        } catch (const std::exception& e) {
            throw ShotError("couldn't read " + *state.db + ": " + e.what());
        }
    }
    const HomeContext context{store.get(), nullptr, nullptr, nullptr, *settings, runtime, platform, *calendar,
                              [](std::unique_ptr<RoutineDraft>, bool) {},
                              [](std::function<void()>) { return Subscription(); }, [] {}};
    TabSelection selection;
    selection.setTab(state.tab == "time" ? HomeTab::time : HomeTab::routines);

    auto* view = new HomeView(context, selection, false);
    const std::unique_ptr<CloudPanel> window(CloudWindow::make(HomeView::size, CloudWindow::lightsAt, view));
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    if (state.tab == "time" && state.span == "week") {
        static_cast<TimePage*>(view->page())->setSpan(TimePage::Span::week);
    }
    // Every load runs to its end before the picture is taken.
    time.settle();
    QApplication::processEvents();
    time.settle();
    QApplication::processEvents();

    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace ostrel::ui::shots
