#include "cli/convert.h"

#include "base/version.h"
#include "export/atomic_save.h"
#include "export/export_driver.h"
#include "import/import_driver.h"
#include "map/map_renderer.h"
#include "model/file_names.h"
#include "formats/garmin/garmin_tables.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>

namespace vintrel {

namespace {

const char* const kProgram = "vintrel-convert";

const QStringList kDisplayNames = {QStringLiteral("name"), QStringLiteral("symbol"),
                                   QStringLiteral("description")};

void printHelp(QTextStream& out) {
    out << "Usage: " << kProgram << " [options] INPUT... -o OUTPUT\n"
        << "       " << kProgram << " [options] INPUT... --add EXISTING\n"
        << "       " << kProgram << " --list INPUT...\n"
        << "       " << kProgram << " INPUT... --map PICTURE.png [--map-size WxH]\n"
        << "Reads GPS waypoint files into one list, as the Vintrel window does, and writes the list as\n"
        << "a MapSource, PCX5 waypoint, Google Earth or GPX file.\n\n"
        << "Options:\n"
        << "  -o, --output FILE   the file to create; its extension chooses the format\n"
        << "  --add FILE          add the waypoints whose names FILE does not hold to that existing file\n"
        << "  --format NAME       the output format, whatever the extension:";
    for (const ExportFormat& f : exportFormats()) {
        out << " " << f.extension;
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
    out << "\n"
        << "  --no-description    leave the descriptions out of the file\n"
        << "  --list              print every row of the list, its columns separated by tabs\n"
        << "  --map FILE          draw the list on a map as a PNG picture (offline), fitted to it\n"
        << "  --map-size WxH      the picture's size in pixels: 800x600 unless given, 10000x10000 at most\n"
        << "  --help              show this help and exit\n"
        << "  --version           show the version and exit\n\n"
        << "Input formats (chosen by the file's extension, or by its first line where said):\n";
    for (const ImportFormat& f : importFormats()) {
        out << "  ." << f.extension << "  " << f.filter.description
            << (f.sniff != nullptr ? ", by its first line whatever the name" : "") << "\n";
    }
    out << "Output formats:\n";
    for (const ExportFormat& f : exportFormats()) {
        out << "  ." << f.extension << "  " << f.choiceText
            << (f.create == nullptr ? "  (not available yet)"
                : f.add != nullptr  ? "  (also --add)"
                                    : "")
            << "\n";
    }
    out << "\nExit status: 0 written (or, with --list alone, rows read), 1 nothing written, the picture\n"
        << "not drawn or standard output failed, 2 usage error, 3 written (or listed), but an input could\n"
        << "not be read whole (missing, unknown type, or broken off early); waypoints skipped for a bad\n"
        << "position are warnings only.\n";
}

// Whether everything written to `out` so far reached it; each write to standard output counts.
bool written(QTextStream& out) {
    return out.status() == QTextStream::Ok;
}

// The position of a colour in the window's list, by its name in any letter case, with or without
// its space ("dark red", "DarkRed", "dark-red"), "gray" as "grey"; -1 for none.
// The keys of the formats that take a waypoint colour ("mps").
QString colourFormats() {
    QStringList keys;
    for (const ExportFormat& f : exportFormats()) {
        if (f.hasColour) {
            keys.append(f.extension);
        }
    }
    return keys.join(QStringLiteral(", "));
}

int colourIndexOf(const QString& name) {
    const auto key = [](QString text) {
        return text.toLower().remove(u' ').remove(u'-').remove(u'_').replace(QLatin1String("gray"),
                                                                             QLatin1String("grey"));
    };
    const QStringList& names = waypointColourNames();
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (key(names[i]) == key(name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void printListLine(QTextStream& out, const WaypointRow& row) {
    out << iconRoleName(row.icon);
    for (int c = 1; c < kColumnCount; ++c) {
        out << '\t' << row.cell(c);
    }
    out << '\n';
}

void reportProblems(const ImportOutcome& outcome, QTextStream& err) {
    for (const FileImport& f : outcome.files) {
        if (!f.recognised) {
            err << displayFileName(f.path) << ": not a supported file type; it was not read.\n";
        }
        if (f.result.alert) {
            err << displayFileName(f.path) << ": " << f.result.alert->text << "\n";
        }
        for (const QStringList* lines : {&f.result.problems, &f.result.skips}) {
            for (const QString& p : *lines) {
                err << p << "\n";
            }
        }
    }
}

struct Options {
    bool list = false;
    std::optional<QString> output;
    bool add = false;  // the output is an existing file to add to
    QString format;
    ExportOptions exportOptions;
    bool colourGiven = false;
    QStringList inputs;
    std::optional<QString> map;  // the picture to draw
    std::optional<QSize> mapSize;
};

// "800x600": a picture's size; nullopt unless both are whole numbers from 1 to 10000.
std::optional<QSize> pictureSize(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,5})[xX]([0-9]{1,5})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const int width = m.captured(1).toInt();
    const int height = m.captured(2).toInt();
    if (width < 1 || height < 1 || width > 10000 || height > 10000) {
        return std::nullopt;
    }
    return QSize(width, height);
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

void printWarnings(const WriteReport& report, const QString& path, QTextStream& err) {
    for (const QString& w : report.warnings) {
        err << displayFileName(path) << ": " << w << "\n";
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
    err << kProgram << ": " << message << "\nTry '" << kProgram << " --help'.\n";
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

}  // namespace

int runConvert(const QStringList& args, QTextStream& out, QTextStream& err, const ConvertEnvironment& env) {
    Options opt;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto next = [&]() -> std::optional<QString> {
            return i + 1 < args.size() ? std::optional<QString>(args[++i]) : std::nullopt;
        };
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            printHelp(out);
            return 0;
        }
        if (a == QLatin1String("--version")) {
            out << kProgram << " " << VINTREL_VERSION << "\n" << kLicenceNotice;
            return 0;
        }
        if (a == QLatin1String("--list")) {
            opt.list = true;
        } else if (a == QLatin1String("--no-description")) {
            opt.exportOptions.includeDescription = false;
        } else if (a == QLatin1String("-o") || a == QLatin1String("--output") ||
                   a == QLatin1String("--add") || a == QLatin1String("--format") ||
                   a == QLatin1String("--display") || a == QLatin1String("--colour") ||
                   a == QLatin1String("--color") || a == QLatin1String("--map") ||
                   a == QLatin1String("--map-size")) {
            const std::optional<QString> value = next();
            if (!value) {
                return usage(err, a + QStringLiteral(" needs a value"));
            }
            if (a == QLatin1String("--format")) {
                opt.format = value->toLower();
            } else if (a == QLatin1String("--map")) {
                if (value->isEmpty()) {
                    return usage(err, a + QStringLiteral(" was given an empty file name"));
                }
                opt.map = *value;
            } else if (a == QLatin1String("--map-size")) {
                opt.mapSize = pictureSize(*value);
                if (!opt.mapSize) {
                    return usage(err,
                                 QStringLiteral("--map-size takes WIDTHxHEIGHT in pixels, each from 1 to "
                                                "10000, not ") +
                                     *value);
                }
            } else if (a == QLatin1String("--colour") || a == QLatin1String("--color")) {
                opt.exportOptions.colourIndex = colourIndexOf(*value);
                if (opt.exportOptions.colourIndex < 0) {
                    return usage(err, QStringLiteral("unknown colour ") + *value);
                }
                opt.colourGiven = true;
            } else if (a == QLatin1String("--display")) {
                opt.exportOptions.displayIndex = static_cast<int>(kDisplayNames.indexOf(*value));
                if (opt.exportOptions.displayIndex < 0) {
                    return usage(err, QStringLiteral("unknown display mode ") + *value);
                }
            } else {
                if (opt.output) {
                    return usage(err, QStringLiteral("give one output: -o OUTPUT or --add EXISTING"));
                }
                if (value->isEmpty()) {
                    return usage(err, a + QStringLiteral(" was given an empty file name"));
                }
                opt.output = *value;
                opt.add = a == QLatin1String("--add");
            }
        } else if (a.startsWith(u'-') && a.size() > 1) {
            return usage(err, QStringLiteral("unknown option ") + a);
        } else {
            opt.inputs.append(a);
        }
    }
    if (opt.inputs.isEmpty() || (!opt.list && !opt.output && !opt.map)) {
        return usage(err,
                     QStringLiteral("give input files and -o OUTPUT or --add EXISTING, --list or --map"));
    }
    if (opt.mapSize && !opt.map) {
        return usage(err, QStringLiteral("--map-size is for --map only"));
    }
    if (opt.map) {
        if (opt.output && sameFile(*opt.map, *opt.output)) {
            return usage(err,
                         QStringLiteral("the map picture and the output are one file; nothing was written"));
        }
        for (const QString& input : opt.inputs) {
            if (sameFile(input, *opt.map)) {
                return usage(err, QStringLiteral("%1 is the input %2 itself; nothing was written")
                                      .arg(displayFileName(*opt.map), displayFileName(input)));
            }
        }
    }
    const ExportFormat* format = nullptr;
    const QString output = opt.output.value_or(QString());
    if (opt.output) {
        const QString name = opt.format.isEmpty() ? output.section(u'.', -1) : opt.format;
        format = exportFormatForName(name);
        if (format == nullptr) {
            return usage(err, QStringLiteral("cannot tell the output format of ") + displayFileName(output) +
                                  QStringLiteral("; use --format"));
        }
        if (opt.colourGiven && !format->hasColour) {
            return usage(err, QStringLiteral("--colour is for %1 files only").arg(colourFormats()));
        }
        if (opt.add && format->add == nullptr) {
            return usage(err, QStringLiteral("%1 files cannot be added to").arg(format->key));
        }
        for (const QString& input : opt.inputs) {
            if (sameFile(input, output)) {
                return usage(err, QStringLiteral("%1 is the input %2 itself; nothing was written")
                                      .arg(displayFileName(output), displayFileName(input)));
            }
        }
    }

    WaypointList waypoints;
    WorkProgress progress;
    ImportContext context{waypoints, env.decimalSeparator, &progress};
    ImportOutcome outcome;
    withProgress(
        env, progress, [&] { return waypoints.rowCountSoFar(); },
        [&] { outcome = importFiles(opt.inputs, context); });
    if (opt.list) {
        for (const WaypointRow& row : waypoints.rows()) {
            printListLine(out, row);
            if (!written(out)) {
                break;  // the rest would fail the same way
            }
        }
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
        err << kProgram << ": no waypoint was read"
            << (format != nullptr ? "; nothing was written.\n" : ".\n");
        return finish(out, err, 1, QString());
    }
    // Written, but not all of what the inputs hold: say so in the status too.
    const bool incomplete = std::any_of(outcome.files.begin(), outcome.files.end(), [](const FileImport& f) {
        return !f.recognised || !f.result.readToEnd;
    });
    const int done = incomplete ? 3 : 0;
    if (incomplete) {
        err << kProgram << ": an input could not be read whole; what was read is "
            << (format == nullptr ? "listed" : "written") << ".\n";
    }
    if (opt.map) {
        const QString problem = saveMapPicture(waypoints, *opt.map, opt.mapSize.value_or(QSize(800, 600)));
        if (!problem.isEmpty()) {
            err << notWrittenText(*opt.map, problem) << "\n";
            return finish(out, err, 1, QString());
        }
        out << createdText(*opt.map) << "\n";
    }
    if (format == nullptr) {
        return finish(out, err, done, opt.map.value_or(QString()));
    }
    const ExportContext exportContext{opt.exportOptions, env.registry, env.clock, QLocale::system()};
    if (opt.add) {
        WriteReport report;
        progress.setFile(QFileInfo(output).fileName());
        withProgress(
            env, progress, [] { return -1; },
            [&] { report = addToFile(*format, waypoints, output, exportContext); });
        if (!report.written) {
            err << notChangedText(output, report.error) << "\n";
            return finish(out, err, 1, QString());
        }
        printWarnings(report, output, err);
        out << existingCountText(report.existingCount) << "\n"
            << addedText(report.recordCount, output, report.leftOutCount, report.namelessCount) << "\n"
            << nowCountText(report.existingCount, report.recordCount) << "\n";
        return finish(out, err, done, output);
    }
    WriteReport report;
    progress.setFile(QFileInfo(output).fileName());
    withProgress(
        env, progress, [] { return -1; },
        [&] { report = createFile(*format, waypoints, output, exportContext); });
    if (!report.written) {
        err << notWrittenText(output, report.error) << "\n";
        return finish(out, err, 1, QString());
    }
    printWarnings(report, output, err);
    out << createdText(output) << "\n" << newFileCountText(report.recordCount) << "\n";
    return finish(out, err, done, output);
}

}  // namespace vintrel
