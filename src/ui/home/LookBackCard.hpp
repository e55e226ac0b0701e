#pragma once

#include <QWidget>

class QLabel;

namespace ostrel::ui {

// The week's look-back on the time page: "Your week" under the sparkles symbol, then the text,
// wrapped over as many lines as it needs, on a horizon card at 70 % with corners of 18, padded 14.
//
// Threading: the GUI thread only.
class LookBackCard : public QWidget {
    Q_OBJECT
public:
    static constexpr int padding = 14;
    static constexpr int spacing = 6;
    static constexpr int radius = 18;
    static constexpr int titleSize = 15;
    static constexpr int textSize = 14; // 13.5 in whole pixels
    static constexpr int symbolSize = 16;

    explicit LookBackCard(const QString& text, QWidget* parent = nullptr);

    QLabel* title() const { return title_; }
    QLabel* text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* title_;
    QLabel* text_;
};

} // namespace ostrel::ui
