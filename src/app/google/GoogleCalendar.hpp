#pragma once

#include "core/calendar/CalendarEvent.hpp"

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel {

class AppInfo;
class Executor;
class HttpClient;
class Keychain;
class SecureRandom;
class Workspace;

// Where the Google endpoints are: the production hosts, or one local base for tests and the
// developer tool ("http://127.0.0.1:PORT"), under which the fixed paths follow.
struct GoogleEndpoints {
    std::string accounts; // authorisation page: accounts + "/o/oauth2/v2/auth"
    std::string oauth;    // oauth + "/token", oauth + "/revoke"
    std::string api;      // api + "/calendar/v3/...", scope api + "/auth/calendar.readonly"

    static GoogleEndpoints production();
    static GoogleEndpoints local(const std::string& base);
};

// A Google step that failed in a way the user is told about; what() is the sentence shown.
class GoogleFailure : public std::runtime_error {
public:
    enum class Kind { http, notConfigured, cancelled, noToken, malformed, notSaved };

    static GoogleFailure http(int status);
    static GoogleFailure of(Kind kind); // any kind but http

    Kind kind() const { return kind_; }
    int status() const { return status_; } // for http; 0 otherwise, and for a reply that is not HTTP

private:
    GoogleFailure(Kind kind, int status, const std::string& text);
    Kind kind_;
    int status_;
};

// The client of the user's Google Calendar: the refresh token in the keychain, access tokens in
// memory, a fetch of the selected calendars' events from 28 days before to 28 days after now every
// 900 s, and the sign-in through the system browser and a loopback listener.
//
// Threading: hasToken(), fetched(), setOnChange(), start(), stop() and disconnect() from any thread.
// refresh() blocks on the network: the timer runs it on the worker. connect() returns at once and
// reports on the executor given at construction. onChange is called outside the lock, on the
// thread that changed the list (or disconnected).
class GoogleCalendar {
public:
    static constexpr const char* keychainService = "Ostrel Google Calendar";
    static constexpr const char* keychainAccount = "refresh-token";
    static constexpr double refreshInterval = 900;
    static constexpr double signInTimeout = 300;

    struct Configuration {
        GoogleEndpoints endpoints = GoogleEndpoints::production();
        std::string clientID;     // empty: not configured, no sign-in
        std::string clientSecret; // sent as it is, even empty
        std::string pageFolder;   // the folder of "connected.html" and its images; empty: none
        double requestTimeout = 60; // seconds for each request; tests shorten it

        // The production endpoints with the release's client id and secret ("OstrelGoogleClientID",
        // "OstrelGoogleClientSecret") and the result page shipped in the resources' "Connected".
        static Configuration of(const AppInfo& info);
    };

    // Every reference must outlive this object. main: where connect() reports and its time-out
    // runs; worker: where refreshes, the code exchange and the revoke run.
    GoogleCalendar(Configuration configuration, Keychain& keychain, Workspace& workspace, HttpClient& http,
                   SecureRandom& random, Executor& main, Executor& worker);
    ~GoogleCalendar();

    GoogleCalendar(const GoogleCalendar&) = delete;
    GoogleCalendar& operator=(const GoogleCalendar&) = delete;

    // Whether a refresh token is stored: read from the keychain once, then kept up to date.
    bool hasToken();
    // Whether an access token is held that is still good now (for status displays; never the token).
    bool hasValidAccessToken() const;
    // The last successful fetch's events; nothing before the first one and after stop().
    std::optional<std::vector<CalendarEvent>> fetched() const;
    void setOnChange(std::function<void()> onChange);

    // Fetches now and every refreshInterval after, on the worker; a second start() does nothing.
    void start();
    // Ends the periodic fetch and forgets the fetched events; a fetch under way changes nothing
    // when it ends.
    void stop();
    // One fetch and its bookkeeping; blocks. Never throws: failures are logged.
    void refresh();

    // Runs the sign-in; done gets nullptr on success (the refresh token is stored) or the error:
    // GoogleFailure, HttpError, or a decoding error. A newer connect() cancels an older one that
    // still waits.
    void connect(std::function<void(std::exception_ptr)> done);
    // Forgets the tokens and the fetched events, stops, calls onChange, and revokes the refresh
    // token in the background.
    void disconnect();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace ostrel
