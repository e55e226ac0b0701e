#include "ui/editor/DescribeCard.hpp"
#include "ui/shots/DescribeStage.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"
#include "ui/shots/Still.hpp"

#include <QLayout>
#include <QPainter>

namespace ostrel::ui::shots {
namespace {

constexpr int margin = 16;
constexpr Date stillNow = 1'767'225'600.0;

} // namespace

QImage describeCard(const json::Value& state) {
    std::string name = "idle";
    std::string words = "When I get to the library, open Firefox and Photoshop and mute the sound";
    try {
        const json::ObjectReader reader(state);
        name = reader.value<std::string>("describe", name);
        words = reader.value<std::string>("words", words);
    } catch (const json::DecodingError& e) {
        throw ShotError(e.what());
    }

    const Calendar calendar{"America/New_York", "en_US"};
    const StillClock clock(stillNow);
    SecureRandom random(1);
    RoutineDraft draft({}, RoutineEdits{}, calendar, clock, random);
    DescribeStage stage(draft, name, words);

    DescribeCard card(stage.fill());
    card.setAttribute(Qt::WA_DontShowOnScreen);
    card.layout()->activate();
    card.resize(DescribeCard::formWidth, card.layout()->totalHeightForWidth(DescribeCard::formWidth));
    card.layout()->activate();

    QImage image(card.width() + 2 * margin, card.height() + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromRgbF(0.97f, 0.985f, 1.0f));
    QPainter painter(&image);
    card.render(&painter, QPoint(margin, margin), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace ostrel::ui::shots
