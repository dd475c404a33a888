#include "export/wpt_writer.h"

#include "export/add_driver.h"
#include "export/atomic_save.h"
#include "export/written_names.h"
#include "formats/text/cp1252_text.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace vintrel {

namespace {

constexpr qsizetype kNameField = 6;
constexpr qsizetype kLatField = 11;
constexpr qsizetype kLonField = 12;
constexpr qsizetype kDescriptionField = 40;

char* putLiteral(char* p, std::string_view text) {
    return std::copy(text.begin(), text.end(), p);
}

// A waypoint line as this program writes it, without its CR LF. Its fields never hold a line
// break or a NUL, which the pattern's '.' and '$' would let through.
bool isWaypointLine(QByteArrayView line) {
    if (line.contains('\r') || line.contains('\n') || line.contains('\0')) {
        return false;
    }
    static const QRegularExpression kLine(QStringLiteral(
        "^W  .{6} .{11} .{12} [1-9][0-9]?-(JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC)-[0-9]{2} "
        "[0-9]{2}:[0-9]{2}:[0-9]{2} -9999 .{40} 0\\.00000e\\+00 (08255|00018)$"));
    return kLine.match(QString::fromLatin1(line)).hasMatch();
}

// The latitude and longitude fields of a row's line, with the space between: its place as a file
// holds it.
constexpr qsizetype kLatColumn = 10;  // counted from 0
QByteArray positionFields(const WaypointRow& row) {
    std::array<char, 16> lat;
    std::array<char, 16> lon;
    return cp1252Field(row.rawDM(column::kLatDM, lat), kLatField) + ' ' +
           cp1252Field(row.rawDM(column::kLonDM, lon), kLonField);
}

void appendTwoDigits(QByteArray& out, int n) {
    out.append(static_cast<char>('0' + n / 10 % 10));
    out.append(static_cast<char>('0' + n % 10));
}

}  // namespace

QByteArray wptHeaderLines() {
    return QByteArrayLiteral("H  COORDINATE SYSTEM\r\nU  LAT LON DM\r\n");
}

QByteArray wptDateTime(const QDateTime& when) {
    static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const QDate date = when.date();
    const QTime time = when.time();
    QByteArray out = QByteArray::number(date.day());
    out.append('-');
    out.append(kMonths[date.month() - 1]);
    out.append('-');
    appendTwoDigits(out, date.year() % 100);
    out.append(' ');
    appendTwoDigits(out, time.hour());
    out.append(':');
    appendTwoDigits(out, time.minute());
    out.append(':');
    appendTwoDigits(out, time.second());
    return out;
}

void appendWptLine(QByteArray& out, const WaypointRow& row, QAnyStringView name, QByteArrayView dateTime,
                   bool includeDescription) {
    std::array<char, 16> latBuffer;
    std::array<char, 16> lonBuffer;
    // The line is written straight into room made for the most it can take.
    constexpr qsizetype kFixedRoom = 64;  // the letters, spaces and fixed fields, with room to spare
    const qsizetype start = out.size();
    out.resize(start + kFixedRoom + dateTime.size() + cp1252FieldRoom(kNameField) +
               cp1252FieldRoom(kLatField) + cp1252FieldRoom(kLonField) + cp1252FieldRoom(kDescriptionField));
    char* p = out.data() + start;
    p = putLiteral(p, "W  ");
    p = writeCp1252Field(p, name, kNameField);
    *p++ = ' ';
    p = writeCp1252Field(p, row.rawDM(column::kLatDM, latBuffer), kLatField);
    *p++ = ' ';
    p = writeCp1252Field(p, row.rawDM(column::kLonDM, lonBuffer), kLonField);
    *p++ = ' ';
    p = std::copy(dateTime.begin(), dateTime.end(), p);
    p = putLiteral(p, " -9999 ");
    p = writeCp1252Field(p, includeDescription ? row.cellView(column::kDescription) : QAnyStringView(),
                         kDescriptionField);
    p = putLiteral(p, " 0.00000e+00 ");
    p = putLiteral(p,
                   firstChars(row.cellView(column::kName), 2) == QLatin1StringView("GC") ? "08255" : "00018");
    p = putLiteral(p, "\r\n");
    out.truncate(p - out.constData());
}

