#pragma once

#include <string>
#include <vector>

namespace ostrel {

class AutopilotController;
class Store;

// The mascot's conversation engine: one per application, starting with an empty conversation.
// Answering (through the outside command-line agent) is not built yet; this holds what it will
// work with.
//
// Threading: main executor only.
class NuvoTalk {
public:
    struct Message {
        bool fromUser = false;
        std::string text;

        friend bool operator==(const Message&, const Message&) = default;
    };

    // Either may be absent; both, when given, must outlive this.
    NuvoTalk(Store* store, AutopilotController* autopilot) : store_(store), autopilot_(autopilot) {}

    NuvoTalk(const NuvoTalk&) = delete;
    NuvoTalk& operator=(const NuvoTalk&) = delete;

    const std::vector<Message>& conversation() const { return conversation_; }
    Store* store() const { return store_; }
    AutopilotController* autopilot() const { return autopilot_; }

private:
    Store* store_;
    AutopilotController* autopilot_;
    std::vector<Message> conversation_;
};

} // namespace ostrel
