#pragma once

#include "Commands.hpp"
#include "core/foundation/Calendar.hpp"
#include "core/foundation/EnumText.hpp"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace ostrel::dev {

// A mistake in a command's arguments or an input it cannot use (an unknown option, a malformed
// number, an unknown zone, a missing database): main prints the message as one line and exits 1.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The options of one command: "--name VALUE" pairs and positional arguments, in any order. Every
// mistake is a CommandError whose message starts with "ostrel-dev COMMAND: ".
class Options {
public:
    // valued: the option names that take a value ("--tz"); flags: those that take none ("--keep").
    // Any other argument starting with "--" is a mistake, as is an option given twice or a valued
    // one without its value.
    Options(std::string command, const Arguments& arguments, std::set<std::string> valued,
            std::set<std::string> flags = {});

    const std::string& command() const { return command_; }
    const std::vector<std::string>& positional() const { return positional_; }

    // Exactly one positional argument, described as `what` in the message otherwise.
    const std::string& single(const std::string& what) const;

    std::optional<std::string> text(const std::string& name) const;
    bool flag(const std::string& name) const { return flags_.count(name) != 0; }

    // An integer in [min, max], written in decimal with an optional minus sign.
    std::optional<std::int64_t> integer(const std::string& name, std::int64_t min, std::int64_t max) const;

    // A date "YYYY-MM-DD" as its three numbers; not checked against a calendar.
    struct LocalDate {
        int year = 0;
        int month = 0;
        int day = 0;
    };
    std::optional<LocalDate> date(const std::string& name) const;

    // A case of a stored enumeration, by its text; `cases` lists the texts for the message.
    template <class Enum>
    std::optional<Enum> enumeration(const std::string& name, const std::string& cases) const {
        const auto value = text(name);
        if (!value) {
            return std::nullopt;
        }
        const auto found = fromString<Enum>(*value);
        if (!found) {
            throw error(name + " expects " + cases + ", not \"" + *value + "\"");
        }
        return found;
    }

    // Milliseconds since 1970, or a date "YYYY-MM-DD" meaning the first moment of that day in the
    // calendar's zone.
    std::optional<std::int64_t> moment(const std::string& name, const Calendar& calendar) const;

    // The calendar of the IANA zone given with name, in an English locale; required.
    Calendar calendar(const std::string& name = "--tz") const;

    // A file that must already exist: a command that only reads never creates one. (The store
    // opened for reading then refuses anything but a database at its current schema version.)
    std::filesystem::path existingFile(const std::string& path) const;

    // A message in this command's form.
    CommandError error(const std::string& message) const;

    // The whole file at path, which the command reads as its `what` ("machine state", "script");
    // throws this command's error when it is not a regular file or cannot be read.
    std::string readFile(const std::string& path, const char* what) const;

private:
    std::string command_;
    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
};

} // namespace ostrel::dev
