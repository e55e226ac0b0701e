#pragma once

#include "platform/Subscription.hpp"

#include <QWidget>

#include <vector>

class QAbstractButton;
class QLabel;

namespace ostrel {
class RoutineDraft;
}

namespace ostrel::ui {

class SectionTitle;

// The editor's How section: whether the routine sets the machine up by itself, asks first, or
// never runs, as three capsule choices under a title whose line says what the chosen one means.
// It only writes the draft's mode and redraws from the draft on every change.
//
// Threading: the GUI thread only.
class HowSection : public QWidget {
    Q_OBJECT
public:
    // The draft must outlive the section.
    explicit HowSection(RoutineDraft& draft, QWidget* parent = nullptr);

    // The choice buttons in order: "Set up by itself", "Ask me first", "Off".
    const std::vector<QAbstractButton*>& choices() const { return choices_; }
    SectionTitle* title() const { return title_; }

private:
    void refresh();

    RoutineDraft& draft_;
    SectionTitle* title_;
    std::vector<QAbstractButton*> choices_;
    Subscription watching_;
};

} // namespace ostrel::ui
