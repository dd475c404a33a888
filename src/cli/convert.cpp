#include "cli/convert.h"

#include "cli/convert_options.h"

#include "base/version.h"
#include "devices/device_send.h"
#include "export/atomic_save.h"
#include "export/export_driver.h"
#include "formats/garmin/garmin_tables.h"
#include "import/import_driver.h"
#include "map/map_renderer.h"
#include "model/file_names.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <variant>

namespace vintrel {

namespace {

const char* const kProgram = "vintrel-convert";

void printHelp(QTextStream& out) {
    out << "Usage: " << kProgram << " [options] INPUT... -o OUTPUT\n"
        << "       " << kProgram << " [options] INPUT... --add EXISTING\n"
        << "       " << kProgram << " --list [--header] INPUT...\n"
        << "       " << kProgram << " INPUT... --map PICTURE.png [--map-size WxH]\n"
        << "       " << kProgram << " [options] INPUT... --to-device[=PATH]\n"
        << "       " << kProgram << " --devices\n"
        << "Reads GPS waypoint files into one list, as the Vintrel window does, and writes the list as\n"
        << "a MapSource, PCX5 waypoint, Google Earth or GPX file.\n\n"
        << "Options (a long option's value also as --format=gpx, -o's as -oFILE):\n"
        << "  -o, --output FILE   the file to create; its extension chooses the format. - (with\n"
        << "                      --format) writes to standard output; /dev/stdout and /dev/null\n"
        << "                      are written straight, not replaced\n"
        << "  --add FILE          add the waypoints whose names FILE does not hold to that existing file\n"
        << "  --format NAME       the output format, whatever the extension:";
    QStringList extensions;
    for (const ExportFormat& f : exportFormats()) {
        if (!extensions.contains(f.extension)) {
            extensions.append(f.extension);
            out << " " << f.extension;
        }
    }
    out << "\n"
        << "  --display MODE      GDB display mode: name (symbol & name, the default), symbol, description\n"
        << "  --colour NAME       MPS waypoint colour, by the window's names:";
    int column = 100;  // wraps the names below the option, as the other lines are wrapped
    for (const QString& name : waypointColourNames()) {
        if (column + name.size() > 96) {
            out << "\n                     ";
            column = 21;
        }
        out << " " << name.toLower() << (name == waypointColourNames().last() ? "" : ",");
        column += static_cast<int>(name.size()) + 2;
    }
    out << "\n";
    // A format whose new files come in several versions: --gdb-version.
    QStringList optionsDone;
    for (const ExportFormat& f : exportFormats()) {
        const QList<int> versions = exportVersions(f.extension);
        if (!versions.isEmpty() && !optionsDone.contains(f.extension)) {
            optionsDone.append(f.extension);
            out << "  --" << f.extension << "-version N     a new " << f.key
                << " file's format version: " << versions.first() << " (the default)";
            for (qsizetype i = 1; i < versions.size(); ++i) {
                const ExportFormat* v = exportFormatForName(f.extension, versions[i]);
                out << ", " << versions[i] << (v->unicodeNames ? " (Unicode names)" : "");
            }
            out << "\n";
        }
    }
    out << "  --speed-unit UNIT   GPI speeds that names give (\"max@50\"): kmh (the default) or mph\n"
        << "  --proximity METRES  GPI proximity alert of every POI, in metres: "
        << ExportOptions::kDefaultProximity << " unless given; 0: none\n"
        << "  --no-description    leave the descriptions out of the file\n"
        << "  --list              print every row of the list, one line each, its columns separated\n"
        << "                      by tabs: " << listColumnNames().mid(0, 7).join(u' ') << "\n"
        << "                      " << listColumnNames().mid(7).join(u' ') << " (lat_dm and lon_dm: degrees\n"
        << "                      and minutes, two spaces, the PCX5 form; lat and lon: decimal\n"
        << "                      degrees; dup: 1 for a row a later duplicate was left out for);\n"
        << "                      control characters are shown as escapes such as \\x1B\n"
        << "  --header            with --list, a first line of those column names\n"
        << "  --devices           list the Garmin units plugged in: mount path, model, free space\n"
        << "  --to-device[=PATH]  send the list to the Garmin unit plugged in (the one at PATH when\n"
        << "                      there are several): a GPX file named after the first input in the\n"
        << "                      folder the unit reads GPX files from, or with --format gpi a GPI\n"
        << "                      file in its POI folder; a file of that name there is added to\n"
        << "  --map FILE          draw the list on a map as a PNG picture (offline), fitted to it\n"
        << "  --map-size WxH      the picture's size in pixels: 800x600 unless given, 10000x10000 at most\n"
        << "  --help              show this help and exit\n"
        << "  --version           show the version and exit\n"
        << "  --                  what follows are input files, even if they start with -\n\n"
        << "Input formats (chosen by the file's extension, or by its first line where said):\n";
    for (const ImportFormat& f : importFormats()) {
        out << "  ." << f.extension << "  " << f.filter.description
            << (f.sniff != nullptr ? ", by its first line whatever the name" : "") << "\n";
    }
    out << "Output formats:\n";
    for (const ExportFormat& f : exportFormats()) {
        const QList<int> versions = exportVersions(f.extension);
        out << "  ." << f.extension << "  " << f.choiceText;
        if (f.create == nullptr) {
            out << "  (not available yet)";
        } else if (!versions.isEmpty() && f.version != versions.first()) {
            out << "  (--" << f.extension << "-version " << f.version << ")";
        } else if (f.add != nullptr) {
            out << "  (also --add)";
        }
        out << "\n";
    }
    out << "\nWhat was written and the duplicates left out are reported on standard output (on standard\n"
        << "error when the file goes there); problems, each line starting with " << kProgram << ":,\n"
        << "on standard error.\n"
        << "Exit status: 0 written (or, with --list alone, rows read), 1 nothing written, the picture\n"
        << "not drawn or standard output failed, 2 usage error, 3 written (or listed), but an input could\n"
        << "not be read whole (missing, a folder, unknown type, or broken off early); waypoints skipped\n"
        << "for a bad position are warnings only. 4 written, but waypoints of the list were left out of\n"
        << "it for another reason than a name or place it holds already (no distinct name was left).\n";
}

// Whether everything written to `out` so far reached it; each write to standard output counts.
bool written(QTextStream& out) {
    return out.status() == QTextStream::Ok;
}

// The keys of the formats that take an option ("mps" for the waypoint colour).
QString formatsWith(bool ExportFormat::*option) {
    QStringList keys;
    for (const ExportFormat& f : exportFormats()) {
        if (f.*option) {
            keys.append(f.extension);
        }
    }
    return keys.join(QStringLiteral(", "));
}

void printListLine(QTextStream& out, const WaypointRow& row) {
    out << iconRoleName(row.icon);
    for (int c = 1; c < kColumnCount; ++c) {
        out << '\t' << escapedControls(row.cell(c));  // a name cannot work the terminal
    }
    out << '\n';
}

// Prints `text` as messages: each line starting with the program's name.
void say(QTextStream& err, const QString& text) {
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        err << kProgram << ": " << line << '\n';
    }
}

// A reader's line about `path`, naming the file by the whole path it was given as, not by its
// name alone.
QString withWholePath(const QString& line, const QString& path) {
    const QString name = displayFileName(QFileInfo(path).fileName());
    const QChar after = name.size() < line.size() ? line[name.size()] : QChar();
    if (line.startsWith(name) && (after == u':' || after == u',' || after == u' ')) {
        return displayFileName(path) + line.mid(name.size());
    }
    return line;
}

void reportProblems(const ImportOutcome& outcome, QTextStream& err) {
    for (const FileImport& f : outcome.files) {
        if (!f.recognised) {
            say(err,
                displayFileName(f.path) + QStringLiteral(": not a supported file type; it was not read."));
        }
        if (f.result.alert) {
            say(err, displayFileName(f.path) + QStringLiteral(": ") + f.result.alert->text);
        }
        for (const QStringList* lines : {&f.result.problems, &f.result.skips}) {
            for (const QString& p : *lines) {
                say(err, withWholePath(p, f.path));
            }
        }
    }
}

void printWarnings(const WriteReport& report, const QString& path, QTextStream& err) {
    for (const QString& w : report.warnings) {
        say(err, displayFileName(path) + QStringLiteral(": ") + w);
    }
}

// Runs `work`; on a terminal beside a progress line that is erased when it is done.
void withProgress(const ConvertEnvironment& env, const WorkProgress& progress,
                  const std::function<int()>& rows, const std::function<void()>& work) {
    if (env.progress == nullptr || env.clock == nullptr) {
        work();
        return;
    }
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done.store(true);
    });
    followProgress(progress, done, *env.clock, rows, [&](const QString& text) {
        *env.progress << '\r' << text << "\x1b[K" << Qt::flush;  // the rest of the line erased
    });
    worker.join();
}

