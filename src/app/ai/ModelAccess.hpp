#pragma once

#include "app/ai/Exclusions.hpp"
#include "platform/LanguageModel.hpp"
#include "platform/Settings.hpp"
#include "platform/Workspace.hpp"

namespace ostrel {

// What the features that ask the language model on their own (smart names, the look-back) need:
// the model, the settings their answers are kept in, the workspace that names apps, and what must
// never reach the model. Referenced objects must outlive every call made with it.
struct ModelAccess {
    LanguageModel& model;
    Settings& settings;
    const Workspace& workspace;
    Exclusions exclusions = {};
};

} // namespace ostrel
