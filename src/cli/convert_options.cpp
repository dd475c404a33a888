#include "cli/convert_options.h"

#include "formats/garmin/garmin_tables.h"
#include "model/file_names.h"

#include <QRegularExpression>

namespace vintrel {

namespace {

const QStringList kDisplayNames = {QStringLiteral("name"), QStringLiteral("symbol"),
                                   QStringLiteral("description")};

// The position of a colour in the window's list, by its name in any letter case, with or without
// its space ("dark red", "DarkRed", "dark-red"), "gray" as "grey"; -1 for none.
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

QString formatKeys() {
    QStringList keys;
    for (const ExportFormat& f : exportFormats()) {
        if (!keys.contains(f.extension)) {  // GDB has two entries, one kind
            keys.append(f.extension);
        }
    }
    return keys.join(QStringLiteral(", "));
}

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

// Takes the value of option `name`; an empty optional after an error in `error`.
std::optional<QString> applyValue(ConvertOptions& o, const QString& name, const QString& value,
                                  QString& error) {
    if (name == QLatin1String("format")) {
        o.format = exportFormatForName(value);
        if (o.format == nullptr) {
            error =
                QStringLiteral("unknown format %1 (there are %2)").arg(displayFileName(value), formatKeys());
        }
    } else if (name == QLatin1String("colour") || name == QLatin1String("color")) {
        o.exportOptions.colourIndex = colourIndexOf(value);
        o.colourGiven = true;
        if (o.exportOptions.colourIndex < 0) {
            error = QStringLiteral("unknown colour ") + displayFileName(value);
        }
    } else if (name == QLatin1String("map")) {
        o.map = value;
        if (value.isEmpty()) {
            error = QStringLiteral("--map was given an empty file name");
        }
    } else if (name == QLatin1String("map-size")) {
        o.mapSize = pictureSize(value);
        if (!o.mapSize) {
            error = QStringLiteral("--map-size takes WIDTHxHEIGHT in pixels, each from 1 to 10000, not ") +
                    displayFileName(value);
        }
    } else if (name.endsWith(QLatin1String("-version"))) {
        const QString extension = name.chopped(8);
        bool ok = false;
        o.formatVersion = value.toInt(&ok);
        o.versionOf = extension;
        if (!ok || !exportVersions(extension).contains(o.formatVersion)) {
            QStringList versions;
            for (int v : exportVersions(extension)) {
                versions.append(QString::number(v));
            }
            error = QStringLiteral("--%1-version takes one of %2")
                        .arg(extension, versions.join(QStringLiteral(", ")));
        }
    } else if (name == QLatin1String("speed-unit")) {
        const bool mph = value.compare(QLatin1String("mph"), Qt::CaseInsensitive) == 0;
        o.exportOptions.speedUnit = mph ? gpi::SpeedUnit::Mph : gpi::SpeedUnit::Kmh;
        o.alertsGiven = true;
        if (!mph && value.compare(QLatin1String("kmh"), Qt::CaseInsensitive) != 0) {
            error = QStringLiteral("unknown speed unit %1; give kmh or mph").arg(displayFileName(value));
        }
    } else if (name == QLatin1String("proximity")) {
        bool number = false;
        o.exportOptions.proximityMetres = value.toInt(&number);
        o.alertsGiven = true;
        if (!number || o.exportOptions.proximityMetres < 0 ||
            o.exportOptions.proximityMetres > ExportOptions::kLargestProximity) {
            error = QStringLiteral("--proximity takes whole metres from 0 to %1, not %2")
                        .arg(ExportOptions::kLargestProximity)
                        .arg(displayFileName(value));
        }
    } else if (name == QLatin1String("display")) {
        o.exportOptions.displayIndex = static_cast<int>(kDisplayNames.indexOf(value));
        if (o.exportOptions.displayIndex < 0) {
            error = QStringLiteral("unknown display mode ") + displayFileName(value);
        }
    } else {
        if (o.output) {
            error = QStringLiteral("give one output: -o OUTPUT or --add EXISTING");
        } else if (value.isEmpty()) {
            error = (name == QLatin1String("add") ? QStringLiteral("--add") : QStringLiteral("-o")) +
                    QStringLiteral(" was given an empty file name");
        }
        o.output = value;
        o.add = name == QLatin1String("add");
    }
    return error.isEmpty() ? std::optional<QString>(value) : std::nullopt;
}

}  // namespace

bool isStandardOutput(const QString& output) {
    return output == QLatin1String("-") || output == QLatin1String("/dev/stdout");
}

const QStringList& listColumnNames() {
    static const QStringList names = {
        QStringLiteral("icon"),       QStringLiteral("name"),   QStringLiteral("description"),
        QStringLiteral("lat_dm"),     QStringLiteral("lon_dm"), QStringLiteral("lat"),
        QStringLiteral("lon"),        QStringLiteral("url"),    QStringLiteral("dup"),
        QStringLiteral("encryption"), QStringLiteral("symbol"), QStringLiteral("category")};
    return names;
}

std::variant<ConvertOptions, QString> parseConvertOptions(const QStringList& args) {
    static const QStringList kFlags = {QStringLiteral("help"),           QStringLiteral("version"),
                                       QStringLiteral("list"),           QStringLiteral("header"),
                                       QStringLiteral("no-description"), QStringLiteral("devices")};
    static const QStringList kValued = {QStringLiteral("output"),     QStringLiteral("add"),
                                        QStringLiteral("format"),     QStringLiteral("display"),
                                        QStringLiteral("colour"),     QStringLiteral("color"),
                                        QStringLiteral("map"),        QStringLiteral("map-size"),
                                        QStringLiteral("speed-unit"), QStringLiteral("proximity")};
    ConvertOptions o;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnded || a == QLatin1String("-") || !a.startsWith(u'-')) {
            o.inputs.append(a);
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString name;
        std::optional<QString> value;  // given in the same argument
        if (a.startsWith(QLatin1String("--"))) {
            name = a.mid(2);
            const qsizetype equals = name.indexOf(u'=');
            if (equals >= 0) {
                value = name.mid(equals + 1);
                name.truncate(equals);
            }
        } else if (a == QLatin1String("-h")) {
            name = QStringLiteral("help");
        } else if (a.startsWith(QLatin1String("-o"))) {
            name = QStringLiteral("output");
            if (a.size() > 2) {
                value = a.mid(2);
            }
        }
        const QString shown = a.startsWith(QLatin1String("--")) ? QStringLiteral("--") + name : a;
        if (kFlags.contains(name)) {
            if (value) {
                return shown + QStringLiteral(" takes no value");
            }
            o.help = o.help || name == QLatin1String("help");
            o.version = o.version || name == QLatin1String("version");
            o.list = o.list || name == QLatin1String("list");
            o.header = o.header || name == QLatin1String("header");
            if (name == QLatin1String("no-description")) {
                o.exportOptions.includeDescription = false;
            }
            o.devices = o.devices || name == QLatin1String("devices");
        } else if (name == QLatin1String("to-device")) {
            // Its value is optional, so it is given with '=' only: a word after it is an input.
            o.toDevice = value.value_or(QString());
        } else if (kValued.contains(name) ||
                   (name.endsWith(QLatin1String("-version")) && !exportVersions(name.chopped(8)).isEmpty())) {
            if (!value) {
                if (i + 1 >= args.size()) {
                    return shown + QStringLiteral(" needs a value");
                }
                value = args[++i];
            }
            QString error;
            if (!applyValue(o, name, *value, error)) {
                return error;
            }
        } else {
            return QStringLiteral("unknown option ") + displayFileName(a);
        }
    }
    return o;
}

}  // namespace vintrel
