#pragma once

#ifndef Q_MOC_RUN
#include "core/observations/TimeReport.hpp"
#endif

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::ui {

// A ranked usage list of the time page ("Apps", "Websites", "In class"): the title, then one row per
// entry as given: its 20-point image, its name on one line (elided) with the time in words at the
// right, and under them a 5-point horizon track with a blue bar at 75 % whose length is the entry's
// share of the first (largest) entry, at least 4 points.
//
// Threading: the GUI thread only.
class UsageList : public QWidget {
    Q_OBJECT
public:
    static constexpr int titleSize = 17;
    static constexpr int spacing = 9;
    static constexpr int imageSize = 20;
    static constexpr int imageSpacing = 10;
    static constexpr int nameSize = 14;  // 13.5 in whole pixels
    static constexpr int wordsSize = 13; // 12.5 in whole pixels
    static constexpr int lineSpacing = 3;
    static constexpr int trackHeight = 5;

    struct Look {
        QImage image;
        QString name;
    };
    // The image and name of an entry's key.
    using Describe = std::function<Look(const std::string& key)>;

    UsageList(const QString& title, std::vector<TimeReport::Usage> usage, const Describe& describe,
              QWidget* parent = nullptr);

    const QString& title() const { return title_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    QString name(int row) const { return rows_[static_cast<std::size_t>(row)].look.name; }
    QString words(int row) const;
    QRect rowRect(int row) const;
    QRectF trackRect(int row) const;
    QRectF barRect(int row) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Row {
        TimeReport::Usage usage;
        Look look;
    };

    int rowHeight() const;
    int rowsTop() const;

    QString title_;
    std::vector<Row> rows_;
    std::int64_t peak_;
};

} // namespace ostrel::ui
