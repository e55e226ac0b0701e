// ostrel-dev: developer commands over a database file and the preferences. A thin layer over the core.
#include "Commands.hpp"

#include <exception>
#include <functional>
#include <iostream>
#include <map>

namespace {

using ostrel::dev::Arguments;

struct Command {
    std::function<int(const Arguments&)> run;
    const char* usage;
};

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table = {
        {"migrate",
         {ostrel::dev::migrateCommand, "migrate DB    open or create DB and bring it to the current schema"}},
        {"demo",
         {ostrel::dev::demoCommand,
          "demo [--noise low|medium|high] [--keep]\n"
          "                generate four weeks of a student's semester into a temporary folder and show\n"
          "                what the database holds, what was learned for each course and what the\n"
          "                autopilot would do at its next class; --keep leaves the folder for other\n"
          "                commands"}},
        {"page",
         {ostrel::dev::pageCommand, "page URL...   site and address of each URL, and their stable page"}},
        {"generate",
         {ostrel::dev::generateCommand,
          "generate DB [--days N] [--per-day N] [--seed S] [--tz ZONE] [--start YYYY-MM-DD]\n"
          "                [--noise low|medium|high]\n"
          "                write a new database holding a generated student's semester; the noise\n"
          "                is how far the student strays from each class's routine (default medium)"}},
        {"episodes",
         {ostrel::dev::episodesCommand,
          "episodes DB --tz ZONE [--from MS|DATE] [--to MS|DATE]\n"
          "                the episodes rebuilt for the triggers in [from, to), one JSON line each;\n"
          "                a DATE (YYYY-MM-DD) is the start of that day in ZONE"}},
        {"report",
         {ostrel::dev::reportCommand,
          "report DB --tz ZONE --from MS --to MS\n"
          "                the time report of [MS, MS) in the IANA time zone ZONE, as JSON; DB is\n"
          "                only read"}},
        {"google",
         {ostrel::dev::googleCommand,
          "google --base URL [--client-id ID] [--client-secret S] [--token T] [--wait S] STEP...\n"
          "                the Google Calendar client against the endpoints under URL, in one process\n"
          "                on an in-memory keychain (seeded with the refresh token T); steps: connect\n"
          "                (prints {\"open\": URL} for the browser, waits up to S seconds, default 300),\n"
          "                fetch, status, disconnect; one JSON line each, never a token"}},
        {"google-events",
         {ostrel::dev::googleEventsCommand,
          "google-events FILE   calendar events of a Google Calendar events reply (or one event)"}},
        {"routines",
         {ostrel::dev::routinesCommand,
          "routines DB --tz ZONE [--at MS|DATE]\n"
          "                the routines learned from the episodes before MS (default: all) in the IANA\n"
          "                time zone ZONE, with the stored edits applied, as JSON; DB is only read"}},
        {"upcoming",
         {ostrel::dev::upcomingCommand,
          "upcoming DB --tz ZONE --at MS|DATE [--limit N] [--first-launch MS|DATE]\n"
          "                the coming events of the next 36 hours as the menu shows them at MS, one\n"
          "                JSON line each {\"id\", \"when\", \"plan\"} (at most N, default 6), then\n"
          "                {\"day\"}: which day of observing MS is since the first launch (default MS)"}},
        {"home",
         {ostrel::dev::homeCommand,
          "home routines DB --tz ZONE --at MS|DATE [--config DIR]\n"
          "                the Home window's routines page at MS, one JSON line per row {\"key\",\n"
          "                \"name\", \"badge\", \"seen\", \"moments\", \"items\"} in page order\n"
          "home time DB --tz ZONE --at MS|DATE --span today|week [--config DIR]\n"
          "                the Home window's time page at MS, as JSON: the big number, caption, saved\n"
          "                line, chart, usage lists and look-back"}},
        {"scores",
         {ostrel::dev::scoresCommand,
          "scores DB --tz ZONE   the score export of DB's history, as the application writes it"}},
        {"export",
         {ostrel::dev::exportCommand,
          "export DB --tz ZONE --config DIR (--copy | --save PATH | --mail ADDR [--opener CMD])\n"
          "                the score export window's action without a screen, as JSON {\"text\" (its\n"
          "                first line), \"marked\", \"beep\", \"url\"}; the settings updated as the window\n"
          "                does; --opener CMD is run with the mail URL (exit 0: opened), else nothing\n"
          "                opens it and nothing is marked"}},
        {"scores-reminder",
         {ostrel::dev::scoresReminderCommand,
          "scores-reminder --config DIR --at MS\n"
          "                whether the scores reminder is due at MS, as JSON {\"due\", \"reminded\",\n"
          "                \"lastReminded\", \"firstLaunch\"}; the settings written as the reminder does"}},
        {"budgets",
         {ostrel::dev::budgetsCommand,
          "budgets [--db DB]  this command's own resource budgets, with the raw readings, as JSON"}},
        {"plan",
         {ostrel::dev::planCommand,
          "plan DB --tz ZONE --at MS --trigger KIND [--now MS]\n"
          "                the autopilot's planning pass for the stored trigger of KIND (wake, unlock,\n"
          "                login, event_start) at MS, run as if at --now (default MS), as JSON"}},
        {"observe",
         {ostrel::dev::observeCommand,
          "observe --machine STATE --script FILE --tz ZONE [--db DB] [--config DIR]\n"
          "        [--google http://127.0.0.1:PORT --token T]\n"
          "                plays a script of machine steps (JSON lines) through the observer in\n"
          "                virtual time and prints every stored row, as JSON lines; with --google the\n"
          "                calendar source reads that local Google stand-in with refresh token T"}},
        {"place",
         {ostrel::dev::placeCommand,
          "place MACHINE --placement left|right|full|X,Y,W,H [--frame X,Y,W,H]\n"
          "                where the placement puts a window now at --frame (absent: unknown) on\n"
          "                the displays of the machine state file MACHINE: {\"target\":{...}} or\n"
          "                {\"target\":null} when it stays where it is"}},
        {"settings",
         {ostrel::dev::settingsCommand,
          "settings --config DIR list | get KEY | set KEY JSON | delete KEY\n"
          "                the preferences in DIR/settings.json as tagged JSON: dates {\"$date\": S},\n"
          "                bytes {\"$data\": BASE64}; list prints all of them as one object"}},
        {"setup",
         {ostrel::dev::setupCommand,
          "setup MACHINE ROUTINE [--open ITEMS] [--ago S] [--front] [--wait S] [--then undo|tidy] [--db DB]\n"
          "                sets up the routine of file ROUTINE ({\"items\": [ids], \"edits\": {...},\n"
          "                \"key\", \"name\", \"automatic\"}) on the simulated machine of state file\n"
          "                MACHINE in virtual time, triggered S seconds ago, ITEMS (a JSON array of\n"
          "                item ids) already open; prints as JSON lines the run, each observation\n"
          "                written and the machine --wait seconds later, and the same again after\n"
          "                --then"}},
        {"autopilot",
         {ostrel::dev::autopilotCommand,
          "autopilot DB --tz ZONE --machine MACHINE --script FILE [--locale L] [--config DIR]\n"
          "                the autopilot and the observer over the store DB on the simulated machine\n"
          "                of state file MACHINE in virtual time, played by the script FILE (machine\n"
          "                steps and the application's: trigger, observation, press, undo, pause,\n"
          "                resume, setUpNow, jumpClock, until); prints one JSON line per effect in\n"
          "                time order: triggers, banners shown and closed, answers, runs, tidy-ups,\n"
          "                undos, timers armed, what was dropped and why"}},
        {"banner-text",
         {ostrel::dev::bannerTextCommand,
          "banner-text names ITEMS | summary RUN [--locale L] [--machine MACHINE]\n"
          "                the banner's text for ITEMS (a JSON array of item ids) or RUN (a run as\n"
          "                setup prints it, with the routine's \"edits\" for its layout), in the ICU\n"
          "                locale L (default en_US), apps named by the machine state file MACHINE;\n"
          "                prints {\"text\": ...}"}},
        {"shot",
         {ostrel::dev::shotCommand,
          "shot WINDOW --out PNG [--state FILE]\n"
          "                draws WINDOW (banner, cloud-window, menu, scene or styles) offscreen to the PNG,\n"
          "                in the state of the JSON file FILE (each window's keys are in\n"
          "                src/ui/shots/README.md); prints {\"out\", \"width\", \"height\"}"}},
        {"menu",
         {ostrel::dev::menuCommand,
          "menu [--state FILE] [--tz ZONE] [--at MS] [--press ACTION]\n"
          "                the status menu for the state of the JSON file FILE (keys in\n"
          "                src/ui/shots/README.md): its size, art, place, header, rows, tooltip and\n"
          "                pause end, as JSON; --press ACTION shows it after that row's action (pause\n"
          "                pauses until the next day in ZONE after MS and needs both)"}},
        {"simulate",
         {ostrel::dev::simulateCommand,
          "simulate DB --days N --seed S --tz ZONE [--noise low|medium|high] [--yes P] [--no P]\n"
          "                [--undo P] [--per-day N] [--trace]\n"
          "                weeks of a generated student's life with the application's services on the\n"
          "                simulated machine in virtual time, into the new database DB; the student\n"
          "                answers questions yes with P (0.8), no with P (0.15) and undoes a run with\n"
          "                P (0.05); prints a summary and one line per routine as JSON, after every\n"
          "                effect in time order with --trace"}},
        {"app-model",
         {ostrel::dev::appModelCommand,
          "app-model --machine MACHINE [--tz ZONE] [--at MS] [--config DIR]\n"
          "                the app model on the simulated machine MACHINE with a data folder of its\n"
          "                own, started at MS (default 2025-09-15 06:00 UTC) and refreshed, as one\n"
          "                JSON object: every status, the login item, onboarding, what was built and\n"
          "                the windows it asked for"}},
        {"login-item",
         {ostrel::dev::loginItemCommand,
          "login-item status|on|off [--folder DIR] [--exe PATH]\n"
          "                whether the program PATH (default: this tool) starts at login through an\n"
          "                autostart entry in DIR (default: the user's autostart folder); on and off\n"
          "                add or remove it; prints {\"status\": ..., \"lastError\": TEXT or null}"}},
        {"idea",
         {ostrel::dev::ideaCommand,
          "idea FILE --words TEXT [--db DB] [--machine MACHINE] [--wifi NAME,HASH]\n"
          "                the routine drafted from the language model's answer in FILE (a routine\n"
          "                idea as JSON) and the student's words TEXT, without a model: apps from the\n"
          "                machine state file MACHINE (its named installed apps, external displays and\n"
          "                audio outputs), classes from the store DB, the Wi-Fi network joined now;\n"
          "                prints {\"edits\": ..., \"notes\": [...]}, or {\"error\": ...} when the\n"
          "                answer does not read (exit status 0)"}},
        {"describe",
         {ostrel::dev::describeCommand,
          "describe TEXT [--db DB] [--machine MACHINE] [--wifi NAME,HASH] [--config DIR] [--dry-run]\n"
          "                the routine the language model of DIR's preferences makes of the student's\n"
          "                words TEXT, as the editor's describe card asks it: the apps of MACHINE (else\n"
          "                this desktop's installed apps), classes from DB; prints {\"edits\", \"notes\"}\n"
          "                or {\"error\"}; --dry-run prints the request body and sends nothing"}},
        {"smart-name",
         {ostrel::dev::smartNameCommand,
          "smart-name DB --key ID --tz ZONE [--at MS] [--config DIR] [--machine MACHINE] [--dry-run]\n"
          "                asks the language model for the name of the learned routine ID (learned from\n"
          "                the episodes before MS) and stores it in DIR's preferences; prints {\"name\",\n"
          "                \"stored\"}; MACHINE names the apps; --dry-run prints the request body"}},
        {"look-back",
         {ostrel::dev::lookBackCommand,
          "look-back DB --tz ZONE [--at MS] [--config DIR] [--machine MACHINE] [--dry-run]\n"
          "                the week's look-back as the time page asks for it (the seven days up to MS,\n"
          "                default now), kept for the day in DIR's preferences; prints {\"text\",\n"
          "                \"active\", \"stored\"}; --dry-run prints the request body"}},
        {"installed-apps",
         {ostrel::dev::installedAppsCommand,
          "installed-apps [--match NAME] [--locale L] [--folders DIR:DIR...]\n"
          "                the installed apps from the desktop entries of the applications folders\n"
          "                (default: the XDG data folders'), named in the ICU locale L (default\n"
          "                en_US), sorted, as a JSON array of {\"name\", \"bundleID\"}; with --match,\n"
          "                {\"match\": the id of the app NAME means, or null}"}},
        {"duration",
         {ostrel::dev::durationCommand,
          "duration MS...  each span of milliseconds in words, one JSON line {\"ms\", \"words\"} each"}},
        {"words",
         {ostrel::dev::wordsCommand,
          "words JSON... [--locale L] [--tz ZONE] [--machine MACHINE] [--wifi NAME,HASH]\n"
          "                each argument in the routine editor's words, one JSON line {\"words\"} each:\n"
          "                a cue as the store writes it, {\"days\": [1..7]}, {\"clock\": MINUTE},\n"
          "                {\"moment\": KEY_ID} or {\"place\": TEXT} (words null when it has none);\n"
          "                ICU locale L (default en_US), zone ZONE (default UTC); app names from the\n"
          "                simulated MACHINE, the current network NAME with hash HASH"}},
        {"open-now",
         {ostrel::dev::openNowCommand,
          "open-now --machine MACHINE [--placement ID]\n"
          "                what is open on the simulated MACHINE as the routine editor takes it: the\n"
          "                routine edits of everything open now as JSON, or with --placement the frame\n"
          "                placement of app ID's front window (null when it has none)"}},
        {"edit",
         {ostrel::dev::editCommand,
          "edit DB --tz ZONE --routine ID|new --script FILE [--machine MACHINE] [--config DIR] [--at MS|DATE]\n"
          "                the routine editor on the routine ID of the routine book (new: one being\n"
          "                made) over the store DB and the autopilot, on the simulated MACHINE in\n"
          "                virtual time from MS (default now), played by the script FILE of JSON lines\n"
          "                {STEP: VALUE} (see README); prints {\"step\": LINE, \"edits\"} after each\n"
          "                step and, as they happen, the effects: beep, stored, deleted, promote,\n"
          "                schedule, notification, run, closed"}},
        {"shortcuts",
         {ostrel::dev::shortcutsCommand,
          "shortcuts list | run NAME [--tool PATH]\n"
          "                the shortcuts tool (PATH, else \"shortcuts\" on the PATH) as the application\n"
          "                runs it: list prints the names, sorted, as a JSON array; run starts NAME and\n"
          "                waits for the tool to end"}},
        {"model",
         {ostrel::dev::modelCommand,
          "model status [--config DIR]\n"
          "                probes the local model server named by the preferences in DIR (endpoint,\n"
          "                model name) as the application does; prints {\"reason\", \"state\"}"}},
        {"model-server",
         {ostrel::dev::modelServerCommand,
          "model-server --script FILE [--port N]\n"
          "                a fake local model server on 127.0.0.1 for tests: answers /api/tags and\n"
          "                /api/chat from the script {\"tags\": [REPLY...], \"chat\": [REPLY...]}, a\n"
          "                REPLY {\"status\", \"body\", \"stream\", \"oversized\", \"partial\",\n"
          "                \"close\", \"delay\"}; prints {\"port\"} and then one JSON line per request;\n"
          "                runs until SIGTERM or SIGINT"}},
    };
    return table;
}

void printUsage(std::ostream& out) {
    out << "usage: ostrel-dev COMMAND [ARGS]\n";
    for (const auto& [name, command] : commands()) {
        out << "  " << command.usage << "\n";
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(std::cerr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        printUsage(std::cout);
        return 0;
    }
    const auto found = commands().find(name);
    if (found == commands().end()) {
        std::cerr << "ostrel-dev: unknown command \"" << name << "\"\n";
        printUsage(std::cerr);
        return 2;
    }
    try {
        return found->second.run(Arguments(argv + 2, argv + argc));
    } catch (const ostrel::dev::UsageError& error) {
        std::cerr << "ostrel-dev " << name << ": " << error.message << "\n";
        printUsage(std::cerr);
        return 2;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
