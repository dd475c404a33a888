#include "import/gpx_reader.h"

#include "formats/gpx/gpx_names.h"
#include "import/xml/xml_waypoint_handler.h"

#include <QLocale>

namespace vintrel {

namespace {

using gpx::isGarminNamespace;
using gpx::isGpxNamespace;

class GpxHandler : public WaypointXmlHandler {
  public:
    using WaypointXmlHandler::WaypointXmlHandler;

    void startElement(const XmlName& name, const char** attributes) override {
        ++depth_;
        if (waypointDepth_ == 0) {
            if (isGpxNamespace(name.uri)) {
                countOther(name.local);
            }
            if (isGpxNamespace(name.uri) && (name.local == "wpt" || name.local == "rtept")) {
                ++waypoints_;
                waypointDepth_ = depth_;
                current_.clear();
                current_.position =
                    checkPositionHere(attributeUtf8(attributes, "lat"), attributeUtf8(attributes, "lon"));
            }
            return;
        }
        if (depth_ == waypointDepth_ + 1 && isGpxNamespace(name.uri) && name.local == "link" &&
            !current_.linkSeen) {
            current_.linkSeen = true;
            setFieldText(current_.linkHref, attributeUtf8(attributes, "href").value_or(std::string()));
        }
    }

    void endElement(const XmlName& name, std::string_view text, bool endTagMissing) override {
        if (waypointDepth_ == 0) {
            --depth_;
            return;
        }
        if (depth_ == waypointDepth_) {
            finishWaypoint(endTagMissing);
            waypointDepth_ = 0;
        } else if (depth_ == waypointDepth_ + 1 && isGpxNamespace(name.uri)) {
            childOfWaypoint(name.local, text);
        }
        if (depth_ > waypointDepth_ && waypointDepth_ != 0) {
            anyDepthInWaypoint(name, text);
            takeText(name.local);
        }
        --depth_;
    }

    // A file of tracks without a waypoint gets no advice about EasyGPS, which is not its trouble,
    // but is told what it holds.
    void afterParse() override {
        if (waypoints_ > 0 || (tracks_ == 0 && routes_ == 0)) {
            return;
        }
        QStringList held;
        if (tracks_ > 0) {
            held.append(counted(tracks_, "track", "tracks") +
                        QStringLiteral(" (%1)").arg(counted(trackPoints_, "point", "points")));
        }
        if (routes_ > 0) {
            held.append(counted(routes_, "route", "routes") + QStringLiteral(" (0 points)"));
        }
        result_.problems.append(QStringLiteral("%1 holds %2 and no waypoints; only waypoints are read.")
                                    .arg(log_.fileName(), held.join(QStringLiteral(", "))));
    }
    bool givesAdvice() const override { return waypoints_ > 0 || (tracks_ == 0 && routes_ == 0); }
    bool nestsInItself(const XmlName& name) const override {
        return gpx::nestsInItself(name.uri, name.local);
    }

    std::string_view pieceElement() const override { return "wpt"; }
    void absorb(const WaypointXmlHandler& piece) override {
        const auto& other = static_cast<const GpxHandler&>(piece);
        waypoints_ += other.waypoints_;
        tracks_ += other.tracks_;
        trackPoints_ += other.trackPoints_;
        routes_ += other.routes_;
    }

  private:
    static QString counted(long long n, const char* one, const char* many) {
        return QLocale(QLocale::English).toString(n) + u' ' + QLatin1String(n == 1 ? one : many);
    }

    void countOther(std::string_view local) {
        if (local == "trk") {
            ++tracks_;
        } else if (local == "trkpt") {
            ++trackPoints_;
        } else if (local == "rte") {
            ++routes_;
        }
    }

