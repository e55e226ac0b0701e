#pragma once

#include "core/routines/PlanningPass.hpp"
#include "platform/Settings.hpp"

namespace ostrel::SmartNames {

// The names the language model gave routines, as stored in the setting "smartNames" (routine key
// id to name) right now: a copy, so a planning pass on the worker never reads the settings. Empty
// names and values that are not text are left out; a setting that is not a dictionary names
// nothing.
PlanningPass::SmartNames cached(const Settings& settings);

} // namespace ostrel::SmartNames
