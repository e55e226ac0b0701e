#include "ui/home/SpanPicker.hpp"

namespace ostrel::ui {

namespace {

std::vector<QString> labels() {
    std::vector<QString> out;
    for (const TimeSpan span : TimeTexts::spans) {
        const std::string_view label = TimeTexts::label(span);
        out.push_back(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
    }
    return out;
}

} // namespace

SpanPicker::SpanPicker(QWidget* parent) : SkyTabs(labels(), Look::onCard(), parent) {
    connect(this, &SkyTabs::chosen, this, [this](int index) {
        if (index < 0 || index >= static_cast<int>(TimeTexts::spans.size()) || index == selected()) {
            return;
        }
        setSelected(index);
        Q_EMIT spanChosen(TimeTexts::spans[static_cast<std::size_t>(index)]);
    });
}

TimeSpan SpanPicker::span() const {
    return TimeTexts::spans[static_cast<std::size_t>(selected())];
}

void SpanPicker::setSpan(TimeSpan span) {
    for (std::size_t i = 0; i < TimeTexts::spans.size(); ++i) {
        if (TimeTexts::spans[i] == span) {
            setSelected(static_cast<int>(i));
        }
    }
}

} // namespace ostrel::ui
