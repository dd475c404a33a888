#include "import/kismet_reader.h"

#include "import/network_rows.h"
#include "import/xml/xml_waypoint_handler.h"

namespace vintrel {

namespace {

NetworkKind kindOf(const std::optional<std::string>& type) {
    if (!type) {
        return NetworkKind::Unknown;
    }
    if (*type == "infrastructure") {
        return NetworkKind::AccessPoint;
    }
    if (*type == "ad-hoc") {
        return NetworkKind::AdHoc;
    }
    if (*type == "probe") {
        return NetworkKind::Probe;
    }
    if (*type == "data") {
        return NetworkKind::Data;
    }
    return NetworkKind::Unknown;
}

class KismetHandler : public WaypointXmlHandler {
  public:
    using WaypointXmlHandler::WaypointXmlHandler;

    void startElement(const XmlName& name, const char** attributes) override {
        ++depth_;
        if (depth_ == 1) {
            rootKnown_ = name.local == "detection-run";
            if (!rootKnown_) {
                rootName_ = QString::fromUtf8(name.local.data(), static_cast<qsizetype>(name.local.size()));
            }
            return;
        }
        if (!rootKnown_) {
            return;
        }
        if (waypointDepth_ == 0) {
            if (name.local == "wireless-network") {
                waypointDepth_ = depth_;
                current_.clear();
                current_.record.kind = kindOf(attributeUtf8(attributes, "type"));
            }
            return;
        }
        if (depth_ == waypointDepth_ + 1) {
            part_ = name.local == "SSID" ? Part::Ssid : name.local == "gps-info" ? Part::Gps : Part::Other;
            current_.hasGps = current_.hasGps || part_ == Part::Gps;
        }
    }

    void endElement(const XmlName& name, std::string_view text, bool endTagMissing) override {
        if (waypointDepth_ != 0) {
            if (depth_ == waypointDepth_) {
                finishNetwork();
                waypointDepth_ = 0;
            } else if (depth_ == waypointDepth_ + 1) {
                childOfNetwork(name.local, text);
                takeText(name.local);
                part_ = Part::Other;
            } else if (depth_ == waypointDepth_ + 2) {
                grandchild(name.local, text, endTagMissing);
                takeText(name.local);
            }
        }
        --depth_;
    }

    void afterParse() override {
        if (!rootName_.isEmpty()) {
            log_.stoppedEarly(0, QStringLiteral("is not a Kismet network log: its root element is <%1>, not "
                                                "<detection-run>")
                                     .arg(shortQuote(rootName_)));
            return;
        }
        if (withoutGps_ > 0) {
            log_.skippedTogether(withoutGps_, withoutFixSentence(withoutGps_, QStringLiteral("no gps-info")));
        }
        if (atZero_ > 0) {
            log_.skippedTogether(atZero_, withoutFixSentence(atZero_, QStringLiteral("peak at 0,0")));
        }
    }
    bool givesAdvice() const override { return false; }
    // Kismet describes a capture source in <card-source>, whose first child is its <card-source>
    // text.
    bool nestsInItself(const XmlName& name) const override { return name.local == "card-source"; }

  private:
    enum class Part { Other, Ssid, Gps };

    struct Network {
        NetworkRecord record;
        std::optional<std::string> peakLat, peakLon;
        bool hasGps = false;
        bool peakCut = false;  // the file broke off inside a peak coordinate
        void clear() {
            record = NetworkRecord{};
            peakLat.reset();
            peakLon.reset();
            hasGps = peakCut = false;
        }
    };

    void childOfNetwork(std::string_view local, std::string_view text) {
        if (local == "BSSID") {
            setFieldText(current_.record.address, text);
        } else if (local == "channel") {
            setFieldText(current_.record.channel, text);
        } else if (local == "SSID" && current_.record.ssid.isEmpty()) {
            // Kismet's older logs wrote the name as the SSID element's own text.
            setFieldText(current_.record.ssid, text);
        } else if (local == "encryption") {
            encryption(text);
        }
    }

    void grandchild(std::string_view local, std::string_view text, bool endTagMissing) {
        if (part_ == Part::Ssid) {
            if (local == "essid" && current_.record.ssid.isEmpty()) {
                setFieldText(current_.record.ssid, text);  // the first name the network gave
            } else if (local == "encryption") {
                encryption(text);
            }
        } else if (part_ == Part::Gps && (local == "peak-lat" || local == "peak-lon")) {
            (local == "peak-lat" ? current_.peakLat : current_.peakLon) = std::string(text);
            current_.peakCut = current_.peakCut || endTagMissing;
        }
    }

    // Any entry but "None" means the network is encrypted, whichever of its names it is under.
    void encryption(std::string_view text) {
        const QString value = fieldText(text);
        if (!value.isEmpty() && value.compare(QLatin1StringView("None"), Qt::CaseInsensitive) != 0) {
            current_.record.encrypted = true;
        }
    }

    void finishNetwork() {
        NetworkRecord& r = current_.record;
        const QString shown = r.ssid.isEmpty() ? r.address : r.ssid;  // names it in the report
        reportCut(shown);
        if (!current_.hasGps) {
            ++withoutGps_;
            return;
        }
        if (current_.peakCut) {
            log_.skipped(currentLine(), shown, QStringLiteral("the file breaks off inside its position"));
            return;
        }
        const CheckedPosition checked = checkPositionHere(current_.peakLat, current_.peakLon);
        if (!checked.position) {
            log_.skipped(checked.line, shown, checked.reason);
            return;
        }
        if (checked.position->lat == 0 && checked.position->lon == 0) {
            ++atZero_;
            return;
        }
        if (r.address.isEmpty()) {
            log_.skipped(currentLine(), shown, QStringLiteral("it has no hardware address"));
            return;
        }
        r.position = *checked.position;
        addRecord(networkRow(r, context_.list, context_.decimalSeparator), DuplicateRule::AddressIgnoringCase,
                  r.address);
    }

    Network current_;
    Part part_ = Part::Other;
    bool rootKnown_ = false;
    QString rootName_;
    int withoutGps_ = 0;
    int atZero_ = 0;
};

}  // namespace

ReadResult readKismetFile(const QString& path, ImportContext& context) {
    return readXmlWaypoints<KismetHandler>(path, context, QString());
}

}  // namespace vintrel
