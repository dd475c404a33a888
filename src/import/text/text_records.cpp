#include "import/text/text_records.h"

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

const std::vector<QString>* TextRecordHandler::commaRecord(const TextLine& line) {
    if (line.blank) {
        return nullptr;
    }
    if (line.fieldCount < kFewestRecordFields) {
        skip(QString(),
             QStringLiteral("the line has %1, fewer than the three a record needs")
                 .arg(line.fieldCount == 1 ? QStringLiteral("one field") : QStringLiteral("two fields")));
        return nullptr;
    }
    return &line.fields;
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

void TextRecordHandler::reportCut(const TextLine& line, const QString& name,
                                  std::initializer_list<const char*> fieldNames) {
    if (line.cutField >= 0 && static_cast<size_t>(line.cutField) < fieldNames.size()) {
        log_.cut(line_, name, QLatin1String(fieldNames.begin()[line.cutField]));
    }
}

void TextRecordHandler::addRecord(const WaypointDraft& row, DuplicateRule rule, QStringView address) {
    if (batch_ != nullptr) {
        batch_->add(row, rule, address);
    } else {
        commit(row, rule, address);
    }
}

void TextRecordHandler::commit(const WaypointDraft& row, DuplicateRule rule, QStringView address) {
    if (context_.list.appendUnlessDuplicate(row, rule, address) >= 0) {
        ++result_.appended;
    } else {
        ++duplicates_;
    }
}

LinesEnd handLines(LineReader& reader, TextRecordHandler& handler) {
    TextLine line;
    while (reader.next(line)) {
        if (handler.stopWanted(reader.bytesRead())) {
            return LinesEnd::Cancelled;
        }
        handler.setLineNumber(reader.lineNumber());
        if (!handler.onLine(line)) {
            return LinesEnd::StoppedByHandler;
        }
    }
    return LinesEnd::Read;
}

void runTextRecords(const QString& path, ImportContext& context, TextRecordHandler& handler, ProblemLog& log,
                    const TextHandlerMaker& make) {
    const TextPiecesRead pieces = readTextPieces(path, context, handler, log, make);
    bool cancelled = pieces.end == TextPiecesRead::End::Cancelled;
    bool empty = false;
    if (cancelled) {
        log.stoppedEarly(pieces.rest.linesBefore + 1,
                         QLatin1String(kImportCancelled) + QStringLiteral("; reading stopped there"));
    } else if (pieces.end != TextPiecesRead::End::Done) {
        LineReader reader(handler.separator(), handler.keptFields());
        QString error;
        if (!reader.open(path, error)) {
            log.stoppedEarly(0, QStringLiteral("cannot be opened: %1").arg(error));
            return;
        }
        const TextStart& from = pieces.rest;
        const bool there = reader.startAt(from.offset, from.linesBefore, from.utf8);
        const LinesEnd end = there ? handLines(reader, handler) : LinesEnd::Read;
        cancelled = end == LinesEnd::Cancelled;
        if (cancelled) {
            log.stoppedEarly(reader.lineNumber(),
                             QLatin1String(kImportCancelled) + QStringLiteral("; reading stopped there"));
        } else if (end == LinesEnd::Read && (!there || !reader.failure().isEmpty())) {
            log.stoppedEarly(
                reader.lineNumber() + 1,
                (there ? reader.failure() : QStringLiteral("the file changed while it was read")) +
                    QStringLiteral("; the lines before this one were kept"));
        }
        empty = reader.wasEmpty();
    }
    handler.setFileEmpty(empty);
    handler.onEnd();
    if (!cancelled && handler.gaveNothing()) {
        log.note(empty ? QStringLiteral("the file is empty.") : QStringLiteral("the file holds no records."));
    }
}

}  // namespace vintrel
