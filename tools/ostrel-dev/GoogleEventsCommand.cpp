#include "Commands.hpp"
#include "ModelJson.hpp"
#include "core/calendar/GoogleEvent.hpp"
#include "core/foundation/FileDescriptor.hpp"
#include "core/foundation/Json.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel::dev {

namespace {

// A page of events is at most 2,500 events of a few kilobytes each; anything past this is not a reply.
constexpr std::size_t largestReply = 64u << 20;

std::runtime_error failure(const std::string& path, const std::string& why) {
    return std::runtime_error("ostrel-dev google-events: cannot read " + path + ": " + why);
}

// The whole of a regular file of at most largestReply bytes. A FIFO, a device such as /dev/zero
// or a folder is refused before a byte is read, so the command never waits or reads forever.
std::string readReply(const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    const int fd = file.get();
    if (fd < 0) {
        throw failure(path, std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw failure(path, std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        throw failure(path, "not a regular file");
    }
    const auto tooLarge = [&] { return failure(path, "larger than " + std::to_string(largestReply >> 20) + " MB"); };
    if (static_cast<std::uint64_t>(info.st_size) > largestReply) {
        throw tooLarge();
    }
    std::string text(static_cast<std::size_t>(info.st_size), '\0');
    std::size_t length = 0;
    for (;;) {
        if (length == text.size()) {
            // The file may have grown since fstat; read on, within the cap.
            if (text.size() > largestReply) {
                throw tooLarge();
            }
            text.resize(std::min(largestReply + 1, std::max<std::size_t>(text.size() * 2, 4096)));
        }
        const ssize_t got = ::read(fd, text.data() + length, text.size() - length);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw failure(path, std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    if (length > largestReply) {
        throw tooLarge();
    }
    text.resize(length);
    return text;
}

} // namespace

// Reads an events list reply ({"items": [...]}) or one event resource and prints the calendar events
// they convert to, one JSON line each; what was skipped is counted in one line on stderr.
int googleEventsCommand(const Arguments& arguments) {
    if (arguments.size() != 1) {
        throw UsageError{"expects exactly one file"};
    }
    const std::string text = readReply(arguments.front());
    json::Value reply;
    try {
        reply = json::parse(text);
    } catch (const json::DecodingError& error) {
        throw failure(arguments.front(), error.what());
    }

    GoogleEvent::DecodedList decoded;
    if (reply.is_object() && reply.contains("items")) {
        decoded = GoogleEvent::decodeList(reply.at("items"));
    } else {
        try {
            decoded.events.push_back(GoogleEvent::fromJSON(reply));
        } catch (const json::DecodingError&) {
            decoded.skipped = 1;
        }
    }

    // The file name stands in for the calendar a client would have listed the events from.
    std::size_t nothing = 0;
    for (const GoogleEvent& event : decoded.events) {
        if (const auto converted = event.calendarEvent(arguments.front())) {
            std::cout << json::encode(eventJSON(*converted)) << '\n';
        } else {
            ++nothing;
        }
    }
    std::cerr << (decoded.events.size() - nothing) << " converted, " << decoded.skipped << " did not decode, "
              << nothing << " converted to nothing\n";
    return 0;
}

} // namespace ostrel::dev
