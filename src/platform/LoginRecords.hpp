#pragma once

#include "platform/Availability.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel {

// One entry of the system's login records (utmpx): type 7 is a user process, line the terminal or
// seat ("console" for the graphical login on the reference system, a seat or tty on Linux).
struct LoginRecord {
    int type = 0;
    std::string line;
    std::string user;
    std::int64_t seconds = 0;      // when, seconds since 1970
    std::int64_t microseconds = 0; // and the microseconds within that second

    static constexpr int userProcess = 7;

    friend bool operator==(const LoginRecord&, const LoginRecord&) = default;
};

// The login records and the facts needed to pick the user's own login out of them.
//
// Threading: every member may be called from any thread; each call reads afresh.
class LoginRecords {
public:
    virtual ~LoginRecords() = default;

    virtual Availability availability() const = 0;
    // Every record, in the order the system keeps them; empty when they cannot be read.
    virtual std::vector<LoginRecord> records() const = 0;
    // The login name of the user running this process.
    virtual std::string userName() const = 0;
    // Seconds since the machine booted, sleep included.
    virtual double uptime() const = 0;
};

} // namespace ostrel
