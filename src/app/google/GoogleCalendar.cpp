#include "app/google/GoogleCalendar.hpp"
#include "platform/AppInfo.hpp"

#include "app/google/GoogleSignIn.hpp"
#include "app/google/GoogleWire.hpp"
#include "core/foundation/Json.hpp"
#include "core/foundation/Logger.hpp"
#include "platform/Executor.hpp"
#include "platform/HttpClient.hpp"
#include "platform/Keychain.hpp"
#include "platform/LoopbackListener.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/Workspace.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <set>
#include <utility>

namespace ostrel {

GoogleCalendar::Configuration GoogleCalendar::Configuration::of(const AppInfo& info) {
    Configuration configuration;
    configuration.clientID = info.info("OstrelGoogleClientID");
    configuration.clientSecret = info.info("OstrelGoogleClientSecret");
    configuration.pageFolder = (info.resourceFolder() / "Connected").string();
    return configuration;
}


namespace {

const Logger log("google");

// Past this many pages of one list the server is going round in circles.
constexpr int maxPages = 50;
// The fetch window on either side of now: 28 days.
constexpr double fetchReach = 2'419'200;
// An access token is used until this long before its stated expiry.
constexpr double expiryMargin = 60;

std::string trimmedBase(std::string base) {
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

} // namespace

// ---- Endpoints and failures ----

GoogleEndpoints GoogleEndpoints::production() {
    return {"https://accounts.google.com", "https://oauth2.googleapis.com", "https://www.googleapis.com"};
}

GoogleEndpoints GoogleEndpoints::local(const std::string& base) {
    const std::string trimmed = trimmedBase(base);
    return {trimmed, trimmed, trimmed};
}

GoogleFailure::GoogleFailure(Kind kind, int status, const std::string& text)
    : std::runtime_error(text), kind_(kind), status_(status) {}

GoogleFailure GoogleFailure::http(int status) {
    return GoogleFailure(Kind::http, status, "Google answered " + std::to_string(status) + ".");
}

GoogleFailure GoogleFailure::of(Kind kind) {
    switch (kind) {
    case Kind::http:
        return http(0);
    case Kind::notConfigured:
        return GoogleFailure(kind, 0, "This copy of Ostrel can't connect to Google yet.");
    case Kind::cancelled:
        return GoogleFailure(kind, 0, "Google sign-in didn't finish.");
    case Kind::noToken:
        return GoogleFailure(kind, 0, "Google Calendar isn't connected.");
    case Kind::malformed:
        return GoogleFailure(kind, 0, "Google's answer didn't make sense.");
    case Kind::notSaved:
        return GoogleFailure(kind, 0, "Couldn't save the Google sign-in.");
    }
    return GoogleFailure(kind, 0, "Google sign-in failed.");
}

// ---- The client's state ----

// One sign-in: its secrets, its listener and whether it has ended. Its handlers run on main.
struct SignInRun {
    std::string verifier;
    std::string state;
    std::function<void(std::exception_ptr)> done;

    std::mutex lock; // guards the fields below
    std::shared_ptr<LoopbackListener> listener;
    TaskHandle timeout;
    int port = 0;
    bool finished = false;
};

struct GoogleCalendar::State {
    struct AccessToken {
        std::string value;
        Date expires = 0;
    };

    State(Configuration configuration, Keychain& keychain, Workspace& workspace, HttpClient& http,
          SecureRandom& random, Executor& main, Executor& worker)
        : configuration(std::move(configuration)), keychain(keychain), workspace(workspace), http(http),
          random(random), main(main), worker(worker) {}

    const Configuration configuration;
    Keychain& keychain;
    Workspace& workspace;
    HttpClient& http;
    SecureRandom& random;
    Executor& main;
    Executor& worker;

    mutable std::mutex lock; // guards every field below; never held across a request or a callback
    std::optional<AccessToken> accessToken;
    std::optional<std::vector<CalendarEvent>> fetched;
    bool started = false;
    TaskHandle timer;
    std::shared_ptr<SignInRun> signIn; // the current or last sign-in
    std::function<void()> onChange = [] {};
    std::optional<bool> hasToken;
    // Moved on by stop() and disconnect(): a fetch begun under an older value keeps nothing.
    std::uint64_t fetchGeneration = 0;
    // Moved on by disconnect(): an access token got for an older account is not kept.
    std::uint64_t account = 0;

