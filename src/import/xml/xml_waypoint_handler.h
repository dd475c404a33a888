// What the XML readers share: a handler base that tracks nesting and records, and the loop that
// streams one file through it.
#pragma once

#include "import/reader_support.h"
#include "import/row_batch.h"
#include "import/xml/xml_stream.h"

#include <functional>
#include <memory>

namespace vintrel {

// A record's position as checked where its coordinates stand; the line is looked up only for a bad
// one, since asking expat for line numbers costs a scan of the text.
struct CheckedPosition {
    std::optional<Position> position;
    QString reason;
    long line = 0;
};

// What every XML reader's handler starts from.
class WaypointXmlHandler : public XmlHandler {
  public:
    WaypointXmlHandler(ImportContext& context, ReadResult& result, ProblemLog& log)
        : context_(context), result_(result), log_(log) {}
    // Appends a finished record unless the list holds it already under `rule` (`address` is the
    // key of DuplicateRule::AddressIgnoringCase); the handler of a piece of a file keeps it in its
    // batch instead.
    void addRecord(const WaypointDraft& row, DuplicateRule rule, QStringView address = {}) {
        if (batch_ != nullptr) {
            batch_->add(row, rule, address);
        } else {
            commit(row, rule, address);
        }
    }
    // Appends a record unless the list holds it already, as one of this file's.
    void commit(const WaypointDraft& row, DuplicateRule rule, QStringView address = {}) {
        if (context_.list.appendUnlessDuplicate(row, rule, address) >= 0) {
            ++result_.appended;
        }
    }
    // The handler of one piece of a large file keeps its records in `batch`.
    void setBatch(RowBatch* batch) { batch_ = batch; }
    // The local name of the elements directly inside the root before which a large file may be
    // cut into pieces; empty: it is read on one thread.
    virtual std::string_view pieceElement() const { return {}; }
    // Adds what the handler of a piece of the file counted, for afterParse().
    virtual void absorb(const WaypointXmlHandler&) {}
    void setStream(const XmlStream* stream) { stream_ = stream; }
    bool stopWanted() const override {
        return context_.progress != nullptr && context_.progress->cancelled();
    }
    void bytesRead(qint64 total) override {
        if (context_.progress != nullptr) {
            context_.progress->setDone(total);
        }
    }
    // After the whole file: a last word about what it held.
    virtual void afterParse() {}
    // Whether an empty list after this file gets the reader's advice.
    virtual bool givesAdvice() const { return true; }

  protected:
    long currentLine() const { return stream_->currentLine(); }
    // Tells the list that a record of this name is coming (see WaypointList::expectName).
    void expectName(DuplicateRule rule, const QString& name) {
        if (batch_ == nullptr) {
            context_.list.expectName(rule, name);
        }
    }
    // Notes a field of the open record whose text the stream had to cut; reportCut() names the
    // record once it is known.
    void takeText(std::string_view field) {
        if (stream_->textWasCut() && cutField_.isEmpty()) {
            cutField_ = QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size()));
            cutLine_ = currentLine();
        }
    }
    void reportCut(const QString& recordName) {
        if (!cutField_.isEmpty()) {
            log_.cut(cutLine_, recordName, cutField_);
            cutField_.clear();
        }
    }
    CheckedPosition checkPositionHere(const std::optional<std::string>& lat,
                                      const std::optional<std::string>& lon) const {
        CheckedPosition checked;
        checked.position = checkPosition(lat, lon, checked.reason);
        if (!checked.position) {
            checked.line = currentLine();
        }
        return checked;
    }

    ImportContext& context_;
    ReadResult& result_;
    ProblemLog& log_;
    int depth_ = 0;
    int waypointDepth_ = 0;  // depth of the open waypoint element, 0 outside one

  private:
    const XmlStream* stream_ = nullptr;
    RowBatch* batch_ = nullptr;
    QString cutField_;
    long cutLine_ = 0;
};

struct XmlFileRead {
    XmlParseOutcome outcome;
    bool documentFound = false;
};
using XmlHandlerMaker =
    std::function<std::unique_ptr<WaypointXmlHandler>(ImportContext&, ReadResult&, ProblemLog&)>;

// Streams the file through `handler`: a large one in pieces on several threads when the handler
// names the elements it may be cut before (see import/pieces.h), each piece through a handler
// `make` gives, else on this thread. What the pieces skipped is told to `log`.
XmlFileRead readXmlFile(const QString& path, ImportContext& context, WaypointXmlHandler& handler,
                        XmlStream& stream, ProblemLog& log, const XmlHandlerMaker& make);

// Streams one XML file through a handler derived from WaypointXmlHandler, recording the repairs
// made and an error that stops the file, and ends it with `advice` for an empty list.
template <class Handler>
ReadResult readXmlWaypoints(const QString& path, ImportContext& context, const QString& advice) {
    ReadResult result;
    ProblemLog log(result, path);
    Handler handler(context, result, log);
    XmlStream stream(handler);
    handler.setStream(&stream);
    const XmlFileRead read =
        readXmlFile(path, context, handler, stream, log, [](ImportContext& c, ReadResult& r, ProblemLog& l) {
            return std::unique_ptr<WaypointXmlHandler>(new Handler(c, r, l));
        });
    const XmlParseOutcome& outcome = read.outcome;
    result.documentFound = read.documentFound;
    for (const XmlRepair& repair : outcome.repairs) {
        log.repaired(repair.line, repair.what);
    }
    if (outcome.empty) {
        log.note(QStringLiteral("the file is empty."));
    } else if (!outcome.ok) {
        log.stoppedEarly(outcome.line, outcome.message);
    }
    handler.afterParse();
    finishFile(context, result, handler.givesAdvice() ? advice : QString());
    log.finish();
    return result;
}

}  // namespace vintrel
