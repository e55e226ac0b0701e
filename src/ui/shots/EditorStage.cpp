#include "ui/shots/EditorStage.hpp"

namespace ostrel::ui::shots {

EditorStage::EditorStage(MachineState machine, Calendar calendar, Store* store, Pickers* pickers)
    : runtime_(time_),
      machine_(std::move(machine), &time_),
      platform_(machine_.platform()),
      settings_(Settings::inMemory),
      calendar_(std::move(calendar)),
      model_(runtime_.main()),
      context_{store,
               nullptr,
               nullptr,
               &model_,
               platform_,
               runtime_,
               machine_.commands(),
               pickers != nullptr ? *pickers : noPickers_,
               calendar_,
               [this] { ++notifications_; },
               [this] { ++beeps_; },
               [] {
                   return std::vector<InstalledApps::App>{{"Firefox", "org.mozilla.firefox"},
                                                          {"Files", "org.gnome.Nautilus"}};
               }} {}

EditorStage::~EditorStage() = default;

} // namespace ostrel::ui::shots
