#include "Options.hpp"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <limits>
#include <system_error>

namespace ostrel::dev {

Options::Options(std::string command, const Arguments& arguments, std::set<std::string> valued,
                 std::set<std::string> flags)
    : command_(std::move(command)) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!argument.starts_with("--")) {
            positional_.push_back(argument);
            continue;
        }
        if (flags.count(argument) != 0) {
            if (!flags_.insert(argument).second) {
                throw error(argument + " is given twice");
            }
            continue;
        }
        if (valued.count(argument) == 0) {
            throw error("unknown option " + argument);
        }
        if (i + 1 == arguments.size()) {
            throw error(argument + " needs a value");
        }
        if (!values_.emplace(argument, arguments[++i]).second) {
            throw error(argument + " is given twice");
        }
    }
}

CommandError Options::error(const std::string& message) const {
    return CommandError("ostrel-dev " + command_ + ": " + message);
}

const std::string& Options::single(const std::string& what) const {
    if (positional_.size() != 1) {
        throw error("expects " + what);
    }
    return positional_.front();
}

std::optional<std::string> Options::text(const std::string& name) const {
    const auto found = values_.find(name);
    return found == values_.end() ? std::nullopt : std::optional<std::string>(found->second);
}

std::optional<std::int64_t> Options::integer(const std::string& name, std::int64_t min,
                                             std::int64_t max) const {
    const auto value = text(name);
    if (!value) {
        return std::nullopt;
    }
    std::int64_t number = 0;
    const char* end = value->data() + value->size();
    const auto [stop, failure] = std::from_chars(value->data(), end, number);
    if (value->empty() || failure != std::errc() || stop != end) {
        throw error(name + " expects a whole number, not \"" + *value + "\"");
    }
    if (number < min || number > max) {
        throw error(name + " must be between " + std::to_string(min) + " and " + std::to_string(max));
    }
    return number;
}

std::optional<Options::LocalDate> Options::date(const std::string& name) const {
    const auto value = text(name);
    if (!value) {
        return std::nullopt;
    }
    int parts[3] = {0, 0, 0};
    const char* at = value->data();
    const char* end = value->data() + value->size();
    for (int i = 0; i < 3; ++i) {
        const auto [stop, failure] = std::from_chars(at, end, parts[i]);
        const bool separated = i < 2 ? stop != end && *stop == '-' : stop == end;
        if (failure != std::errc() || stop == at || !separated || parts[i] < 0) {
            throw error(name + " expects a date YYYY-MM-DD, not \"" + *value + "\"");
        }
        at = stop + 1;
    }
    return LocalDate{parts[0], parts[1], parts[2]};
}

std::optional<std::int64_t> Options::moment(const std::string& name, const Calendar& calendar) const {
    const auto value = text(name);
    if (!value) {
        return std::nullopt;
    }
    if (value->find('-', 1) == std::string::npos) {
        return integer(name, std::numeric_limits<std::int64_t>::min(),
                       std::numeric_limits<std::int64_t>::max());
    }
    const LocalDate day = *date(name);
    // Calendar dates roll over (13 January is next year's January); a day that does not come back
    // as itself is no date.
    const Date start = calendar.startOfDay(calendar.date(day.year, day.month, day.day, 12));
    const Calendar::Components check = calendar.components(start);
    const auto milliseconds = roundedMilliseconds(start);
    if (check.year != day.year || check.month != day.month || check.day != day.day || !milliseconds) {
        throw error(name + " is no date in " + calendar.zone() + ": \"" + *value + "\"");
    }
    return *milliseconds;
}

Calendar Options::calendar(const std::string& name) const {
    const auto zone = text(name);
    if (!zone) {
        throw error("expects " + name + " ZONE");
    }
    try {
        return Calendar(*zone, "en_US");
    } catch (const CalendarError&) {
        throw error("unknown time zone \"" + *zone + "\"");
    }
}

std::filesystem::path Options::existingFile(const std::string& path) const {
    std::error_code failure;
    if (!std::filesystem::is_regular_file(path, failure)) {
        throw error("no database file at " + path);
    }
    return path;
}

std::string Options::readFile(const std::string& path, const char* what) const {
    std::error_code failure;
    if (!std::filesystem::is_regular_file(path, failure)) {
        throw error(std::string("no ") + what + " file at " + path);
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        throw error(std::string("cannot read ") + what + " file " + path);
    }
    return text.str();
}

} // namespace ostrel::dev
