#pragma once

#include "platform/Appearance.hpp"
#include "platform/Clock.hpp"
#include "ui/shell/MenuContent.hpp"

#include <QPoint>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;

namespace ostrel::ui {

class CloudScene;
class MenuRow;

// The status menu's face: a small cloud panel of the menu's art with the header over its sky (a
// caption, a one-line title and at most two lines under it) and a column of rows. It shows one
// MenuContent and reports which row was clicked and an Escape; opening, placing and closing it is
// StatusMenu's work.
//
// Threading: the GUI thread only.
class MenuPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr QPoint headerOrigin{74, 72};
    static constexpr int headerWidth = 236;
    static constexpr QPoint rowsOrigin{48, 200};
    static constexpr int rowsWidth = 284;
    static constexpr int rowSpacing = 2;
    static constexpr double skyInset = 26;
    static constexpr int captionSize = 11;
    static constexpr int titleSize = 20;
    static constexpr int minimumTitleSize = 16; // 0.8 of the title's size, then it elides
    static constexpr int lineSize = 13;
    static constexpr int maxLines = 2;

    // clock and appearance drive the sky and must outlive the panel.
    MenuPanel(const MenuContent& content, const Clock& clock, Appearance& appearance, QWidget* parent = nullptr);

    const MenuContent& content() const { return content_; }

    // Told of the row clicked, and of Escape.
    void setOnChoose(std::function<void(MenuAction)> onChoose) { onChoose_ = std::move(onChoose); }
    void setOnEscape(std::function<void()> onEscape) { onEscape_ = std::move(onEscape); }

    CloudScene& scene() const { return *scene_; }
    QLabel* captionLabel() const { return caption_; }
    QLabel* titleLabel() const { return title_; }
    QLabel* lineLabel() const { return line_; }
    const std::vector<MenuRow*>& rows() const { return rows_; }
    MenuRow* row(MenuAction action) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    MenuContent content_;
    CloudScene* scene_;
    QLabel* caption_;
    QLabel* title_;
    QLabel* line_;
    std::vector<MenuRow*> rows_;
    std::function<void(MenuAction)> onChoose_;
    std::function<void()> onEscape_;
};

} // namespace ostrel::ui
