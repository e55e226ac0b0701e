#include "Commands.hpp"
#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "ui/shots/Shot.hpp"

#include <QApplication>
#include <QImageWriter>

#include <cstdlib>
#include <iostream>

namespace ostrel::dev {
namespace {

void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << message.toStdString() << "\n";
}

} // namespace

// A window drawn offscreen to a PNG, in a state read from a JSON file.
int shotCommand(const Arguments& arguments) {
    const Options options("shot", arguments, {"--out", "--state", "--db", "--tz", "--routine"});
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

    // The editor's routine may be named on the command line; it wins over the state file.
    for (const auto& [option, key] : {std::pair{"--db", "db"}, std::pair{"--tz", "tz"}, std::pair{"--routine", "routine"}}) {
        if (const auto value = options.text(option)) {
            if (window != "editor") throw options.error(std::string(option) + " is for the editor only");
            state[key] = *value;
        }
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