// Whether two paths name one file, however they are spelled (links, "./", hard links).
bool sameFile(const QString& a, const QString& b) {
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::path(fileNameBytes(a).toStdString()),
                                       std::filesystem::path(fileNameBytes(b).toStdString()), ec);
}

int usage(QTextStream& err, const QString& message) {
    err << kProgram << ": " << message << '\n' << kProgram << ": try '" << kProgram << " --help'\n";
    return 2;
}

// Everything for standard output is written; when some of it could not be (a full disk, a reader
// that went away), that is said and the status is 1, whatever else went well.
int finish(QTextStream& out, QTextStream& err, int status, const QString& written) {
    out.flush();
    if (vintrel::written(out)) {
        return status;
    }
    const QString reason = out.device() != nullptr ? out.device()->errorString() : QString();
    err << kProgram << ": standard output could not be written"
        << (reason.isEmpty() ? QString() : " (" + reason + ")")
        << (written.isEmpty() ? QString(".\n")
                              : "; " + displayFileName(written) + " was written all the same.\n");
    err.flush();
    return 1;
}

// Draws the list and saves the picture as PNG; the reason when it could not be.
QString saveMapPicture(const WaypointList& list, const QString& path, QSize size) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return QStringLiteral("the program's drawing part did not start");
    }
    const QImage image = listPicture(list, size);
    if (image.isNull()) {
        return QStringLiteral("there is not enough memory for a picture of %1x%2 pixels")
            .arg(size.width())
            .arg(size.height());
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        return QStringLiteral("the picture could not be made into PNG");
    }
    QString error;
    return saveAtomically(path, bytes, error) ? QString() : error;
}

