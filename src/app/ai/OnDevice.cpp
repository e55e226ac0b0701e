#include "app/ai/OnDevice.hpp"

namespace ostrel::OnDevice {

std::string unavailableReason(ModelAvailability availability) {
    switch (availability) {
    case ModelAvailability::available:
        return "";
    case ModelAvailability::notEligible:
        return "This Mac can't run the on-device model.";
    case ModelAvailability::notEnabled:
        return "Turn on the on-device model in Ostrel's settings to use this.";
    case ModelAvailability::notReady:
        return "The on-device model is still downloading. Try again in a while.";
    case ModelAvailability::other:
        break;
    }
    return "The on-device model isn't available right now.";
}

} // namespace ostrel::OnDevice
