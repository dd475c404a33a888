#include "gui/app_info.h"

#include "base/version.h"
#include "export/export_formats.h"
#include "import/import_formats.h"
#include "model/file_names.h"

#include <expat.h>

#include <QtGlobal>

namespace vintrel {

namespace {

// The full version, as --version says it.
QString versionText() {
    return QStringLiteral(VINTREL_VERSION);
}

// The options every Qt program takes (with one or two dashes), and whether they take a value.
struct QtOption {
    const char* name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"display", true},
    {"geometry", true},
    {"name", true},
    {"title", true},
    {"visual", true},
    {"reverse", false},
    {"widgetcount", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
    {"qmljsdebugger", false},
};

// Whether `arg` is one of Qt's options; `skipNext` tells that its value is the next argument.
bool isQtOption(const QString& arg, bool& skipNext) {
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(u'=');
    const bool valueHere = equals >= 0;
    name.truncate(valueHere ? equals : name.size());
    for (const QtOption& o : kQtOptions) {
        if (name == QLatin1String(o.name)) {
            skipNext = o.takesValue && !valueHere;
            return true;
        }
    }
    return false;
}

QString helpText() {
    QStringList inputs;
    for (const ImportFormat& f : importFormats()) {
        inputs.append(u'.' + f.extension);
    }
    QStringList outputs;
    for (const ExportFormat& f : exportFormats()) {
        if (!outputs.contains(u'.' + f.extension)) {  // GDB has two entries, one kind
            outputs.append(u'.' + f.extension);
        }
    }
    return QStringLiteral(
               "Usage: vintrel [Qt-options] [--] [FILE...]\n"
               "Opens the Vintrel window, which reads GPS waypoint files (%1)\n"
               "into one list and writes it as a file of one of these kinds: %2.\n"
               "FILEs named are read at once, as if dropped on the window.\n\n"
               "Options:\n"
               "  -h, --help     show this help and exit\n"
               "  --version      show the version and exit\n"
               "  --             what follows are file names, even if they start with -\n"
               "  Qt-options     the options every Qt program takes, such as -platform NAME\n"
               "                 and -style NAME\n\n"
               "The same conversions without a window: vintrel-convert --help\n")
        .arg(inputs.join(QStringLiteral(", ")), outputs.join(QStringLiteral(", ")));
}

}  // namespace

std::optional<InfoAnswer> infoAnswer(const QStringList& args) {
    std::optional<InfoAnswer> unknown;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--")) {
            break;  // what follows is file names
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            return InfoAnswer{helpText(), 0};
        }
        if (a == QLatin1String("--version")) {
            return InfoAnswer{QStringLiteral("vintrel " VINTREL_VERSION "\n") + QLatin1String(kLicenceNotice),
                              0};
        }
        bool skipNext = false;
        if (a.size() > 1 && a.startsWith(u'-') && !isQtOption(a, skipNext) && !unknown) {
            unknown = InfoAnswer{
                QStringLiteral("vintrel: unknown option %1\nTry 'vintrel --help'.\n").arg(displayFileName(a)),
                2};
        }
        i += skipNext ? 1 : 0;
    }
    return unknown;
}

QString noDisplayText(const QString& reason) {
    return QStringLiteral(
               "vintrel: the window cannot be opened (%1); vintrel-convert converts without one.\n")
        .arg(reason);
}

QString aboutText() {
    return QStringLiteral(
               "<p><b>Vintrel %1</b></p>"
               "<p>Converts GPS waypoint files into Garmin MapSource, PCX5, Google Earth and GPX files.</p>"
               "<p>Licence: GPL-3.0-or-later.</p>"
               "<p>Built on:<br>Qt %2 (LGPL-3.0-only)<br>%3 (MIT)</p>")
        .arg(versionText(), QString::fromLatin1(qVersion()),
             QString::fromLatin1(XML_ExpatVersion()).replace(u'_', u' '));
}

}  // namespace vintrel