// The checks of options that depend on each other; the usage error, or an empty text.
QString checkOptions(const ConvertOptions& opt, const ExportFormat*& format) {
    if (opt.devices) {
        return opt.inputs.isEmpty() && !opt.output && !opt.list && !opt.map && !opt.toDevice
                   ? QString()
                   : QStringLiteral("--devices goes alone");
    }
    if (opt.toDevice) {
        if (opt.output) {
            return QStringLiteral("give one output: -o, --add or --to-device");
        }
        format = opt.format != nullptr ? opt.format : exportFormatForName(QStringLiteral("gpx"));
        if (format->extension != QLatin1StringView("gpx") && format->extension != QLatin1StringView("gpi")) {
            return QStringLiteral("--to-device sends gpx or gpi files, not %1").arg(format->extension);
        }
    }
    if (opt.inputs.isEmpty() || (!opt.list && !opt.output && !opt.map && !opt.toDevice)) {
        return QStringLiteral(
            "give input files and -o OUTPUT or --add EXISTING, --to-device, --list or --map");
    }
    if (opt.header && !opt.list) {
        return QStringLiteral("--header is for --list");
    }
    if (opt.mapSize && !opt.map) {
        return QStringLiteral("--map-size is for --map only");
    }
    if (opt.map) {
        if (opt.output && sameFile(*opt.map, *opt.output)) {
            return QStringLiteral("the map picture and the output are one file; nothing was written");
        }
        for (const QString& input : opt.inputs) {
            if (sameFile(input, *opt.map)) {
                return QStringLiteral("%1 is the input %2 itself; nothing was written")
                    .arg(displayFileName(*opt.map), displayFileName(input));
            }
        }
    }
    if (!opt.output) {
        return QString();
    }
    const QString& output = *opt.output;
    if (isStandardOutput(output)) {
        if (opt.add) {
            return QStringLiteral("--add needs a file, not standard output");
        }
        if (opt.list) {
            return QStringLiteral("--list and -o %1 both write to standard output").arg(output);
        }
        if (opt.format == nullptr && output == QLatin1String("-")) {
            return QStringLiteral("-o - needs --format");
        }
    }
    format = opt.format != nullptr ? opt.format : exportFormatForName(output.section(u'.', -1));
    if (format == nullptr) {
        return QStringLiteral("cannot tell the output format of ") + displayFileName(output) +
               QStringLiteral("; use --format");
    }
    if (!opt.versionOf.isEmpty()) {
        if (opt.versionOf != format->extension) {
            return QStringLiteral("--%1-version is for %1 files only").arg(opt.versionOf);
        }
        if (opt.add) {
            return QStringLiteral("--%1-version is for new files; an add writes the file's own version")
                .arg(opt.versionOf);
        }
        format = exportFormatForName(format->extension, opt.formatVersion);
    }
    if (opt.colourGiven && !format->hasColour) {
        return QStringLiteral("--colour is for %1 files only").arg(formatsWith(&ExportFormat::hasColour));
    }
    if (opt.alertsGiven && !format->hasAlerts) {
        return QStringLiteral("--speed-unit and --proximity are for %1 files only")
            .arg(formatsWith(&ExportFormat::hasAlerts));
    }
    if (opt.add && format->add == nullptr) {
        return QStringLiteral("%1 files cannot be added to").arg(format->key);
    }
    for (const QString& input : opt.inputs) {
        if (sameFile(input, output)) {
            return QStringLiteral("%1 is the input %2 itself; nothing was written")
                .arg(displayFileName(output), displayFileName(input));
        }
    }
    return QString();
}

}  // namespace

