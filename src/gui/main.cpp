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

int main(int argc, char** argv) {
    // --help and --version are answered before Qt looks for a display.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    if (const std::optional<vintrel::InfoAnswer> answer = vintrel::infoAnswer(args)) {
        std::fputs(answer->text.toLocal8Bit().constData(), stdout);
        return answer->status;
    }

    QApplication app(argc, argv);
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
                                          &settings};
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
