#pragma once

#include <string>
#include <vector>

namespace ostrel::dev {

using Arguments = std::vector<std::string>;

// Each command prints its result on stdout and returns the exit status; failures are thrown and
// turned into one line on stderr by main.
int migrateCommand(const Arguments& arguments);
int demoCommand(const Arguments& arguments);
int pageCommand(const Arguments& arguments);
int reportCommand(const Arguments& arguments);
int googleEventsCommand(const Arguments& arguments);
int googleCommand(const Arguments& arguments);
int generateCommand(const Arguments& arguments);
int episodesCommand(const Arguments& arguments);
int routinesCommand(const Arguments& arguments);
int upcomingCommand(const Arguments& arguments);
int homeCommand(const Arguments& arguments);
int homeRoutinesCommand(const Arguments& arguments);
int homeTimeCommand(const Arguments& arguments);
int scoresCommand(const Arguments& arguments);
int exportCommand(const Arguments& arguments);
int scoresReminderCommand(const Arguments& arguments);
int budgetsCommand(const Arguments& arguments);
int planCommand(const Arguments& arguments);
int observeCommand(const Arguments& arguments);
int settingsCommand(const Arguments& arguments);
int shortcutsCommand(const Arguments& arguments);
int placeCommand(const Arguments& arguments);
int setupCommand(const Arguments& arguments);
int bannerTextCommand(const Arguments& arguments);
int shotCommand(const Arguments& arguments);
int menuCommand(const Arguments& arguments);
int autopilotCommand(const Arguments& arguments);
int appModelCommand(const Arguments& arguments);
int simulateCommand(const Arguments& arguments);
int loginItemCommand(const Arguments& arguments);
int modelCommand(const Arguments& arguments);
int modelServerCommand(const Arguments& arguments);
int ideaCommand(const Arguments& arguments);
int installedAppsCommand(const Arguments& arguments);
int durationCommand(const Arguments& arguments);
int wordsCommand(const Arguments& arguments);
int openNowCommand(const Arguments& arguments);
int editCommand(const Arguments& arguments);
int describeCommand(const Arguments& arguments);
int smartNameCommand(const Arguments& arguments);
int lookBackCommand(const Arguments& arguments);

// A usage mistake: main prints it with the usage text and exits with status 2.
struct UsageError {
    std::string message;
};

} // namespace ostrel::dev
