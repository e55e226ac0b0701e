#include "semester/SemesterGenerator.hpp"

#include "core/episodes/Item.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/learning/ContextKey.hpp"
#include "core/store/Store.hpp"
#include "semester/Random.hpp"
#include "semester/SimulatedMac.hpp"

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <stdexcept>

namespace ostrel::semester {

namespace {

constexpr std::int64_t second = 1'000;
constexpr std::int64_t minute = 60'000;
constexpr std::int64_t hour = 3'600'000;
// Days the calendar holds beyond the semester, as a calendar source looks ahead.
constexpr int calendarLookAhead = 14;
// From these days on the application asks, and later sets classes up by itself.
constexpr int firstAsking = 10;
constexpr int firstAutomatic = 28;

const std::vector<std::string> generalPages = {
    "https://www.google.com/search?q=eigenvalues+explained",
    "https://www.google.com/search?q=python+list+comprehension",
    "https://en.wikipedia.org/wiki/Gaussian_elimination",
    "https://en.wikipedia.org/wiki/Opportunity_cost",
    "https://www.youtube.com/watch?v=fNk_zzaMoSs",
    "https://www.youtube.com/watch?v=aircAruvnKk",
    "https://stackoverflow.com/questions/11227809/why-is-processing-a-sorted-array-faster",
    "https://www.reddit.com/r/learnmath/",
    "https://www.reddit.com/r/college/",
    "https://news.ycombinator.com/",
    "https://www.theguardian.com/international",
    "https://www.bbc.com/news",
    "https://github.com/trending",
    "https://www.deepl.com/translator",
    "https://learn.uni-example.edu/my/",
    "https://www.amazon.de/gp/cart/view.html",
};
const std::vector<std::string> eveningPages = {
    "https://www.netflix.com/browse",
    "https://www.youtube.com/feed/subscriptions",
    "https://open.spotify.com/playlist/37i9dQZF1DX8NTLI2TtZa6",
    "https://www.instagram.com/",
};
const std::vector<std::string> privatePages = {
    "https://mail.google.com/mail/u/0/#inbox",
    "https://web.whatsapp.com/",
};
// Only ever shown in a private window.
const std::string privateWindowPage = "https://www.etsy.com/search?q=birthday+present";
const std::vector<std::string> otherNotes = {"Shopping list", "Ideas", "To do this week", "Flat chores"};
const std::vector<std::string> otherApps = {"com.apple.Terminal", "com.apple.iCal", "com.spotify.client",
                                            "com.apple.finder"};

// What each noise level changes. The medium profile holds the values the generator always had, so
// a seed gives the same semester at medium as before levels existed.
struct NoiseProfile {
    double app;                         // chance to bring up the course's app at a class
    double document;                    // ... its document or note
    double page;                        // ... its page
    double extra;                       // chance of one more, unrelated to the routine
    std::int64_t settleLow, settleHigh; // minutes after a trigger the student stays settled
    double settleStay;                  // chance that an action while settled is a settled one
    bool keepsToCourse;                 // goes straight to the course's things and stays with them
    double lockFactor;                  // on the chance to lock the Mac between actions
};

const NoiseProfile& profile(Noise noise) {
    static const NoiseProfile low{0.98, 0.97, 0.97, 0.05, 10, 12, 1.0, true, 0.2};
    static const NoiseProfile medium{0.9, 0.85, 0.8, 0.2, 6, 9, 0.95, false, 1.0};
    static const NoiseProfile high{0.75, 0.7, 0.65, 0.45, 3, 5, 0.7, false, 1.5};
    switch (noise) {
    case Noise::low:
        return low;
    case Noise::high:
        return high;
    case Noise::medium:
        break;
    }
    return medium;
}

// One stretch of time the Mac is awake and in use at one place.
struct Session {
    Place place = Place::home;
    std::int64_t start = 0;
    std::int64_t end = 0;
    bool boot = false;       // it starts with the Mac powered on
    bool unlockOnly = false; // the Mac stayed locked since the session before
    bool lockAtEnd = false;  // it ends with a lock, not with sleep
    bool externalDisplay = false;
    bool headphones = false;
    bool charger = false;
    std::vector<const ClassEvent*> classes; // events the student works through on the Mac
};

} // namespace

struct SemesterGenerator::State {
    SemesterOptions options;
    Calendar calendar;
    Date firstDay = 0;
    Timetable timetable;
    // The generator's own Mac, unless it drives one it was given.
    std::unique_ptr<SimulatedMac> own;
    StudentMac& mac;
    // Whether the student's day also holds the application's answers, runs and undos; not on a
    // machine where the real application asks and sets up for itself.
    bool scriptsApplication = true;
    int next = 0;

