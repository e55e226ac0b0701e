#pragma once

#include "core/foundation/Json.hpp"

#include <string>

namespace ostrel {

// The run that was undone ("quev.undo") or tidied up at the end of a class ("quev.tidy").
struct UndoPayload {
    std::string run; // as written in that run's RunPayload

    static UndoPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const UndoPayload& a, const UndoPayload& b);
};

} // namespace ostrel
