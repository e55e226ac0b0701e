#include "platform/LoginItems.hpp"

namespace ostrel {

std::string_view toString(LoginItemStatus status) {
    switch (status) {
    case LoginItemStatus::notRegistered:
        return "notRegistered";
    case LoginItemStatus::enabled:
        return "enabled";
    case LoginItemStatus::requiresApproval:
        return "requiresApproval";
    case LoginItemStatus::notFound:
        return "notFound";
    }
    return "notFound";
}

} // namespace ostrel
