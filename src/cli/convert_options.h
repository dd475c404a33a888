// The command line of vintrel-convert, read the GNU way: long options as "--format gpx" or
// "--format=gpx", "-o FILE" or "-oFILE", "--" ending the options; "-" as the output is standard
// output.
#pragma once

#include "export/export_formats.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace vintrel {

struct ConvertOptions {
    bool help = false;
    bool version = false;
    bool list = false;
    bool header = false;                   // --list prints a line of column names first
    std::optional<QString> output;         // as given
    bool add = false;                      // the output is an existing file to add to
    const ExportFormat* format = nullptr;  // --format; nullptr: the output's extension decides
    ExportOptions exportOptions;
    bool colourGiven = false;
    bool alertsGiven = false;  // --speed-unit or --proximity
    QString versionOf;         // the extension of a --gdb-version option, if one was given
    int formatVersion = 0;
    QStringList inputs;
    bool devices = false;             // --devices: list the Garmin units plugged in
    std::optional<QString> toDevice;  // --to-device[=PATH]: send to a unit; empty: the only one
    std::optional<QString> map;       // --map: the picture to draw
    std::optional<QSize> mapSize;
};

// The options `args` give, or the usage error to report with status 2.
std::variant<ConvertOptions, QString> parseConvertOptions(const QStringList& args);

// Whether `output` stands for standard output: "-" or /dev/stdout.
bool isStandardOutput(const QString& output);

// The names of --list's columns, in order: its header line.
const QStringList& listColumnNames();

}  // namespace vintrel
