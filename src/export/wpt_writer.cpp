#include "export/wpt_writer.h"

#include "export/add_driver.h"
#include "export/atomic_save.h"
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

// Writes exactly `width` bytes of `text` at `p`: cut, or followed by spaces. Control characters
// become spaces so that the line stays one line with its columns in place. `p` has room for
// fixedRoom(width) bytes; returns the end.
constexpr qsizetype fixedRoom(qsizetype width) {
    return 2 * width * kCp1252MostPerUnit;  // no character takes more than two UTF-16 units
}

char* putFixed(char* p, QAnyStringView text, qsizetype width) {
    char* end = writeCp1252(p, firstChars(text, 2 * width));
    end = std::min(end, p + width);
    std::replace_if(
        p, end, [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    std::fill(end, p + width, ' ');
    return p + width;
}

void appendFixed(QByteArray& out, QAnyStringView text, qsizetype width) {
    const qsizetype start = out.size();
    out.resize(start + fixedRoom(width));
    out.truncate(putFixed(out.data() + start, text, width) - out.constData());
}

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

void appendWptLine(QByteArray& out, const WaypointRow& row, QByteArrayView dateTime,
                   bool includeDescription) {
    const QAnyStringView name = row.cellView(column::kName);
    std::array<char, 16> latBuffer;
    std::array<char, 16> lonBuffer;
    // The line is written straight into room made for the most it can take.
    constexpr qsizetype kFixedRoom = 64;  // the letters, spaces and fixed fields, with room to spare
    const qsizetype start = out.size();
    out.resize(start + kFixedRoom + dateTime.size() + fixedRoom(kNameField) + fixedRoom(kLatField) +
               fixedRoom(kLonField) + fixedRoom(kDescriptionField));
    char* p = out.data() + start;
    p = putLiteral(p, "W  ");
    p = putFixed(p, name, kNameField);
    *p++ = ' ';
    p = putFixed(p, row.rawDM(column::kLatDM, latBuffer), kLatField);
    *p++ = ' ';
    p = putFixed(p, row.rawDM(column::kLonDM, lonBuffer), kLonField);
    *p++ = ' ';
    p = std::copy(dateTime.begin(), dateTime.end(), p);
    p = putLiteral(p, " -9999 ");
    p = putFixed(p, includeDescription ? row.cellView(column::kDescription) : QAnyStringView(),
                 kDescriptionField);
    p = putLiteral(p, " 0.00000e+00 ");
    p = putLiteral(p, firstChars(name, 2) == QLatin1StringView("GC") ? "08255" : "00018");
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
    if (list.rowCount() > 0) {
        out.buffer().append(wptHeaderLines());
    }
    FieldsAlike alike(list);
    for (int r = 0; r < list.rowCount(); ++r) {
        const qsizetype start = out.buffer().size();
        appendWptLine(out.buffer(), list.row(r), dateTime, context.options.includeDescription);
        alike.add(r, QByteArrayView(out.buffer()).sliced(start));
        if (!out.flushIfFull(report.error)) {
            return report;
        }
    }
    if (!out.commit(report.error)) {
        return report;
    }
    report.written = true;
    report.recordCount = list.rowCount();
    report.warnings = alike.sentences();
    return report;
}

namespace {

// An existing PCX5 file as an add sees it: the name fields of its lines, new lines after the last.
class WptTarget : public AddTarget {
  public:
    WptTarget(const WaypointList& list, QSet<QByteArray> held, int lines, bool empty,
              const ExportContext& context)
        : held_(std::move(held)), alike_(list) {
        dateTime_ =
            wptDateTime(context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime());
        includeDescription_ = context.options.includeDescription;
        existingCount = lines;
        if (empty) {
            leadIn = wptHeaderLines();
        }
    }

    void setInsertAt(qsizetype end) { insertAt = end; }

    QByteArray nameKey(QAnyStringView name) const override {
        QByteArray field;
        appendFixed(field, name, kNameField);
        return field;
    }
    std::optional<QString> heldName(const QByteArray& key) const override {
        return held_.contains(key) ? std::optional<QString>(keyText(key)) : std::nullopt;
    }
    QString keyText(const QByteArray& key) const override { return fromCp1252(key).trimmed(); }
    bool appendRecord(QByteArray& out, const WaypointList& list, int row, QString&) override {
        const qsizetype start = out.size();
        appendWptLine(out, list.row(row), dateTime_, includeDescription_);
        alike_.add(row, QByteArrayView(out).sliced(start));
        return true;
    }
    QStringList appendedWarnings() const override { return alike_.sentences(); }

  private:
    QSet<QByteArray> held_;
    FieldsAlike alike_;
    QByteArray dateTime_;
    bool includeDescription_ = true;
};

std::unique_ptr<AddTarget> scanWptTarget(const QByteArray& old, const WaypointList& list,
                                         const ExportContext& context, QString& error) {
    const QByteArray header = wptHeaderLines();
    if (!old.isEmpty() && (!old.startsWith(header) || !old.endsWith("\r\n"))) {
        error = QStringLiteral(
            "it is not a waypoint file this program writes (two header lines, then one "
            "line per waypoint)");
        return nullptr;
    }
    QSet<QByteArray> held;
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
        ++lines;
        pos = end + 2;
    }
    auto target = std::make_unique<WptTarget>(list, std::move(held), lines, old.isEmpty(), context);
    target->setInsertAt(old.size());
    return target;
}

}  // namespace

WriteReport addToWptFile(WaypointList& list, const QString& path, const ExportContext& context) {
    return addRows(&scanWptTarget, list, path, context);
}

}  // namespace vintrel
