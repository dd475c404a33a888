#include "export/wpt_writer.h"

#include "base/huge_pages.h"
#include "export/atomic_save.h"
#include "export/cp1252_text.h"

namespace vintrel {

namespace {

constexpr qsizetype kNameField = 6;
constexpr qsizetype kLatField = 11;
constexpr qsizetype kLonField = 12;
constexpr qsizetype kDescriptionField = 40;
// A line with a two-digit day, CR LF included.
constexpr qsizetype kLongestLine = 118 + 2;

// Appends exactly `width` bytes of `text`: cut, or followed by spaces. Control characters become
// spaces so that the line stays one line with its columns in place.
void appendFixed(QByteArray& out, QStringView text, qsizetype width) {
    // No character takes more than two UTF-16 units: this start holds every one that fits.
    const qsizetype start = out.size();
    appendCp1252(out, text.first(std::min(text.size(), 2 * width)));
    if (out.size() - start > width) {
        out.truncate(start + width);
    }
    for (qsizetype i = start; i < out.size(); ++i) {
        if (static_cast<unsigned char>(out[i]) < 0x20) {
            out[i] = ' ';
        }
    }
    out.append(width - (out.size() - start), ' ');
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

void appendWptLine(QByteArray& out, const WaypointRow& row, QByteArrayView dateTime,
                   bool includeDescription) {
    const QStringView name = row.cellView(column::kName);
    const QStringView lat = row.cellView(column::kLatDM);
    const QStringView lon = row.cellView(column::kLonDM);
    out.append("W  ");
    appendFixed(out, name, kNameField);
    out.append(' ');
    appendFixed(out, lat.last(std::min(lat.size(), kLatField)), kLatField);
    out.append(' ');
    appendFixed(out, lon.last(std::min(lon.size(), kLonField)), kLonField);
    out.append(' ');
    out.append(dateTime);
    out.append(" -9999 ");
    appendFixed(out, includeDescription ? row.cellView(column::kDescription) : QStringView(),
                kDescriptionField);
    out.append(" 0.00000e+00 ");
    out.append(name.startsWith(u"GC") ? "08255" : "00018");
    out.append("\r\n");
}

WriteReport writeWptFile(const WaypointList& list, const QString& path, const ExportContext& context) {
    WriteReport report;
    const QByteArray dateTime =
        wptDateTime(context.clock != nullptr ? context.clock->localNow() : QDateTime::currentDateTime());
    QByteArray bytes;
    if (list.rowCount() > 0) {
        const QByteArray header = wptHeaderLines();
        const qsizetype size = header.size() + list.rowCount() * kLongestLine;
        bytes.reserve(size);
        offerHugePages(bytes.data(), static_cast<size_t>(size));
        bytes.append(header);
        for (const WaypointRow& row : list.rows()) {
            appendWptLine(bytes, row, dateTime, context.options.includeDescription);
        }
    }
    if (!saveAtomically(path, bytes, report.error)) {
        return report;
    }
    report.written = true;
    report.recordCount = list.rowCount();
    return report;
}

}  // namespace vintrel
