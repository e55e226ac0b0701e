#pragma once

#include "platform/Availability.hpp"

#include <optional>
#include <string>

namespace ostrel {

// The user's store of secrets (the Secret Service on a desktop). One secret per (service, account).
// Secrets never go to a file, a log line, an error text or output.
//
// Threading: every member may be called from any thread and may block briefly (the store may
// have to be unlocked), so callers keep it off the main executor where they can.
class Keychain {
public:
    enum class Status { success, failed, unavailable };

    virtual ~Keychain() = default;

    virtual Availability availability() const = 0;

    // The secret, or nothing when none is stored or it cannot be read.
    virtual std::optional<std::string> read(const std::string& service, const std::string& account) = 0;
    // Stores secret in place of any earlier one, in one step: on failure the earlier secret stays.
    virtual Status write(const std::string& service, const std::string& account, const std::string& secret) = 0;
    // Removing a secret that is not there is a success.
    virtual Status remove(const std::string& service, const std::string& account) = 0;
};

} // namespace ostrel
