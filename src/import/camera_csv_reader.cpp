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

class CameraHandler : public TextRecordHandler {
  public:
    using TextRecordHandler::TextRecordHandler;

    bool onLine(QStringView line) override {
        if (lineNumber() == 1) {
            return true;  // the column names
        }
        const std::vector<QStringView>* fields = commaRecord(line);
        if (fields == nullptr) {
            return true;
        }
        const QString name = cellText((*fields)[2]);
        if (name.isEmpty()) {
            skip(name, QStringLiteral("it has no name"));
            return true;
        }
        const std::optional<Position> pos = positionOrSkip((*fields)[1], (*fields)[0], name);
        if (!pos) {
            return true;
        }
        WaypointDraft row;
        row.icon = cameraIcon(name);
        row.cell(column::kName) = name;
        row.cell(column::kDescription) = cellText(fieldAt(*fields, 3));
        setPositionCells(row, *pos, MinutesRule::Cut, context_.decimalSeparator, 5);
        addRecord(row, DuplicateRule::NameIgnoringCase);
        return true;
    }

    void onEnd() override { finishFile(context_, result_, QString()); }
};

}  // namespace

ReadResult readCameraCsvFile(const QString& path, ImportContext& context) {
    return readTextRecords<CameraHandler>(path, context);
}

}  // namespace vintrel
