#include "import/loc_reader.h"

#include "import/reader_support.h"
#include "import/xml_stream.h"

namespace vintrel {

namespace {

class LocHandler : public WaypointXmlHandler {
public:
    using WaypointXmlHandler::WaypointXmlHandler;

    void startElement(const XmlName& name, const char** attributes) override {
        ++depth_;
        if (waypointDepth_ == 0) {
            if (name.local == "waypoint") {
                waypointDepth_ = depth_;
                current_ = Waypoint{};
                current_.line = currentLine();
            }
            return;
        }
        if (depth_ != waypointDepth_ + 1) {
            return;
        }
        if (name.local == "name") {
            current_.name = singleLineText(attributeValue(attributes, "id"));
        } else if (name.local == "coord") {
            current_.lat = attributeValue(attributes, "lat");
            current_.lon = attributeValue(attributes, "lon");
        }
    }

    void endElement(const XmlName& name, const QString& text) override {
        if (waypointDepth_ != 0 && depth_ == waypointDepth_ + 1) {
            if (name.local == "name") {
                current_.title = singleLineText(text);
            } else if (name.local == "type") {
                current_.type = singleLineText(text);
            } else if (name.local == "link") {
                current_.link = singleLineText(text);
            }
        } else if (depth_ == waypointDepth_) {
            finishWaypoint();
            waypointDepth_ = 0;
        }
        --depth_;
    }

private:
    struct Waypoint {
        long line = 0;
        QString name, title, type, link;
        QString lat, lon;  // null until a coord element gives them
    };

    void finishWaypoint() {
        if (current_.name.isEmpty()) {
            log_.skipped(current_.line, current_.name, QStringLiteral("it has no name (id)"));
            return;
        }
        QString reason;
        const std::optional<Position> pos = checkPosition(current_.lat, current_.lon, reason);
        if (!pos) {
            log_.skipped(current_.line, current_.name, reason);
            return;
        }
        WaypointList& list = context_.list;
        const QList<int> earlier = list.rowsWithNameIgnoringCase(current_.name);
        if (!earlier.isEmpty()) {
            for (int r : earlier) {
                list.markDuplicate(r);
            }
            list.countDuplicate();
            ++result_.duplicates;
            return;
        }
        WaypointRow row;
        row.icon = iconForCacheType(current_.type);
        row.cell(column::kName) = current_.name;
        row.cell(column::kDescription) = current_.title;
        setPositionCells(row, *pos, MinutesRule::LocRound, context_.decimalSeparator);
        row.cell(column::kUrl) = current_.link;
        list.appendWaypointRow(std::move(row));
        ++result_.appended;
    }

    Waypoint current_;
};

}  // namespace

QString locAdviceText() {
    return QStringLiteral(
        "This file could not be read.\r\n\r\n"
        "Maybe because it has been saved in EasyGPS.\r\n\r\n"
        "It is best to use .loc files that have been downloaded from www.geocaching.com and not "
        "touched by EasyGPS.\r\n\r\n"
        "If you must save a file in EasyGPS, save it as a .gpx file, then load it into here.");
}

ReadResult readLocFile(const QString& path, ImportContext& context) {
    ReadResult result = readXmlWaypoints<LocHandler>(path, context);
    if (result.appended > 0) {
        context.list.setColumnAlignment(column::kName, ColumnAlignment::Left);
        context.list.setColumnAlignment(column::kDescription, ColumnAlignment::Left);
        context.list.setColumnAlignment(column::kLatDecimal, ColumnAlignment::Right);
        context.list.setColumnAlignment(column::kLonDecimal, ColumnAlignment::Right);
    }
    finishFile(context, result, locAdviceText());
    return result;
}

}  // namespace vintrel