    struct Waypoint {
        CheckedPosition position;
        QString name, desc, cmt, url, linkHref, sym, type, category;
        QString additions;  // privacy and channel texts, in document order
        bool linkSeen = false;
        bool hasPrivacy = false;
        bool encrypted = false;
        // Starts the next waypoint; the texts keep their buffers.
        void clear() {
            for (QString* text : {&name, &desc, &cmt, &url, &linkHref, &sym, &type, &category, &additions}) {
                text->resize(0);
            }
            position = CheckedPosition{};
            linkSeen = hasPrivacy = encrypted = false;
        }
    };

    void childOfWaypoint(std::string_view local, std::string_view text) {
        if (local == "name") {
            setFieldText(current_.name, text);
            expectName(DuplicateRule::ExactName, current_.name);
        } else if (local == "desc") {
            setFieldText(current_.desc, text);
        } else if (local == "cmt") {
            setFieldText(current_.cmt, text);
        } else if (local == "url") {
            setFieldText(current_.url, text);
        } else if (local == "sym") {
            setFieldText(current_.sym, text);
        } else if (local == "type") {
            const QString type = fieldText(text);
            if (type != QLatin1String("OPEN-PUBLIC")) {
                current_.type = type;
            }
        }
    }

    void anyDepthInWaypoint(const XmlName& name, std::string_view text) {
        if (name.local == "privacy") {
            const QString value = fieldText(text);
            current_.hasPrivacy = true;
            current_.encrypted = value != QLatin1String("None");
            current_.additions +=
                current_.encrypted ? QStringLiteral(", ") + value : QStringLiteral(", Unsecured");
        } else if (name.local == "ChannelID") {
            current_.additions += QStringLiteral(", Channel ") + fieldText(text);
        } else if (name.local == "Category" &&
                   (isGarminNamespace(name.uri) || (name.uri.empty() && depth_ > waypointDepth_ + 1))) {
            // Garmin's category, also under an undeclared prefix inside an extension.
            setFieldText(current_.category, text);
        }
    }

    void finishWaypoint(bool endTagMissing) {
        reportCut(current_.name);
        // A waypoint that lost its end tag is kept only when it is plainly one: named, with a
        // position.
        if (endTagMissing && current_.name.isEmpty()) {
            log_.skipped(currentLine(), current_.name,
                         QStringLiteral("its end tag is missing and it has no name"));
            return;
        }
        const std::optional<Position>& pos = current_.position.position;
        if (!pos) {
            log_.skipped(current_.position.line, current_.name, current_.position.reason);
            return;
        }
        WaypointDraft row;
        if (current_.hasPrivacy) {
            row.icon = current_.encrypted ? IconRole::EncryptYes : IconRole::EncryptNo;
            row.cell(column::kEncryption) =
                current_.encrypted ? QStringLiteral("Encrypted") : QStringLiteral("UnEncrypted");
        } else {
            row.icon = iconForCacheType(current_.type);
        }
        row.cell(column::kName) = current_.name;
        // Garmin's units and programs write their text as the comment, and often no description.
        row.cell(column::kDescription) =
            (current_.desc.isEmpty() ? current_.cmt : current_.desc) + current_.additions;
        setPositionCells(row, *pos, MinutesRule::Cut, context_.decimalSeparator, 7);
        row.cell(column::kUrl) = current_.url.isEmpty() ? current_.linkHref : current_.url;
        row.cell(column::kSymbol) = current_.sym;
        row.cell(column::kCategory) = current_.category;
        addRecord(row, DuplicateRule::ExactName);
    }

    Waypoint current_;
    long long waypoints_ = 0;  // waypoints and route points
    long long tracks_ = 0;
    long long trackPoints_ = 0;
    long long routes_ = 0;
};

}  // namespace

QString gpxAdviceText() {
    return easyGpsAdvice(QStringLiteral(
        "If you want to save a file in EasyGPS, save it as a .gpx file, then load it into here."));
}

ReadResult readGpxFile(const QString& path, ImportContext& context) {
    return readXmlWaypoints<GpxHandler>(path, context, gpxAdviceText());
}

}  // namespace vintrel
