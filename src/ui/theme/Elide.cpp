#include "ui/theme/Elide.hpp"

#include <QFontMetrics>
#include <QStringList>
#include <QTextLayout>

namespace ostrel::ui {

QString elidedToLines(const QString& text, const QFont& font, int width, int maxLines) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() + 1 == maxLines && line.textStart() + line.textLength() < text.size()) {
            // The last line allowed, with text left over: the rest goes into one elided line.
            lines << QFontMetrics(font).elidedText(text.mid(line.textStart()).simplified(), Qt::ElideRight, width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength()).trimmed();
        if (lines.size() == maxLines) break;
    }
    layout.endLayout();
    return lines.join('\n');
}

} // namespace ostrel::ui
