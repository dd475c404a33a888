#include "cli/convert.h"

#include "app/version.h"
#include "app/waypoint_list.h"
#include "import/import_driver.h"

namespace vintrel {

namespace {

const char* const kProgram = "vintrel-convert";

void printHelp(QTextStream& out) {
    out << "Usage: " << kProgram << " --list FILE...\n"
        << "Reads GPS waypoint files into one list, as the Vintrel window does.\n\n"
        << "Options:\n"
        << "  --list      print every row of the list, its columns separated by tabs\n"
        << "  --help      show this help and exit\n"
        << "  --version   show the version and exit\n\n"
        << "Input formats (chosen by the file's extension):\n";
    for (const ImportFormat& f : importFormats()) {
        out << "  ." << f.extension << "  " << f.description << "\n";
    }
}

void printListLine(QTextStream& out, const WaypointRow& row) {
    out << iconRoleName(row.icon);
    for (int c = 1; c < kColumnCount; ++c) {
        out << '\t' << row.cellView(c);
    }
    out << '\n';
}

void reportProblems(const ImportOutcome& outcome, QTextStream& err) {
    for (const FileImport& f : outcome.files) {
        if (!f.recognised) {
            err << f.path << ": not a supported file type; it was not read.\n";
        }
        for (const QString& p : f.result.problems) {
            err << p << "\n";
        }
    }
}

}  // namespace

int runConvert(const QStringList& args, QTextStream& out, QTextStream& err, QChar decimalSeparator) {
    bool list = false;
    QStringList inputs;
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            printHelp(out);
            return 0;
        }
        if (a == QLatin1String("--version")) {
            out << kProgram << " " << kVersionMajor << "." << kVersionMinor << "\n";
            return 0;
        }
        if (a == QLatin1String("--list")) {
            list = true;
        } else if (a.startsWith(u'-') && a.size() > 1) {
            err << kProgram << ": unknown option " << a << "\nTry '" << kProgram << " --help'.\n";
            return 2;
        } else {
            inputs.append(a);
        }
    }
    if (!list || inputs.isEmpty()) {
        err << kProgram << ": give --list and at least one input file\nTry '" << kProgram << " --help'.\n";
        return 2;
    }

    WaypointList waypoints;
    ImportContext context{waypoints, decimalSeparator};
    const ImportOutcome outcome = importFiles(inputs, context);
    for (const WaypointRow& row : waypoints.rows()) {
        printListLine(out, row);
    }
    const QString duplicates = duplicateReportText(waypoints.duplicateCount());
    if (!duplicates.isNull()) {
        out << duplicates << "\n";
    }
    reportProblems(outcome, err);
    if (waypoints.rowCount() == 0) {
        if (!outcome.advice.isEmpty()) {
            err << QString(outcome.advice).replace(QLatin1String("\r\n"), QLatin1String("\n")) << "\n";
        }
        err << kProgram << ": no waypoint was read.\n";
        return 1;
    }
    return 0;
}

}  // namespace vintrel
