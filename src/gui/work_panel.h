// Long work beside the window: it runs on another thread while the window keeps painting and
// answering, and after half a second its progress shows, with a Cancel button for work that can
// stop part way (reading files).
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
    // The progress line says what `progress` names, with the rows `rows` counts (nullptr: a
    // write, which has no Cancel either).
    void run(const std::function<void(WorkProgress& progress)>& work, const std::function<int()>& rows);

    bool busy() const { return progress_ != nullptr; }
    // Asks the running work to stop at its next record; reading stops, a write is finished.
    void cancel();

  private:
    const Clock& clock_;
    WorkProgress* progress_ = nullptr;
    QLabel* lblWork_;
    QProgressBar* prgWork_;
    QPushButton* cmdCancel_;
};

}  // namespace vintrel
