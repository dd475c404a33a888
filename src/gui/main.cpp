#include "gui/app_info.h"
#include "gui/form1.h"
#include "model/coordinates.h"
#include "model/file_names.h"
#include "registry/system_registry.h"

#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

QStringList gStartMessages;  // what Qt says while it looks for a display

// While the application starts: a failure to find a display ends the program with one line and
// status 1, instead of Qt's abort; other messages are kept and printed once it has started.
void startMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtFatalMsg) {
        gStartMessages.append(text.trimmed());
        return;
    }
    const QString reason =
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            ? QStringLiteral("no display: DISPLAY is not set")
            : gStartMessages.value(0, text.section(u'\n', 0, 0).trimmed());
    std::fputs(vintrel::noDisplayText(reason).toLocal8Bit().constData(), stderr);
    std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    // --help and --version are answered before Qt looks for a display.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    if (const std::optional<vintrel::InfoAnswer> answer = vintrel::infoAnswer(args)) {
        std::fputs(answer->text.toLocal8Bit().constData(), answer->status == 0 ? stdout : stderr);
        return answer->status;
    }

    qInstallMessageHandler(startMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    for (const QString& message : gStartMessages) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    }
    QApplication::setOrganizationName(QStringLiteral("Vintrel"));
    QApplication::setApplicationName(QStringLiteral("vintrel"));
    QSettings settings;
    vintrel::QtFileDialogs dialogs;
    vintrel::QtMessageBoxes messages;
    vintrel::ProcessLauncher launcher;
    const std::unique_ptr<vintrel::registry::RegistryApi> registry = vintrel::registry::makeSystemRegistry();
    const vintrel::SystemClock clock;
    const vintrel::Form1Services services{&dialogs,  &messages,
                                          &launcher, registry.get(),
                                          &clock,    vintrel::decimalSeparatorOf(QLocale::system()),
                                          &settings, vintrel::systemDeviceSearch()};
    vintrel::Form1 window(services);
    window.show();
    QStringList files;  // as their bytes are: any name that exists can be read
    for (int i = 1; i < argc; ++i) {
        files.append(vintrel::fileNameFromBytes(argv[i]));
    }
    files.removeOne(QStringLiteral("--"));
    // Files named on the command line are read as if dropped, once the event loop runs: Exit
    // during that reading then ends the program like any other.
    QTimer::singleShot(0, &window, [&window, files] { window.importPaths(files); });
    return QApplication::exec();
}
