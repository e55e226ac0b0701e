#include "ui/banner/BannerCard.hpp"
#include "ui/banner/BannerPanel.hpp"
#include "ui/shots/Shot.hpp"
#include "ui/shots/Shots.hpp"

#include <QAbstractButton>
#include <QLayout>
#include <QPainter>

namespace ostrel::ui::shots {
namespace {

// A present key may be null (no such button); a missing one keeps the default.
std::optional<std::string> button(const json::Value& state, const char* key, std::optional<std::string> fallback) {
    if (!state.contains(key)) return fallback;
    return json::ObjectReader(state).optional<std::string>(key);
}

} // namespace

QImage banner(const json::Value& state) {
    BannerContent content;
    std::optional<std::string> pressed;
    try {
        const json::ObjectReader reader(state);
        content.title = reader.value<std::string>("title", "Set up Calculus?");
        content.detail = reader.value<std::string>("detail", "Opens Notes, Firefox and the class page");
        content.primary = button(state, "primary", "Set up");
        content.secondary = button(state, "secondary", "Not now");
        pressed = reader.optional<std::string>("pressed");
    } catch (const json::DecodingError& e) {
        throw ShotError(std::string("banner: ") + e.what());
    }

    BannerPanel panel([](Banner::Which) {});
    auto& card = static_cast<BannerCard&>(panel.window());
    card.setContent(content);
    if (pressed) {
        QAbstractButton* down = *pressed == "primary"     ? card.primaryButton()
                                : *pressed == "secondary" ? card.secondaryButton()
                                                          : nullptr;
        if (down == nullptr) {
            throw ShotError("banner: \"pressed\" names a button the banner has: \"primary\" or \"secondary\"");
        }
        down->setDown(true);
    }
    card.ensurePolished();
    card.layout()->activate();

    QImage image(card.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    card.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

} // namespace ostrel::ui::shots