    // The day being simulated.
    Random random{0};
    SemesterDay* day = nullptr;
    int dayIndex = 0;
    std::int64_t target = 0;
    std::int64_t laterSessionTime = 0;
    double plannedGap = 0; // the mean wait between actions the day's rate asks for
    double observationsPerAction = 1.6;
    std::int64_t noiseActions = 0;
    std::int64_t noiseObservations = 0;
    double estimated = 0; // the day's observations so far, where they are not the generator's to count
    const Course* course = nullptr; // the course being worked on
    std::int64_t settledAt = 0;     // until then the student stays with what they just brought up
    std::vector<std::string> settledApps;
    std::vector<std::pair<std::int64_t, std::function<void()>>> errands;

    State(SemesterOptions options, Calendar calendar, Date firstDay, StudentMac* given)
        : options(std::move(options)), calendar(std::move(calendar)), firstDay(firstDay),
          timetable(this->calendar, firstDay, this->options.days + calendarLookAhead, this->options.seed),
          own(given != nullptr ? nullptr : std::make_unique<SimulatedMac>(this->options.seed, calendarOf(timetable))),
          mac(given != nullptr ? *given : *own), scriptsApplication(given == nullptr) {}

    static std::vector<CalendarEvent> calendarOf(const Timetable& timetable) {
        std::vector<CalendarEvent> events;
        for (const ClassEvent& event : timetable.events()) {
            events.push_back(event.event);
        }
        return events;
    }

    std::int64_t dayStart(int index) const {
        return roundedMilliseconds(calendar.addingDays(index, firstDay)).value_or(0);
    }
    std::int64_t local(const Calendar::Components& day, int hours, int minutes) const {
        return roundedMilliseconds(calendar.date(day.year, day.month, day.day, hours, minutes)).value_or(0);
    }
    std::int64_t minutes(std::int64_t low, std::int64_t high) { return random.between(low, high) * minute; }
    std::int64_t seconds(std::int64_t low, std::int64_t high) { return random.between(low, high) * second; }

