#include "core/learning/AnswerPayload.hpp"

#include "core/foundation/Text.hpp"

namespace ostrel {

std::string_view toString(AnswerPayload::Answer answer) {
    switch (answer) {
    case AnswerPayload::Answer::yes:
        return "yes";
    case AnswerPayload::Answer::no:
        return "no";
    case AnswerPayload::Answer::expired:
        return "expired";
    }
    return "expired";
}

template <>
std::optional<AnswerPayload::Answer> fromString<AnswerPayload::Answer>(std::string_view text) {
    for (const auto answer :
         {AnswerPayload::Answer::yes, AnswerPayload::Answer::no, AnswerPayload::Answer::expired}) {
        if (text == toString(answer)) {
            return answer;
        }
    }
    return std::nullopt;
}

AnswerPayload AnswerPayload::fromJSON(const json::Value& value) {
    const json::ObjectReader reader(value);
    auto routine = reader.required<std::string>("routine");
    const auto text = reader.required<std::string>("answer");
    const auto answer = fromString<Answer>(text);
    if (!answer) {
        throw json::DecodingError("\"answer\": not an answer: " + text);
    }
    return {std::move(routine), *answer};
}

json::Value AnswerPayload::toJSON() const {
    return json::ObjectWriter().set("routine", routine).set("answer", std::string(toString(answer))).done();
}

bool operator==(const AnswerPayload& a, const AnswerPayload& b) {
    return text::equal(a.routine, b.routine) && a.answer == b.answer;
}

} // namespace ostrel