    // Declared last, destroyed first: wrapped callbacks stop before the fields go. Two guards, so
    // that a short task on main never waits behind a fetch on the worker.
    LifetimeGuard mainGuard;
    LifetimeGuard workerGuard;

    Date now() const { return worker.clock().now(); }

    // ---- Token store ----

    std::optional<std::string> storedToken() {
        return keychain.read(GoogleCalendar::keychainService, GoogleCalendar::keychainAccount);
    }

    bool knownHasToken() {
        {
            std::lock_guard guard(lock);
            if (hasToken) {
                return *hasToken;
            }
        }
        const bool stored = storedToken().has_value();
        std::lock_guard guard(lock);
        if (!hasToken) {
            hasToken = stored;
        }
        return *hasToken;
    }

    // ---- Requests ----

    HttpResponse post(const std::string& url, const std::string& body) {
        HttpRequest request;
        request.method = "POST";
        request.url = url;
        request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
        request.body = body;
        request.timeout = configuration.requestTimeout;
        return http.send(request);
    }

    // refreshedAccount: for a refresh grant, the account the refresh token was read under; a
    // refusal then forgets that account only, never one signed in since.
    googlewire::Tokens token(googlewire::Fields fields, std::optional<std::uint64_t> refreshedAccount = std::nullopt) {
        const bool refreshing = std::ranges::any_of(
            fields, [](const auto& field) { return field.first == "grant_type" && field.second == "refresh_token"; });
        fields.emplace_back("client_id", configuration.clientID);
        fields.emplace_back("client_secret", configuration.clientSecret);
        const HttpResponse reply = post(configuration.endpoints.oauth + "/token", googlewire::form(fields));
        if (reply.status == 200) {
            return googlewire::Tokens::decode(reply.body);
        }
        if (refreshing && (reply.status == 400 || reply.status == 401) &&
            googlewire::oauthError(reply.body) == "invalid_grant") {
            // Only a refused grant means the token is dead; a wrong client or a passing server
            // fault must not cost the user the sign-in.
            bool same = false;
            {
                std::lock_guard guard(lock);
                same = !refreshedAccount || account == *refreshedAccount;
                if (same) {
                    hasToken = false;
                    accessToken.reset();
                }
            }
            if (same) {
                keychain.remove(GoogleCalendar::keychainService, GoogleCalendar::keychainAccount);
            }
        }
        throw GoogleFailure::http(reply.status);
    }

    std::string validAccessToken() {
        std::uint64_t accountNow = 0;
        {
            std::lock_guard guard(lock);
            if (accessToken && accessToken->expires > now()) {
                return accessToken->value;
            }
            accountNow = account;
        }
        const auto stored = storedToken();
        if (!stored) {
            throw GoogleFailure::of(GoogleFailure::Kind::noToken);
        }
        const googlewire::Tokens tokens = token({{"refresh_token", *stored}, {"grant_type", "refresh_token"}}, accountNow);
        std::lock_guard guard(lock);
        if (account == accountNow) {
            accessToken = AccessToken{tokens.accessToken, now() + static_cast<double>(tokens.expiresIn) - expiryMargin};
        }
        return tokens.accessToken;
    }

    std::string get(const std::string& path, const googlewire::Fields& items) {
        HttpRequest request;
        request.url = configuration.endpoints.api + "/calendar/v3/" + path;
        if (!items.empty()) {
            request.url += "?" + googlewire::query(items);
        }
        request.headers = {{"Authorization", "Bearer " + validAccessToken()}};
        request.timeout = configuration.requestTimeout;
        HttpResponse reply = http.send(request);
        if (reply.status == 401) {
            std::lock_guard guard(lock);
            accessToken.reset();
        }
        if (reply.status != 200) {
            throw GoogleFailure::http(reply.status);
        }
        return std::move(reply.body);
    }

