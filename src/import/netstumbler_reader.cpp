#include "import/netstumbler_reader.h"

#include "import/network_rows.h"
#include "import/text/text_records.h"

namespace vintrel {

namespace {

constexpr int kHeaderLines = 4;

namespace field {
constexpr size_t kLatitude = 0;
constexpr size_t kLongitude = 1;
constexpr size_t kSsid = 2;
constexpr size_t kKind = 3;
constexpr size_t kAddress = 4;
constexpr size_t kFlags = 8;
constexpr size_t kChannel = 12;
}  // namespace field

// "( MyNet )" to "MyNet": the export pads bracketed texts with one blank on each side.
QStringView insideBrackets(QStringView text) {
    if (text.size() >= 2 && text.front() == u'(' && text.back() == u')') {
        text = text.sliced(1, text.size() - 2);
        if (text.startsWith(u' ')) {
            text = text.sliced(1);
        }
        if (text.endsWith(u' ')) {
            text.chop(1);
        }
    }
    return text;
}

// An access point or a computer-to-computer network.
NetworkKind kindOf(QStringView kind) {
    if (kind == u"BSS") {
        return NetworkKind::AccessPoint;
    }
    if (kind == u"ad-hoc") {
        return NetworkKind::AdHoc;
    }
    return NetworkKind::Unknown;
}

// The flags field is hexadecimal; its third digit holds the privacy bit, and only an even digit
// is taken as certainly open. A missing digit counts as encrypted too.
bool isEncrypted(QStringView flags) {
    return flags.size() < 3 || !QStringView(u"02468").contains(flags[2]);
}

// A coordinate field, "N 51.6854000": the hemisphere letter, then the degrees.
struct Coordinate {
    QStringView number;
    bool negative = false;
    bool letterKnown = true;
};

Coordinate splitCoordinate(QStringView text, QChar positive, QChar negative) {
    Coordinate c;
    if (text.isEmpty()) {
        return c;  // the position check names the empty field
    }
    c.letterKnown = text.front() == positive || text.front() == negative;
    c.negative = text.front() == negative;
    c.number = trimBlanks(text.sliced(1));
    return c;
}

// What the user is told of a .txt file that is not a NetStumbler export.
ReadAlert notAnExportAlert() {
    return {QStringLiteral("Invalid File Format"),
            QStringLiteral("This is not a NetStumbler Exported text file.    ")};
}

class NetStumblerHandler : public TextRecordHandler {
  public:
    using TextRecordHandler::TextRecordHandler;

    FieldSeparator separator() const override { return FieldSeparator::Tab; }
    std::size_t keptFields() const override { return field::kChannel + 1; }

    bool onLine(const TextLine& line) override {
        lines_ = lineNumber();
        const QStringView first = fieldAt(line.fields, 0);
        if (lineNumber() == 1) {
            if (!first.startsWith(u"# $Creator: Network Stumbler")) {
                result_.alert = notAnExportAlert();
                result_.readToEnd = false;
                notAnExport_ = true;
                return false;
            }
            return true;
        }
        // Comments, such as the date line the export writes again when a scan runs past midnight, may
        // stand anywhere.
        if (lineNumber() <= kHeaderLines || line.blank || first.startsWith(u'#')) {
            return true;
        }
        record(line);
        return true;
    }

    void onEnd() override {
        if (notAnExport_) {
            return;
        }
        if (lines_ < kHeaderLines && !fileEmpty()) {
            log_.stoppedEarly(0, QStringLiteral("ends before its fourth line, inside the header, so it "
                                                "holds no networks"));
        }
        if (withoutFix_ > 0) {
            log_.skippedTogether(withoutFix_,
                                 withoutFixSentence(withoutFix_, QStringLiteral("latitude or longitude 0")));
        }
        finishFile(context_, result_, QString());
    }

  private:
    void record(const TextLine& line) {
        const std::vector<QString>& fields = line.fields;
        const QString ssid = cellText(insideBrackets(fieldAt(fields, field::kSsid)));
        reportCut(line, ssid,
                  {"latitude", "longitude", "network name", "kind", "hardware address", "time", "signal",
                   "station name", "flags", "channel bits", "beacon interval", "data rate", "channel"});
        const Coordinate lat = splitCoordinate(fieldAt(fields, field::kLatitude), u'N', u'S');
        const Coordinate lon = splitCoordinate(fieldAt(fields, field::kLongitude), u'E', u'W');
        if (numberField(lat.number) == 0.0 || numberField(lon.number) == 0.0) {
            ++withoutFix_;  // NetStumbler writes 0 where the GPS had no fix: common, reported once
            return;
        }
        if (!lat.letterKnown || !lon.letterKnown) {
            skip(ssid, lat.letterKnown ? QStringLiteral("longitude \"%1\" does not begin with E or W")
                                             .arg(shortQuote(cellText(fieldAt(fields, field::kLongitude))))
                                       : QStringLiteral("latitude \"%1\" does not begin with N or S")
                                             .arg(shortQuote(cellText(fieldAt(fields, field::kLatitude)))));
            return;
        }
        std::optional<Position> pos = positionOrSkip(lat.number, lon.number, ssid);
        if (!pos) {
            return;
        }
        pos->lat = lat.negative ? -pos->lat : pos->lat;
        pos->lon = lon.negative ? -pos->lon : pos->lon;
        const QStringView address = insideBrackets(fieldAt(fields, field::kAddress));
        if (address.isEmpty()) {
            skip(ssid, QStringLiteral("it has no hardware address"));
            return;
        }
        NetworkRecord network;
        network.ssid = ssid;
        network.address = cellText(address);
        network.kind = kindOf(fieldAt(fields, field::kKind));
        network.channel = cellText(fieldAt(fields, field::kChannel));
        network.encrypted = isEncrypted(fieldAt(fields, field::kFlags));
        network.position = *pos;
        const WaypointDraft row = networkRow(network, context_.list, context_.decimalSeparator);
        addRecord(row, DuplicateRule::AddressIgnoringCase, address);
    }

    long lines_ = 0;
    int withoutFix_ = 0;
    bool notAnExport_ = false;
};

}  // namespace

ReadResult readNetStumblerFile(const QString& path, ImportContext& context) {
    return readTextRecords<NetStumblerHandler>(path, context);
}

}  // namespace vintrel
