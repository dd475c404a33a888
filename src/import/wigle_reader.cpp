#include "import/wigle_reader.h"

#include "import/network_rows.h"
#include "import/text/text_records.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <deque>
#include <limits>

namespace vintrel {

namespace {

constexpr QLatin1StringView kFormatMark("WigleWifi");
constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

// A line keeps this many fields: more than any layout known has columns, so that a new column
// before the ones read costs nothing.
constexpr std::size_t kKeptColumns = 32;

// The columns read, and the names the column line gives them (some loggers shorten the
// coordinates' names).
enum Column { kMac, kSsid, kAuthMode, kChannel, kRssi, kLatitude, kLongitude, kType, kColumnsRead };
struct ColumnNames {
    QLatin1StringView name;
    QLatin1StringView alias;
};
constexpr std::array<ColumnNames, kColumnsRead> kColumnNames = {{
    {QLatin1StringView("MAC"), {}},
    {QLatin1StringView("SSID"), {}},
    {QLatin1StringView("AuthMode"), {}},
    {QLatin1StringView("Channel"), {}},
    {QLatin1StringView("RSSI"), {}},
    {QLatin1StringView("CurrentLatitude"), QLatin1StringView("Latitude")},
    {QLatin1StringView("CurrentLongitude"), QLatin1StringView("Longitude")},
    {QLatin1StringView("Type"), {}},
}};

// The layouts of the versions this reader knows, by their column lines.
struct Layout {
    QLatin1StringView version;
    QLatin1StringView columns;
};
constexpr Layout kLayouts[] = {
    {QLatin1StringView("1.4"),
     QLatin1StringView("MAC,SSID,AuthMode,FirstSeen,Channel,RSSI,CurrentLatitude,CurrentLongitude,"
                       "AltitudeMeters,AccuracyMeters,Type")},
    {QLatin1StringView("1.6"),
     QLatin1StringView("MAC,SSID,AuthMode,FirstSeen,Channel,Frequency,RSSI,CurrentLatitude,CurrentLongitude,"
                       "AltitudeMeters,AccuracyMeters,RCOIs,MfgrId,Type")},
};

// The radios of the rows that are not Wi-Fi, as the report names them.
enum class OtherRadio { PhoneCell, Bluetooth, Other };

OtherRadio otherRadio(QStringView type) {
    for (const char* cell : {"GSM", "CDMA", "LTE", "NR", "WCDMA", "UMTS"}) {
        if (type.compare(QLatin1StringView(cell), Qt::CaseInsensitive) == 0) {
            return OtherRadio::PhoneCell;
        }
    }
    if (type.compare(u"BT", Qt::CaseInsensitive) == 0 || type.compare(u"BLE", Qt::CaseInsensitive) == 0) {
        return OtherRadio::Bluetooth;
    }
    return OtherRadio::Other;
}

// "12 phone-cell and 3 Bluetooth rows were passed over; only Wi-Fi networks are read."
QString passedOverSentence(const std::array<int, 3>& counts) {
    static const char* const kAdjectives[] = {"phone-cell", "Bluetooth", "other"};
    QStringList parts;
    int total = 0;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        if (counts[i] > 0) {
            parts.append(QStringLiteral("%1 %2").arg(counts[i]).arg(QLatin1StringView(kAdjectives[i])));
            total += counts[i];
        }
    }
    if (parts.isEmpty()) {
        return {};
    }
    const QString last = parts.takeLast();
    const QString all =
        parts.isEmpty() ? last : parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
    return QStringLiteral("%1 %2 passed over; only Wi-Fi networks are read.")
        .arg(all, total == 1 ? QStringLiteral("row was") : QStringLiteral("rows were"));
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

// A hardware address "44:6e:e5:67:98:13" (or with '-') as a number, so that the sightings of one
// network meet without a string per look-up; nullopt for any other text.
std::optional<quint64> macNumber(QStringView text) {
    if (text.size() != 17) {
        return std::nullopt;
    }
    quint64 value = 0;
    for (qsizetype i = 0; i < 17; i += 3) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0 || (i + 2 < 17 && text[i + 2] != u':' && text[i + 2] != u'-')) {
            return std::nullopt;
        }
        value = value << 8 | static_cast<quint64>(high << 4 | low);
    }
    return value;
}

// What an AuthMode text says of a network. A scan result is an access point unless it says ad-hoc.
struct Capabilities {
    bool encrypted = false;
    bool adHoc = false;
};