    std::vector<Session> plan(int index);
    void simulate(Session& session);
    void arriveAtClass(const ClassEvent& event, std::int64_t at);
    void bringUp(const Course& course, std::int64_t at);
    void runSetup(const Course& course, const ClassEvent& event, std::int64_t at, bool automatic);
    void habits(const Session& session, std::int64_t at);
    void fidget(const Session& session, std::int64_t at);
    void settle(std::int64_t at);
    void settleAfterTrigger();
    void runErrands(std::int64_t until);
    std::int64_t nextGap(std::int64_t now, std::int64_t sessionEnd);
    double recorded() const;
    std::vector<std::string> courseItems(const Course& course) const;
};

// ---- Planning a day ----

std::vector<Session> SemesterGenerator::State::plan(int index) {
    const std::int64_t start = dayStart(index);
    const std::int64_t end = dayStart(index + 1);
    const Calendar::Components day = calendar.components(static_cast<Date>(start) / 1000.0);
    const bool weekend = day.weekday == 1 || day.weekday == 7;

    // Events the student spends on the Mac, each with a little time before and after.
    std::vector<Session> anchors;
    for (const ClassEvent& event : timetable.events()) {
        if (event.event.start < start || event.event.start >= end || !event.withLaptop) {
            continue;
        }
        if (event.event.recurring && random.chance(0.05)) {
            continue; // skipped class
        }
        Session session;
        session.place = event.place;
        // Mostly just in time, so the arrival sets the Mac up for the class; now and then early
        // enough that the class start itself is the moment.
        session.start = event.event.start - (random.chance(0.25) ? minutes(17, 35) : minutes(3, 12));
        session.end = event.event.end + minutes(1, 8);
        session.classes.push_back(&event);
        if (!anchors.empty() && anchors.back().place == session.place &&
            session.start - anchors.back().end < 20 * minute) {
            anchors.back().end = std::max(anchors.back().end, session.end);
            anchors.back().classes.push_back(&event);
        } else if (anchors.empty() || session.start >= anchors.back().end + 15 * minute) {
            anchors.push_back(std::move(session));
        }
    }

    std::vector<Session> sessions;
    std::vector<Session> homeAnchors;
    for (Session& anchor : anchors) {
        (anchor.place == Place::home ? homeAnchors : sessions).push_back(std::move(anchor));
    }

    // Morning at home.
    {
        const std::optional<std::int64_t> first =
            sessions.empty() ? std::nullopt : std::optional<std::int64_t>(sessions.front().start);
        Session morning;
        morning.place = Place::home;
        if (weekend) {
            morning.start = local(day, 9, 30) + minutes(0, 120);
            morning.end = morning.start + minutes(60, 150);
        } else {
            morning.start = local(day, 7, 0) + minutes(0, 90);
            if (first && *first - 45 * minute < morning.start + 20 * minute) {
                morning.start = *first - minutes(55, 80);
            }
            morning.end = morning.start + minutes(25, 70);
            if (first) {
                morning.end = std::min(morning.end, *first - minutes(25, 35));
            }
        }
        morning.charger = random.chance(0.4);
        if (morning.end - morning.start >= 10 * minute) {
            sessions.insert(sessions.begin(), std::move(morning));
        }
    }

    // The library between classes that leave an hour or more.
    for (std::size_t i = 1; i + 1 < sessions.size(); ++i) {
        const std::int64_t gap = sessions[i + 1].start - sessions[i].end;
        if (sessions[i].place == Place::campus && gap >= hour && random.chance(0.65)) {
            Session library;
            library.place = Place::library;
            library.start = sessions[i].end + minutes(8, 15);
            library.end = sessions[i + 1].start - minutes(8, 15);
            library.headphones = random.chance(0.6);
            if (library.end - library.start >= 20 * minute) {
                sessions.insert(sessions.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(library));
                ++i;
            }
        }
    }

    // The weekend afternoon: the library on some Sundays, else at home now and then.
    if (weekend) {
        Session afternoon;
        afternoon.start = local(day, 14, 0) + minutes(0, 45);
        if (day.weekday == 1 && random.chance(0.4)) {
            afternoon.place = Place::library;
            afternoon.end = afternoon.start + minutes(120, 180);
            afternoon.headphones = random.chance(0.6);
            sessions.push_back(std::move(afternoon));
        } else if (random.chance(0.5)) {
            afternoon.place = Place::home;
            afternoon.end = afternoon.start + minutes(60, 120);
            sessions.push_back(std::move(afternoon));
        }
    }

    // The evening at home, with a dinner break on some days.
    {
        const std::int64_t lastEnd = sessions.empty() ? start : sessions.back().end;
        std::int64_t eveningStart = std::max(local(day, 17, 30) + minutes(0, 120), lastEnd + minutes(30, 45));
        std::int64_t eveningEnd = std::min(local(day, 22, 0) + minutes(0, 105), local(day, 23, 50));
        std::vector<const ClassEvent*> classes;
        for (Session& anchor : homeAnchors) {
            if (anchor.end > eveningStart - 3 * hour && anchor.start < eveningEnd) {
                eveningStart = std::max(std::min(eveningStart, anchor.start), lastEnd + 20 * minute);
                eveningEnd = std::max(eveningEnd, std::min(anchor.end, local(day, 23, 50)));
                classes.insert(classes.end(), anchor.classes.begin(), anchor.classes.end());
            }
        }
        const bool display = random.chance(0.55);
        const bool headphones = !display && random.chance(0.3);
        const bool charger = display || random.chance(0.7);
        std::vector<std::pair<std::int64_t, std::int64_t>> parts;
        if (eveningEnd - eveningStart >= 150 * minute && random.chance(0.5)) {
            const std::int64_t dinner = eveningStart + minutes(40, 90);
            parts = {{eveningStart, dinner}, {dinner + minutes(30, 70), eveningEnd}};
        } else if (eveningEnd - eveningStart >= 30 * minute) {
            parts = {{eveningStart, eveningEnd}};
        }
        for (const auto& [from, to] : parts) {
            Session evening;
            evening.place = Place::home;
            evening.start = from;
            evening.end = to;
            evening.externalDisplay = display;
            evening.headphones = headphones;
            evening.charger = charger;
            for (const ClassEvent* event : classes) {
                if (event->event.start >= from && event->event.start < to) {
                    evening.classes.push_back(event);
                }
            }
            sessions.push_back(std::move(evening));
        }
    }

    // In order, apart, and inside the waking day.
    std::stable_sort(sessions.begin(), sessions.end(),
                     [](const Session& a, const Session& b) { return a.start < b.start; });
    std::vector<Session> result;
    const std::int64_t earliest = local(day, 5, 30);
    const std::int64_t latest = local(day, 23, 55);
    for (Session& session : sessions) {
        session.start = std::max(session.start, earliest);
        session.end = std::min(session.end, latest);
        if (!result.empty()) {
            session.start = std::max(session.start, result.back().end + 2 * minute);
        }
        if (session.end - session.start >= 10 * minute) {
            result.push_back(std::move(session));
        }
    }
    for (std::size_t i = 0; i + 1 < result.size(); ++i) {
        if (result[i].place == result[i + 1].place && result[i + 1].start - result[i].end < 40 * minute &&
            !result[i].externalDisplay) {
            result[i].lockAtEnd = true;
            result[i + 1].unlockOnly = true;
        }
    }
    if (!result.empty() && (index == 0 || random.chance(0.08))) {
        result.front().boot = true;
        result.front().unlockOnly = false;
    }
    return result;
}

// ---- Living through a session ----

std::vector<std::string> SemesterGenerator::State::courseItems(const Course& course) const {
    std::vector<std::string> items;
    if (const auto app = Item::app(course.app)) {
        items.push_back(app->id());
    }
    const auto document =
        course.note ? Item::note(SimulatedMac::notes(), *course.note) : Item::document(course.document);
    if (document) {
        items.push_back(document->id());
    }
    if (const auto page = Item::page(course.page)) {
        items.push_back(page->id());
    }
    return items;
}

void SemesterGenerator::State::bringUp(const Course& course, std::int64_t at) {
    enum Step { app, document, page, deeper, extra };
    std::vector<Step> steps;
    const NoiseProfile& noise = profile(options.noise);
    if (random.chance(noise.app)) {
        steps.push_back(app);
    }
    if (random.chance(noise.document)) {
        steps.push_back(document);
    }
    if (random.chance(noise.page)) {
        steps.push_back(page);
    }
    if (course.deeperPage && random.chance(0.35)) {
        steps.push_back(deeper);
    }
    if (random.chance(noise.extra)) {
        steps.push_back(extra);
    }
    // A student who keeps to the routine opens the course's document, which brings its app up
    // with it, rather than clicking the app first and landing on whatever window it showed last.
    const std::string& documentApp =
        course.note ? SimulatedMac::notes() : SimulatedMac::appFor(course.document);
    if (noise.keepsToCourse && documentApp == course.app &&
        std::find(steps.begin(), steps.end(), document) != steps.end()) {
        steps.erase(std::remove(steps.begin(), steps.end(), app), steps.end());
    }
    const bool appFirst = !steps.empty() && steps.front() == app && random.chance(0.7);
    random.shuffle(steps);
    if (appFirst) {
        std::stable_partition(steps.begin(), steps.end(), [](Step step) { return step == app; });
    }
    std::int64_t t = at;
    for (const Step step : steps) {
        t = std::max(t, mac.now()) + seconds(4, 45);
        switch (step) {
        case app:
            mac.activate(t, course.app);
            break;
        case document:
            if (course.note) {
                mac.showNote(t, *course.note);
            } else {
                mac.openDocument(t, course.document);
            }
            break;
        case page:
            mac.showPage(t, course.page);
            break;
        case deeper:
            mac.showPage(t, *course.deeperPage);
            break;
        case extra:
            if (random.chance(0.5) && !course.documents.empty()) {
                mac.openDocument(t, random.pick(course.documents));
            } else {
                mac.showPage(t, random.pick(generalPages));
            }
            break;
        }
    }
}

// The application set the class up: it records the run, then opens the routine's items.
void SemesterGenerator::State::runSetup(const Course& course, const ClassEvent& event, std::int64_t at,
                                        bool automatic) {
    const std::string run = random.uuid();
    mac.recordRun(at, run, ContextKey::event(event.event.key).id(), courseItems(course), automatic);
    std::int64_t t = mac.now();
    mac.activate(t += seconds(1, 3), course.app);
    if (course.note) {
        mac.showNote(t += seconds(1, 3), *course.note);
    } else {
        mac.openDocument(t += seconds(1, 3), course.document);
    }
    mac.showPage(t += seconds(1, 3), course.page);
    if (random.chance(0.2)) {
        mac.recordUndo(mac.now() + seconds(20, 90), run, false);
        // Undone: the student puts things back their own way.
        bringUp(course, mac.now() + seconds(5, 30));
    } else if (random.chance(0.5)) {
        const std::int64_t tidyAt = event.event.end + seconds(10, 60);
        errands.emplace_back(tidyAt, [this, run, tidyAt] {
            mac.recordUndo(tidyAt, run, true);
            mac.hideFrontApp(mac.now() + seconds(1, 3));
        });
    }
}

void SemesterGenerator::State::arriveAtClass(const ClassEvent& event, std::int64_t at) {
    if (event.course < 0) {
        return;
    }
    const Course& course = timetable.courses()[static_cast<std::size_t>(event.course)];
    this->course = &course;
    if (scriptsApplication && event.event.recurring && dayIndex >= firstAsking) {
        const std::string routine = ContextKey::event(event.event.key).id();
        const double draw = random.unit();
        if (dayIndex >= firstAutomatic && draw < 0.35) {
            runSetup(course, event, at + seconds(2, 6), true);
            return;
        }
        if (draw < 0.65) {
            const double answer = random.unit();
            if (answer < 0.6) {
                const std::int64_t said = at + seconds(5, 110);
                mac.recordAnswer(said, routine, AnswerPayload::Answer::yes);
                runSetup(course, event, said + second, false);
                return;
            }
            if (answer < 0.85) {
                mac.recordAnswer(at + seconds(5, 60), routine, AnswerPayload::Answer::no);
            } else {
                // Unanswered: the banner expires while the student sets up by hand.
                const std::int64_t expired = at + 120 * second;
                errands.emplace_back(expired, [this, routine, expired] {
                    mac.recordAnswer(expired, routine, AnswerPayload::Answer::expired);
                });
            }
        }
    }
    bringUp(course, at);
}

void SemesterGenerator::State::habits(const Session& session, std::int64_t at) {
    std::int64_t t = at;
    const auto step = [&] { return t = std::max(t, mac.now()) + seconds(5, 40); };
    const auto& courses = timetable.courses();
    switch (session.place) {
    case Place::home:
        if (mac.now() < session.start + 30 * minute &&
            calendar.hour(static_cast<Date>(session.start) / 1000.0) < 12) {
            // Mornings: the news, mail, the day's calendar.
            if (random.chance(0.7)) {
                mac.showPage(step(), "https://www.theguardian.com/international");
            }
            if (random.chance(0.5)) {
                mac.activate(step(), "com.apple.mail");
            }
            if (random.chance(0.4)) {
                mac.activate(step(), "com.apple.iCal");
            }
        } else {
            if (random.chance(0.5)) {
                mac.activate(step(), "com.spotify.client");
            }
            if (random.chance(0.6)) {
                const Course& course = random.pick(courses);
                course.note ? mac.showNote(step(), *course.note) : mac.openDocument(step(), course.document);
            }
            if (random.chance(0.4)) {
                mac.showPage(step(), random.pick(eveningPages));
            }
        }
        break;
    case Place::library: {
        const Course& course = random.pick(courses);
        this->course = &course;
        if (random.chance(0.8)) {
            mac.openDocument(step(), random.pick(course.documents));
        }
        if (random.chance(0.5)) {
            mac.showPage(step(), course.page);
        }
        if (random.chance(0.3)) {
            mac.activate(step(), "com.spotify.client");
        }
        break;
    }
    case Place::campus:
    case Place::elsewhere:
        if (random.chance(0.6)) {
            mac.showPage(step(), random.pick(generalPages));
        }
        break;
    }
}

// For a few minutes after arriving or a class starting the student works with what they just
// brought up: arranging its windows and switching among them, now and then something else. So
// what an episode's setup holds is mostly its routine, with a little noise.
void SemesterGenerator::State::settleAfterTrigger() {
    const NoiseProfile& noise = profile(options.noise);
    settledAt = mac.lastTrigger().value_or(mac.now()) + minutes(noise.settleLow, noise.settleHigh);
    settledApps.clear();
    // The apps a class's routine brings up: its own, the browser, the one its document opens in.
    std::vector<std::string> courseApps;
    if (course != nullptr) {
        courseApps = {course->app, SimulatedMac::browser(),
                      course->note ? SimulatedMac::notes() : SimulatedMac::appFor(course->document)};
    }
    for (const StudentMac::Window& window : mac.windows()) {
        if (settledApps.size() == 3) {
            break;
        }
        const bool allowed =
            !noise.keepsToCourse || course == nullptr ||
            std::find(courseApps.begin(), courseApps.end(), window.bundleID) != courseApps.end();
        if (allowed &&
            std::find(settledApps.begin(), settledApps.end(), window.bundleID) == settledApps.end() &&
            !mac.isHidden(window.bundleID)) {
            settledApps.push_back(window.bundleID);
        }
    }
}

void SemesterGenerator::State::settle(std::int64_t at) {
    if (random.chance(0.5) && !settledApps.empty()) {
        mac.activate(at, random.pick(settledApps));
    } else {
        mac.moveWindow(at);
    }
}

// One small thing the student does at the Mac.
void SemesterGenerator::State::fidget(const Session& session, std::int64_t at) {
    enum Action {
        switchApp,
        otherWindow,
        move,
        browse,
        open,
        close,
        minimize,
        unminimize,
        hide,
        launch,
        quit,
        note,
        privateApp,
        privatePage,
        volume,
        mute,
        count
    };
    static constexpr std::array<double, count> weights = {16, 8, 10,  22, 6,   4, 2,   2,
                                                          2,  2, 1.5, 3,  2.5, 1, 0.7, 0.3};
    const std::size_t before = day->observations.size();
    const auto& courses = timetable.courses();
    const Course& subject = course != nullptr && random.chance(0.7) ? *course : random.pick(courses);
    switch (static_cast<Action>(random.weighted(weights))) {
    case switchApp: {
        std::vector<std::string> others;
        for (const std::string& app : mac.running()) {
            if (app != mac.front() && !SimulatedMac::isExcluded(app)) {
                others.push_back(app);
            }
        }
        if (!others.empty()) {
            mac.activate(at, random.pick(others));
        }
        break;
    }
    case otherWindow:
        mac.focusOtherWindow(at);
        break;
    case move:
        mac.moveWindow(at);
        break;
    case browse: {
        const double draw = random.unit();
        if (draw < 0.45) {
            mac.showPage(at, random.chance(0.5) ? subject.page : random.pick(subject.pages));
        } else if (draw < 0.55 && session.place == Place::home) {
            mac.showPage(at, random.pick(eveningPages));
        } else {
            mac.showPage(at, random.pick(generalPages));
        }
        break;
    }
    case open:
        if (random.chance(0.4)) {
            mac.openDocument(at, subject.document);
        } else {
            mac.openDocument(at, random.pick(subject.documents));
        }
        break;
    case close:
        if (mac.windows().size() > 4) {
            mac.closeWindow(at);
        }
        break;
    case minimize:
        mac.minimizeWindow(at);
        break;
    case unminimize:
        mac.unminimizeWindow(at);
        break;
    case hide:
        mac.hideFrontApp(at);
        break;
    case launch:
        mac.activate(at, random.chance(0.5) ? subject.app : random.pick(otherApps));
        break;
    case quit: {
        const std::string& app = random.pick(mac.running());
        if (app != SimulatedMac::browser()) {
            mac.quitApp(at, app);
        }
        break;
    }
    case note:
        mac.showNote(at, subject.note && random.chance(0.6) ? *subject.note : random.pick(otherNotes));
        break;
    case privateApp:
        mac.activate(at, random.chance(0.6) ? "com.apple.MobileSMS" : "com.apple.mail");
        break;
    case privatePage: {
        // At home the student looks for a present in a private window; elsewhere mail and
        // messages. The draw is the same either way, so the rest of the day does not change.
        const std::string& page = random.pick(privatePages);
        if (session.place == Place::home) {
            mac.showPrivatePage(at, privateWindowPage);
        } else {
            mac.showPage(at, page);
        }
        break;
    }
    case volume:
        mac.changeVolume(at);
        break;
    case mute:
        mac.toggleMute(at);
        break;
    case count:
        break;
    }
    if (own == nullptr) {
        // The application's sources count elsewhere: the rate is met by the usual yield per action.
        estimated += observationsPerAction;
        return;
    }
    ++noiseActions;
    noiseObservations += static_cast<std::int64_t>(day->observations.size() - before);
    observationsPerAction =
        std::max(0.3, static_cast<double>(noiseObservations + 16) / static_cast<double>(noiseActions + 10));
}

double SemesterGenerator::State::recorded() const {
    return own != nullptr ? static_cast<double>(day->observations.size()) : estimated;
}

void SemesterGenerator::State::runErrands(std::int64_t until) {
    std::stable_sort(errands.begin(), errands.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    while (!errands.empty() && errands.front().first <= until) {
        auto errand = std::move(errands.front().second);
        errands.erase(errands.begin());
        errand();
    }
}

// The wait before the next small action: what is left of the day's observations spread over
// what is left of its time at the Mac.
std::int64_t SemesterGenerator::State::nextGap(std::int64_t now, std::int64_t sessionEnd) {
    const double left = static_cast<double>(target) - recorded();
    const auto time = static_cast<double>(std::max<std::int64_t>(0, sessionEnd - now) + laterSessionTime);
    double mean = left <= 0 ? static_cast<double>(20 * minute) : time / (left / observationsPerAction);
    // A day that fell behind catches up, but never in a frenzy at its end.
    mean = std::max(mean, plannedGap / 2);
    const double gap = mean * (0.1 + 1.8 * random.unit());
    return std::clamp(static_cast<std::int64_t>(gap), second, 45 * minute);
}

void SemesterGenerator::State::simulate(Session& session) {
    errands.clear();
    course = nullptr;
    settledAt = 0;
    if (session.boot) {
        mac.boot(session.start, session.place);
    } else if (session.unlockOnly && !mac.asleep()) {
        mac.unlock(session.start);
    } else {
        mac.wake(session.start, session.place);
    }
    const std::int64_t arrived = mac.now();
    if (session.charger) {
        errands.emplace_back(arrived + seconds(5, 40), [this] { mac.plugCharger(mac.now(), true); });
    }
    if (session.externalDisplay) {
        errands.emplace_back(arrived + seconds(20, 120),
                             [this] { mac.connectExternalDisplay(mac.now(), true); });
    }
    if (session.headphones) {
        errands.emplace_back(arrived + minutes(1, 6), [this] { mac.connectHeadphones(mac.now(), true); });
    }

    std::vector<const ClassEvent*> classes = session.classes;
    std::size_t nextClass = 0;
    if (!classes.empty() && classes.front()->event.start - arrived <= 15 * minute) {
        arriveAtClass(*classes.front(), arrived + seconds(5, 40));
        nextClass = 1;
    } else {
        habits(session, arrived);
    }
    settleAfterTrigger();

    const std::int64_t stop = session.end - 20 * second;
    while (mac.now() < stop) {
        const std::int64_t now = mac.now();
        const std::int64_t gap = nextGap(now, session.end);
        const std::int64_t at = now + gap;
        const std::optional<std::int64_t> classStart =
            nextClass < classes.size() ? std::optional<std::int64_t>(classes[nextClass]->event.start)
                                       : std::nullopt;
        if (classStart && *classStart <= at) {
            // The class starts while the student is at the Mac: its start is the moment.
            mac.advance(std::max(now, *classStart + seconds(2, 5)));
            arriveAtClass(*classes[nextClass], mac.now() + seconds(10, 50));
            settleAfterTrigger();
            ++nextClass;
            continue;
        }
        const auto earliest = std::min_element(
            errands.begin(), errands.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        if (earliest != errands.end() && earliest->first <= at) {
            runErrands(at);
            continue;
        }
        if (at >= stop) {
            mac.advance(stop);
            break;
        }
        const bool classSoon = classStart && *classStart < at + 35 * minute;
        const double draw = random.unit();
        const double idleChance = static_cast<double>(gap) / static_cast<double>(80 * minute);
        const double lockChance =
            static_cast<double>(gap) / static_cast<double>(150 * minute) * profile(options.noise).lockFactor;
        if (!classSoon && stop - at > 35 * minute && draw < idleChance) {
            // Reading, or away from the keyboard without locking.
            mac.advance(at + minutes(6, 25));
            continue;
        }
        if (!classSoon && stop - at > 30 * minute && draw < idleChance + lockChance) {
            mac.lock(at);
            mac.unlock(at + minutes(3, 14));
            if (random.chance(0.5)) {
                habits(session, mac.now());
            }
            settleAfterTrigger();
            continue;
        }
        if (at < settledAt && random.chance(profile(options.noise).settleStay)) {
            settle(at);
        } else {
            fidget(session, at);
        }
    }

    const std::int64_t leaving = std::max(mac.now(), session.end);
    if (!session.lockAtEnd) {
        if (mac.headphones()) {
            mac.connectHeadphones(leaving - seconds(20, 60), false);
        }
        if (mac.externalDisplay()) {
            mac.connectExternalDisplay(leaving - seconds(5, 15), false);
        }
        if (session.charger) {
            mac.plugCharger(leaving - seconds(1, 4), false);
        }
    }
    if (session.lockAtEnd) {
        mac.lock(leaving);
    } else {
        mac.sleep(leaving);
    }
}

// ---- The generator ----

SemesterGenerator::SemesterGenerator(SemesterOptions options) : SemesterGenerator(std::move(options), nullptr) {}

SemesterGenerator::SemesterGenerator(SemesterOptions options, StudentMac& mac)
    : SemesterGenerator(std::move(options), &mac) {}

SemesterGenerator::SemesterGenerator(SemesterOptions options, StudentMac* mac) {
    if (options.days < 1 || options.days > SemesterOptions::maxDays) {
        throw std::invalid_argument("days must be between 1 and " + std::to_string(SemesterOptions::maxDays));
    }
    if (options.perDay < 0 || options.perDay > SemesterOptions::maxPerDay) {
        throw std::invalid_argument("the rate must be between 0 and " +
                                    std::to_string(SemesterOptions::maxPerDay) + " a day");
    }
    if (options.year < 1971 || options.year > 9999 || options.month < 1 || options.month > 12 ||
        options.day < 1 || options.day > 31) {
        throw std::invalid_argument("the first day is no date");
    }
    Calendar calendar(options.zone, "en_US");
    const Date firstDay = calendar.startOfDay(calendar.date(options.year, options.month, options.day, 12));
    const Calendar::Components check = calendar.components(firstDay);
    if (check.month != options.month || check.day != options.day) {
        throw std::invalid_argument("the first day is no date");
    }
    state_ = std::make_unique<State>(std::move(options), std::move(calendar), firstDay, mac);
}

SemesterGenerator::~SemesterGenerator() = default;

const SemesterOptions& SemesterGenerator::options() const {
    return state_->options;
}

const std::vector<Course>& SemesterGenerator::courses() const {
    return state_->timetable.courses();
}

std::int64_t SemesterGenerator::from() const {
    return state_->dayStart(0);
}

std::int64_t SemesterGenerator::to() const {
    return state_->dayStart(state_->options.days);
}

std::vector<CalendarEvent> SemesterGenerator::calendar() const {
    return State::calendarOf(state_->timetable);
}

std::vector<CalendarEvent> SemesterGenerator::calendar(std::int64_t from, std::int64_t to) const {
    return state_->timetable.calendarEvents(from, to);
}

std::optional<SemesterDay> SemesterGenerator::nextDay() {
    State& s = *state_;
    if (s.next >= s.options.days) {
        return std::nullopt;
    }
    SemesterDay day;
    day.index = s.next++;
    day.start = s.dayStart(day.index);
    day.end = s.dayStart(day.index + 1);
    s.day = &day;
    s.dayIndex = day.index;
    s.random = Random(Random::mix(s.options.seed, 0xda7, static_cast<std::uint64_t>(day.index)));
    s.estimated = 0;
    if (s.own != nullptr) {
        s.own->setOutput(day.observations, day.triggers);
    }

    std::vector<Session> sessions = s.plan(day.index);
    const Calendar::Components components = s.calendar.components(static_cast<Date>(day.start) / 1000.0);
    const bool weekend = components.weekday == 1 || components.weekday == 7;
    // Weekdays a little above the rate and weekends below it, so a week averages the rate.
    s.target = static_cast<std::int64_t>(static_cast<double>(s.options.perDay) * (weekend ? 0.75 : 1.1) *
                                         (0.9 + 0.2 * s.random.unit()));
    if (s.own != nullptr) {
        day.observations.reserve(static_cast<std::size_t>(s.target) + 256);
    }
    std::int64_t total = 0;
    for (const Session& session : sessions) {
        total += session.end - session.start;
    }
    // About a sixth of the time at the Mac goes to idle spells and short locks.
    s.plannedGap = static_cast<double>(total) * 0.83 / std::max(1.0, static_cast<double>(s.target) / 1.9);
    for (Session& session : sessions) {
        total -= session.end - session.start;
        s.laterSessionTime = total;
        s.simulate(session);
    }
    s.day = nullptr;
    return day;
}

std::vector<std::string> plantedItems(const Course& course) {
    const std::string& documentApp =
        course.note ? SimulatedMac::notes() : SimulatedMac::appFor(course.document);
    std::vector<std::optional<Item>> items = {
        Item::app(course.app), Item::app(documentApp), Item::app(SimulatedMac::browser()),
        course.note ? Item::note(SimulatedMac::notes(), *course.note) : Item::document(course.document),
        Item::page(course.page)};
    std::vector<std::string> ids;
    for (const auto& item : items) {
        if (item && std::find(ids.begin(), ids.end(), item->id()) == ids.end()) {
            ids.push_back(item->id());
        }
    }
    return ids;
}

std::string_view toString(Noise noise) {
    switch (noise) {
    case Noise::low:
        return "low";
    case Noise::high:
        return "high";
    case Noise::medium:
        break;
    }
    return "medium";
}

Semester generateSemester(const SemesterOptions& options) {
    SemesterGenerator generator(options);
    Semester semester;
    semester.from = generator.from();
    semester.to = generator.to();
    semester.calendar = generator.calendar();
    while (auto day = generator.nextDay()) {
        semester.observations.insert(semester.observations.end(),
                                     std::make_move_iterator(day->observations.begin()),
                                     std::make_move_iterator(day->observations.end()));
        semester.triggers.insert(semester.triggers.end(), day->triggers.begin(), day->triggers.end());
    }
    return semester;
}

SemesterSummary writeSemester(SemesterGenerator& generator, Store& store) {
    SemesterSummary summary;
    summary.from = generator.from();
    summary.to = generator.to();
    std::int64_t synced = summary.from; // the end of the calendar range synced so far
    while (auto day = generator.nextDay()) {
        // Once a week, when the Mac first wakes, the calendar source syncs the next two weeks.
        if (day->index % 7 == 0) {
            const std::int64_t until = day->start + calendarLookAhead * 24 * hour;
            const std::int64_t seenAt = day->observations.empty() ? day->start : day->observations.front().ts;
            const std::vector<CalendarEvent> events = generator.calendar(day->start, until);
            store.syncCalendar(events, day->start, until, seenAt);
            for (const CalendarEvent& event : events) {
                summary.events += event.start >= synced ? 1 : 0;
            }
            synced = std::max(synced, until);
        }
        store.append(day->observations);
        store.insert(day->triggers);
        ++summary.days;
        summary.observations += static_cast<std::int64_t>(day->observations.size());
        summary.triggers += static_cast<std::int64_t>(day->triggers.size());
    }
    return summary;
}

} // namespace ostrel::semester

namespace ostrel {

template <>
std::optional<semester::Noise> fromString<semester::Noise>(std::string_view text) {
    using semester::Noise;
    for (const Noise noise : {Noise::low, Noise::medium, Noise::high}) {
        if (text == toString(noise)) {
            return noise;
        }
    }
    return std::nullopt;
}

} // namespace ostrel
