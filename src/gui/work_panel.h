// Long work beside the window: it runs on another thread while the window keeps painting and
// answering. After half a second its progress shows in the status bar (the rows read and how much
// of the file, or the rows written of how many), with a Cancel button: reading stops keeping the
// rows read, a write is given up leaving the file as it was.
#pragma once

#include "model/clock.h"
#include "model/progress.h"

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace vintrel {

class WorkPanel : public QWidget {
    Q_OBJECT

  public:
    WorkPanel(const Clock& clock, QWidget* parent = nullptr);

    // Runs `work` on another thread and returns when it is done, the window answering meanwhile.
    // `rows` counts the rows read so far; nullptr for a write, whose progress counts rows itself.
    void run(const std::function<void(WorkProgress& progress)>& work, const std::function<int()>& rows);

    bool busy() const { return progress_ != nullptr; }
    // Asks the running work to stop at its next record.
    void cancel();

  Q_SIGNALS:
    // The rows read so far, a few times a second while files are read.
    void rowsRead(int rows);

  private:
    void showProgress(const WorkProgress& progress, const std::function<int()>& rows);

    const Clock& clock_;
    WorkProgress* progress_ = nullptr;
    QLabel* lblWork_;
    QProgressBar* prgWork_;
    QPushButton* cmdCancel_;
};

}  // namespace vintrel