// An ASCII letter in upper case; anything else as itself, beyond ASCII as 0.
char upperAscii(QChar c) {
    const char16_t u = c.unicode();
    return u >= u'a' && u <= u'z' ? static_cast<char>(u - u'a' + 'A')
           : u < 0x80             ? static_cast<char>(u)
                                  : '\0';
}

bool hasWord(QStringView token, QLatin1StringView word) {
    for (qsizetype i = 0; i + word.size() <= token.size(); ++i) {
        qsizetype j = 0;
        while (j < word.size() && upperAscii(token[i + j]) == word[j]) {
            ++j;
        }
        if (j == word.size()) {
            return true;
        }
    }
    return false;
}

// Whether a capability names an encryption scheme or a key scheme; read for every sighting, so
// each place of the token is looked at once.
bool namesScheme(QStringView token) {
    constexpr auto key = [](char a, char b, char c) { return a << 16 | b << 8 | c; };
    constexpr int kSchemes[] = {key('W', 'E', 'P'), key('W', 'P', 'A'), key('R', 'S', 'N'),
                                key('S', 'A', 'E'), key('O', 'W', 'E'), key('P', 'S', 'K'),
                                key('E', 'A', 'P')};
    for (qsizetype i = 0; i + 3 <= token.size(); ++i) {
        const int k = key(upperAscii(token[i]), upperAscii(token[i + 1]), upperAscii(token[i + 2]));
        if (std::find(std::begin(kSchemes), std::end(kSchemes), k) != std::end(kSchemes)) {
            return true;
        }
    }
    return false;
}

Capabilities capabilitiesOf(QStringView authMode) {
    Capabilities c;
    qsizetype start = 0;
    while (start < authMode.size()) {
        qsizetype end = start;
        while (end < authMode.size() && authMode[end] != u'[' && authMode[end] != u']' &&
               authMode[end] != u' ') {
            ++end;
        }
        const QStringView token = authMode.sliced(start, end - start);
        // The open network of an OWE transition pair says so, and is open itself.
        if (!c.encrypted && namesScheme(token) && !hasWord(token, QLatin1StringView("TRANSITION"))) {
            c.encrypted = true;
        }
        if (token.size() == 4 && hasWord(token, QLatin1StringView("IBSS"))) {
            c.adHoc = true;
        }
        start = end + 1;
    }
    return c;
}

class WigleHandler : public TextRecordHandler {
  public:
    using TextRecordHandler::TextRecordHandler;

    FieldSeparator separator() const override { return FieldSeparator::Comma; }
    std::size_t keptFields() const override { return kKeptColumns; }

    bool onLine(const TextLine& line) override {
        lines_ = lineNumber();
        if (lineNumber() == 1) {
            return formatLine(line);
        }
        if (lineNumber() == 2) {
            return columnLine(line);
        }
        if (!line.blank) {
            sighting(line);
        }
        return true;
    }

    void onEnd() override {
        if (notAWigleFile_ || refused_) {
            return;
        }
        if (lines_ == 1) {
            log_.stoppedEarly(0, QStringLiteral("ends after its format line, before the column names, so it "
                                                "holds no networks"));
        }
        int withoutFix = 0;
        NetworkRecord r;
        for (const Network& n : networks_) {
            if (!n.hasFix) {
                ++withoutFix;
                continue;
            }
            r.address = text(n.address, n.addressLength).toString();
            r.ssid = text(n.named, n.ssidLength).toString();
            r.channel = text(n.named + n.ssidLength, n.channelLength).toString();
            r.kind = n.adHoc ? NetworkKind::AdHoc : NetworkKind::AccessPoint;
            r.encrypted = n.encrypted;
            r.position = n.position;
            addRecord(networkRow(r, context_.list, context_.decimalSeparator),
                      DuplicateRule::AddressIgnoringCase, r.address);
        }
        if (withoutFix > 0) {
            log_.skippedTogether(withoutFix, withoutFixSentence(withoutFix, QStringLiteral("only at 0,0")));
        }
        const QString passed = passedOverSentence(otherRows_);
        if (!passed.isEmpty()) {
            log_.skippedTogether(0, passed);
        }
        finishFile(context_, result_, QString());
    }

  private:
    // A network while its sightings are read: what its strongest sighting with a fix said. Its
    // texts stand in texts_, so that a file of a million networks costs no allocation each.
    struct Network {
        Position position{0, 0};
        double rssi = -std::numeric_limits<double>::infinity();
        qsizetype address = 0;  // in texts_, written once
        qsizetype named = 0;    // in texts_: the SSID, then the channel, written again when they change
        quint32 addressLength = 0;
        quint32 ssidLength = 0;
        quint32 channelLength = 0;
        bool encrypted = false;
        bool adHoc = false;
        bool hasFix = false;
    };

