#include "core/learning/RoutineLearner.hpp"
#include "core/routines/RoutineBook.hpp"
#include "core/store/Store.hpp"
#include "ui/cloud/CloudPanel.hpp"
#include "ui/cloud/CloudWindow.hpp"
#include "ui/editor/OpensSection.hpp"
#include "ui/editor/RoutineEditor.hpp"
#include "ui/editor/WhenSection.hpp"
#include "ui/shots/DescribeStage.hpp"
#include "ui/shots/EditorStage.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"
#include "ui/theme/SkyLink.hpp"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <fstream>
#include <limits>
#include <sstream>

namespace ostrel::ui::shots {

namespace {

struct EditorState {
    std::optional<std::string> db;
    std::string tz = "UTC";
    std::string routine = "new";
    std::optional<std::string> machine;
    std::optional<json::Value> edits;
    bool describing = false;
    std::string describe = "idle";
    std::string words;
    std::optional<int> timePopover;
    std::optional<std::string> page;
    bool confirmingDelete = false;
    std::optional<bool> trusted;
    int scroll = 0;
};

EditorState readState(const json::Value& value) {
    EditorState state;
    try {
        const json::ObjectReader reader(value);
        state.db = reader.optional<std::string>("db");
        state.tz = reader.value<std::string>("tz", "UTC");
        state.routine = reader.value<std::string>("routine", "new");
        state.machine = reader.optional<std::string>("machine");
        if (value.contains("edits")) {
            state.edits = value.at("edits");
        }
        state.describing = reader.value<bool>("describing", value.contains("describe"));
        state.describe = reader.value<std::string>("describe", "idle");
        state.words = reader.value<std::string>("words", "");
        state.timePopover = reader.optional<int>("timePopover");
        state.page = reader.optional<std::string>("page");
        state.confirmingDelete = reader.value<bool>("confirmingDelete", false);
        state.trusted = reader.optional<bool>("trusted");
        state.scroll = reader.value<int>("scroll", 0);
    } catch (const json::DecodingError& e) {
        throw ShotError(e.what());
    }
    return state;
}

MachineState machineOf(const EditorState& state) {
    MachineState machine = MachineState::withOwnApp();
    if (state.machine) {
        std::ifstream file(*state.machine);
        if (!file) {
            throw ShotError("couldn't read the machine state " + *state.machine);
        }
        std::stringstream text;
        text << file.rdbuf();
        try {
            machine = MachineState::fromJSON(json::parse(text.str()));
        } catch (const std::exception& e) {
            throw ShotError("machine state " + *state.machine + ": " + e.what());
        }
    }
    if (state.trusted) {
        machine.trusted = *state.trusted;
    }
    return machine;
}

Calendar calendarOf(const EditorState& state) {
    try {
        return Calendar(state.tz, "en_US");
    } catch (const std::exception& e) {
        throw ShotError("\"tz\": " + std::string(e.what()));
    }
}

// The routine the routine book shows under the id, with the classes, from the database as it is.
std::unique_ptr<RoutineDraft> learnedDraft(const EditorState& state, EditorStage& stage) {
    if (!state.db) {
        throw ShotError("a routine other than \"new\" is read from a database: give \"db\" (--db)");
    }
    std::vector<Routine> routines;
    std::vector<CalendarSeries> series;
    try {
        Store store(*state.db, Store::Access::reader);
        series = store.calendarSeries();
        routines = RoutineBook::apply(store.routineEdits(),
                                      RoutineLearner::routines(store.episodes(std::numeric_limits<std::int64_t>::min(),
                                                                              std::numeric_limits<std::int64_t>::max()),
                                                               series, stage.calendar()));
    } catch (const std::exception& e) {
        throw ShotError("couldn't read " + *state.db + ": " + e.what());
    }
    for (const Routine& routine : routines) {
        if (routine.key.id() == state.routine) {
            return std::make_unique<RoutineDraft>(routine, series, false, stage.calendar(), stage.settings(),
                                                  [](const std::string&) { return std::optional<std::string>(); });
        }
    }
    throw ShotError("no routine \"" + state.routine + "\" in " + *state.db);
}

} // namespace

QImage editor(const json::Value& value) {
    const EditorState state = readState(value);
    EditorStage stage(machineOf(state), calendarOf(state));
    std::unique_ptr<RoutineDraft> draft;
    if (state.routine == "new") {
        std::vector<CalendarSeries> series;
        draft = std::make_unique<RoutineDraft>(series, RoutineEdits{}, stage.calendar(), stage.time().clock(),
                                               stage.random());
    } else {
        draft = learnedDraft(state, stage);
    }
    if (state.edits) {
        try {
            RoutineEdits edits = RoutineEdits::fromJSON(*state.edits);
            edits.created = draft->edits().created;
            draft->setEdits(std::move(edits));
        } catch (const std::exception& e) {
            throw ShotError(std::string("\"edits\": ") + e.what());
        }
    }

    auto* editor = new RoutineEditor(std::move(draft), stage.context(), {}, false, state.describing);
    const std::unique_ptr<CloudPanel> window(CloudWindow::make(CloudWindow::editorSize, CloudWindow::lightsAt, editor));
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    if (DescribeFill* fill = editor->describeFill()) {
        fill->setWords(state.words);
        DescribeStage::play(*fill, stage.model(), stage.time(), state.describe);
    }
    stage.time().settle();
    if (state.confirmingDelete) {
        if (editor->deleteButton() == nullptr) {
            throw ShotError("a routine being made has no Delete button");
        }
        editor->deleteButton()->click();
    }
    if (state.page) {
        editor->opens()->startPage();
        editor->opens()->pageField()->setText(QString::fromStdString(*state.page));
    }
    QApplication::processEvents();
    editor->formArea()->verticalScrollBar()->setValue(state.scroll);
    QWidget* popover = nullptr;
    if (state.timePopover) {
        editor->when()->editTime(static_cast<std::size_t>(*state.timePopover));
        popover = editor->when()->popover();
        if (popover == nullptr) {
            throw ShotError("\"timePopover\": no time cue at " + std::to_string(*state.timePopover));
        }
    }
    QApplication::processEvents();

    QImage image(window->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    window->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    if (popover != nullptr) {
        // The pop-up is a window of its own: drawn where it stands over the editor.
        QPainter painter(&image);
        const QPoint at = popover->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0));
        const QImage over = popover->grab().toImage();
        painter.drawImage(at, over);
    }
    return image;
}

} // namespace ostrel::ui::shots
