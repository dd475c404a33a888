#include "import/text/text_records.h"

#include "import/text/line_reader.h"

#include <string>

namespace vintrel {

namespace {

constexpr size_t kFewestRecordFields = 3;

std::string utf8Of(QStringView text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            return text.toUtf8().toStdString();
        }
        out.push_back(static_cast<char>(c.unicode()));
    }
    return out;
}

}  // namespace

const std::vector<QStringView>* TextRecordHandler::commaRecord(QStringView line) {
    if (trimBlanks(line).isEmpty()) {
        return nullptr;
    }
    const std::vector<QStringView>& fields = splitter_.splitCommas(line);
    if (fields.size() < kFewestRecordFields) {
        skip(QString(),
             QStringLiteral("the line has %1, fewer than the three a record needs")
                 .arg(fields.size() == 1 ? QStringLiteral("one field") : QStringLiteral("two fields")));
        return nullptr;
    }
    return &fields;
}

std::optional<Position> TextRecordHandler::positionOrSkip(QStringView lat, QStringView lon,
                                                          const QString& name) {
    QString reason;
    std::optional<Position> pos = checkPosition(utf8Of(lat), utf8Of(lon), reason);
    if (!pos) {
        skip(name, reason);
    }
    return pos;
}

void TextRecordHandler::addRecord(const WaypointDraft& row, DuplicateRule rule, QStringView address) {
    if (context_.list.appendUnlessDuplicate(row, rule, address) >= 0) {
        ++result_.appended;
    } else {
        ++duplicates_;
    }
}

void runTextRecords(const QString& path, TextRecordHandler& handler, ProblemLog& log) {
    LineReader reader;
    QString error;
    if (!reader.open(path, error)) {
        log.stoppedEarly(0, QStringLiteral("cannot be opened: %1").arg(error));
        return;
    }
    QString line;
    bool stopped = false;
    while (reader.next(line)) {
        if (handler.stopWanted()) {
            log.stoppedEarly(reader.lineNumber(), QStringLiteral("the import was cancelled"));
            stopped = true;
            break;
        }
        handler.setLineNumber(reader.lineNumber());
        if (!handler.onLine(line)) {
            break;
        }
    }
    handler.onEnd();
    if (!stopped && handler.gaveNothing()) {
        log.note(QStringLiteral("the file holds no records."));
    }
}

}  // namespace vintrel
