#include "Commands.hpp"
#include "Options.hpp"
#include "core/foundation/Json.hpp"
#include "support/FakeHttpServer.hpp"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

namespace ostrel::dev {

namespace {

using test::FakeReply;

constexpr const char* scriptShape =
    "the script is a JSON object {\"tags\": [REPLY...], \"chat\": [REPLY...]}";

std::string dumpReplacing(const json::Value& value) {
    return value.dump(-1, ' ', false, json::Value::error_handler_t::replace);
}

// A finished chat answer of exactly `size` bytes, its content padded with "x": valid in every
// respect but its size.
std::string chatAnswerOfSize(std::size_t size) {
    json::Value message = json::Value::object();
    message["role"] = "assistant";
    message["content"] = "";
    json::Value answer = json::Value::object();
    answer["done"] = true;
    answer["message"] = message;
    answer["model"] = "fake";
    const std::string empty = answer.dump();
    if (size > empty.size()) {
        answer["message"]["content"] = std::string(size - empty.size(), 'x');
    }
    return answer.dump();
}

// One scripted reply:
//   "status" (200), "body" (text as it is, any other JSON as its compact text, default "{}"),
//   "stream" (a list of JSON values sent one a line instead of the body),
//   "oversized" (N: a finished chat answer of N bytes instead of the body),
//   "partial" (true: announce the whole body, send its first half, close),
//   "close" (true: close without a byte), "delay" (seconds to wait first).
FakeReply replyOf(const Options& options, const json::Value& step) {
    if (!step.is_object()) {
        throw options.error(std::string("a reply is a JSON object; ") + scriptShape);
    }
    for (const auto& [key, value] : step.items()) {
        if (key != "status" && key != "body" && key != "stream" && key != "oversized" && key != "partial" &&
            key != "close" && key != "delay") {
            throw options.error("a reply has no key \"" + key + "\"");
        }
    }
    auto flag = [&](const char* key) {
        const auto found = step.find(key);
        if (found != step.end() && !found->is_boolean()) {
            throw options.error(std::string("\"") + key + "\" is true or false");
        }
        return found != step.end() && found->get<bool>();
    };

    FakeReply reply;
    int status = 200;
    if (const auto found = step.find("status"); found != step.end()) {
        if (!found->is_number_integer() || *found < 100 || *found > 599) {
            throw options.error("\"status\" is an integer from 100 to 599");
        }
        status = found->get<int>();
    }
    std::string body = "{}";
    if (const auto found = step.find("body"); found != step.end()) {
        body = found->is_string() ? found->get<std::string>() : dumpReplacing(*found);
    }
    if (const auto found = step.find("stream"); found != step.end()) {
        if (!found->is_array()) {
            throw options.error("\"stream\" is a list of JSON values");
        }
        body.clear();
        for (const json::Value& part : *found) {
            body += dumpReplacing(part) + "\n";
        }
    }
    if (const auto found = step.find("oversized"); found != step.end()) {
        if (!found->is_number_unsigned() || *found > (64u << 20)) {
            throw options.error("\"oversized\" is a size in bytes up to 64 MiB");
        }
        body = chatAnswerOfSize(found->get<std::size_t>());
    }

    if (flag("close")) {
        reply = FakeReply::hangUp();
    } else if (flag("partial")) {
        const std::size_t half = body.size() / 2;
        reply = FakeReply::truncated(status, body.substr(0, half), std::max<std::size_t>(body.size(), half + 1));
    } else {
        reply = FakeReply::json(status, std::move(body));
    }
    if (const auto found = step.find("delay"); found != step.end()) {
        if (!found->is_number() || !std::isfinite(found->get<double>()) || *found < 0 || *found > 3600) {
            throw options.error("\"delay\" is a number of seconds from 0 to 3600");
        }
        reply.delay = std::chrono::milliseconds(static_cast<long long>(std::llround(found->get<double>() * 1000)));
    }
    return reply;
}

std::deque<FakeReply> repliesOf(const Options& options, const json::Value& script, const char* key) {
    std::deque<FakeReply> replies;
    const auto found = script.find(key);
    if (found == script.end()) {
        return replies;
    }
    if (!found->is_array()) {
        throw options.error(std::string("\"") + key + "\" is a list of replies");
    }
    for (const json::Value& step : *found) {
        replies.push_back(replyOf(options, step));
    }
    return replies;
}

} // namespace

// A stand-in for a local model server, for tests of programs that talk to one: it answers
// GET /api/tags and POST /api/chat from a script, each route's replies in order, and 503 once a
// route's replies are used up (404, unprinted, for anything else). Prints {"port": N} first, then
// one line {"body", "method", "path"} per request to those two routes as it arrives. Runs until SIGTERM or SIGINT, then stops
// its connections (a delay or stall ends at once) and exits 0.
int modelServerCommand(const Arguments& arguments) {
    const Options options("model-server", arguments, {"--script", "--port"});
    if (!options.positional().empty()) {
        throw options.error("expects --script FILE [--port N]");
    }
    const auto scriptPath = options.text("--script");
    if (!scriptPath) {
        throw options.error("expects --script FILE");
    }
    json::Value script;
    try {
        script = json::parse(options.readFile(*scriptPath, "script"));
    } catch (const json::DecodingError& error) {
        throw options.error(std::string("the script is not JSON: ") + error.what());
    }
    if (!script.is_object()) {
        throw options.error(scriptShape);
    }
    for (const auto& [key, value] : script.items()) {
        if (key != "tags" && key != "chat") {
            throw options.error(std::string("the script has no key \"") + key + "\"; " + scriptShape);
        }
    }
    struct Route {
        const char* method;
        const char* path;
        std::deque<FakeReply> replies;
    };
    Route routes[] = {
        {"GET", "/api/tags", repliesOf(options, script, "tags")},
        {"POST", "/api/chat", repliesOf(options, script, "chat")},
    };
    const int port = static_cast<int>(options.integer("--port", 0, 65535).value_or(0));

    // Blocked before any thread starts, so every thread inherits the mask and only sigwait sees them.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    if (pthread_sigmask(SIG_BLOCK, &stopping, nullptr) != 0) {
        throw options.error("could not take over SIGTERM");
    }

    std::mutex lock; // one line at a time, and the scripts' queues
    std::unique_ptr<test::FakeHttpServer> server;
    try {
        server = std::make_unique<test::FakeHttpServer>(port);
    } catch (const std::system_error& error) {
        throw options.error(std::string("could not listen on 127.0.0.1: ") + error.what());
    }
    for (Route& route : routes) {
        server->route(route.method, route.path, [&lock, &route](const test::RecordedRequest& request) {
            std::lock_guard guard(lock);
            json::Value line = json::Value::object();
            line["method"] = request.method;
            line["path"] = request.path();
            line["body"] = request.body;
            std::cout << dumpReplacing(line) << std::endl;
            if (route.replies.empty()) {
                return FakeReply::json(503, R"({"error":"no scripted reply left"})");
            }
            FakeReply reply = std::move(route.replies.front());
            route.replies.pop_front();
            return reply;
        });
    }
    {
        std::lock_guard guard(lock);
        std::cout << "{\"port\":" << server->port() << "}" << std::endl;
    }

    int received = 0;
    while (sigwait(&stopping, &received) != 0) {
    }
    server->stop();
    return 0;
}

} // namespace ostrel::dev
