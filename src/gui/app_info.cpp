#include "gui/app_info.h"

#include "base/version.h"
#include "export/export_formats.h"
#include "import/import_formats.h"

#include <expat.h>

#include <QtGlobal>

namespace vintrel {

namespace {

// The full version, as --version says it.
QString versionText() {
    return QStringLiteral(VINTREL_VERSION);
}

}  // namespace

std::optional<InfoAnswer> infoAnswer(const QStringList& args) {
    for (const QString& a : args) {
        if (a == QLatin1String("--")) {
            break;  // what follows is file names
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
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
            return InfoAnswer{
                QStringLiteral("Usage: vintrel [FILE...]\n"
                               "Opens the Vintrel window, which reads GPS waypoint files (%1)\n"
                               "into one list and writes it as a file of one of these kinds: %2.\n"
                               "FILEs named are read at once, as if dropped on the window.\n\n"
                               "Options:\n"
                               "  -h, --help     show this help and exit\n"
                               "  --version      show the version and exit\n"
                               "  --             what follows are file names, even if they start "
                               "with -\n\n"
                               "The same conversions without a window: vintrel-convert --help\n")
                    .arg(inputs.join(QStringLiteral(", ")), outputs.join(QStringLiteral(", "))),
                0};
        }
        if (a == QLatin1String("--version")) {
            return InfoAnswer{QStringLiteral("vintrel " VINTREL_VERSION "\n") + QLatin1String(kLicenceNotice),
                              0};
        }
    }
    return std::nullopt;
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
