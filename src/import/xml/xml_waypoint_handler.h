// What the XML readers share: a handler base that tracks nesting and records, and the loop that
// streams one file through it.
#pragma once

#include "import/reader_support.h"
#include "import/xml/xml_stream.h"

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
    // Appends a finished record unless the list holds it already under `rule`; `address` is the key
    // of DuplicateRule::AddressIgnoringCase.
    void addRecord(const WaypointDraft& row, DuplicateRule rule, QStringView address = {}) {
        if (context_.list.appendUnlessDuplicate(row, rule, address) >= 0) {
            ++result_.appended;
        }
    }
    void setStream(const XmlStream* stream) { stream_ = stream; }
    bool stopWanted() const override {
        return context_.progress != nullptr && context_.progress->cancelled();
    }
    // After the whole file: a last word about what it held.
    virtual void afterParse() {}
    // Whether an empty list after this file gets the reader's advice.
    virtual bool givesAdvice() const { return true; }

  protected:
    long currentLine() const { return stream_->currentLine(); }
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
    QString cutField_;
    long cutLine_ = 0;
};

// Streams one XML file through a handler derived from WaypointXmlHandler, recording the repairs
// made and an error that stops the file, and ends it with `advice` for an empty list.
template <class Handler>
ReadResult readXmlWaypoints(const QString& path, ImportContext& context, const QString& advice) {
    ReadResult result;
    ProblemLog log(result, path);
    Handler handler(context, result, log);
    XmlStream stream(handler);
    handler.setStream(&stream);
    const XmlParseOutcome outcome = stream.parseFile(path);
    result.documentFound = stream.sawElement();
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
