#include "export/wpt_writer.h"

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

// The name field of a row as its line would hold it.
QByteArray nameField(const WaypointRow& row) {
    return cp1252Field(row.cellView(column::kName), kNameField);
}

// Distinct names whose six-character fields came out the same ("GC9NEW1" and "GC9NEW2" both as
// "GC9NEW"), gathered from the lines as they are written: the field is read back from the line,
// and kept as a number, so a million rows cost no allocation each.
class FieldsAlike {
  public:
    explicit FieldsAlike(const WaypointList& list) : list_(list) {}

    // `line` is the row's line just appended.
    void add(int row, QByteArrayView line) {
        quint64 key = 0;
        std::memcpy(&key, line.data() + 3, kNameField);
        const auto [it, added] = first_.try_emplace(key, row);
        if (added) {
            return;
        }
        const QAnyStringView earlier = list_.row(it->second).cellView(column::kName);
        const QAnyStringView name = list_.row(row).cellView(column::kName);
        if (earlier == name) {
            return;  // the same name twice is written alike by right
        }
        if (found_.size() < kListedWrittenAlike) {
            found_.append(writtenAlikeSentence(earlier.toString(), name.toString(),
                                               fromCp1252(line.sliced(3, kNameField)).trimmed()));
        } else {
            ++unlisted_;
        }
    }

    QStringList sentences() const {
        QStringList all = found_;
        if (unlisted_ > 0) {
            all.append(moreWrittenAlikeSentence(unlisted_));
        }
        return all;
    }

  private:
    const WaypointList& list_;
    std::unordered_map<quint64, int> first_;
    QStringList found_;
    int unlisted_ = 0;
};

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

WriteReport addToWptFile(WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    ChunkedOutput out(path);
    QByteArray old;
    if (!out.readExisting(old, report.error)) {
        return report;
    }
    const QByteArray header = wptHeaderLines();
    if (!old.isEmpty() && (!old.startsWith(header) || !old.endsWith("\r\n"))) {
        report.error = QStringLiteral(
            "it is not a waypoint file this program writes (two header lines, then one "
            "line per waypoint)");
        return report;
    }
    QSet<QByteArray> held;
    for (qsizetype pos = old.isEmpty() ? 0 : header.size(); pos < old.size();) {
        const qsizetype end = old.indexOf("\r\n", pos);
        const QByteArrayView line = QByteArrayView(old).sliced(pos, end - pos);
        if (!isWaypointLine(line)) {
            report.error =
                QStringLiteral("its line %1 is not a waypoint line of the layout this program writes")
                    .arg(report.existingCount + 3);
            return report;
        }
        held.insert(line.sliced(3, kNameField).toByteArray());
        ++report.existingCount;
        pos = end + 2;
    }

    const QByteArray dateTime =
        wptDateTime(context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime());
    if (!out.open(report.error) || !out.write(old.isEmpty() ? header : old, report.error)) {
        report.existingCount = 0;
        return report;
    }
    QList<int> heldRows;
    FieldsAlike alike(list);
    for (int r = 0; r < list.rowCount(); ++r) {
        const WaypointRow& row = list.row(r);
        if (row.cellView(column::kName).isEmpty() || held.contains(nameField(row))) {
            if (!row.cellView(column::kName).isEmpty()) {
                heldRows.append(r);
            }
            ++report.leftOutCount;
            continue;
        }
        const qsizetype start = out.buffer().size();
        appendWptLine(out.buffer(), row, row.cellView(column::kName), dateTime,
                      context.options.includeDescription);
        alike.add(r, QByteArrayView(out.buffer()).sliced(start));
        ++report.recordCount;
        if (!out.flushIfFull(report.error)) {
            report.recordCount = report.existingCount = report.leftOutCount = 0;
            return report;
        }
    }
    if (report.recordCount == 0 && old.isEmpty()) {
        report.written = true;  // nothing to add to an empty file: it stays as it was
        return report;
    }
    if (!out.commit(report.error)) {
        report.recordCount = report.existingCount = report.leftOutCount = 0;
        return report;
    }
    report.warnings = alike.sentences();
    for (int r : heldRows) {
        list.markDuplicate(r);
    }
    report.written = true;
    return report;
}

}  // namespace vintrel
