#include "gui/work_panel.h"

#include "gui/plain_text.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace vintrel {

WorkPanel::WorkPanel(const Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {
    setObjectName(QStringLiteral("pnlWork"));
    lblWork_ = new QLabel(this);
    lblWork_->setObjectName(QStringLiteral("lblWork"));
    lblWork_->setTextFormat(Qt::PlainText);
    prgWork_ = new QProgressBar(this);
    prgWork_->setObjectName(QStringLiteral("prgWork"));
    prgWork_->setTextVisible(false);
    prgWork_->setMaximumWidth(200);
    cmdCancel_ = new QPushButton(QStringLiteral("Ca&ncel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setShortcut(Qt::Key_Escape);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblWork_, 1);
    layout->addWidget(prgWork_);
    layout->addWidget(cmdCancel_);
    connect(cmdCancel_, &QPushButton::clicked, this, &WorkPanel::cancel);
    hide();
}

void WorkPanel::cancel() {
    if (progress_ != nullptr) {
        progress_->cancel();
        cmdCancel_->setEnabled(false);
        lblWork_->setText(QStringLiteral("Stopping..."));
    }
}

void WorkPanel::showProgress(const WorkProgress& progress, const std::function<int()>& rows) {
    const int read = rows ? rows() : -1;
    lblWork_->setText(shownText(progressText(progress, read)));
    const int percent = progress.percent();
    prgWork_->setRange(0, percent < 0 ? 0 : 100);  // a busy bar while the size is not known
    prgWork_->setValue(std::max(percent, 0));
    if (rows) {
        Q_EMIT rowsRead(read);
    }
    show();
}

void WorkPanel::run(const std::function<void(WorkProgress& progress)>& work,
                    const std::function<int()>& rows) {
    WorkProgress progress;
    progress_ = &progress;
    cmdCancel_->setEnabled(true);
    cmdCancel_->setToolTip(rows ? QStringLiteral("Stop reading: the rows read so far stay in the list (Esc)")
                                : QStringLiteral("Stop writing: the file stays as it was (Esc)"));
    ProgressThrottle throttle(clock_, kProgressDelayMs, kProgressIntervalMs);
    QTimer timer;
    timer.setInterval(kProgressIntervalMs / 2);
    connect(&timer, &QTimer::timeout, this, [&] {
        if (throttle.due() && !progress.cancelled()) {
            showProgress(progress, rows);
        }
    });
    QThread* worker = QThread::create([&] { work(progress); });
    QEventLoop loop;
    connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    timer.start();
    loop.exec();
    worker->wait();  // the loop also ends when the application quits
    delete worker;
    timer.stop();
    hide();
    progress_ = nullptr;
}

}  // namespace vintrel
