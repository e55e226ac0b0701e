#pragma once

#include "platform/LanguageModel.hpp"

#include <string>

// The one sentence shown wherever the language model cannot be used, fit for the student.
namespace ostrel::OnDevice {

// "" when available (callers test for emptiness), else the sentence for the state: not eligible,
// not enabled, still downloading, or anything else.
std::string unavailableReason(ModelAvailability availability);

} // namespace ostrel::OnDevice
