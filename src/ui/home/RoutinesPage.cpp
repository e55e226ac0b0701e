#include "ui/home/RoutinesPage.hpp"

#include "app/autopilot/AutopilotController.hpp"
#include "app/signals/PlaceSignal.hpp"
#include "platform/Platform.hpp"
#include "ui/home/RoutineRow.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/PlainLabel.hpp"
#include "ui/theme/Sky.hpp"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace ostrel::ui {

namespace {

constexpr const char* learningText = "Learning…";
constexpr const char* emptyTitleText = "Nothing learned yet";
constexpr const char* emptyExplanation =
    "Ostrel makes a routine once you open the same things for the same class or time twice, usually within a "
    "week. Or make one yourself with New routine.";

// A one-pixel line across the column in Sky::horizon.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Sky::horizon());
    }
};

Wording::NetworkName networkNameOf(PlaceSignal* place) {
    if (place == nullptr) {
        return {};
    }
    return [place](const std::string& hash) { return place->nameOfNetwork(hash); };
}

} // namespace

RoutinesPage::RoutinesPage(const HomeContext& context, bool live, QWidget* parent)
    : QWidget(parent), context_(context), live_(live),
      loader_(std::make_unique<RoutinesLoader>(RoutinesLoader::Services{
          context.store, context.autopilot != nullptr, context.model, context.settings, context.runtime,
          context.platform.workspace, context.calendar})) {
    setFixedWidth(pageWidth);
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(padding);
    column_->setSpacing(spacing);
    column_->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    learning_ = plainLabel(Fonts::font(14, Fonts::Weight::regular), Sky::inkSoft(), this);
    learning_->setText(learningText);
    column_->addWidget(learning_);

    watching_ = loader_->observe([this](RoutinesLoader::Property property) {
        if (property == RoutinesLoader::Property::rows) {
            showList();
        } else {
            showNames();
        }
    });
    if (context.listenRoutinesChanged) {
        changes_ = context.listenRoutinesChanged([this] { loader_->load(); });
    }
}

RoutinesPage::~RoutinesPage() = default;

void RoutinesPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (live_ && !shownOnce_) {
        shownOnce_ = true;
        loader_->load();
    }
}

void RoutinesPage::clear() {
    while (QLayoutItem* item = column_->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // A row's button may be what is running now: the widget goes once the loop is back.
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    learning_ = nullptr;
    emptyTitle_ = nullptr;
    emptyText_ = nullptr;
    rows_.clear();
    dividers_.clear();
}

void RoutinesPage::showList() {
    clear();
    const auto& routines = loader_->routines();
    if (!routines) {
        return;
    }
    if (routines->empty()) {
        auto* empty = new QWidget(this);
        empty->setFixedWidth(RoutineRow::rowWidth); // the explanation wraps at the column's width
        auto* stack = new QVBoxLayout(empty);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(emptySpacing);
        emptyTitle_ = plainLabel(Fonts::font(17, Fonts::Weight::semibold), Sky::ink(), empty);
        emptyTitle_->setText(emptyTitleText);
        emptyText_ = plainLabel(Fonts::font(14, Fonts::Weight::regular), Sky::inkSoft(), empty);
        emptyText_->setText(emptyExplanation);
        emptyText_->setWordWrap(true);
        stack->addWidget(emptyTitle_);
        stack->addWidget(emptyText_);
        column_->addWidget(empty);
        empty->show();
        return;
    }
    const RoutineRow::Wording wording{context_.calendar, context_.platform.workspace,
                                      networkNameOf(context_.place)};
    const std::string firstId = routines->front().id();
    for (const LearnedRoutine& routine : *routines) {
        const std::string id = routine.id();
        if (id != firstId) {
            auto* divider = new Divider(this);
            column_->addWidget(divider);
            dividers_.push_back(divider);
            divider->show();
        }
        auto* row = new RoutineRow(
            routine, loader_->series(), loader_->schedules(), wording, [this, id] { edit(id); },
            [this, id] { setUp(id); }, this);
        row->setFixedWidth(RoutineRow::rowWidth);
        column_->addWidget(row);
        rows_.push_back(row);
        row->show();
    }
}

void RoutinesPage::showNames() {
    const auto& routines = loader_->routines();
    if (!routines || routines->size() != rows_.size()) {
        return;
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i]->setName(QString::fromStdString((*routines)[i].name));
    }
}

const LearnedRoutine* RoutinesPage::find(const std::string& id) const {
    const auto& routines = loader_->routines();
    if (!routines) {
        return nullptr;
    }
    const auto found = std::find_if(routines->begin(), routines->end(),
                                    [&id](const LearnedRoutine& routine) { return routine.id() == id; });
    return found == routines->end() ? nullptr : &*found;
}

void RoutinesPage::edit(const std::string& id) {
    const LearnedRoutine* routine = find(id);
    if (routine == nullptr || !context_.openEditor) {
        return;
    }
    auto draft = std::make_unique<RoutineDraft>(routine->routine, loader_->series(), false, context_.calendar,
                                                context_.settings, networkNameOf(context_.place));
    context_.openEditor(std::move(draft), false);
}

void RoutinesPage::setUp(const std::string& id) {
    const LearnedRoutine* routine = find(id);
    if (routine == nullptr || context_.autopilot == nullptr) {
        return;
    }
    // Copies: the autopilot may reach back into the page (a reload) before it returns.
    const Routine chosen = routine->routine;
    const std::string name = routine->name;
    context_.autopilot->setUpNow(chosen, name);
}

} // namespace ostrel::ui
