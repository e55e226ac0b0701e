#pragma once

#include "platform/Executor.hpp"
#include "platform/Subscription.hpp"

#include <QWidget>

#include <string>
#include <vector>

class QComboBox;

namespace ostrel {
class CommandRunner;
class RoutineDraft;
class Runtime;
} // namespace ostrel

namespace ostrel::ui {

class SkySwitch;

// The editor's Also section: mute, pick up where you left off, what happens when the class is over
// (only for a routine tied to a class), and a shortcut to run. Each control writes one field of the
// draft at once. The student's shortcuts are listed on a worker each time the section is shown
// (the tool may take a while); the answer is dropped when the section is gone by then. A stored
// shortcut that is not (yet) listed shows no choice and stays until another is picked.
//
// Threading: the GUI thread only; the listing runs on the runtime's worker.
class AlsoSection : public QWidget {
    Q_OBJECT
public:
    // Everything must outlive the section.
    AlsoSection(RoutineDraft& draft, Runtime& runtime, CommandRunner& commands, QWidget* parent = nullptr);
    ~AlsoSection() override;

    SkySwitch* mute() const { return mute_; }
    SkySwitch* pickUp() const { return pickUp_; }
    QWidget* tidyUpRow() const { return tidyUpRow_; }
    QComboBox* tidyUp() const { return tidyUp_; }
    QComboBox* shortcut() const { return shortcut_; }
    const std::vector<std::string>& shortcuts() const { return shortcuts_; }

    // Replaces the listed shortcuts (what the worker's answer does).
    void setShortcuts(std::vector<std::string> names);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    QWidget* row(const QString& title, const QString& detail, QWidget* control);

    RoutineDraft& draft_;
    Runtime& runtime_;
    CommandRunner& commands_;
    SkySwitch* mute_;
    SkySwitch* pickUp_;
    QWidget* tidyUpRow_;
    QComboBox* tidyUp_;
    QComboBox* shortcut_;
    std::vector<std::string> shortcuts_;
    bool refreshing_ = false;
    Subscription watching_;
    LifetimeGuard guard_; // last: answers from the worker stop first
};

} // namespace ostrel::ui