int runConvert(const QStringList& args, QTextStream& out, QTextStream& err, const ConvertEnvironment& env) {
    const std::variant<ConvertOptions, QString> parsed = parseConvertOptions(args);
    if (const QString* error = std::get_if<QString>(&parsed)) {
        return usage(err, *error);
    }
    const ConvertOptions& opt = std::get<ConvertOptions>(parsed);
    if (opt.help) {
        printHelp(out);
        return 0;
    }
    if (opt.version) {
        out << kProgram << " " << VINTREL_VERSION << "\n" << kLicenceNotice;
        return 0;
    }
    const ExportFormat* format = nullptr;
    if (const QString problem = checkOptions(opt, format); !problem.isEmpty()) {
        return usage(err, problem);
    }
    std::optional<GarminDevice> unit;
    if (opt.devices || opt.toDevice) {
        const DeviceScan scan = findGarminDevices(env.deviceSearch);
        for (const QString& problem : scan.problems) {
            say(err, problem);
        }
        if (opt.devices) {
            for (const GarminDevice& d : scan.devices) {
                out << deviceLine(d) << '\n';
            }
            if (scan.devices.isEmpty()) {
                say(err, QStringLiteral("no Garmin unit was found"));
            }
            return finish(out, err, 0, QString());
        }
        QString error;
        const GarminDevice* chosen = chooseDevice(scan, *opt.toDevice, error);
        if (chosen == nullptr) {
            say(err, error + QStringLiteral("; nothing was written."));
            return 1;
        }
        unit = *chosen;
    }
    const QString output =
        unit ? deviceFilePath(*unit, *format, opt.inputs.front()) : opt.output.value_or(QString());
    // With the file on standard output, what is said of it goes to standard error.
    const bool toStandardOutput = opt.output && isStandardOutput(output);
    const QString target = output == QLatin1String("-") ? QStringLiteral("/dev/stdout") : output;
    // What was done: on standard output, or as messages when the file goes there.
    const auto report = [&](const QString& text) {
        if (toStandardOutput) {
            say(err, text);
        } else {
            out << text << '\n';
        }
    };

    WaypointList waypoints;
    WorkProgress progress;
    ImportContext context{waypoints, env.decimalSeparator, &progress};
    ImportOutcome outcome;
    withProgress(
        env, progress, [&] { return waypoints.rowCountSoFar(); },
        [&] { outcome = importFiles(opt.inputs, context); });
    if (opt.list) {
        if (opt.header) {
            out << listColumnNames().join(u'\t') << '\n';
        }
        for (const WaypointRow& row : waypoints.rows()) {
            printListLine(out, row);
            if (!written(out)) {
                break;  // the rest would fail the same way
            }
        }
    }
    const QString duplicates = duplicateReportText(waypoints.duplicateCount());
    if (!duplicates.isNull()) {
        report(duplicates);
    }
    reportProblems(outcome, err);
    if (waypoints.rowCount() == 0) {
        if (!outcome.advice.isEmpty()) {
            say(err, QString(outcome.advice).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        }
        say(err, QStringLiteral("no waypoint was read") +
                     (format != nullptr ? QStringLiteral("; nothing was written.") : QStringLiteral(".")));
        return finish(out, err, 1, QString());
    }
    // Written, but not all of what the inputs hold: say so in the status too.
    const bool incomplete = std::any_of(outcome.files.begin(), outcome.files.end(), [](const FileImport& f) {
        return !f.recognised || !f.result.readToEnd;
    });
    const int done = incomplete ? 3 : 0;
    if (incomplete) {
        say(err, QStringLiteral("an input could not be read whole; what was read is ") +
                     (format == nullptr ? QStringLiteral("listed.") : QStringLiteral("written.")));
    }
    if (opt.map) {
        const QString problem = saveMapPicture(waypoints, *opt.map, opt.mapSize.value_or(QSize(800, 600)));
        if (!problem.isEmpty()) {
            say(err, notWrittenText(*opt.map, problem));
            return finish(out, err, 1, QString());
        }
        report(createdText(*opt.map));
    }
    if (format == nullptr) {
        return finish(out, err, done, opt.map.value_or(QString()));
    }
    out.flush();  // what was said before the file
    const ExportContext exportContext{opt.exportOptions, env.registry, env.clock, QLocale::system(),
                                      &progress};
    WriteReport result;
    // A file of the name already on the unit is added to, never replaced.
    const bool adding = unit ? QFileInfo::exists(output) && format->add != nullptr : opt.add;
    progress.setFile(toStandardOutput ? QStringLiteral("standard output") : QFileInfo(output).fileName());
    withProgress(
        env, progress, [] { return -1; },
        [&] {
            result = unit     ? sendToDevice(*format, waypoints, *unit, opt.inputs.front(), exportContext)
                     : adding ? addToFile(*format, waypoints, target, exportContext)
                              : createFile(*format, waypoints, target, exportContext);
        });
    if (!result.written) {
        say(err, adding ? notChangedText(output, result.error) : notWrittenText(output, result.error));
        return finish(out, err, 1, QString());
    }
    printWarnings(result, output, err);
    if (unit) {
        report(QStringLiteral("Sent to %1; eject it before you unplug it.").arg(unit->model));
    }
    if (adding) {
        report(existingCountText(result.existingCount));
        report(addedText(result.recordCount, output, result.leftOutCount, result.notWrittenCount));
        report(nowCountText(result.existingCount, result.recordCount));
    } else if (toStandardOutput) {
        report(newFileCountText(result.recordCount)
                   .replace(QLatin1String("the new file"),
                            QLatin1String("the file written to standard output")));
    } else {
        report(createdText(output));
        report(newFileCountText(result.recordCount));
    }
    return finish(out, err, result.notWrittenCount > 0 ? 4 : done, toStandardOutput ? QString() : output);
}

}  // namespace vintrel