    QStringView text(qsizetype at, quint32 length) const { return QStringView(texts_).sliced(at, length); }

    // Keeps `a` and then `b` in texts_; returns where `a` begins.
    qsizetype keep(QStringView a, QStringView b = {}) {
        const qsizetype at = texts_.size();
        texts_.append(a);
        texts_.append(b);
        return at;
    }

    bool formatLine(const TextLine& line) {
        const QStringView first = fieldAt(line.fields, 0);
        if (!first.startsWith(kFormatMark, Qt::CaseInsensitive)) {
            result_.alert =
                ReadAlert{QStringLiteral("Invalid File Format"),
                          QStringLiteral("This is not a WiGLE CSV export: its first line does not "
                                         "begin with WigleWifi.")};
            result_.readToEnd = false;
            notAWigleFile_ = true;
            return false;
        }
        QStringView version = first.sliced(kFormatMark.size());
        version_ = (version.startsWith(u'-') ? version.sliced(1) : version).toString();
        return true;
    }

    bool columnLine(const TextLine& line) {
        QStringList names;
        for (std::size_t i = 0; i < std::min(line.fieldCount, line.fields.size()); ++i) {
            names.append(line.fields[i]);  // the kept fields beyond the line's own are empty
        }
        columnCount_ = line.fieldCount;
        columnNames_ = names;
        QStringList missing;
        for (int c = 0; c < kColumnsRead; ++c) {
            const ColumnNames& wanted = kColumnNames[static_cast<std::size_t>(c)];
            qsizetype at = -1;
            for (qsizetype i = 0; i < names.size() && at < 0; ++i) {
                if (names[i].compare(wanted.name, Qt::CaseInsensitive) == 0 ||
                    (!wanted.alias.isEmpty() && names[i].compare(wanted.alias, Qt::CaseInsensitive) == 0)) {
                    at = i;
                }
            }
            columns_[static_cast<std::size_t>(c)] = at;
            if (at < 0) {
                missing.append(wanted.name);
            }
        }
        const QString known = knownLayout(names);
        const bool versionKnown = std::any_of(std::begin(kLayouts), std::end(kLayouts),
                                              [&](const Layout& l) { return l.version == version_; });
        const QString versionWords =
            version_.isEmpty()
                ? QStringLiteral("its format line names no version")
                : QStringLiteral("its format line names version %1, which Vintrel does not know")
                      .arg(shortQuote(version_));
        if (!missing.isEmpty()) {
            const QString last = missing.takeLast();
            const QString all = missing.isEmpty()
                                    ? last
                                    : missing.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
            log_.stoppedEarly(lineNumber(),
                              QStringLiteral("the column line lacks %1, which Vintrel reads, so "
                                             "the file was not read%2")
                                  .arg(all, versionKnown ? QString() : QStringLiteral("; ") + versionWords));
            refused_ = true;
            return false;
        }
        if (!versionKnown) {
            log_.skippedTogether(
                0,
                QStringLiteral("%1; the file was read by its column names%2.")
                    .arg(versionWords,
                         known.isEmpty() ? QString() : QStringLiteral(" (those of version %1)").arg(known)));
        }
        return true;
    }

    // The version whose column line this is, word for word; empty for none.
    static QString knownLayout(const QStringList& names) {
        const QString line = names.join(u',');
        for (const Layout& l : kLayouts) {
            if (line.compare(l.columns, Qt::CaseInsensitive) == 0) {
                return l.version;
            }
        }
        return {};
    }

    QStringView field(const TextLine& line, Column c) const {
        return fieldAt(line.fields, static_cast<std::size_t>(columns_[static_cast<std::size_t>(c)]));
    }

    // How the report names the network of a line: by its SSID, else by its address.
    QString shownName(const TextLine& line) const {
        const QStringView ssid = field(line, kSsid);
        return cellText(ssid.isEmpty() ? field(line, kMac) : ssid);
    }

