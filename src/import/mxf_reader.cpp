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

// A number field as marks files hold it: read up to the first character that cannot continue the
// number; a field that does not begin with one is quoted whole when the record is skipped.
QStringView numberText(QStringView field) {
    const QStringView number = leadingNumber(field);
    return number.isEmpty() ? field : number;
}

class MxfHandler : public TextRecordHandler {
  public:
    using TextRecordHandler::TextRecordHandler;

    FieldSeparator separator() const override { return FieldSeparator::Comma; }
    std::size_t keptFields() const override { return 7; }
    bool readsInPieces() const override { return true; }

    bool onLine(const TextLine& line) override {
        const std::vector<QString>* fields = commaRecord(line);
        if (fields == nullptr) {
            return true;
        }
        const QString name = withoutQuotes((*fields)[2]);
        reportCut(line, name,
                  {"latitude", "longitude", "name", "short name", "description", "colour", "symbol"});
        const std::optional<Position> pos =
            positionOrSkip(numberText((*fields)[0]), numberText((*fields)[1]), name);
        if (!pos) {
            return true;
        }
        WaypointDraft row;
        row.icon = numberField(leadingNumber(fieldAt(*fields, 6))) == kGeocacheSymbol ? IconRole::Geocache
                                                                                      : IconRole::Waypoint;
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
