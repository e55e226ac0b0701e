#include "ui/editor/WhenSection.hpp"

#include "app/editor/Connected.hpp"
#include "app/editor/MomentMenu.hpp"
#include "app/editor/Pickers.hpp"
#include "app/editor/RoutineDraft.hpp"
#include "app/editor/Wording.hpp"
#include "app/signals/PlaceSignal.hpp"
#include "platform/Platform.hpp"
#include "ui/editor/AddMenu.hpp"
#include "ui/editor/Chip.hpp"
#include "ui/editor/SectionTitle.hpp"
#include "ui/editor/TimePicker.hpp"
#include "ui/theme/FlowRow.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyLink.hpp"

#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace ostrel::ui {

namespace {

QString symbolOf(const Cue& cue) {
    struct Visitor {
        const char* operator()(const Cue::Event&) const { return "calendar"; }
        const char* operator()(const Cue::Time&) const { return "clock"; }
        const char* operator()(const Cue::WiFi&) const { return "wifi"; }
        const char* operator()(const Cue::Display&) const { return "display"; }
        const char* operator()(const Cue::AudioDevice&) const { return "headphones"; }
        const char* operator()(const Cue::App&) const { return "app"; }
    };
    return QString::fromLatin1(std::visit(Visitor{}, cue.value));
}

QString text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

WhenSection::WhenSection(RoutineDraft& draft, const EditorContext& context, QWidget* parent)
    : QWidget(parent), draft_(draft), context_(context) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(new SectionTitle("When", "Ostrel sets it up at any of these moments.", this));

    chipBox_ = new QWidget(this);
    flow_ = new FlowRow(7, chipBox_);
    column->addWidget(chipBox_);
    addMenu_ = new AddMenu("Add a moment", chipBox_);
    addMenu_->setMenuBuilder([this](QMenu& menu) { fillMenu(menu); });

    learnedLink_ = new SkyLink(QString(), this);
    connect(learnedLink_, &QAbstractButton::clicked, this,
            [this] { draft_.change([](RoutineEdits& edits) { edits.learnedWhen = true; }); });
    column->addWidget(learnedLink_, 0, Qt::AlignLeft);

    note_ = plainLabel(Fonts::font(12, Fonts::Weight::regular), Sky::inkSoft(), this);
    note_->setText("No moment yet: it only happens when you choose Set up now.");
    note_->setWordWrap(true);
    column->addWidget(note_);

    watching_ = draft.observe([this](RoutineDraft::Property) { refresh(); });
    refresh();
}

WhenSection::~WhenSection() {
    delete popover_;
}

std::vector<Chip*> WhenSection::chips() const {
    return chips_;
}

TimePicker* WhenSection::timePicker() const {
    return popover_ ? popover_->findChild<TimePicker*>() : nullptr;
}

void WhenSection::refresh() {
    const RoutineEdits& edits = draft_.edits();
    const bool learnedInForce = draft_.learnedMoment() && edits.learnedWhen;
    if (popover_ && (popoverIndex_ >= edits.cues.size() || !popoverCue_ || edits.cues[popoverIndex_] != *popoverCue_)) {
        popover_->close();
    }
    if (!shownCues_ || *shownCues_ != edits.cues || shownLearned_ != learnedInForce) {
        shownCues_ = edits.cues;
        shownLearned_ = learnedInForce;
        rebuildChips();
    }
    const bool linkShown = draft_.learnedMoment() && !edits.learnedWhen;
    if (linkShown) {
        learnedLink_->setText("Also when Ostrel learned it: " + text(*draft_.learnedMoment()).toLower());
    }
    learnedLink_->setVisible(linkShown);
    note_->setVisible(edits.cues.empty() && !learnedInForce);
}

void WhenSection::rebuildChips() {
    flow_->clear({addMenu_});
    chips_.clear();
    if (shownLearned_) {
        auto* chip = new Chip(text(*draft_.learnedMoment()), "sparkles", QImage(),
                              [this] { draft_.change([](RoutineEdits& edits) { edits.learnedWhen = false; }); }, {},
                              chipBox_);
        chips_.push_back(chip);
    }
    const std::vector<Cue>& cues = *shownCues_;
    for (std::size_t index = 0; index < cues.size(); ++index) {
        const Cue& cue = cues[index];
        Chip::Action tap;
        if (std::holds_alternative<Cue::Time>(cue.value)) {
            tap = [this, index] { editTime(index); };
        }
        auto* chip = new Chip(text(Wording::words(cue, draft_.series(), context_.calendar, context_.platform.workspace)),
                              symbolOf(cue), QImage(),
                              [this, index] { draft_.removeCue(static_cast<std::ptrdiff_t>(index)); }, tap, chipBox_);
        chips_.push_back(chip);
    }
    for (Chip* chip : chips_) {
        flow_->addWidget(chip);
        chip->show();
    }
    flow_->addWidget(addMenu_);
    chipBox_->updateGeometry();
}

void WhenSection::editTime(std::size_t index) {
    const std::vector<Cue>& cues = draft_.edits().cues;
    if (index >= cues.size()) {
        return;
    }
    const auto* time = std::get_if<Cue::Time>(&cues[index].value);
    if (time == nullptr) {
        return;
    }
    delete popover_;
    popoverIndex_ = index;
    popoverCue_ = cues[index];
    auto* popover = new QWidget(this, Qt::Popup);
    popover->setAttribute(Qt::WA_DeleteOnClose);
    popover->setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(popover);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new TimePicker(*time, context_.calendar, [this, index](const Cue::Time& changed) {
        popoverCue_ = Cue{changed};
        draft_.replaceCue(static_cast<std::ptrdiff_t>(index), Cue{changed});
    }, popover));
    popover_ = popover;
    QWidget* anchor = this;
    const std::size_t chipIndex = index + (shownLearned_ ? 1 : 0);
    if (chipIndex < chips_.size()) {
        anchor = chips_[chipIndex];
    }
    popover->adjustSize();
    popover->move(anchor->mapToGlobal(QPoint(0, anchor->height() + 6)));
    popover->show();
}

void WhenSection::fillMenu(QMenu& menu) {
    std::optional<PlaceSignal::Network> network;
    if (context_.place != nullptr) {
        network = context_.place->currentNetwork();
    }
    const auto entries = MomentMenu::entries(draft_.series(), network, Connected::displays(context_.platform.displays),
                                             Connected::audioDevices(context_.platform.audio));
    for (const MomentMenu::Entry& entry : entries) {
        if (!entry.submenu.empty()) {
            QMenu* classes = menu.addMenu(text(entry.label));
            for (const MomentMenu::Entry& one : entry.submenu) {
                const Cue cue = *one.cue;
                classes->addAction(text(one.label), this, [this, cue] { draft_.add(cue); });
            }
        } else if (entry.picksApp) {
            menu.addAction(text(entry.label), this, [this] {
                if (const auto appID = context_.pickers.application()) {
                    draft_.add(Cue{Cue::App{*appID}});
                }
            });
        } else if (entry.cue) {
            const Cue cue = *entry.cue;
            menu.addAction(text(entry.label), this, [this, cue] { draft_.add(cue); });
        }
    }
}

} // namespace ostrel::ui
