#include "gui/status_line.h"

#include <QLabel>
#include <QLocale>

namespace vintrel {

QString rowsStatusText(int total, int shown) {
    const QLocale locale;
    if (shown < 0) {
        return total == 1 ? QStringLiteral("1 waypoint")
                          : QStringLiteral("%1 waypoints").arg(locale.toString(total));
    }
    return QStringLiteral("%1 of %2 shown; a file written holds all %2")
        .arg(locale.toString(shown), locale.toString(total));
}

QString importStatusText(const QStringList& lines) {
    if (lines.size() <= 1) {
        return lines.value(0);
    }
    return QStringLiteral("%1 files read (point here for each)").arg(lines.size());
}

StatusLine::StatusLine(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(false);
    lblImport_ = new QLabel(this);
    lblImport_->setObjectName(QStringLiteral("lblImportReport"));
    lblRows_ = new QLabel(this);
    lblRows_->setObjectName(QStringLiteral("lblRows"));
    addWidget(lblImport_, 1);
    addPermanentWidget(lblRows_);
    showRows(0, -1);
}

void StatusLine::showRows(int total, int shown) {
    lblRows_->setText(rowsStatusText(total, shown));
}

void StatusLine::showImport(const QStringList& lines, const QStringList& skips) {
    lblImport_->setText(importStatusText(lines));
    lblImport_->setToolTip((lines + skips).join(u'\n'));
}

}  // namespace vintrel
