// Times how long the window takes from a list of files to a filled, painted grid.
#include "gui/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include <algorithm>

#include <cstdio>

namespace {
struct NoDialogs : vintrel::FileDialogs {
    QStringList openFiles(QWidget*, const QString&, const QList<vintrel::FileFilter>&,
                          const QString&) override {
        return {};
    }
    QString openFile(QWidget*, const QString&, const vintrel::FileFilter&, const QString&) override {
        return {};
    }
    QString saveFile(QWidget*, const QString&, const QString&, const vintrel::FileFilter&) override {
        return {};
    }
};
struct NoMessages : vintrel::MessageBoxes {
    void warn(QWidget*, const QString&, const QString&) override {}
    bool ask(QWidget*, const QString&, const QString&) override { return false; }
    void showText(QWidget*, const QString&, const QString&) override {}
    void about(QWidget*, const QString&, const QString&) override {}
    int choose(QWidget*, const QString&, const QString&, const QStringList&) override { return -1; }
};
struct NoLauncher : vintrel::Launcher {
    QString openInMapSource(const QString&) override { return {}; }
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
    // The window answers while it reads: the longest wait between two turns of its event loop.
    qint64 longestGap = 0;
    QElapsedTimer gap;
    gap.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, gap.restart()); });
    ticker.start(10);
    form.importPaths(paths);
    ticker.stop();
    auto* grid = form.findChild<QTableView*>(QStringLiteral("MSFlexGrid1"));
    grid->repaint();
    std::printf("%d rows shown in %lld ms; the window waited at most %lld ms between events\n",
                form.waypoints().rowCount(), static_cast<long long>(timer.elapsed()),
                static_cast<long long>(longestGap));
    timer.restart();
    grid->scrollToBottom();
    grid->repaint();
    std::printf("scrolled to the last row in %lld ms\n", static_cast<long long>(timer.elapsed()));
    timer.restart();
    form.findChild<QCheckBox*>(QStringLiteral("chkDecimal"))->click();
    grid->repaint();
    std::printf("decimal view toggled in %lld ms\n", static_cast<long long>(timer.elapsed()));
    return 0;
}
