#include "gui/form1.h"
#include "model/coordinates.h"
#include "registry/system_registry.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vintrel::QtFileDialogs dialogs;
    vintrel::QtMessageBoxes messages;
    vintrel::ProcessLauncher launcher;
    const std::unique_ptr<vintrel::registry::RegistryApi> registry = vintrel::registry::makeSystemRegistry();
    const vintrel::SystemClock clock;
    const vintrel::Form1Services services{&dialogs,  &messages,
                                          &launcher, registry.get(),
                                          &clock,    vintrel::decimalSeparatorOf(QLocale::system())};
    vintrel::Form1 window(services);
    window.show();
    QStringList files = QApplication::arguments();
    files.removeFirst();
    window.importPaths(files);  // files named on the command line are read as if dropped
    return QApplication::exec();
}