WriteReport writeWptFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    const QByteArray dateTime =
        wptDateTime(context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime());
    ChunkedOutput out(path);
    if (!out.open(report.error)) {
        return report;
    }
    const WrittenNames names(list, NameForm::Pcx5, context.options.includeDescription);
    for (int r = 0; r < list.rowCount(); ++r) {
        if (names.fate(r) == WrittenNames::Fate::LeftOut) {
            continue;
        }
        if (report.recordCount++ == 0) {
            out.buffer().append(wptHeaderLines());
        }
        appendWptLine(out.buffer(), list.row(r), names.name(r), dateTime, context.options.includeDescription);
        if (!out.flushIfFull(report.error)) {
            report.recordCount = 0;
            return report;
        }
    }
    if (!out.commit(report.error)) {
        report.recordCount = 0;
        return report;
    }
    report.written = true;
    report.notWrittenCount = names.leftOutCount();
    report.warnings = names.sentences();
    return report;
}

namespace {

// An existing PCX5 file as an add sees it: the name and position fields of its lines, new lines
// after the last.
class WptTarget : public AddTarget {
  public:
    WptTarget(QSet<QByteArray> held, QSet<QByteArray> places, int lines, bool empty,
              const ExportContext& context)
        : held_(std::move(held)), places_(std::move(places)) {
        uniqueNames = NameForm::Pcx5;
        dateTime_ =
            wptDateTime(context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime());
        includeDescription_ = context.options.includeDescription;
        existingCount = lines;
        if (empty) {
            leadIn = wptHeaderLines();
        }
    }

    void setInsertAt(qsizetype end) { insertAt = end; }

    QByteArray nameKey(QAnyStringView name) const override { return writtenNameBytes(name, NameForm::Pcx5); }
    std::optional<QString> heldName(const QByteArray& key) const override {
        return held_.contains(key) ? std::optional<QString>(fromCp1252(key).trimmed()) : std::nullopt;
    }
    bool holdsPlace(const WaypointRow& row) const override { return places_.contains(positionFields(row)); }
    bool appendRecord(QByteArray& out, const WaypointList& list, int row, QAnyStringView name,
                      QString&) override {
        appendWptLine(out, list.row(row), name, dateTime_, includeDescription_);
        return true;
    }

  private:
    QSet<QByteArray> held_;
    QSet<QByteArray> places_;  // the latitude and longitude fields of its lines
    QByteArray dateTime_;
    bool includeDescription_ = true;
};

std::unique_ptr<AddTarget> scanWptTarget(const QByteArray& old, const WaypointList&,
                                         const ExportContext& context, QString& error) {
    const QByteArray header = wptHeaderLines();
    if (!old.isEmpty() && (!old.startsWith(header) || !old.endsWith("\r\n"))) {
        error = QStringLiteral(
            "it is not a waypoint file this program writes (two header lines, then one "
            "line per waypoint)");
        return nullptr;
    }
    QSet<QByteArray> held;
    QSet<QByteArray> places;
    int lines = 0;
    for (qsizetype pos = old.isEmpty() ? 0 : header.size(); pos < old.size();) {
        const qsizetype end = old.indexOf("\r\n", pos);
        const QByteArrayView line = QByteArrayView(old).sliced(pos, end - pos);
        if (!isWaypointLine(line)) {
            error = QStringLiteral("its line %1 is not a waypoint line of the layout this program writes")
                        .arg(lines + 3);
            return nullptr;
        }
        held.insert(line.sliced(3, kNameField).toByteArray());
        places.insert(line.sliced(kLatColumn, kLatField + 1 + kLonField).toByteArray());
        ++lines;
        pos = end + 2;
    }
    auto target =
        std::make_unique<WptTarget>(std::move(held), std::move(places), lines, old.isEmpty(), context);
    target->setInsertAt(old.size());
    return target;
}

}  // namespace

WriteReport addToWptFile(WaypointList& list, const QString& path, const ExportContext& context) {
    return addRows(&scanWptTarget, list, path, context);
}

}  // namespace vintrel
