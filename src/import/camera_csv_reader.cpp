#include "import/camera_csv_reader.h"

#include "import/text/text_records.h"

namespace vintrel {

namespace {

// Camera databases name their cameras by kind: "GATSO: 30mph", "Redlight Kings Rd", ...
IconRole cameraIcon(const QString& name) {
    const QString kind = name.left(5).toUpper();
    if (kind == u"GATSO" || kind == u"TRUVE" || kind == u"TEMP:" || kind == u"MONIT") {
        return IconRole::Gatso;
    }
    if (kind == u"REDLI") {
        return IconRole::RedLight;
    }
    if (kind == u"SPECS") {
        return IconRole::Specs;
    }
    if (kind == u"MOBIL") {
        return IconRole::Mobile;
    }
    return IconRole::None;
}

// Whether the first line of a list is a camera already: lists written for POI loaders have no
// line of column names, and start with a longitude and a latitude.
bool isRecordLine(const TextLine& line) {
    const std::optional<double> lon = numberField(fieldAt(line.fields, 0));
    const std::optional<double> lat = numberField(fieldAt(line.fields, 1));
    return lon && lat && *lon >= -180 && *lon <= 180 && *lat >= -90 && *lat <= 90;
}

class CameraHandler : public TextRecordHandler {
  public:
    using TextRecordHandler::TextRecordHandler;

    FieldSeparator separator() const override { return FieldSeparator::Comma; }
    std::size_t keptFields() const override { return 4; }
    bool readsInPieces() const override { return true; }

    bool onLine(const TextLine& line) override {
        if (onFirstLine() && !isRecordLine(line)) {
            return true;  // the column names
        }
        const std::vector<QString>* fields = commaRecord(line);
        if (fields == nullptr) {
            return true;
        }
        // A camera without a name is kept: its position is what matters on the road.
        const QString name = cellText((*fields)[2]);
        reportCut(line, name, {"longitude", "latitude", "name", "description"});
        const std::optional<Position> pos = positionOrSkip((*fields)[1], (*fields)[0], name);
        if (!pos) {
            return true;
        }
        WaypointDraft row;
        row.icon = cameraIcon(name);
        row.cell(column::kName) = name;
        row.cell(column::kDescription) = cellText(fieldAt(*fields, 3));
        setPositionCells(row, *pos, MinutesRule::Cut, context_.decimalSeparator, 5);
        // Lists name cameras by their limit ("max@50"): a camera is told by its place too.
        addRecord(row, DuplicateRule::NameAndPlaceIgnoringCase);
        return true;
    }

    void onEnd() override { finishFile(context_, result_, QString()); }
};

}  // namespace

ReadResult readCameraCsvFile(const QString& path, ImportContext& context) {
    return readTextRecords<CameraHandler>(path, context);
}

}  // namespace vintrel
