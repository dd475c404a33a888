#include "cli/convert.h"
#include "model/coordinates.h"
#include "model/file_names.h"
#include "registry/system_registry.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>

#include <csignal>
#include <cstring>
#include <memory>

#include <unistd.h>

int main(int argc, char** argv) {
    // A map picture is drawn with Qt's graphical part, which needs no display for it: started only
    // then, since it costs a run without a picture time for nothing.
    bool drawing = false;
    for (int i = 1; i < argc; ++i) {
        drawing = drawing || std::strcmp(argv[i], "--map") == 0;
    }
    std::unique_ptr<QCoreApplication> app;
    if (drawing) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    // A reader that goes away makes writes fail, which is reported, instead of ending the program
    // without a word.
    std::signal(SIGPIPE, SIG_IGN);
    QStringList args;  // as their bytes are: any name that exists can be read, any name given written
    for (int i = 1; i < argc; ++i) {
        args.append(vintrel::fileNameFromBytes(argv[i]));
    }
    const std::unique_ptr<vintrel::registry::RegistryApi> registry = vintrel::registry::makeSystemRegistry();
    const vintrel::SystemClock clock;
    // A progress line only where someone watches: never into a file or a pipe.
    const bool terminal = isatty(STDOUT_FILENO) == 1 && isatty(STDERR_FILENO) == 1;
    const vintrel::ConvertEnvironment env{vintrel::decimalSeparatorOf(QLocale::system()), registry.get(),
                                          &clock, terminal ? &err : nullptr};
    const int status = vintrel::runConvert(args, out, err, env);
    out.flush();
    err.flush();
    return status;
}
