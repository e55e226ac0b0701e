#include "ui/editor/HowSection.hpp"

#include "app/editor/AlsoEdits.hpp"
#include "app/editor/RoutineDraft.hpp"
#include "ui/editor/ChoiceButton.hpp"
#include "ui/editor/SectionTitle.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ostrel::ui {

HowSection::HowSection(RoutineDraft& draft, QWidget* parent) : QWidget(parent), draft_(draft) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    title_ = new SectionTitle("How", QString::fromStdString(AlsoEdits::modeDetail(draft.edits().mode)), this);
    column->addWidget(title_);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    for (const AlsoEdits::Choice& choice : AlsoEdits::modeChoices()) {
        auto* button = new ChoiceButton(QString::fromStdString(choice.title), this);
        const RoutineEdits::Mode mode = *choice.mode;
        connect(button, &QAbstractButton::clicked, this, [this, mode] { AlsoEdits::chooseMode(draft_, mode); });
        row->addWidget(button);
        choices_.push_back(button);
    }
    row->addStretch();
    column->addLayout(row);
    watching_ = draft.observe([this](RoutineDraft::Property) { refresh(); });
    refresh();
}

void HowSection::refresh() {
    const RoutineEdits::Mode shown = AlsoEdits::shownMode(draft_.edits().mode);
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        static_cast<ChoiceButton*>(choices_[i])->setChosen(AlsoEdits::modeChoices()[i].mode == shown);
    }
    title_->setDetail(QString::fromStdString(AlsoEdits::modeDetail(draft_.edits().mode)));
}

} // namespace ostrel::ui
