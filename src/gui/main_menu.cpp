#include "gui/main_menu.h"

#include "gui/plain_text.h"

#include <QAbstractButton>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>

namespace vintrel {

namespace {

// Keeps an action's enabled state the same as its button's: shown (to its window) and enabled.
class ButtonMirror : public QObject {
  public:
    ButtonMirror(QAction* action, QAbstractButton* button)
        : QObject(action), action_(action), button_(button) {
        button->installEventFilter(this);
        update();
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::EnabledChange:
            case QEvent::ShowToParent:
            case QEvent::HideToParent:
                update();
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    void update() { action_->setEnabled(button_->isEnabled() && !button_->isHidden()); }

    QAction* action_;
    QAbstractButton* button_;
};

QAction* named(QAction* action, const char* name) {
    action->setObjectName(QLatin1String(name));
    return action;
}

}  // namespace

QAction* MainMenu::buttonAction(QMenu* menu, const char* name, const QString& text, const QKeySequence& keys,
                                QAbstractButton* button) {
    QAction* action = named(menu->addAction(text), name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, button, [button] {
        if (button->isEnabled() && !button->isHidden()) {
            button->click();
        }
    });
    new ButtonMirror(action, button);
    return action;
}

MainMenu::MainMenu(const MenuTargets& targets, QWidget* parent) : QMenuBar(parent), targets_(targets) {
    setObjectName(QStringLiteral("menuBar"));
    QMenu* file = addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    buttonAction(file, "actOpen", QStringLiteral("&Select/Add Files..."), QKeySequence::Open, targets.open);
    recent_ = file->addMenu(QStringLiteral("Open &Recent"));
    recent_->setObjectName(QStringLiteral("menuRecent"));
    file->addSeparator();
    buttonAction(file, "actCreateNew", QStringLiteral("&Create New Waypoint File..."), QKeySequence::Save,
                 targets.create);
    buttonAction(file, "actAdd", QStringLiteral("&Add to Existing..."), QKeySequence(), targets.add);
    buttonAction(file, "actSendToGps", QStringLiteral("Send to &GPS\u2026"), QKeySequence(), targets.send);
    file->addSeparator();
    buttonAction(file, "actClearList", QStringLiteral("C&lear List"), QKeySequence(), targets.clear);
    file->addSeparator();
    QAction* quit = named(file->addAction(QStringLiteral("&Quit")), "actQuit");
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, targets.exit, &QAbstractButton::click);

    QMenu* edit = addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    remove_ = named(edit->addAction(QStringLiteral("&Remove Selected Rows")), "actRemoveRows");
    remove_->setShortcut(QKeySequence::Delete);
    connect(remove_, &QAction::triggered, this, [this] { targets_.removeRows(); });
    selectAll_ = named(edit->addAction(QStringLiteral("Select &All")), "actSelectAll");
    selectAll_->setShortcut(QKeySequence::SelectAll);
    connect(selectAll_, &QAction::triggered, this, [this] { targets_.selectAll(); });
    edit->addSeparator();
    QAction* find = named(edit->addAction(QStringLiteral("&Find...")), "actFind");
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, this, [this] { targets_.find(); });

    QMenu* view = addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("menuView"));
    QAction* details = named(view->addAction(QStringLiteral("Import &Details...")), "actDetails");
    details->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(details, &QAction::triggered, this, [this] { targets_.details(); });

    QMenu* help = addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* about = named(help->addAction(QStringLiteral("&About Vintrel")), "actAbout");
    connect(about, &QAction::triggered, this, [this] { targets_.about(); });

    setRecentFiles({});
    setListHasRows(false);
}

void MainMenu::setRecentFiles(const QStringList& paths) {
    recent_->clear();
    for (qsizetype i = 0; i < paths.size() && i < kRecentFiles; ++i) {
        const QString& path = paths[i];
        // "&1 caches.gpx": a digit to pick it by, the name to know it by, the folder in the tip.
        const QString name = shownText(QFileInfo(path).fileName()).replace(u'&', QLatin1String("&&"));
        QAction* action = recent_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        action->setToolTip(plainToolTip(QDir::toNativeSeparators(path)));
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path] { targets_.openRecent(path); });
    }
    recent_->setEnabled(!paths.isEmpty());
}

void MainMenu::setListHasRows(bool hasRows) {
    remove_->setEnabled(hasRows);
    selectAll_->setEnabled(hasRows);
}

}  // namespace vintrel