    // Follows nextPageToken from page to page; a token seen before, or more than maxPages pages,
    // ends the fetch, as the list would otherwise never end.
    template <class Page, class Use>
    void pages(const std::string& path, const googlewire::Fields& items, Use use) {
        std::set<std::string> seen;
        std::optional<std::string> pageToken;
        for (int page = 1;; ++page) {
            if (page > maxPages) {
                throw GoogleFailure::of(GoogleFailure::Kind::malformed);
            }
            googlewire::Fields query = items;
            if (pageToken) {
                query.emplace_back("pageToken", *pageToken);
            }
            Page reply = Page::decode(get(path, query));
            use(reply);
            if (!reply.nextPageToken) {
                return;
            }
            if (!seen.insert(*reply.nextPageToken).second) {
                throw GoogleFailure::of(GoogleFailure::Kind::malformed);
            }
            pageToken = std::move(reply.nextPageToken);
        }
    }

    std::vector<CalendarEvent> fetch() {
        std::vector<googlewire::CalendarListPage::Entry> entries;
        pages<googlewire::CalendarListPage>("users/me/calendarList", {{"minAccessRole", "reader"}},
                                            [&](googlewire::CalendarListPage& page) {
                                                std::ranges::move(page.items, std::back_inserter(entries));
                                            });
        const Date at = now();
        const googlewire::Fields window = {{"singleEvents", "true"},
                                           {"timeMin", googlewire::internetTime(at - fetchReach)},
                                           {"timeMax", googlewire::internetTime(at + fetchReach)},
                                           {"maxResults", "2500"}};
        std::vector<CalendarEvent> events;
        std::size_t skipped = 0;
        for (const auto& entry : entries) {
            if (!entry.selected && !entry.primary) {
                continue;
            }
            const std::string name = entry.summaryOverride.value_or(entry.summary.value_or(""));
            pages<googlewire::EventsPage>(googlewire::eventsPath(entry.id), window, [&](googlewire::EventsPage& page) {
                skipped += page.skipped;
                for (const GoogleEvent& item : page.items) {
                    if (auto event = item.calendarEvent(name)) {
                        events.push_back(std::move(*event));
                    }
                }
            });
        }
        if (skipped > 0) {
            log.notice("Skipped %d Google Calendar events that couldn't be read", skipped);
        }
        return events;
    }

    void refresh() {
        if (!knownHasToken()) {
            return;
        }
        std::uint64_t generation = 0;
        {
            std::lock_guard guard(lock);
            generation = fetchGeneration;
        }
        std::vector<CalendarEvent> events;
        try {
            events = fetch();
        } catch (const std::exception& error) {
            log.error("Couldn't read Google Calendar: %s", error);
            return;
        }
        std::function<void()> notify;
        {
            std::lock_guard guard(lock);
            if (generation != fetchGeneration) {
                return; // stopped or disconnected while it ran
            }
            const bool changed = !fetched || *fetched != events;
            fetched = std::move(events);
            if (changed) {
                notify = onChange;
            }
        }
        if (notify) {
            notify();
        }
    }

    // ---- The timer ----

    // Caller holds the lock.
    void scheduleTick(Date deadline) {
        timer = main.postAt(deadline, mainGuard.wrap([this] { tick(); }));
    }

    void tick() {
        {
            std::lock_guard guard(lock);
            if (!started) {
                return;
            }
            scheduleTick(now() + GoogleCalendar::refreshInterval);
        }
        worker.post(workerGuard.wrap([this] { refresh(); }));
    }

    // ---- Sign-in ----

    void answer(const std::shared_ptr<LoopbackConnection>& connection, bool connected) {
        connection->send(GoogleSignIn::response("200 OK", GoogleSignIn::page(connected, now(), configuration.pageFolder)));
    }

    void report(const std::shared_ptr<SignInRun>& run, std::exception_ptr error) {
        main.post(mainGuard.wrap([run, error] { run->done(error); }));
    }

    // Ends the wait once; later outcomes are dropped. On main.
    bool finish(const std::shared_ptr<SignInRun>& run) {
        std::lock_guard guard(run->lock);
        if (run->finished) {
            return false;
        }
        run->finished = true;
        run->timeout.cancel();
        if (run->listener) {
            run->listener->cancel();
            // Not destroyed here, as this may be one of its own handlers; nor under the guard,
            // which its handlers take inside the listener's own lock. The task touches the run only.
            main.post([run] {
                std::shared_ptr<LoopbackListener> listener;
                {
                    std::lock_guard inner(run->lock);
                    listener = std::move(run->listener);
                }
            });
        }
        return true;
    }

