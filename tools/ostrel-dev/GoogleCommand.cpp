#include "Commands.hpp"
#include "ModelJson.hpp"
#include "Options.hpp"

#include "app/google/GoogleCalendar.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Logger.hpp"
#include "platform/AppInfo.hpp"
#include "platform/Clock.hpp"
#include "platform/HttpClient.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/ThreadExecutor.hpp"
#include "platform/sim/SimulatedMachine.hpp"

#include <chrono>
#include <condition_variable>
#include <future>
#include <iostream>
#include <mutex>
#include <thread>

namespace ostrel::dev {

namespace {

constexpr const char* browserID = "org.ostrel.dev.browser";

void print(const json::Value& line) { std::cout << json::encode(line) << std::endl; }

// The errors the client logs while it fetches, as their raw text (it never holds a token), while
// everything logged still goes to stderr with private arguments hidden.
class FetchErrors {
public:
    FetchErrors() {
        previous_ = Logger::setSink([this](const LogEntry& entry) {
            std::cerr << "[" << entry.category << "] " << entry.message << "\n";
            if (entry.category == "google" && entry.level == LogLevel::error && !entry.arguments.empty()) {
                std::lock_guard guard(lock_);
                errors_.push_back(entry.arguments.front());
            }
        });
    }
    ~FetchErrors() { Logger::setSink(previous_); }

    FetchErrors(const FetchErrors&) = delete;
    FetchErrors& operator=(const FetchErrors&) = delete;

    std::vector<std::string> take() {
        std::lock_guard guard(lock_);
        return std::exchange(errors_, {});
    }

private:
    LogSink previous_;
    std::mutex lock_;
    std::vector<std::string> errors_;
};

std::string describe(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return "unknown error";
    }
}

} // namespace

// Runs the Google client against the endpoints under --base, step by step, in one process on an
// in-memory keychain: prints what each step did as JSON lines, and never a token.
int googleCommand(const Arguments& arguments) {
    const Options options("google", arguments, {"--base", "--client-id", "--client-secret", "--token", "--wait"});
    const auto base = options.text("--base");
    if (!base) {
        throw options.error("--base URL is required");
    }
    if (options.positional().empty()) {
        throw options.error("expects at least one step: connect, fetch, status or disconnect");
    }
    for (const std::string& step : options.positional()) {
        if (step != "connect" && step != "fetch" && step != "status" && step != "disconnect") {
            throw options.error("unknown step \"" + step + "\"; steps are connect, fetch, status and disconnect");
        }
    }
    const auto wait = std::chrono::seconds(options.integer("--wait", 1, 3600).value_or(300));
    const auto environment = AppInfo::processEnvironment();

    GoogleCalendar::Configuration configuration;
    configuration.endpoints = GoogleEndpoints::local(*base);
    configuration.clientID =
        options.text("--client-id").value_or(environment("OstrelGoogleClientID").value_or(""));
    configuration.clientSecret =
        options.text("--client-secret").value_or(environment("OstrelGoogleClientSecret").value_or(""));

    // The simulated machine stands in for the desktop: its keychain is in memory, and the URL
    // handed to its "browser" is printed for whoever plays the browser.
    SimulatedMachine machine;
    machine.installApp({browserID, "Browser", std::nullopt, true, {}});
    machine.setDefaultHandler("http", browserID);
    machine.setDefaultHandler("https", browserID);
    if (const auto token = options.text("--token")) {
        machine.setKeychainItem({GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, *token});
    }

    FetchErrors errors;
    const SystemClock clock;
    SecureRandom random;
    HttpClient http;
    ThreadExecutor main("google.main", clock);
    ThreadExecutor worker("google.worker", clock);
    int status = 0;
    {
        GoogleCalendar calendar(configuration, machine.keychain(), machine.workspace(), http, random, main, worker);
        for (const std::string& step : options.positional()) {
            if (step == "connect") {
                std::mutex lock;
                std::condition_variable changed;
                bool reported = false;
                std::exception_ptr error;
                calendar.connect([&](std::exception_ptr outcome) {
                    std::lock_guard guard(lock);
                    reported = true;
                    error = outcome;
                    changed.notify_all();
                });
                const auto deadline = std::chrono::steady_clock::now() + wait;
                bool shown = false;
                std::unique_lock guard(lock);
                while (!reported && std::chrono::steady_clock::now() < deadline) {
                    if (!shown) {
                        const auto opened = machine.state().openedURLs;
                        if (!opened.empty()) {
                            print({{"open", opened.back().url}});
                            shown = true;
                        }
                    }
                    changed.wait_for(guard, std::chrono::milliseconds(shown ? 200 : 5));
                }
                if (!reported) {
                    print({{"error", GoogleFailure::of(GoogleFailure::Kind::cancelled).what()}});
                    status = 1;
                } else if (error) {
                    print({{"error", describe(error)}});
                    status = 1;
                } else {
                    print({{"connected", true}});
                }
            } else if (step == "fetch") {
                errors.take();
                if (!calendar.hasToken()) {
                    print({{"error", GoogleFailure::of(GoogleFailure::Kind::noToken).what()}});
                    status = 1;
                    continue;
                }
                calendar.refresh();
                const auto failed = errors.take();
                if (!failed.empty()) {
                    print({{"error", failed.front()}});
                    status = 1;
                    continue;
                }
                const auto events = calendar.fetched().value_or(std::vector<CalendarEvent>{});
                for (const CalendarEvent& event : events) {
                    print(eventJSON(event));
                }
                print({{"fetched", events.size()}});
            } else if (step == "status") {
                print({{"hasToken", calendar.hasToken()}, {"accessTokenValid", calendar.hasValidAccessToken()}});
            } else {
                const bool held = machine.keychain()
                                      .read(GoogleCalendar::keychainService, GoogleCalendar::keychainAccount)
                                      .has_value();
                calendar.disconnect();
                // The revoke goes out on the worker; wait for it, as the process ends next.
                std::promise<void> drained;
                worker.post([&] { drained.set_value(); });
                drained.get_future().wait();
                print({{"revoked", held}});
            }
        }
    }
    return status;
}

} // namespace ostrel::dev
