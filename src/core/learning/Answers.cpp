#include "core/learning/Answers.hpp"

#include "core/learning/AnswerPayload.hpp"
#include "core/learning/RunPayload.hpp"
#include "core/learning/UndoPayload.hpp"

#include <algorithm>

namespace ostrel {

Answers::Answers(const std::vector<SignalObservation>& observations) {
    const std::vector<const SignalObservation*> ordered = sortedByTime(observations);

    std::unordered_map<std::string, std::string, text::Hash, text::Equal> routineOfRun;
    for (const SignalObservation* observation : ordered) {
        if (observation->signal == Signal::quevAnswer) {
            const auto payload = observation->decoded<AnswerPayload>();
            if (!payload) {
                continue;
            }
            Record& record = records[payload->routine];
            ++record.asked;
            switch (payload->answer) {
            case AnswerPayload::Answer::yes:
                ++record.yeses;
                record.noes = 0;
                break;
            case AnswerPayload::Answer::no:
                ++record.noes;
                record.yeses = 0;
                break;
            case AnswerPayload::Answer::expired:
                break;
            }
        } else if (observation->signal == Signal::quevRun) {
            if (const auto payload = observation->decoded<RunPayload>()) {
                routineOfRun.insert_or_assign(payload->run, payload->routine);
            }
        } else if (observation->signal == Signal::quevUndo) {
            const auto payload = observation->decoded<UndoPayload>();
            if (!payload) {
                continue;
            }
            const auto run = routineOfRun.find(payload->run);
            if (run == routineOfRun.end()) {
                continue;
            }
            records[run->second].yeses = 0;
        }
    }
}

Answers::Record Answers::operator[](std::string_view routine) const {
    const auto found = records.find(routine);
    return found == records.end() ? Record{} : found->second;
}

bool operator==(const Answers& a, const Answers& b) {
    // The map's own == would compare the stored key texts byte by byte.
    if (a.records.size() != b.records.size()) {
        return false;
    }
    return std::all_of(a.records.begin(), a.records.end(), [&b](const auto& entry) {
        const auto found = b.records.find(entry.first);
        return found != b.records.end() && found->second == entry.second;
    });
}

} // namespace ostrel
