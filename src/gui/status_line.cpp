#include "gui/status_line.h"

#include "gui/eliding_label.h"
#include "gui/plain_text.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <algorithm>

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

QString importStatusText(const QStringList& lines, bool cancelled) {
    if (cancelled) {
        return QStringLiteral("Import cancelled: the rows read so far stay (Details says which files)");
    }
    if (lines.size() <= 1) {
        return lines.value(0);
    }
    return QStringLiteral("%1 files read (point here for each)").arg(lines.size());
}

StatusLine::StatusLine(QWidget* parent) : QStatusBar(parent) {
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(false);
    lblImport_ = new ElidingLabel(this, Qt::ElideRight);
    lblImport_->setObjectName(QStringLiteral("lblImportReport"));
    cmdDetails_ = new QPushButton(QStringLiteral("De&tails..."), this);
    cmdDetails_->setObjectName(QStringLiteral("cmdDetails"));
    cmdDetails_->setToolTip(QStringLiteral("What the last import read from each file, and what it skipped"));
    lblRows_ = new QLabel(this);
    lblRows_->setObjectName(QStringLiteral("lblRows"));
    lblRows_->setTextFormat(Qt::PlainText);
    addWidget(lblImport_, 1);
    addPermanentWidget(cmdDetails_);
    addPermanentWidget(lblRows_);
    connect(cmdDetails_, &QPushButton::clicked, this, &StatusLine::detailsWanted);
    showRows(0, -1);
    showImport({});
}

void StatusLine::addWork(QWidget* processing, QWidget* panel) {
    insertWidget(0, processing);
    addWidget(panel, 2);
    setMinimumHeight(
        std::max({minimumHeight(), panel->sizeHint().height(), cmdDetails_->sizeHint().height()}) + 4);
}

void StatusLine::showRows(int total, int shown) {
    lblRows_->setText(rowsStatusText(total, shown));
}

void StatusLine::showRowsRead(int rows) {
    lblRows_->setText(QStringLiteral("%1 read").arg(rowsStatusText(rows, -1)));
}

void StatusLine::showImport(const QStringList& lines, const QStringList& skips, bool cancelled) {
    lblImport_->setText(shownText(importStatusText(lines, cancelled)));
    details_ = shownText((lines + skips).join(u'\n'));
    lblImport_->setToolTip(plainToolTip(details_));
    cmdDetails_->setEnabled(!details_.isEmpty());
}

}  // namespace vintrel
