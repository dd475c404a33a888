#include "gui/work_panel.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

namespace vintrel {

WorkPanel::WorkPanel(const Clock& clock, QWidget* parent) : QWidget(parent), clock_(clock) {
    setObjectName(QStringLiteral("pnlWork"));
    lblWork_ = new QLabel(this);
    lblWork_->setObjectName(QStringLiteral("lblWork"));
    prgWork_ = new QProgressBar(this);
    prgWork_->setObjectName(QStringLiteral("prgWork"));
    prgWork_->setRange(0, 0);  // how much is left is not known: a busy bar
    prgWork_->setTextVisible(false);
    cmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setToolTip(QStringLiteral("Stop reading: the rows read so far stay in the list (Esc)"));
    cmdCancel_->setShortcut(Qt::Key_Escape);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblWork_);
    layout->addWidget(prgWork_, 1);
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

void WorkPanel::run(const std::function<void(WorkProgress& progress)>& work,
                    const std::function<int()>& rows) {
    WorkProgress progress;
    progress_ = &progress;
    cmdCancel_->setVisible(rows != nullptr);
    cmdCancel_->setEnabled(true);
    ProgressThrottle throttle(clock_, kProgressDelayMs, kProgressIntervalMs);
    QTimer timer;
    timer.setInterval(kProgressIntervalMs / 2);
    connect(&timer, &QTimer::timeout, this, [&] {
        if (throttle.due() && !progress.cancelled()) {
            lblWork_->setText(progressText(progress.file(), rows ? rows() : -1));
            show();
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
