#include "Commands.hpp"
#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "ui/shots/Shot.hpp"

#include <QApplication>
#include <QImageWriter>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <vector>

namespace ostrel::dev {
namespace {

void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << message.toStdString() << "\n";
}

} // namespace

// A window drawn offscreen to a PNG, in a state read from a JSON file.
int shotCommand(const Arguments& arguments) {
    const Options options("shot", arguments, {"--out", "--state", "--db", "--tz", "--routine", "--at", "--tab", "--span", "--config", "--recipient"},
                          {"--reminder"});
    const std::string& window = options.single("a WINDOW");
    const auto out = options.text("--out");
    if (!out) throw options.error("--out PNG is required");

    json::Value state = json::Value::object();
    if (const auto file = options.text("--state")) {
        try {
            state = json::Value::parse(options.readFile(*file, "state"));
        } catch (const json::Value::exception& e) {
            throw options.error(*file + " is not JSON: " + e.what());
        }
    }

    // What the editor and Home show may be named on the command line; it wins over the state file.
    struct Named {
        const char* option;
        const char* key;
        std::vector<std::string> windows;
    };
    const Named named[] = {
        {"--db", "db", {"editor", "home", "export"}},
        {"--tz", "tz", {"editor", "home", "export"}},
        {"--recipient", "recipient", {"export"}},
        {"--routine", "routine", {"editor"}},   {"--tab", "tab", {"home"}},
        {"--span", "span", {"home"}},           {"--config", "config", {"home"}},
    };
    for (const Named& one : named) {
        if (const auto value = options.text(one.option)) {
            if (std::find(one.windows.begin(), one.windows.end(), window) == one.windows.end()) {
                throw options.error(std::string(one.option) + " is not for the " + window + " window");
            }
            state[one.key] = *value;
        }
    }
    if (options.flag("--reminder")) {
        if (window != "export") throw options.error("--reminder is not for the " + window + " window");
        state["reminder"] = true;
    }
    if (options.text("--at")) {
        if (window != "home" && window != "export") {
            throw options.error("--at is not for the " + window + " window");
        }
        state["at"] = *options.integer("--at", 0, std::numeric_limits<std::int64_t>::max());
    }

    // Always offscreen: a picture must never need, or reach, the user's display. Qt's chatter on
    // stderr (no runtime folder, no font config) would bury the one line a failure prints.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(quietQt);
    int argc = 1;
    char name[] = "ostrel-dev";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);

    QImage image;
    try {
        image = ui::shot(window, state);
    } catch (const ui::ShotError& e) {
        throw options.error(e.what());
    }
    QImageWriter writer(QString::fromStdString(*out), "png");
    if (!writer.write(image)) {
        throw options.error("couldn't write " + *out + ": " + writer.errorString().toStdString());
    }
    std::cout << json::Value{{"out", *out}, {"width", image.width()}, {"height", image.height()}}.dump() << "\n";
    return 0;
}

} // namespace ostrel::dev
