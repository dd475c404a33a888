// Times how long the window takes from a list of files to a filled, painted grid.
#include "gui/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <cstdio>

namespace {
struct NoDialogs : vintrel::FileDialogs {
    QStringList openFiles(QWidget*, const QString&, const QList<vintrel::FileFilter>&) override { return {}; }
    QString openFile(QWidget*, const QString&, const vintrel::FileFilter&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, const vintrel::FileFilter&) override {
        return {};
    }
};
struct NoMessages : vintrel::MessageBoxes {
    void warn(QWidget*, const QString&, const QString&) override {}
};
struct NoLauncher : vintrel::Launcher {
    void startDetached(const QString&, const QStringList&, const QString&) override {}
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    NoDialogs dialogs;
    NoMessages messages;
    NoLauncher launcher;
    const vintrel::SystemClock clock;
    vintrel::Form1 form({&dialogs, &messages, &launcher, nullptr, &clock, u'.'});
    form.show();
    QStringList paths = QApplication::arguments();
    paths.removeFirst();
    QElapsedTimer timer;
    timer.start();
    form.importPaths(paths);
    form.findChild<QTableView*>(QStringLiteral("MSFlexGrid1"))->repaint();
    std::printf("%d rows shown in %lld ms\n", form.waypoints().rowCount(),
                static_cast<long long>(timer.elapsed()));
    return 0;
}
