#include "import/loc_reader.h"

#include "import/xml/xml_waypoint_handler.h"

#include <QFileInfo>

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
                current_.clear();
            }
            return;
        }
        if (depth_ != waypointDepth_ + 1) {
            return;
        }
        if (name.local == "name") {
            setFieldText(current_.name, attributeUtf8(attributes, "id").value_or(std::string()));
            expectName(DuplicateRule::NameIgnoringCase, current_.name);
        } else if (name.local == "coord") {
            current_.position =
                checkPositionHere(attributeUtf8(attributes, "lat"), attributeUtf8(attributes, "lon"));
        }
    }

    std::string_view pieceElement() const override { return "waypoint"; }

    // A waypoint is kept only with a name and a position, whether or not its end tag was there.
    void endElement(const XmlName& name, std::string_view text, bool) override {
        if (waypointDepth_ != 0 && depth_ == waypointDepth_ + 1) {
            if (name.local == "name") {
                setFieldText(current_.title, text);
            } else if (name.local == "type") {
                setFieldText(current_.type, text);
            } else if (name.local == "link") {
                setFieldText(current_.link, text);
            }
            takeText(name.local);
        } else if (depth_ == waypointDepth_) {
            finishWaypoint();
            waypointDepth_ = 0;
        }
        --depth_;
    }

  private:
    struct Waypoint {
        QString name, title, type, link;
        std::optional<CheckedPosition> position;  // empty until a coord element gives it
        // Empties the texts but keeps their buffers for the next waypoint.
        void clear() {
            for (QString* text : {&name, &title, &type, &link}) {
                text->resize(0);
            }
            position.reset();
        }
    };

    void finishWaypoint() {
        reportCut(current_.name);
        if (!current_.position) {
            current_.position =
                CheckedPosition{std::nullopt, QStringLiteral("it has no coord element"), currentLine()};
        }
        if (current_.name.isEmpty()) {
            log_.skipped(currentLine(), current_.name, QStringLiteral("it has no name (id)"));
            return;
        }
        const std::optional<Position>& pos = current_.position->position;
        if (!pos) {
            log_.skipped(current_.position->line, current_.name, current_.position->reason);
            return;
        }
        WaypointDraft row;
        row.icon = iconForCacheType(current_.type);
        row.cell(column::kName) = current_.name;
        row.cell(column::kDescription) = current_.title;
        setPositionCells(row, *pos, MinutesRule::LocRound, context_.decimalSeparator, 7);
        row.cell(column::kUrl) = current_.link;
        addRecord(row, DuplicateRule::NameIgnoringCase);
    }

    Waypoint current_;
};

}  // namespace

QString locAdviceText() {
    return easyGpsAdvice(QStringLiteral(
        "If you must save a file in EasyGPS, save it as a .gpx file, then load it into here."));
}

// EasyGPS also saves a list in a binary form of its own under the .loc name; it begins with these
// bytes. Only a regular file is looked at first: a pipe would lose what is read.
bool isEasyGpsBinary(const QString& path) {
    static const QByteArray kSignature = QByteArrayLiteral("TerraByte Location File");
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly) &&
           file.read(kSignature.size()) == kSignature;
}

ReadResult readLocFile(const QString& path, ImportContext& context) {
    if (isEasyGpsBinary(path)) {
        ReadResult result;
        ProblemLog log(result, path);
        log.stoppedEarly(0,
                         QStringLiteral("is saved in EasyGPS's own binary form, not as the XML of a geocache "
                                        ".loc file; nothing was read"));
        result.documentFound = true;  // the advice is written for this very file
        finishFile(context, result, locAdviceText());
        return result;
    }
    return readXmlWaypoints<LocHandler>(path, context, locAdviceText());
}

}  // namespace vintrel