    // Whether the line holds the columns read, where the column line says: a line cut short lacks
    // the last of them (the type), and one with more fields than columns had a comma in a text
    // that was not quoted, which shifts every column after it. Empty fields at the end are
    // harmless.
    bool wellFormed(const TextLine& line) {
        const std::size_t last =
            static_cast<std::size_t>(*std::max_element(columns_.begin(), columns_.end()));
        if (line.fieldCount <= last) {
            skip(shownName(line), QStringLiteral("the line ends after %1 of the %2 columns")
                                      .arg(line.fieldCount)
                                      .arg(columnCount_));
            return false;
        }
        bool blankTail = line.fieldCount <= kKeptColumns;
        for (std::size_t i = columnCount_; blankTail && i < line.fields.size(); ++i) {
            blankTail = line.fields[i].isEmpty();
        }
        if (line.fieldCount > columnCount_ && !blankTail) {
            skip(
                cellText(field(line, kSsid)),
                QStringLiteral("it has %1 fields where the column line names %2 (a text with a comma that is "
                               "not quoted?)")
                    .arg(line.fieldCount)
                    .arg(columnCount_));
            return false;
        }
        return true;
    }

    void sighting(const TextLine& line) {
        if (!wellFormed(line)) {
            return;
        }
        const QStringView type = field(line, kType);
        if (type.compare(u"WIFI", Qt::CaseInsensitive) != 0) {
            ++otherRows_[static_cast<std::size_t>(otherRadio(type))];
            return;
        }
        const QStringView mac = field(line, kMac);
        if (mac.isEmpty()) {
            skip(cellText(field(line, kSsid)), QStringLiteral("it has no hardware address"));
            return;
        }
        const double rssi =
            numberField(field(line, kRssi)).value_or(-std::numeric_limits<double>::infinity());
        Network& network = networkOf(mac);
        // A sighting no stronger than the best so far changes nothing: its position is not even read.
        if (network.hasFix && !(rssi > network.rssi)) {
            return;
        }
        if (line.cutField >= 0) {
            log_.cut(lineNumber(), shownName(line), columnNames_.value(line.cutField));
        }
        const std::optional<Position> pos =
            positionOrSkip(field(line, kLatitude), field(line, kLongitude), shownName(line));
        if (!pos || (pos->lat == 0 && pos->lon == 0)) {
            return;  // a bad position was reported; 0,0 is where the app writes no fix
        }
        const QStringView ssid = field(line, kSsid);
        const QStringView channel = field(line, kChannel);
        if (!network.hasFix) {
            network.address = keep(mac);
            network.addressLength = static_cast<quint32>(mac.size());
        }
        if (!network.hasFix || text(network.named, network.ssidLength) != ssid ||
            text(network.named + network.ssidLength, network.channelLength) != channel) {
            network.named = keep(ssid, channel);
            network.ssidLength = static_cast<quint32>(ssid.size());
            network.channelLength = static_cast<quint32>(channel.size());
        }
        const Capabilities capabilities = capabilitiesOf(field(line, kAuthMode));
        network.encrypted = capabilities.encrypted;
        network.adHoc = capabilities.adHoc;
        network.position = *pos;
        network.rssi = rssi;
        network.hasFix = true;
    }

    // The network of a hardware address, new ones in the order they are first seen.
    Network& networkOf(QStringView mac) {
        const auto next = static_cast<qsizetype>(networks_.size());
        qsizetype index;
        if (const std::optional<quint64> number = macNumber(mac)) {
            auto it = byNumber_.find(*number);
            index = it != byNumber_.end() ? *it : *byNumber_.insert(*number, next);
        } else {
            const QString key = mac.toString().toUpper();
            auto it = byText_.find(key);
            index = it != byText_.end() ? *it : *byText_.insert(key, next);
        }
        if (index == next) {
            networks_.emplace_back();
        }
        return networks_[static_cast<std::size_t>(index)];
    }

    long lines_ = 0;
    bool notAWigleFile_ = false;
    bool refused_ = false;
    QString version_;
    std::size_t columnCount_ = 0;
    QStringList columnNames_;
    std::array<qsizetype, kColumnsRead> columns_{};
    std::deque<Network> networks_;  // grows without moving what it holds
    QString texts_;
    QHash<quint64, qsizetype> byNumber_;
    QHash<QString, qsizetype> byText_;
    std::array<int, 3> otherRows_{};
};

}  // namespace

bool isWigleStart(QByteArrayView head) {
    if (head.startsWith(kUtf8Bom)) {
        head = head.sliced(kUtf8Bom.size());
    }
    return head.size() >= kFormatMark.size() &&
           QLatin1StringView(head.first(kFormatMark.size())).compare(kFormatMark, Qt::CaseInsensitive) == 0;
}

bool wigleAuthEncrypted(QStringView authMode) {
    return capabilitiesOf(authMode).encrypted;
}

ReadResult readWigleFile(const QString& path, ImportContext& context) {
    return readTextRecords<WigleHandler>(path, context);
}

}  // namespace vintrel
