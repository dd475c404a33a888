#include "import/mxf_reader.h"

#include "import/text/text_records.h"

namespace vintrel {

namespace {

constexpr double kGeocacheSymbol = 37;

// Every double quote goes, not only an enclosing pair: marks files quote their texts, and a stray
// quote left in a name would travel into every output file.
QString withoutQuotes(QStringView field) {
    return cellText(field).remove(u'"');
}

class MxfHandler : public TextRecordHandler {
  public:
    using TextRecordHandler::TextRecordHandler;

    bool onLine(QStringView line) override {
        const std::vector<QStringView>* fields = commaRecord(line);
        if (fields == nullptr) {
            return true;
        }
        const QString name = withoutQuotes((*fields)[2]);
        if (name.isEmpty()) {
            skip(name, QStringLiteral("it has no name"));
            return true;
        }
        const std::optional<Position> pos = positionOrSkip((*fields)[0], (*fields)[1], name);
        if (!pos) {
            return true;
        }
        WaypointDraft row;
        row.icon =
            numberField(fieldAt(*fields, 6)) == kGeocacheSymbol ? IconRole::Geocache : IconRole::Waypoint;
        row.cell(column::kName) = name;
        row.cell(column::kDescription) = withoutQuotes(fieldAt(*fields, 4));
        setPositionCells(row, *pos, MinutesRule::Cut, context_.decimalSeparator, 5);
        addRecord(row, DuplicateRule::NameIgnoringCase);
        return true;
    }

    void onEnd() override { finishFile(context_, result_, QString()); }
};

}  // namespace

ReadResult readMxfFile(const QString& path, ImportContext& context) {
    return readTextRecords<MxfHandler>(path, context);
}

}  // namespace vintrel