    void fail(const std::shared_ptr<SignInRun>& run, std::exception_ptr error) {
        if (finish(run)) {
            run->done(error);
        }
    }

    void received(const std::shared_ptr<SignInRun>& run, const std::shared_ptr<LoopbackConnection>& connection,
                  const std::string& request) {
        const GoogleSignIn::QueryItems items = GoogleSignIn::redirectItems(request);
        if (items.empty()) {
            connection->send(GoogleSignIn::response("404 Not Found", "")); // the browser's icon request
            return;
        }
        int port = 0;
        {
            std::lock_guard guard(run->lock);
            if (run->finished) {
                return;
            }
            port = run->port;
        }
        const auto code = GoogleSignIn::code(items, run->state);
        if (!code || port <= 0) {
            answer(connection, false);
            fail(run, std::make_exception_ptr(GoogleFailure::of(GoogleFailure::Kind::cancelled)));
            return;
        }
        if (!finish(run)) {
            return;
        }
        const std::string redirectURI = "http://127.0.0.1:" + std::to_string(port);
        worker.post(workerGuard.wrap(
            [this, run, connection, code = *code, redirectURI] { exchange(run, connection, code, redirectURI); }));
    }

    void exchange(const std::shared_ptr<SignInRun>& run, const std::shared_ptr<LoopbackConnection>& connection,
                  const std::string& code, const std::string& redirectURI) {
        googlewire::Tokens tokens;
        try {
            tokens = token({{"code", code},
                            {"code_verifier", run->verifier},
                            {"redirect_uri", redirectURI},
                            {"grant_type", "authorization_code"}});
        } catch (...) {
            answer(connection, false);
            report(run, std::current_exception());
            return;
        }
        if (!tokens.refreshToken) {
            answer(connection, false);
            report(run, std::make_exception_ptr(GoogleFailure::of(GoogleFailure::Kind::malformed)));
            return;
        }
        // One replacing write: when it fails, the earlier sign-in (if any) stays as it was.
        if (keychain.write(GoogleCalendar::keychainService, GoogleCalendar::keychainAccount, *tokens.refreshToken) !=
            Keychain::Status::success) {
            log.error("Couldn't store the Google refresh token");
            answer(connection, false);
            report(run, std::make_exception_ptr(GoogleFailure::of(GoogleFailure::Kind::notSaved)));
            return;
        }
        {
            std::lock_guard guard(lock);
            hasToken = true;
            ++account;
            accessToken = AccessToken{tokens.accessToken, now() + static_cast<double>(tokens.expiresIn) - expiryMargin};
        }
        answer(connection, true);
        report(run, nullptr);
    }

    void connect(std::function<void(std::exception_ptr)> done) {
        auto run = std::make_shared<SignInRun>();
        run->done = std::move(done);
        if (configuration.clientID.empty()) {
            report(run, std::make_exception_ptr(GoogleFailure::of(GoogleFailure::Kind::notConfigured)));
            return;
        }
        try {
            run->verifier = GoogleSignIn::randomString(random);
            run->state = GoogleSignIn::randomString(random);
        } catch (...) {
            report(run, std::current_exception());
            return;
        }

        LoopbackListener::Handlers handlers;
        handlers.ready = mainGuard.wrap([this, run](int port) {
            {
                std::lock_guard guard(run->lock);
                if (run->finished) {
                    return;
                }
                run->port = port;
            }
            if (port <= 0) {
                fail(run, std::make_exception_ptr(GoogleFailure::of(GoogleFailure::Kind::malformed)));
                return;
            }
            const std::string url =
                GoogleSignIn::authorizationURL(configuration.endpoints, configuration.clientID,
                                               "http://127.0.0.1:" + std::to_string(port),
                                               GoogleSignIn::challenge(run->verifier), run->state);
            try {
                workspace.openURL(url);
            } catch (const std::exception& error) {
                // The user can still be told; the wait ends with the time-out.
                log.error("Couldn't open the Google sign-in page: %s", error);
            }
        });
        handlers.failed = mainGuard.wrap([this, run](const std::string& error) {
            fail(run, std::make_exception_ptr(HttpError("the sign-in listener failed: " + error)));
        });
        handlers.cancelled = mainGuard.wrap(
            [this, run] { fail(run, std::make_exception_ptr(GoogleFailure::of(GoogleFailure::Kind::cancelled))); });
        handlers.received = mainGuard.wrap(
            [this, run](std::shared_ptr<LoopbackConnection> connection, std::string request) {
                received(run, connection, request);
            });

        auto listener = std::make_shared<LoopbackListener>(main, std::move(handlers));
        std::shared_ptr<SignInRun> older;
        {
            std::lock_guard guard(lock);
            older = std::exchange(signIn, run);
        }
        if (older) {
            std::lock_guard guard(older->lock);
            if (older->listener) {
                older->listener->cancel(); // its wait ends as cancelled
            }
        }
        {
            std::lock_guard guard(run->lock);
            run->listener = listener;
            run->timeout = main.postAfter(GoogleCalendar::signInTimeout, mainGuard.wrap([this, run] {
                fail(run, std::make_exception_ptr(GoogleFailure::of(GoogleFailure::Kind::cancelled)));
            }));
        }
        listener->start();
    }

