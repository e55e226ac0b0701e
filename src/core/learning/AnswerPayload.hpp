#pragma once

#include "core/foundation/EnumText.hpp"
#include "core/foundation/Json.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// How the user answered an ask banner ("quev.answer").
struct AnswerPayload {
    enum class Answer {
        yes,    // "yes": set it up
        no,     // "no": declined
        expired // "expired": the banner timed out unanswered
    };

    std::string routine; // the id of the context key the banner asked about
    Answer answer = Answer::expired;

    // Any answer text but the three fails to decode.
    static AnswerPayload fromJSON(const json::Value& value);
    json::Value toJSON() const;

    friend bool operator==(const AnswerPayload& a, const AnswerPayload& b);
};

std::string_view toString(AnswerPayload::Answer answer);

template <>
std::optional<AnswerPayload::Answer> fromString<AnswerPayload::Answer>(std::string_view text);

} // namespace ostrel
