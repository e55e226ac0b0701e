#include "ui/editor/AddMenu.hpp"
#include "ui/editor/Chip.hpp"
#include "ui/editor/SectionTitle.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"
#include "ui/theme/FlowRow.hpp"
#include "ui/theme/Fonts.hpp"
#include "ui/theme/Icons.hpp"
#include "ui/theme/Pill.hpp"
#include "ui/theme/Sky.hpp"
#include "ui/theme/SkyButton.hpp"
#include "ui/theme/SkyLink.hpp"
#include "ui/theme/SunButton.hpp"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace ostrel::ui::shots {
namespace {

constexpr int minimumWidth = 360;

// A pale sky card, the ground the controls normally sit on.
class Card : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient fill(0, 0, 0, height());
        fill.setColorAt(0, QColor::fromRgbF(0.93f, 0.97f, 1.0f));
        fill.setColorAt(1, QColor::fromRgbF(0.98f, 0.99f, 1.0f));
        painter.setPen(QPen(Sky::faded(Sky::button(), 0.12), 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 22, 22);
    }
};

QLabel* caption(const QString& text) {
    auto* label = new QLabel(text);
    label->setFont(Fonts::font(12, Fonts::Weight::bold));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Sky::inkSoft());
    label->setPalette(palette);
    return label;
}

// Controls side by side, wrapping when the card is too narrow for them.
FlowRow* row(std::initializer_list<QWidget*> widgets, int spacing) {
    auto* layout = new FlowRow(spacing);
    for (QWidget* widget : widgets) layout->addWidget(widget);
    return layout;
}

template <class Button>
Button* pressed(Button* button) {
    button->setDown(true);
    return button;
}

} // namespace

QImage styles(const json::Value& state) {
    QString pillText = "Introduction to Linear Algebra — Lecture Notes, Week 7.pdf";
    int width = 600;
    try {
        const json::ObjectReader reader(state);
        if (const auto text = reader.optional<std::string>("pillText")) pillText = QString::fromStdString(*text);
        width = reader.value<int>("width", width);
    } catch (const json::DecodingError& e) {
        throw ShotError(e.what());
    }
    if (width < minimumWidth) throw ShotError("\"width\": at least " + std::to_string(minimumWidth));

    Card card;
    auto* column = new QVBoxLayout(&card);
    column->setContentsMargins(28, 26, 28, 28);
    column->setSpacing(10);

    auto* skyPressed = pressed(new SkyButton("Continue"));
    skyPressed->finishAnimation();
    auto* symbolButton = new SkyButton("Sign in with Google");
    symbolButton->setSymbol("person.crop.circle.badge.checkmark");
    column->addWidget(caption("Sky button: at rest, pressed, with a symbol"));
    column->addLayout(row({new SkyButton("Continue"), skyPressed, symbolButton}, 4));

    column->addSpacing(6);
    column->addWidget(caption("Sky link: at rest, pressed"));
    column->addLayout(row({new SkyLink("Not now"), pressed(new SkyLink("Not now")), new SkyLink("Change")}, 24));

    column->addSpacing(6);
    column->addWidget(caption("Sun button: at rest, pressed; small at rest, pressed"));
    auto* undo = new SunButton("Undo", true);
    undo->setSymbol("arrow.uturn.backward");
    column->addLayout(row({new SunButton("Set up now"), pressed(new SunButton("Set up now"))}, 12));
    column->addLayout(row({new SunButton("Undo", true), pressed(new SunButton("Undo", true)), undo}, 12));

    column->addSpacing(6);
    column->addWidget(caption("Pills: a long text, a short one"));
    column->addLayout(row({new Pill("globe", pillText), new Pill("app", "Mail")}, 8));

    column->addSpacing(6);
    column->addWidget(caption("A flow row of pills, wrapping"));
    auto* flow = new FlowRow(7);
    const std::pair<const char*, const char*> items[] = {
        {"calendar", "Calculus II"}, {"globe", "moodle.university.edu"}, {"app", "Notes"},
        {"clock", "Mondays at 9:00"}, {"wifi", "Campus Wi-Fi"}, {"headphones", "Headphones"},
        {"display", "Lab monitor"}, {"mappin", "Library, 2nd floor"}, {"sparkles", "Focus"}};
    for (const auto& [symbol, text] : items) flow->addWidget(new Pill(QString(symbol), QString(text)));
    column->addLayout(flow);

    column->addSpacing(6);
    column->addWidget(caption("Routine editor: a section title, chips and add menus"));
    column->addWidget(new SectionTitle("When", "The routine starts on any of these. A time starts it on the days you pick; "
                                               "the others start it the moment they happen."));
    const QImage appIcon = Icons::image("app", QSize(18, 18), Sky::button());
    const auto nothing = [] {};
    auto* chips = new FlowRow(8);
    chips->addWidget(new Chip("Mondays at 9:00", "clock", QImage(), nothing, nothing));
    chips->addWidget(new Chip("When I open Notes", "", appIcon, nothing));
    chips->addWidget(new Chip("When my monitor is plugged in", "display", appIcon, nothing));
    chips->addWidget(new Chip("Campus Wi-Fi", "", QImage(), nothing));
    chips->addWidget(new AddMenu("Add a cue"));
    column->addLayout(chips);
    column->addSpacing(4);
    column->addWidget(new SectionTitle("Puts away"));
    auto* away = new FlowRow(8);
    away->addWidget(new Chip("Mail", "", appIcon, nothing));
    away->addWidget(new AddMenu("Add an app"));
    column->addLayout(away);

    card.setFixedWidth(width);
    column->activate();
    card.resize(width, column->totalHeightForWidth(width));
    column->activate();

    QImage image(card.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    card.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace ostrel::ui::shots
