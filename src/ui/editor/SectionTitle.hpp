#pragma once

#include <QString>
#include <QWidget>

namespace ostrel::ui {

// The heading of one section of the routine editor: the title in bold 17 ink and, under it 2 px
// apart, an optional detail in regular 13 inkSoft (the nearest whole size to the 12.5 the design
// asks for that stays easy to read in the thin rounded face). Both texts are shown as given and
// wrap at word boundaries onto as many lines as they need, so the widget's height follows its
// width (heightForWidth) and a narrow section never cuts a sentence off. It takes no clicks.
//
// Threading: the GUI thread only.
class SectionTitle : public QWidget {
    Q_OBJECT
public:
    explicit SectionTitle(const QString& title, const QString& detail = QString(), QWidget* parent = nullptr);

    QString title() const { return titleText; }
    QString detail() const { return detailText; }
    void setTitle(const QString& title);
    void setDetail(const QString& detail);

    // Where each text is drawn at the current width (the detail's is empty without a detail).
    QRect titleRect() const;
    QRect detailRect() const;

    static constexpr int spacing = 2;
    static constexpr int titleSize = 17;
    static constexpr int detailSize = 13;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int titleHeight(int width) const;
    int detailHeight(int width) const;

    QString titleText;
    QString detailText;
};

} // namespace ostrel::ui
