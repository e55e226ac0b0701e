#include "Commands.hpp"
#include "Options.hpp"
#include "app/scores/Budgets.hpp"
#include "app/shell/ScoreExportActions.hpp"
#include "app/shell/ScoreExportBuild.hpp"
#include "core/foundation/Json.hpp"
#include "core/store/Store.hpp"
#include "platform/Clock.hpp"
#include "platform/Settings.hpp"

#include <cerrno>
#include <exception>
#include <iostream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace ostrel::dev {

namespace {

class HeldClipboard final : public Clipboard {
public:
    void setText(const std::string& text) override { text_ = text; }

private:
    std::string text_;
};

class GivenPath final : public SavePanel {
public:
    explicit GivenPath(std::optional<std::filesystem::path> path) : path_(std::move(path)) {}
    std::optional<std::filesystem::path> chooseFile() override { return path_; }

private:
    std::optional<std::filesystem::path> path_;
};

// Runs command with url as its one argument; it opened the URL when it exits with status 0.
bool runOpener(const std::string& command, const std::string& url) {
    std::vector<char*> argv{const_cast<char*>(command.c_str()), const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, command.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

// The score export window's Copy, Save… or Email my scores on DB's export, without a screen: the
// export is built as the window builds it (this process's budgets, no signals), the action taken,
// and the settings in --config updated as the window would. Without --opener the mail URL is only
// printed: nothing opened it, so nothing is marked as sent.
int exportCommand(const Arguments& arguments) {
    const Options options("export", arguments, {"--tz", "--config", "--save", "--mail", "--opener"}, {"--copy"});
    const std::string& path = options.single("one database path");
    const auto folder = options.text("--config");
    const auto save = options.text("--save");
    const auto mail = options.text("--mail");
    const auto opener = options.text("--opener");
    const int actions = (options.flag("--copy") ? 1 : 0) + (save ? 1 : 0) + (mail ? 1 : 0);
    if (!folder || actions != 1 || (opener && !mail)) {
        throw UsageError{"expects DB --tz ZONE --config DIR and one of --copy, --save PATH, --mail ADDR [--opener CMD]"};
    }
    const Calendar calendar = options.calendar();
    const auto file = options.existingFile(path);
    const SystemClock clock;
    Budgets::launched(clock);

    std::string text;
    try {
        Store store(file, Store::Access::reader);
        text = ScoreExportBuild::text(store, clock.now(), calendar, OSTREL_VERSION, {},
                                      Budgets::current(clock, file));
    } catch (const std::exception& failure) {
        throw options.error("cannot open " + path + ": " + failure.what());
    }

    bool marked = false;
    int beeps = 0;
    std::optional<std::string> url;
    try {
        Settings settings{std::filesystem::path(*folder)};
        HeldClipboard clipboard;
        GivenPath panel(save ? std::optional<std::filesystem::path>(*save) : std::nullopt);
        ScoreExportActions exporting({settings, clipboard, panel,
                                      [&](const std::string& opened) {
                                          url = opened;
                                          return opener && runOpener(*opener, opened);
                                      },
                                      [&] { ++beeps; }});
        if (options.flag("--copy")) {
            marked = exporting.copy(text);
        } else if (save) {
            marked = exporting.save(text);
        } else {
            marked = exporting.email(text, *mail);
        }
    } catch (const SettingsError& failure) {
        throw options.error(failure.what());
    }
    const json::Value result{{"text", text.substr(0, text.find('\n'))},
                             {"marked", marked},
                             {"beep", beeps > 0},
                             {"url", url ? json::Value(*url) : json::Value(nullptr)}};
    std::cout << json::encode(result) << '\n';
    return 0;
}

} // namespace ostrel::dev