    void disconnect() {
        const auto stored = storedToken();
        keychain.remove(GoogleCalendar::keychainService, GoogleCalendar::keychainAccount);
        std::function<void()> notify;
        {
            std::lock_guard guard(lock);
            hasToken = false;
            accessToken.reset();
            fetched.reset();
            started = false;
            timer.cancel();
            ++fetchGeneration;
            ++account;
            notify = onChange;
        }
        notify();
        if (stored) {
            worker.post(workerGuard.wrap([this, token = *stored] {
                try {
                    post(configuration.endpoints.oauth + "/revoke", googlewire::form({{"token", token}}));
                } catch (const std::exception&) {
                    // The token is forgotten here whatever the provider says.
                }
            }));
        }
    }
};

// ---- GoogleCalendar ----

GoogleCalendar::GoogleCalendar(Configuration configuration, Keychain& keychain, Workspace& workspace,
                               HttpClient& http, SecureRandom& random, Executor& main, Executor& worker)
    : state_(std::make_shared<State>(std::move(configuration), keychain, workspace, http, random, main, worker)) {}

GoogleCalendar::~GoogleCalendar() {
    std::shared_ptr<SignInRun> run;
    {
        std::lock_guard guard(state_->lock);
        state_->started = false;
        state_->timer.cancel();
        run = std::move(state_->signIn);
    }
    // Waits for a callback under way (a fetch on the worker included); none runs after this.
    state_->mainGuard.invalidate();
    state_->workerGuard.invalidate();
    if (run) {
        std::shared_ptr<LoopbackListener> listener;
        {
            std::lock_guard guard(run->lock);
            listener = std::move(run->listener);
        }
        listener.reset(); // cancels and joins its thread; breaks the run's handler cycle
    }
}

bool GoogleCalendar::hasToken() { return state_->knownHasToken(); }

bool GoogleCalendar::hasValidAccessToken() const {
    std::lock_guard guard(state_->lock);
    return state_->accessToken && state_->accessToken->expires > state_->now();
}

std::optional<std::vector<CalendarEvent>> GoogleCalendar::fetched() const {
    std::lock_guard guard(state_->lock);
    return state_->fetched;
}

void GoogleCalendar::setOnChange(std::function<void()> onChange) {
    std::lock_guard guard(state_->lock);
    state_->onChange = onChange ? std::move(onChange) : [] {};
}

void GoogleCalendar::start() {
    std::lock_guard guard(state_->lock);
    if (state_->started) {
        return;
    }
    state_->started = true;
    state_->worker.post(state_->workerGuard.wrap([state = state_.get()] { state->refresh(); }));
    state_->scheduleTick(state_->now() + refreshInterval);
}

void GoogleCalendar::stop() {
    std::lock_guard guard(state_->lock);
    state_->started = false;
    state_->timer.cancel();
    state_->fetched.reset();
    ++state_->fetchGeneration;
}

void GoogleCalendar::refresh() { state_->refresh(); }

void GoogleCalendar::connect(std::function<void(std::exception_ptr)> done) { state_->connect(std::move(done)); }

void GoogleCalendar::disconnect() { state_->disconnect(); }

} // namespace ostrel
