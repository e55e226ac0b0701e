#include "ui/editor/AlsoSection.hpp"

#include "app/autopilot/Shortcuts.hpp"
#include "app/editor/AlsoEdits.hpp"
#include "app/editor/RoutineDraft.hpp"
#include "platform/Runtime.hpp"
#include "ui/editor/EditorStyle.hpp"
#include "ui/editor/SectionTitle.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkySwitch.hpp"

#include <QComboBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel::ui {

AlsoSection::AlsoSection(RoutineDraft& draft, Runtime& runtime, CommandRunner& commands, QWidget* parent)
    : QWidget(parent), draft_(draft), runtime_(runtime), commands_(commands) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(new SectionTitle("Also", QString(), this));

    mute_ = new SkySwitch("Mute the Mac", this);
    connect(mute_, &QAbstractButton::toggled, this, [this](bool on) {
        if (!refreshing_) {
            draft_.change([on](RoutineEdits& edits) { edits.mute = on; });
        }
    });
    column->addWidget(row("Mute the Mac", "Sound comes back when you undo or tidy up.", mute_));

    pickUp_ = new SkySwitch("Pick up where you left off", this);
    connect(pickUp_, &QAbstractButton::toggled, this, [this](bool on) {
        if (!refreshing_) {
            draft_.change([on](RoutineEdits& edits) { edits.pickUp = on; });
        }
    });
    column->addWidget(row("Pick up where you left off", "Also reopens the files and pages from last time.", pickUp_));

    tidyUp_ = new QComboBox(this);
    styleChoiceBox(tidyUp_);
    for (const AlsoEdits::Choice& choice : AlsoEdits::tidyUpChoices()) {
        tidyUp_->addItem(QString::fromStdString(choice.title));
    }
    connect(tidyUp_, &QComboBox::activated, this, [this](int index) {
        const auto& choices = AlsoEdits::tidyUpChoices();
        if (index >= 0 && index < static_cast<int>(choices.size())) {
            const auto mode = choices[static_cast<std::size_t>(index)].mode;
            draft_.change([mode](RoutineEdits& edits) { edits.tidyUp = mode; });
        }
    });
    tidyUpRow_ = row("When class is over", "Put away what Ostrel opened, and bring sound back.", tidyUp_);
    column->addWidget(tidyUpRow_);

    shortcut_ = new QComboBox(this);
    styleChoiceBox(shortcut_);
    connect(shortcut_, &QComboBox::activated, this, [this](int index) {
        std::optional<std::string> name;
        if (index > 0 && index <= static_cast<int>(shortcuts_.size())) {
            name = shortcuts_[static_cast<std::size_t>(index - 1)];
        }
        draft_.change([&name](RoutineEdits& edits) { edits.shortcut = name; });
    });
    column->addWidget(row("Run a Shortcut", "Such as one that turns on Do Not Disturb.", shortcut_));

    watching_ = draft.observe([this](RoutineDraft::Property) { refresh(); });
    refresh();
}

AlsoSection::~AlsoSection() {
    guard_.invalidate();
}

QWidget* AlsoSection::row(const QString& title, const QString& detail, QWidget* control) {
    auto* line = new QWidget(this);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QVBoxLayout;
    label->setSpacing(1);
    QLabel* titleLabel = plainLabel(Fonts::font(14, Fonts::Weight::semibold), Sky::ink(), line);
    titleLabel->setText(title);
    label->addWidget(titleLabel);
    QLabel* detailLabel = plainLabel(Fonts::font(12, Fonts::Weight::regular), Sky::inkSoft(), line);
    detailLabel->setText(detail);
    detailLabel->setWordWrap(true);
    label->addWidget(detailLabel);
    layout->addLayout(label, 1);
    layout->addSpacing(12);
    layout->addWidget(control, 0, Qt::AlignVCenter);
    return line;
}

void AlsoSection::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    CommandRunner& commands = commands_;
    Executor& main = runtime_.main();
    auto apply = guard_.wrap([this](std::vector<std::string> names) { setShortcuts(std::move(names)); });
    runtime_.worker().post([&commands, &main, apply]() mutable {
        std::vector<std::string> names = Shortcuts(commands).names();
        main.post([apply, names = std::move(names)]() mutable { apply(std::move(names)); });
    });
}

void AlsoSection::setShortcuts(std::vector<std::string> names) {
    shortcuts_ = std::move(names);
    refresh();
}

void AlsoSection::refresh() {
    refreshing_ = true;
    const RoutineEdits& edits = draft_.edits();
    mute_->setChecked(edits.mute);
    pickUp_->setChecked(edits.pickUp);
    tidyUpRow_->setVisible(draft_.hasEvent());
    const auto& tidyChoices = AlsoEdits::tidyUpChoices();
    for (std::size_t i = 0; i < tidyChoices.size(); ++i) {
        if (tidyChoices[i].mode == edits.tidyUp) {
            tidyUp_->setCurrentIndex(static_cast<int>(i));
        }
    }
    shortcut_->clear();
    shortcut_->addItem("None");
    int chosen = edits.shortcut ? -1 : 0;
    for (std::size_t i = 0; i < shortcuts_.size(); ++i) {
        shortcut_->addItem(QString::fromStdString(shortcuts_[i]));
        if (edits.shortcut && *edits.shortcut == shortcuts_[i]) {
            chosen = static_cast<int>(i) + 1;
        }
    }
    shortcut_->setCurrentIndex(chosen);
    refreshing_ = false;
}

} // namespace ostrel::ui
