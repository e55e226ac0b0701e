#include "core/store/Store.hpp"
#include "platform/Settings.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualRuntime.hpp"
#include "platform/sim/VirtualTime.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/shell/ScoreExportView.hpp"
#include "ui/shell/ScoreExportWindow.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"

#include <QApplication>

#include <chrono>
#include <memory>

namespace ostrel::ui::shots {

namespace {

QImage picture(QWidget& window) {
    QApplication::processEvents();
    QImage image(window.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

// The score export window, opened by the reminder or from the settings, with or without a
// recipient: over a database (the real window, drawn once its export is built), or with a given
// text, or "Scoring…".
QImage exportWindow(const json::Value& value) {
    bool reminder = false;
    std::optional<std::string> recipient = "scores@example.org";
    std::optional<std::string> text;
    std::optional<std::string> db;
    std::string tz = "UTC";
    std::optional<std::int64_t> at;
    try {
        const json::ObjectReader reader(value);
        reminder = reader.value<bool>("reminder", false);
        const json::Value* given = value.contains("recipient") ? &value.at("recipient") : nullptr;
        if (given != nullptr && given->is_boolean()) {
            recipient = given->get<bool>() ? recipient : std::nullopt;
        } else {
            recipient = reader.value<std::string>("recipient", *recipient);
            if (recipient->empty()) recipient.reset();
        }
        text = reader.optional<std::string>("text");
        db = reader.optional<std::string>("db");
        tz = reader.value<std::string>("tz", "UTC");
        at = reader.optional<std::int64_t>("at");
    } catch (const json::DecodingError& e) {
        throw ShotError(e.what());
    }
    if (db && text) throw ShotError("\"db\" and \"text\" do not go together");
    // Over a database the export is of everything recorded up to --at, by default now (as
    // `ostrel-dev scores` reads it); a given text needs no clock.
    const Date now = at ? static_cast<Date>(*at) / 1000
                        : std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    VirtualTime time(db ? now : 1'757'916'000.0);
    SimulatedMachine machine(MachineState::withOwnApp(), &time);

    if (db) {
        std::unique_ptr<Calendar> calendar;
        try {
            calendar = std::make_unique<Calendar>(tz, "en_US");
        } catch (const std::exception& e) {
            throw ShotError("\"tz\": " + std::string(e.what()));
        }
        std::unique_ptr<Store> store;
        try {
            store = std::make_unique<Store>(*db, Store::Access::reader);
        } catch (const std::exception& e) {
            throw ShotError("couldn't read " + *db + ": " + e.what());
        }
        VirtualRuntime runtime(time);
        Settings settings(Settings::inMemory);
        ScoreExportWindow::open({store.get(), runtime, *calendar, settings, machine.workspace(), machine.appearance(),
                                 "dev", {}, recipient},
                                reminder);
        time.settle(); // the export is built before the picture is taken
        const QImage image = picture(*ScoreExportWindow::window());
        ScoreExportWindow::discard();
        return image;
    }

    auto* view = new ScoreExportView(time.clock(), machine.appearance(), reminder, false, recipient.has_value());
    const std::unique_ptr<CloudPanel> window(CloudWindow::make(ScoreExportView::size, CloudWindow::lightsAt, view));
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    if (text) {
        view->setText(QString::fromStdString(*text));
    }
    return picture(*window);
}

} // namespace ostrel::ui::shots
