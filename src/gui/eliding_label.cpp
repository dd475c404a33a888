#include "gui/eliding_label.h"

#include "gui/plain_text.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace vintrel {

ElidingLabel::ElidingLabel(QWidget* parent, Qt::TextElideMode mode) : QLabel(parent), mode_(mode) {
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

QSize ElidingLabel::minimumSizeHint() const {
    const QMargins m = contentsMargins();
    const int lines = static_cast<int>(text().count(u'\n')) + 1;
    return {fontMetrics().averageCharWidth() * 8 + m.left() + m.right(),
            fontMetrics().lineSpacing() * lines + m.top() + m.bottom()};
}

bool ElidingLabel::isElided() const {
    const int width = contentsRect().width();
    for (const QString& line : text().split(u'\n')) {
        if (fontMetrics().horizontalAdvance(line) > width) {
            return true;
        }
    }
    return false;
}

void ElidingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QStringList lines = text().split(u'\n');
    const int height = fontMetrics().lineSpacing();
    int top = area.top() + (area.height() - height * static_cast<int>(lines.size())) / 2;
    for (const QString& line : lines) {
        const QRect row(area.left(), top, area.width(), height);
        style()->drawItemText(&painter, row, int(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter,
                              palette(), isEnabled(), fontMetrics().elidedText(line, mode_, area.width()),
                              foregroundRole());
        top += height;
    }
}

bool ElidingLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && isElided()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), plainToolTip(text()), this);
        return true;
    }
    return QLabel::event(event);
}

}  // namespace vintrel
