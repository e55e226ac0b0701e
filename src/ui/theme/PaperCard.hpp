#pragma once

#include <QWidget>

namespace ostrel::ui {

// The pale rounded card a window's scrolling content lies on (the editor's form, Home's pages), so
// ink text never sits on the deep blue of the sky: near-white with a faint shadow below, corners of
// 28. It takes no clicks and lays out nothing; the window puts it under the content.
//
// Threading: the GUI thread only.
class PaperCard : public QWidget {
    Q_OBJECT
public:
    explicit PaperCard(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ostrel::ui
